#include "platform/name_value_list.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/command_line.h"
#include "platform/exceptions.h"

namespace {

using platform::NameValueList;

NameValueList FromBytes(std::string_view bytes) {
  NameValueList list;
  list.LoadFromBytes(bytes);
  return list;
}

TEST(NameValueList, CutsLinesAtEveryBreakKindAndKeepsBlankLines) {
  const auto list = FromBytes(std::string_view("A=1\r\nB=2\rC=3\nD=4\r\n\r\nE=5", 29));
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"A=1", "B=2", "C=3", "D=4", "", "E=5"}));
  EXPECT_EQ(list.Value("E"), "5");
}

TEST(NameValueList, NulByteEndsTheText) {
  const auto list = FromBytes(std::string_view("A=1\nB=2\0\nC=3\n", 14));
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"A=1", "B=2"}));
  EXPECT_EQ(list.Value("C"), "");
}

TEST(NameValueList, LookupRules) {
  const auto list = FromBytes(
      "NAME = spaced\n"
      "exe_filename=New.exe\n"
      "NAME=first\n"
      "NAME=second\n"
      "EMPTY=\n"
      "PATH=a=b \n"
      "no equals sign\n");
  EXPECT_EQ(list.Value("EXE_FILENAME"), "New.exe");  // names compare without case
  EXPECT_EQ(list.Value("NAME"), "first");             // "NAME " does not define NAME; first wins
  EXPECT_EQ(list.Value("NAME "), " spaced");
  EXPECT_EQ(list.Value("EMPTY"), "");
  EXPECT_EQ(list.IndexOfName("EMPTY"), 4);
  EXPECT_EQ(list.Value("PATH"), "a=b ");  // first '=' splits; nothing trimmed
  EXPECT_EQ(list.Value("MISSING"), "");
  EXPECT_EQ(list.IndexOfName("MISSING"), -1);
  EXPECT_EQ(list.IndexOfName(""), -1);
}

TEST(NameValueList, LoadsRealFilesAndReportsOnesThatCannotBeOpened) {
  const std::string path = testing::TempDir() + "nvl_test.inf";
  {
    std::ofstream out(path, std::ios::binary);
    out << "EXE_FILENAME=App.exe\r\nSKININDEX=7";
  }
  NameValueList list;
  list.LoadFromFile(path);
  EXPECT_EQ(list.Value("SKININDEX"), "7");
  EXPECT_THROW(list.LoadFromFile(testing::TempDir() + "no_such_file.inf"), platform::EFOpenError);
  try {
    list.LoadFromFile(testing::TempDir() + "no_such_file.inf");
  } catch (const platform::EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"", 0), 0u) << e.what();
  }
}

TEST(CommandLine, SplitsByThePlatformRule) {
  EXPECT_EQ(platform::SplitCommandLine("prog.exe  \"C:\\My App\\App.exe\" x\ty"),
            (std::vector<std::string>{"prog.exe", "C:\\My App\\App.exe", "x", "y"}));
  EXPECT_EQ(platform::SplitCommandLine("a\"b c\"d \"\" e"), (std::vector<std::string>{"ab cd", "", "e"}));
  EXPECT_EQ(platform::SplitCommandLine("   "), std::vector<std::string>{});
  EXPECT_EQ(platform::SplitCommandLine("\"unterminated arg"), std::vector<std::string>{"unterminated arg"});
}

}  // namespace

#include "platform/exception_text.h"

namespace {

TEST(ExceptionDisplayText, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt) {
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"Incomplete Zip File", "Incomplete Zip File."},
      {"Not a valid zip file!", "Not a valid zip file!"},
      {"Cannot open file \"C:\\UPDATE.ZIP\". (2)", "Cannot open file \"C:\\UPDATE.ZIP\". (2)"},
      {"Done.", "Done."},
      {"ends in digit 7", "ends in digit 7."},
      {"", ""},
      {"\xEC\x98\xA4\xEB\xA5\x98", "\xEC\x98\xA4\xEB\xA5\x98."},  // a Korean last character sorts high
  };
  for (const Case& c : cases) EXPECT_EQ(platform::ExceptionDisplayText(c.text), c.shown) << c.text;
}

}  // namespace
