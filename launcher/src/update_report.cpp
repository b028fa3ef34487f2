#include "launcher/update_report.h"

#include <chrono>
#include <cstdio>

#include "platform/file.h"

namespace launcher {

namespace {

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

std::string UtcTimeText(bool with_milliseconds) {
  using namespace std::chrono;
  const auto now = floor<milliseconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{now - day};
  char text[48];
  int n = std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                        static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                        static_cast<int>(time.seconds().count()));
  if (with_milliseconds)
    n += std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(time.subseconds().count()));
  std::snprintf(text + n, sizeof text - n, " UTC");
  return text;
}

UpdateLog::UpdateLog(platform::FileOps& ops, const std::string& app_dir) : UpdateLog(ops, app_dir + kLogFile, true) {}

UpdateLog UpdateLog::InFolder(platform::FileOps& ops, const std::string& folder) {
  const std::string log = kLogFile;
  return UpdateLog(ops, folder + log.substr(log.find_last_of('\\') + 1), true);
}

UpdateLog::UpdateLog(platform::FileOps& ops, std::string path, bool) : ops_(ops), path_(std::move(path)) {
  const size_t slash = path_.find_last_of('\\');
  if (!ops_.Attributes(path_.substr(0, slash))) ops_.CreateFolder(path_.substr(0, slash));
  const std::optional<std::string> old = ops_.ReadFile(path_);
  if (old && old->size() >= kLogRotateSize) ops_.Rename(path_, path_ + ".1", true);
}

void UpdateLog::Line(const std::string& text) {
  const std::string line = UtcTimeText(true) + "  " + OneLine(text) + "\r\n";
  // Not flushed line by line: the log tells what happened, the journal is what must survive.
  platform::File file = platform::File::Open(path_, platform::FileMode::OpenReadWrite);
  if (!file.IsOpen()) file = platform::File::Open(path_, platform::FileMode::Create);
  if (!file.IsOpen() || file.Seek(0, 2) < 0) return;
  file.Write(line.data(), static_cast<int64_t>(line.size()));
}

const char* OutcomeText(UpdateOutcome outcome) {
  switch (outcome) {
    case UpdateOutcome::kApplied: return "applied";
    case UpdateOutcome::kRolledBack: return "rolled back";
    case UpdateOutcome::kReverted: return "reverted";
    case UpdateOutcome::kNotStarted: break;
  }
  return "not started";
}

void WriteResultFile(platform::FileOps& ops, const std::string& app_dir, UpdateOutcome outcome, int files,
                     const std::string& error, const std::string& archive, description::TextEncoding description,
                     const std::vector<std::pair<std::string, std::string>>& extra) {
  WriteResultFileAt(ops, app_dir + kResultFile, outcome, files, error, archive, description, extra);
}

void WriteResultFileAt(platform::FileOps& ops, const std::string& path, UpdateOutcome outcome, int files,
                       const std::string& error, const std::string& archive, description::TextEncoding description,
                       const std::vector<std::pair<std::string, std::string>>& extra) {
  std::string text = std::string("RESULT=") + OutcomeText(outcome) + "\r\nFILES=" + std::to_string(files) +
                     "\r\nERROR=" + OneLine(error) + "\r\nTIME=" + UtcTimeText(false) + "\r\nARCHIVE=" +
                     OneLine(archive) + "\r\n";
  for (const auto& [name, value] : extra) text += name + "=" + OneLine(value) + "\r\n";
  ops.WriteFile(path,
                description::EncodeText(text, description::EncodingToWrite(description, text)));
}

}  // namespace launcher
