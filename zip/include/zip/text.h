// String helpers of the engine: ASCII case, the runtime's text comparison, cutting.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace zip {

std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
// Compares as the runtime's CompareText: bytes unsigned, a..z folded to upper case; the result is
// the difference of the first differing bytes, or of the lengths.
int CompareTextAscii(std::string_view a, std::string_view b);

std::string LeftChars(const std::string& s, int n);
std::string RightChars(const std::string& s, int n);
std::string SlashesToBackslashes(std::string_view name);
std::unique_ptr<char[]> NewPChar(const std::string& s);

}  // namespace zip
