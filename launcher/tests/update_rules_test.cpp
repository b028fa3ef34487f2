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

// The user's file named in the description file is kept however its path is written, as long as
// Windows would open that file for it.
TEST(IsSkippedPath, MatchesThePathAsWindowsComparesIt) {
  struct Case {
    const char* fname;  // the entry's destination, as the engine builds it below app_dir
    const char* app_dir;
    const char* copy;
    const char* history;
    bool skipped;
  } cases[] = {
      {"C:\\App\\App.exe", "C:\\App\\", "C:\\App\\App.exe", "", true},
      {"C:\\App\\App.exe", "C:\\App\\", "", "C:\\App\\App.exe", true},
      {"C:\\App\\History.txt", "C:\\App\\", "C:\\App\\App.exe", "C:\\App\\History.txt", true},
      // case: of the value, of the launcher's argument (the destination), of the file name
      {"C:\\NoteForge\\config.ini", "C:\\NoteForge\\", "c:\\noteforge\\config.ini", "", true},
      {"c:\\noteforge\\config.ini", "c:\\noteforge\\", "C:\\NoteForge\\config.ini", "", true},
      {"C:\\NoteForge\\config.ini", "C:\\NoteForge\\", "C:\\NoteForge\\CONFIG.INI", "", true},
      {"C:\\\xEC\x95\xB1\\\xC3\xA4.ini", "C:\\\xEC\x95\xB1\\", "c:\\\xEC\x95\xB1\\\xC3\x84.INI", "", true},
      // separators, "." and "..", doubled separators
      {"C:\\App\\cfg\\config.ini", "C:\\App\\", "C:/App/cfg/config.ini", "", true},
      {"C:\\App\\cfg\\config.ini", "C:\\App\\", "C:\\App\\.\\cfg\\\\config.ini", "", true},
      {"C:\\App\\cfg\\config.ini", "C:\\App\\", "C:\\App\\other\\..\\cfg\\config.ini", "", true},
      {"C:\\App\\config.ini", "C:\\App\\", "C:\\..\\..\\App\\config.ini", "", true},  // ".." stops at the root
      {"C:\\App\\config.ini", "C:\\App\\", "\\\\?\\C:\\App\\config.ini", "", true},
      // Windows drops a name's trailing dots and blanks
      {"C:\\App\\config.ini", "C:\\App\\", "C:\\App\\config.ini. ", "", true},
      // relative to the application's folder, or to its drive's root
      {"C:\\App\\config.ini", "C:\\App\\", "config.ini", "", true},
      {"C:\\App\\cfg\\config.ini", "C:\\App\\", "cfg/CONFIG.ini", "", true},
      {"C:\\App\\cfg\\config.ini", "C:\\App\\", ".\\cfg\\config.ini", "", true},
      {"C:\\App\\config.ini", "C:\\App\\", "\\App\\config.ini", "", true},
      {"C:\\App\\config.ini", "C:\\App\\", "C:config.ini", "", true},
      {"\\\\srv\\share\\App\\config.ini", "\\\\srv\\share\\App\\", "\\\\SRV\\Share\\app\\config.ini", "", true},
      {"\\\\srv\\share\\App\\config.ini", "\\\\srv\\share\\App\\", "\\App\\config.ini", "", true},
      // other files
      {"C:\\App\\config.ini", "C:\\App\\", "C:\\App\\config.ini.bak", "", false},
      {"C:\\App\\config.ini", "C:\\App\\", "C:\\App\\cfg\\config.ini", "", false},
      {"C:\\App\\config.ini", "C:\\App\\", "D:\\App\\config.ini", "", false},
      {"C:\\App\\config.ini", "C:\\App\\", "D:config.ini", "", false},
      {"C:\\App\\config.ini", "C:\\App\\", "..\\config.ini", "", false},
      {"C:\\App\\config.ini", "C:\\App\\", " config.ini", "", false},  // a leading blank is part of the name
      {"C:\\App\\config.ini", "C:\\App\\", "C:\\App", "", false},
      {"", "C:\\App\\", "", "", false},  // empty never matches
      {"C:\\App\\", "C:\\App\\", "", "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsSkippedPath(c.fname, c.copy, c.history, c.app_dir), c.skipped)
        << c.fname << " / " << c.copy << " / " << c.history;
}

TEST(PathKey, ResolvesLikeWindowsAndFoldsCase) {
  struct Case {
    const char* path;
    const char* base;
    const char* key;
  } cases[] = {
      {"C:\\App\\a.txt", "", "C:\\APP\\A.TXT"},
      {"c:/app//sub/./../a.txt", "", "C:\\APP\\A.TXT"},
      {"a.txt", "C:\\App", "C:\\APP\\A.TXT"},
      {"a.txt", "", "A.TXT"},
      {"..\\..\\..\\a.txt", "C:\\App\\", "C:\\A.TXT"},
      {"\\a.txt", "C:\\App\\", "C:\\A.TXT"},
      {"C:a.txt", "c:\\App\\", "C:\\APP\\A.TXT"},
      {"D:a.txt", "C:\\App\\", "D:\\A.TXT"},
      {"\\\\?\\UNC\\srv\\share\\a.txt", "", "\\\\SRV\\SHARE\\A.TXT"},
      {"\\\\srv\\share", "", "\\\\SRV\\SHARE\\"},
      {"/tmp/app/a.txt", "", "\\TMP\\APP\\A.TXT"},  // a POSIX test folder
      {"a.txt", "/tmp/app/", "\\TMP\\APP\\A.TXT"},
  };
  for (const Case& c : cases) EXPECT_EQ(launcher::PathKey(c.path, c.base), c.key) << c.path << " in " << c.base;
}

}  // namespace
