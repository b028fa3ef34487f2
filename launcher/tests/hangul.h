// Whether a UTF-8 text holds Korean letters: the tests of the English texts look for them.
#pragma once

#include <string_view>

namespace launcher_test {

// True when `text` holds a Hangul syllable or letter (U+1100..U+11FF, U+3130..U+318F,
// U+A960..U+A97F, U+AC00..U+D7FF).
inline bool HasHangul(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    char32_t c = b;
    size_t n = 1;
    if (b >= 0xF0) c = b & 0x07, n = 4;
    else if (b >= 0xE0) c = b & 0x0F, n = 3;
    else if (b >= 0xC0) c = b & 0x1F, n = 2;
    for (size_t k = 1; k < n && i + k < text.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    if ((c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) || (c >= 0xA960 && c <= 0xA97F) ||
        (c >= 0xAC00 && c <= 0xD7FF))
      return true;
    i += n;
  }
  return false;
}

}  // namespace launcher_test
