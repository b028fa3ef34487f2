#include "launcher/update_sequence.h"

#include <string_view>

#include "launcher/texts.h"
#include "launcher/update_rules.h"
#include "description/description_file.h"
#include "platform/fs.h"

namespace launcher {

std::string UpdateFolder(const std::string& app_dir) {
  if (app_dir.empty()) {
    std::string folder = platform::CurrentFolder();
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
  }
  return app_dir.back() == ':' ? app_dir + "\\" : app_dir;
}

namespace {

// `text` starts with `prefix`, compared without regard to case (ASCII).
bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  if (arguments.empty()) return line;
  line.application = arguments.front();
  bool archive_given = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    // The first option given wrongly is named; the options around it still hold (a /silent run
    // that is refused stays silent).
    auto refuse = [&line](const std::string& why) {
      if (line.error.empty()) line.error = why;
    };
    if (a.size() == 7 && StartsWithNoCase(a, "/silent")) {
      line.mode = RunMode::kSilent;
    } else if (a.size() == 8 && StartsWithNoCase(a, "/passive")) {
      if (line.mode != RunMode::kSilent) line.mode = RunMode::kPassive;  // the quieter one holds
    } else if (a.size() == 9 && StartsWithNoCase(a, "/elevated")) {
      line.elevated = true;
    } else if (StartsWithNoCase(a, "/archive=")) {
      if (archive_given) {
        refuse("the command line names the archive twice");
      } else if (a.size() == 9) {
        refuse("/archive= names no archive");
      } else {
        line.archive = a.substr(9);
        archive_given = true;
      }
    } else {
      // Callers have always been free to pass more than the application's path.
      line.ignored.push_back(a);
    }
  }
  return line;
}

std::optional<std::string> ReadDescriptionFile(const std::string& path) {
  if (!platform::FileExists(path)) return std::nullopt;
  return description::ReadDescriptionBytes(path);
}

UpdateRequest ReadRequest(const std::vector<std::string>& arguments, const DescriptionReader& read) {
  UpdateRequest s;
  if (arguments.empty()) return s;
  const CommandLine line = ParseCommandLine(arguments);
  s.Mode = line.mode;
  s.Elevated = line.elevated;
  s.ArchivePath = line.archive;
  s.CommandLineError = line.error;
  s.IgnoredArguments = line.ignored;
  s.ExeFileName = line.application;
  s.FirstArgument = line.application;
  s.AppDir = AppDirOf(s.ExeFileName);
  if (const std::optional<std::string> bytes = read(s.AppDir + kDescriptionFile)) {
    s.VerInfo.LoadFromBytes(*bytes);
    s.DescriptionRead = true;
    // Without a program name the shell would be asked to open the folder itself.
    const std::string exe = s.VerInfo.Value("EXE_FILENAME");
    if (!exe.empty()) s.ExeFileName = s.AppDir + exe;
    s.ExeFromArgument = exe.empty();
  }
  return s;
}

void FormCreate(UpdateHost& host, const std::vector<std::string>& arguments, Launch& launch) {
  launch.lock.reset();  // a window made again in the same process
  launch.request = UpdateRequest{};
  host.SetShowMainForm(false);
  if (arguments.empty()) {  // ends with 0, as it always has
    host.RequestTerminate();
    return;
  }
  // A second launcher (a double click, an application that starts it twice) would take the
  // first one's work folder for an interrupted run's and restart the application once more.
  launch.lock = platform::TryLockFolder(UpdateFolder(AppDirOf(arguments.front())));
  if (!launch.lock) {
    host.SetExitCode(kExitAlreadyRunning);
    host.RequestTerminate();
    return;
  }
  // What the command line says holds even when the description file cannot be read.
  launch.request = ReadRequest(arguments, [](const std::string&) { return std::optional<std::string>(); });
  host.SetShowMainForm(launch.request.Mode != RunMode::kSilent);
  launch.request = ReadRequest(arguments, ReadDescriptionFile);
  const UpdateRequest& s = launch.request;
  SetCurrentLanguage(ParseLanguage(s.VerInfo.Value("LANGUAGE")));
  host.SetProductName(s.VerInfo.Value("NAME"));
  host.SetSkinIndex(ParseSkinIndex(s.VerInfo.Value("SKININDEX"), kDefaultSkinIndex));
}

void StartUnZip(UpdateHost& host, const UpdateRequest& s, const std::string& fname, bool& skip) {
  host.SetStatusText(TextOf(Text::kExtractingFile) + fname);
  if (IsSkippedPath(fname, s.VerInfo.Value("COPY_FILENAME"), s.VerInfo.Value("VER_HISTORY"), s.AppDir)) skip = true;
}

void TotalPercentDone(UpdateHost& host, int percent) {
  host.SetProgressText(TextOf(Text::kExtracting));
  host.SetProgressMax(100);
  host.SetProgressValue(percent);
}

void UnZipComplete(UpdateHost& host, const UpdateRequest& request) {
  host.ShellOpen(request.ExeFileName, kRestartArgument);
  host.RequestTerminate();
}

}  // namespace launcher
