#include "launcher/update_journal.h"

#include <charconv>

namespace launcher {

namespace {

constexpr const char* kHeader = "HALVEX UPDATE JOURNAL 1";
constexpr const char* kEnd = "END";
constexpr const char* kCommitted = "COMMITTED";
constexpr const char* kRolledBack = "ROLLED BACK";
constexpr const char* kAwaiting = "AWAITING CONFIRMATION";
constexpr const char* kReverting = "REVERTING";

std::string StampLine(const std::string& rel, const platform::FolderStamp& stamp) {
  char attributes[16];
  const auto end = std::to_chars(attributes, attributes + sizeof attributes, stamp.attributes, 16).ptr;
  return "STAMP " + std::string(attributes, end) + " " + std::to_string(stamp.modified) + " " + rel;
}

bool ParseStampLine(const std::string& line, std::string& rel, platform::FolderStamp& stamp) {
  const char* p = line.data() + 6;
  const char* const end = line.data() + line.size();
  auto r = std::from_chars(p, end, stamp.attributes, 16);
  if (r.ec != std::errc() || r.ptr == end || *r.ptr != ' ') return false;
  r = std::from_chars(r.ptr + 1, end, stamp.modified);
  if (r.ec != std::errc() || r.ptr == end || *r.ptr != ' ') return false;
  rel.assign(r.ptr + 1, end);
  return true;
}

}  // namespace

std::string JournalText(const UpdateJournal& journal) {
  std::string text = std::string(kHeader) + "\r\n";
  for (const auto& [rel, stamp] : journal.stamps) text += StampLine(rel, stamp) + "\r\n";
  for (const std::string& rel : journal.swaps) text += "SWAP " + rel + "\r\n";
  for (const std::string& rel : journal.trees) text += "TREE " + rel + "\r\n";
  for (const std::string& rel : journal.new_folders) text += "DIR " + rel + "\r\n";
  for (const std::string& rel : journal.files) text += "FILE " + rel + "\r\n";
  for (const std::string& rel : journal.drops) text += "DROP " + rel + "\r\n";
  for (const std::string& rel : journal.removed_folders) text += "RMDIR " + rel + "\r\n";
  return text + kEnd + "\r\n";
}

std::string JournalMark(bool committed) { return std::string(committed ? kCommitted : kRolledBack) + "\r\n"; }

std::string JournalAwaitingMark() { return std::string(kAwaiting) + "\r\n"; }

std::string JournalRevertingMark() { return std::string(kReverting) + "\r\n"; }

JournalRead ParseJournal(const std::string& text) {
  JournalRead read;
  UpdateJournal& journal = read.journal;
  size_t start = 0;
  bool header = false;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;  // a line cut short was never finished
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    if (!header) {
      header = line == kHeader;
      if (!header) break;
    } else if (!read.complete) {
      std::string rel;
      platform::FolderStamp stamp;
      if (line.starts_with("SWAP ")) journal.swaps.push_back(line.substr(5));
      else if (line.starts_with("TREE ")) journal.trees.push_back(line.substr(5));
      else if (line.starts_with("DIR ")) journal.new_folders.push_back(line.substr(4));
      else if (line.starts_with("STAMP ") && ParseStampLine(line, rel, stamp)) journal.stamps.emplace_back(rel, stamp);
      else if (line.starts_with("FILE ")) journal.files.push_back(line.substr(5));
      else if (line.starts_with("DROP ")) journal.drops.push_back(line.substr(5));
      else if (line.starts_with("RMDIR ")) journal.removed_folders.push_back(line.substr(6));
      else if (line == kEnd) read.complete = true;
    } else {
      read.committed = read.committed || line == kCommitted;
      read.rolled_back = read.rolled_back || line == kRolledBack;
      read.awaiting = read.awaiting || line == kAwaiting;
      read.reverting = read.reverting || line == kReverting;
    }
  }
  return read;
}

}  // namespace launcher
