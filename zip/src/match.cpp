#include "zip/match.h"

#include "zip/text.h"

namespace zip {

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

}  // namespace zip
