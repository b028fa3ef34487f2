#include "launcher/update_rules.h"

#include <cstdint>

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

bool IsSkippedPath(std::string_view dest_path, std::string_view copy_filename,
                   std::string_view ver_history) {
  return (!copy_filename.empty() && dest_path == copy_filename) ||
         (!ver_history.empty() && dest_path == ver_history);
}

}  // namespace launcher
