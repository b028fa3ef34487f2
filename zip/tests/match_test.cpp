#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"
#include "platform/fs.h"
#include "zip/dos_time.h"
#include "zip/match.h"
#include "zip/paths.h"
#include "zip/text.h"

namespace zip {
namespace {

struct MatchCase {
  const char* pattern;
  const char* text;
  int result;
};

class MatchPatternTest : public testing::TestWithParam<MatchCase> {};

TEST_P(MatchPatternTest, GivesItsResultCode) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(MatchPattern(c.pattern, c.text), c.result) << c.pattern << " / " << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MatchPatternTest,
    testing::Values(
        MatchCase{"*", "", kMatchValid}, MatchCase{"*", "any\\thing", kMatchValid},
        MatchCase{"*.txt", "DIR\\A.TXT", kMatchValid},  // letters without case; the star crosses '\'
        MatchCase{"a?c", "abc", kMatchValid}, MatchCase{"a?c", "ac", kMatchAbort},
        MatchCase{"<a-c>x", "bx", kMatchValid}, MatchCase{"<!a-c>x", "bx", kMatchRange},
        MatchCase{"<^a-c>x", "dx", kMatchValid}, MatchCase{"<c-a>x", "bx", kMatchRange},
        MatchCase{"a*", "a", kMatchValid}, MatchCase{"a**", "a", kMatchAbort},
        MatchCase{"<a-c", "a", kMatchPattern}, MatchCase{"<", "a", kMatchPattern},
        MatchCase{"<>", "a", kMatchPattern}, MatchCase{"<a->", "a", kMatchPattern},
        MatchCase{"*<>", "abc", kMatchAbort}, MatchCase{"abc", "abcd", kMatchEnd},
        MatchCase{"abd", "abc", kMatchLiteral}, MatchCase{"*?", "", kMatchAbort},
        MatchCase{"*b?d", "abcd", kMatchValid}, MatchCase{"a*b*c*d", "axxbyyczzd", kMatchValid},
        MatchCase{"docs\\*", "docs\\sub\\readme.txt", kMatchValid},
        MatchCase{"README.TXT", "docs\\readme.txt", kMatchLiteral},
        MatchCase{"\xC3\xA9*", "\xC3\xA9t\xC3\xA9", kMatchValid}));

// Many stars over a long text that does not match must still finish at once.
TEST(MatchPatternLimits, ManyStarsDoNotBacktrackForEver) {
  const std::string text(5000, 'a');
  EXPECT_EQ(MatchPattern("*a*a*a*a*a*a*a*a*a*a*a*a*b", text), kMatchAbort);
}

TEST(StringUtilities, CutAndCompare) {
  EXPECT_EQ(StripTrailingBackslash("C:\\A\\"), "C:\\A");
  EXPECT_EQ(StripTrailingBackslash("C:\\A"), "C:\\A");
  EXPECT_EQ(LeftChars("abcdef", 3), "abc");
  EXPECT_EQ(LeftChars("ab", 3), "ab");
  EXPECT_EQ(RightChars("abcdef", 3), "def");
  EXPECT_EQ(RightChars("ab", 3), "ab");
  EXPECT_EQ(SlashesToBackslashes("a/b/c"), "a\\b\\c");
  EXPECT_EQ(NewPChar(""), nullptr);
  EXPECT_STREQ(NewPChar("xy").get(), "xy");
  EXPECT_LT(CompareTextAscii("a.txt", "B.txt"), 0);
  EXPECT_EQ(CompareTextAscii("a.TXT", "A.txt"), 0);
  EXPECT_GT(CompareTextAscii("abc", "ab"), 0);
}

TEST(CreateDirPath, CreatesEveryMissingLevel) {
  zip_test::TempDir dir;
  std::filesystem::create_directories(dir / "A");
  CreateDirPath(dir.Engine("A") + "\\B\\C\\");
  EXPECT_TRUE(platform::FolderExists(dir.Engine("A") + "\\B\\C"));
}

// Relative folders with short first parts were once taken for a drive and never made.
TEST(CreateDirPath, ShortRelativeNames) {
  zip_test::TempDir dir;
  const std::string before = platform::CurrentFolder();
  ASSERT_TRUE(platform::SetCurrentFolder(dir.Engine()));
  const char* cases[] = {"o", "ab", "x\\y", "p\\", "abc\\d\\e"};
  for (const char* path : cases) {
    CreateDirPath(path);
    EXPECT_TRUE(platform::FolderExists(StripTrailingBackslash(path))) << path;
  }
#ifndef _WIN32
  CreateDirPath("C:\\x");  // outside Windows, a name with a colon
  EXPECT_TRUE(std::filesystem::is_directory(dir / "C:" / "x"));
#endif
  platform::SetCurrentFolder(before);
}

#ifdef _WIN32
TEST(CreateDirPath, ADriveAloneCountsAsExisting) {
  // Run from an empty folder: here a folder named "C:" would be made in it.
  zip_test::TempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  CreateDirPath("C:");
  CreateDirPath("C:\\");
  std::filesystem::current_path(before);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}
#endif

TEST(DosDateTime, ClampsOnlyWhatIsOutOfRange) {
  struct Case {
    uint32_t in, out;
  } cases[] = {
      {0x5A2B6000, 0x5A2B6000},                       // valid: kept bit for bit
      {(0x5A2Bu << 16) | 0xBFFF, (0x5A2Bu << 16) | 0xBF7D},  // 23:63:62 -> 23:59:58
      {(0x5A0Bu << 16), (0x5A2Bu << 16)},            // month 0 -> 1
      {(0xFE2Bu << 16), (0xEE2Bu << 16)},            // year 2107 -> 2099
      {0x00000000, 0x00210000},                       // day 0, month 0 -> 1980-01-01
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizeDosDateTime(c.in), c.out) << std::hex << c.in;
}

}  // namespace
}  // namespace zip
