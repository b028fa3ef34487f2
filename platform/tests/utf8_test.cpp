#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace {

// Both builds take the same bytes for UTF-8: the native one used to take overlong forms and
// surrogates the Windows one refused.
TEST(Utf8, OnlyStrictUtf8IsValid) {
  const struct {
    const char* what;
    std::string bytes;
    bool valid;
  } cases[] = {
      {"empty", "", true},
      {"ascii", "a/b.txt", true},
      {"two, three and four bytes", "\xC3\xA9 \xEB\x85\xB8 \xF0\x9F\x98\x80", true},
      {"the last code point", "\xF4\x8F\xBF\xBF", true},
      {"overlong slash", "a\xC0\xAF" "b", false},
      {"overlong three bytes", "\xE0\x80\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", false},
      {"cut short", "\xEB\x85", false},
      {"a lone continuation byte", "\x80", false},
      {"code page 949", "\xB3\xEB\xC6\xAE", false},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::IsValidUtf8(c.bytes), c.valid) << c.what;
}

}  // namespace
