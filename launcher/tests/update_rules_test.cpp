#include "launcher/update_rules.h"

#include <gtest/gtest.h>

namespace {

using launcher::AppDirOf;
using launcher::IsSkippedPath;
using launcher::ParseSkinIndex;

TEST(AppDirOf, CutsAfterTheLastBackslashOrColon) {
  EXPECT_EQ(AppDirOf("C:\\App\\App.exe"), "C:\\App\\");
  EXPECT_EQ(AppDirOf("C:\\App\\sub\\"), "C:\\App\\sub\\");
  EXPECT_EQ(AppDirOf("C:App.exe"), "C:");
  EXPECT_EQ(AppDirOf("App.exe"), "");
  EXPECT_EQ(AppDirOf(""), "");
  EXPECT_EQ(AppDirOf("\\\\server\\share\\App.exe"), "\\\\server\\share\\");
  // Korean folder names: in code page 949 a trail byte may be 0x5C; in UTF-8 none can be.
  EXPECT_EQ(AppDirOf("C:\\프로그램\\업데이트\\앱.exe"), "C:\\프로그램\\업데이트\\");
  EXPECT_EQ(AppDirOf("C:\\\xEB\xB0\x95\\A.exe"), "C:\\\xEB\xB0\x95\\");
}

TEST(ParseSkinIndex, FollowsTheIntegerConversionRules) {
  struct Case {
    const char* text;
    int value;
  } cases[] = {
      {"7", 7},          {"$A", 10},        {"0x0A", 10},      {"x0B", 11},    {"X0c", 12},
      {" 7", 7},         {"   +3", 3},      {"-1", -1},        {"12", 12},     {"0", 0},
      {"-$2", -2},       {"2147483647", 2147483647},           {"-2147483648", INT32_MIN},
      {"$FFFFFFFF", -1},
      // everything else gives the default 2
      {"7 ", 2},         {"abc", 2},        {"", 2},           {" ", 2},       {"+", 2},
      {"$", 2},          {"0x", 2},         {"2147483648", 2}, {"99999999999", 2},
      {"$100000000", 2}, {"7a", 2},         {"1.5", 2},        {"\t7", 2},     {"- 1", 2},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseSkinIndex(c.text), c.value) << '"' << c.text << '"';
}

TEST(IsSkippedPath, MatchesOnlyTheExactFullPath) {
  struct Case {
    const char* fname;
    const char* copy;
    const char* history;
    bool skipped;
  } cases[] = {
      {"C:\\App\\App.exe", "C:\\App\\App.exe", "", true},
      {"C:\\App\\App.exe", "", "C:\\App\\App.exe", true},
      {"C:\\App\\App.exe", "App.exe", "", false},          // a bare name never matches a full path
      {"C:\\App\\App.exe", "c:\\app\\App.exe", "", false},  // case-sensitive
      {"C:\\App\\App.exe", "C:\\App\\App.exe ", "", false},
      {"", "", "", false},                                  // empty never matches
      {"C:\\App\\History.txt", "C:\\App\\App.exe", "C:\\App\\History.txt", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsSkippedPath(c.fname, c.copy, c.history), c.skipped) << c.fname << " / " << c.copy;
}

}  // namespace
