// Small services of the engine: the message pump, the wildcard matcher, folder creation and
// string helpers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zip {

// Dispatches the thread's pending window messages; see platform::PumpMessages.
bool PumpMessages();

// Result codes of MatchPattern.
enum MatchResult : int {
  kMatchValid = 1,
  kMatchEnd = 2,       // the pattern ended before the text
  kMatchAbort = 3,     // the text ended before the pattern, or a star before an empty set
  kMatchRange = 4,     // the character is not in the set (or is in a negated set)
  kMatchLiteral = 5,   // a literal character differs
  kMatchPattern = 6,   // malformed pattern
};

// Wildcards: '*' any run (also across '\'), '?' one character, '<a-z>' a set ('!' or '^' after
// '<' negates). ASCII letters match without regard to case.
int MatchPattern(std::string_view pattern, std::string_view text);
inline bool IsMatch(std::string_view pattern, std::string_view text) {
  return MatchPattern(pattern, text) == kMatchValid;
}

std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
// Compares as the runtime's CompareText: bytes unsigned, a..z folded to upper case; the result is
// the difference of the first differing bytes, or of the lengths.
int CompareTextAscii(std::string_view a, std::string_view b);

// Creates the folder and its missing parents; errors are not reported (the file creation that
// follows reports them).
void CreateDirPath(const std::string& path);
bool DirectoryReachable(const std::string& path);
std::string StripTrailingBackslash(const std::string& path);
std::string LeftChars(const std::string& s, int n);
std::string RightChars(const std::string& s, int n);
std::string SlashesToBackslashes(std::string_view name);
std::unique_ptr<char[]> NewPChar(const std::string& s);

// The file-name part (after the last '\' or ':') and the folder part (up to and including it).
std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileExt(const std::string& path);

// Clamps the fields of an MS-DOS date-time (time low word, date high word) into range; a value
// that needs no clamping is returned bit for bit.
uint32_t NormalizeDosDateTime(uint32_t value);
// Days since 1899-12-30 plus the fraction of the day, or 0 when the value is no valid date.
double DosDateTimeToDateTime(uint32_t value);
bool IsValidDosDate(uint32_t value);

}  // namespace zip
