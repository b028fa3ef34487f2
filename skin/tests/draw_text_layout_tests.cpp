#include <gtest/gtest.h>

#include "skin/text_layout.h"

namespace skin {
namespace {

// Every code point 10 pixels wide, whatever its byte length; a broken sequence fails the test.
int MeasureCodePoints(std::string_view text) {
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) width += 10;
  return width;
}

struct FitCase {
  std::string text;
  int width;
  std::string expected;
};

class FitText : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitText, CutsWholeCharactersAndAppendsEllipsis) {
  EXPECT_EQ(FitTextToWidth(GetParam().text, GetParam().width, MeasureCodePoints), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitText,
    ::testing::Values(FitCase{"Update", 60, "Update"},          // fits exactly
                      FitCase{"Update", 59, "Up..."},           // "Up..." is 50
                      FitCase{"Update", 29, "..."},             // below the width of "..."
                      FitCase{"", 0, ""},                       //
                      FitCase{"업데이트 중", 59, "업데..."},    // three-byte characters stay whole
                      FitCase{"a😀b😀c", 45, "a..."},          // four-byte sequences too
                      FitCase{"a😀b😀cd", 55, "a😀..."}));

TEST(Utf8PopBack, RemovesOneWholeSequence) {
  std::string s = "a\xC3\xA9";  // a, e-acute
  Utf8PopBack(s);
  EXPECT_EQ(s, "a");
  s = "\xED\x95\x9C";  // one Hangul syllable
  Utf8PopBack(s);
  EXPECT_EQ(s, "");
  s = "ab\x80\x80";  // stray continuation bytes go one at a time
  Utf8PopBack(s);
  EXPECT_EQ(s, "ab\x80");
  s = "a\xE2\x82";  // a truncated sequence: the last byte only
  Utf8PopBack(s);
  EXPECT_EQ(s, "a\xE2");
  s.clear();
  Utf8PopBack(s);
  EXPECT_EQ(s, "");
}

TEST(TextLineRect, WidensForWAndRaisesForOddFontHeights) {
  const Rect r{10, 20, 100, 40};
  EXPECT_EQ(TextLineRect(r, "Window", -12, true), (Rect{10, 20, 102, 40}));
  EXPECT_EQ(TextLineRect(r, "Window", -13, true), (Rect{10, 19, 102, 40}));
  EXPECT_EQ(TextLineRect(r, "Window", -13, false), (Rect{10, 19, 100, 40}));
  EXPECT_EQ(TextLineRect(r, "window", 13, true), (Rect{10, 19, 100, 40}));
  EXPECT_EQ(TextLineRect(r, "", -12, true), r);
}

}  // namespace
}  // namespace skin
