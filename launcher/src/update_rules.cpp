#include "launcher/update_rules.h"

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace launcher {

std::string AppDirOf(std::string_view exe_path) {
  const size_t last = exe_path.find_last_of("\\:");
  if (last == std::string_view::npos) return {};
  return std::string(exe_path.substr(0, last + 1));
}

int ParseSkinIndex(std::string_view s, int fallback) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return fallback;
  // Hexadecimal values may fill all 32 bits (as $FFFFFFFF = -1); decimal ones must fit the sign.
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return fallback;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return fallback;
  }
  int64_t result;
  if (base == 16) {
    result = static_cast<int32_t>(static_cast<uint32_t>(value));
  } else {
    if (value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return fallback;
    result = static_cast<int64_t>(value);
  }
  if (negative) result = -result;
  if (result < INT32_MIN || result > INT32_MAX) return fallback;
  return static_cast<int>(result);
}

namespace {

struct SplitRoot {
  std::string root;       // "C:\", "\\server\share\", "\" or "" (relative)
  std::string_view rest;  // the parts below it
  bool drive_relative = false;  // "C:name": below the drive's current folder
};

// '/' is taken for '\' by then.
SplitRoot RootOf(std::string_view p) {
  if (p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'))) {
    const bool rooted = p.size() >= 3 && p[2] == '\\';
    return {std::string(p.substr(0, 2)) + "\\", p.substr(rooted ? 3 : 2), !rooted};
  }
  if (p.starts_with("\\\\")) {
    // \\server\share\: the server and the share are the root.
    size_t end = p.find('\\', 2);
    if (end != std::string_view::npos) end = p.find('\\', end + 1);
    if (end == std::string_view::npos) return {std::string(p) + "\\", {}};
    return {std::string(p.substr(0, end + 1)), p.substr(end + 1)};
  }
  if (p.starts_with("\\")) return {"\\", p.substr(1)};
  return {"", p};
}

}  // namespace

std::string PathKey(std::string_view path, std::string_view base) {
  std::string p(path);
  for (char& c : p)
    if (c == '/') c = '\\';
  // The extended-length prefixes name the same files.
  if (p.starts_with("\\\\?\\UNC\\")) p = "\\\\" + p.substr(8);
  else if (p.starts_with("\\\\?\\")) p = p.substr(4);
  SplitRoot split = RootOf(p);
  std::string joined;
  if (split.root.empty() || split.drive_relative || split.root == "\\") {
    std::string b(base);
    for (char& c : b)
      if (c == '/') c = '\\';
    const SplitRoot base_split = RootOf(b);
    const bool same_drive =
        split.drive_relative && !base_split.root.empty() &&
        platform::NameCaseKey(base_split.root) == platform::NameCaseKey(split.root);
    if (split.root.empty() && b.empty())
      joined = std::string(split.rest);
    else if (split.root.empty() || same_drive)
      joined = b + "\\" + std::string(split.rest);
    else if (split.root == "\\" && !base_split.root.empty())
      joined = base_split.root + std::string(split.rest);
    else
      joined = split.root + std::string(split.rest);
    split = RootOf(joined);
  }
  std::vector<std::string_view> parts;
  const std::string_view rest = split.rest;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string_view::npos) end = rest.size();
    std::string_view part = rest.substr(start, end - start);
    start = end + 1;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    // Windows drops a part's trailing dots and blanks ("." and "..." name the folder itself).
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.remove_suffix(1);
    if (!part.empty()) parts.push_back(part);
  }
  std::string key = split.root;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) key += '\\';
    key += parts[i];
  }
  return platform::NameCaseKey(key);
}

bool IsSkippedPath(std::string_view dest_path, std::string_view copy_filename, std::string_view ver_history,
                   std::string_view app_dir) {
  if (copy_filename.empty() && ver_history.empty()) return false;
  const std::string dest = PathKey(dest_path, app_dir);
  return (!copy_filename.empty() && PathKey(copy_filename, app_dir) == dest) ||
         (!ver_history.empty() && PathKey(ver_history, app_dir) == dest);
}

}  // namespace launcher
