// The wildcard matcher the entry selection uses.
#pragma once

#include <string_view>

namespace zip {

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

}  // namespace zip
