#include "zip/utils.h"

#include <algorithm>
#include <cstring>

#include "platform/fs.h"
#include "platform/messages.h"

namespace zip {

bool PumpMessages() { return platform::PumpMessages(); }

namespace {

int MatchSet(std::string_view p, size_t& pi, unsigned char ch) {
  size_t j = pi + 1;
  if (j >= p.size()) return kMatchPattern;
  const bool negated = p[j] == '!' || p[j] == '^';
  if (negated) ++j;
  int members = 0;
  bool inside = false;
  for (;;) {
    if (j >= p.size()) return kMatchPattern;
    const unsigned char first = static_cast<unsigned char>(p[j]);
    if (first == '>') break;
    ++j;
    if (j < p.size() && p[j] == '-') {
      if (j + 1 >= p.size() || p[j + 1] == '>') return kMatchPattern;
      const unsigned char last = static_cast<unsigned char>(p[j + 1]);
      j += 2;
      if (first <= ch && ch <= last) inside = true;
    } else if (first == ch) {
      inside = true;
    }
    ++members;
  }
  if (members == 0) return kMatchPattern;
  pi = j + 1;
  return inside != negated ? kMatchValid : kMatchRange;
}

bool SetIsEmpty(std::string_view p, size_t pi) {
  size_t j = pi + 1;
  if (j < p.size() && (p[j] == '!' || p[j] == '^')) ++j;
  return j < p.size() && p[j] == '>';
}

int Match(std::string_view p, size_t pi, std::string_view t, size_t ti) {
  while (pi < p.size()) {
    if (ti >= t.size()) return p.substr(pi) == "*" ? kMatchValid : kMatchAbort;
    const char c = p[pi];
    if (c == '?') {
      ++pi;
      ++ti;
    } else if (c == '*') {
      while (pi < p.size() && (p[pi] == '*' || p[pi] == '?')) {
        if (p[pi] == '?') {
          if (ti >= t.size()) return kMatchAbort;
          ++ti;
        }
        ++pi;
      }
      if (pi >= p.size()) return kMatchValid;
      if (p[pi] == '<' && SetIsEmpty(p, pi)) return kMatchAbort;
      // Once the text runs out for the rest of the pattern, later starting points have even less
      // text: stopping there keeps patterns with many stars from taking exponential time.
      for (size_t k = ti; k < t.size(); ++k) {
        if (p[pi] != t[k] && p[pi] != '<') continue;
        const int r = Match(p, pi, t, k);
        if (r == kMatchValid || r == kMatchAbort || r == kMatchPattern) return r;
      }
      return kMatchAbort;
    } else if (c == '<') {
      const int r = MatchSet(p, pi, static_cast<unsigned char>(t[ti]));
      if (r != kMatchValid) return r;
      ++ti;
    } else {
      if (c != t[ti]) return kMatchLiteral;
      ++pi;
      ++ti;
    }
  }
  return ti < t.size() ? kMatchEnd : kMatchValid;
}

}  // namespace

int MatchPattern(std::string_view pattern, std::string_view text) {
  const std::string p = AsciiLower(pattern);
  const std::string t = AsciiLower(text);
  if (p == "*") return kMatchValid;
  return Match(p, 0, t, 0);
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

int CompareTextAscii(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int x = static_cast<unsigned char>(a[i]);
    int y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return x - y;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

bool DirectoryReachable(const std::string& path) { return platform::FolderExists(path); }

namespace {

#ifdef _WIN32
constexpr const char* kFolderBreaks = "\\:";
#else
constexpr const char* kFolderBreaks = "\\";
#endif

// Nothing above it to make: the root, or a drive. "C:" is a drive only on Windows; elsewhere it
// is a folder name like any other, and so is every short name ("o", "ab").
bool IsPathRoot(const std::string& dir) {
  if (dir.empty() || dir == "\\") return true;
#ifdef _WIN32
  if (dir.size() == 2 && dir[1] == ':') return true;
#endif
  return false;
}

}  // namespace

void CreateDirPath(const std::string& path) {
  const std::string dir = StripTrailingBackslash(path);
  if (IsPathRoot(dir) || DirectoryReachable(dir)) return;
  const size_t cut = dir.find_last_of(kFolderBreaks);
  if (cut != std::string::npos && cut + 1 < dir.size()) CreateDirPath(dir.substr(0, cut + 1));
  platform::CreateFolder(dir);
}

std::string StripTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
  return path;
}

std::string LeftChars(const std::string& s, int n) {
  if (n <= 0) return {};
  return s.substr(0, static_cast<size_t>(n));
}

std::string RightChars(const std::string& s, int n) {
  if (n <= 0) return {};
  const size_t len = s.size();
  return static_cast<size_t>(n) >= len ? s : s.substr(len - static_cast<size_t>(n));
}

std::string SlashesToBackslashes(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c == '\0') break;
    if (c == '/') c = '\\';
  }
  return out;
}

std::unique_ptr<char[]> NewPChar(const std::string& s) {
  if (s.empty()) return nullptr;
  auto copy = std::make_unique<char[]>(s.size() + 1);
  std::memcpy(copy.get(), s.c_str(), s.size() + 1);
  return copy;
}

std::string ExtractFileName(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ExtractFilePath(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const size_t cut = path.find_last_of(".\\:");
  if (cut == std::string::npos || path[cut] != '.') return {};
  return path.substr(cut);
}

uint32_t NormalizeDosDateTime(uint32_t value) {
  int hour = (value >> 11) & 0x1F, minute = (value >> 5) & 0x3F, second = (value & 0x1F) * 2;
  int year = 1980 + static_cast<int>((value >> 25) & 0x7F), month = (value >> 21) & 0x0F,
      day = (value >> 16) & 0x1F;
  bool clamped = false;
  auto clamp = [&clamped](int& v, int lo, int hi) {
    if (v < lo) { v = lo; clamped = true; }
    if (v > hi) { v = hi; clamped = true; }
  };
  clamp(hour, 0, 23);
  clamp(minute, 0, 59);
  clamp(second, 0, 59);
  clamp(year, 1980, 2099);
  clamp(month, 1, 12);
  clamp(day, 1, 31);
  if (!clamped) return value;
  const uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  return (date << 16) | time;
}

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

bool IsValidDosDate(uint32_t value) {
  const int year = 1980 + static_cast<int>((value >> 25) & 0x7F), month = (value >> 21) & 0x0F,
            day = (value >> 16) & 0x1F;
  const int hour = (value >> 11) & 0x1F, minute = (value >> 5) & 0x3F, second = (value & 0x1F) * 2;
  return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) && hour < 24 &&
         minute < 60 && second < 60;
}

double DosDateTimeToDateTime(uint32_t value) {
  if (!IsValidDosDate(value)) return 0;
  const int year = 1980 + static_cast<int>((value >> 25) & 0x7F), month = (value >> 21) & 0x0F,
            day = (value >> 16) & 0x1F;
  // Days from 1899-12-30 (the runtime's date origin) to 1980-01-01.
  long days = 29221;
  for (int y = 1980; y < year; ++y) days += IsLeap(y) ? 366 : 365;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  days += day - 1;
  const int seconds = static_cast<int>(((value >> 11) & 0x1F) * 3600 + ((value >> 5) & 0x3F) * 60 +
                                       (value & 0x1F) * 2);
  return static_cast<double>(days) + seconds / 86400.0;
}

}  // namespace zip
