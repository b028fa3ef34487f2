#include "zip/text.h"

#include <algorithm>
#include <cstring>

namespace zip {

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

}  // namespace zip
