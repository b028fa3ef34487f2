#include <gtest/gtest.h>

#include "skin/resource_strings.h"

using namespace skin;

TEST(ResStr, DefaultTableHasTheStoredOrderAndTexts) {
  const TbsResourceStrData data;
  const auto& lines = data.ResStrings().Lines();
  ASSERT_EQ(lines.size(), 131u);
  EXPECT_EQ(lines[0], "MI_MINCAPTION=Mi&nimize");
  EXPECT_EQ(lines[12], "RESTORE_HINT=Restore");
  EXPECT_EQ(lines[13].substr(0, 10), "EDIT_UNDO=");
  EXPECT_EQ(lines[130].substr(0, 14), "DBNAV_REFRESH=");
  EXPECT_EQ(data.CharSet, kDefaultCharSet);
  const std::pair<const char*, const char*> telling[] = {
      {"MSG_BTN_YES", "&Yes"},
      {"MSG_BTN_OK", "OK"},
      {"MSG_OVERWRITE", "Do you want to overwrite old file?"},
      {"NODISKINDRIVE", "There is no disk in Drive or Drive is not ready"},
      {"PRNDLG_WARNING", "There are no printers in your system!"},
      {"FLV_LOOKIN", "Look in: "},
      {"closebutton_hint", "Close"},
      {"Find_Replace_ALL", "Replace All"},
      {"NO_SUCH_KEY", ""},
      {"", ""},
  };
  for (const auto& [key, text] : telling) EXPECT_EQ(data.GetResStr(key), text) << key;
  // Every key is defined once and has a text.
  for (const std::string& line : lines) {
    const auto eq = line.find('=');
    ASSERT_NE(eq, std::string::npos) << line;
    EXPECT_EQ(data.ResStrings().IndexOfName(line.substr(0, eq)), &line - lines.data()) << line;
    EXPECT_LT(eq + 1, line.size()) << line;
  }
}

TEST(ResStr, MainWindowTableDiffersOnlyInTheKoreanTexts) {
  const auto& defaults = TbsResourceStrData::DefaultLines();
  const auto& main = MainWindowResStrings();
  ASSERT_EQ(main.size(), defaults.size());
  int differing = 0;
  for (size_t i = 0; i < main.size(); ++i) {
    const auto key = main[i].substr(0, main[i].find('='));
    EXPECT_EQ(key, defaults[i].substr(0, defaults[i].find('='))) << "same key order";
    if (main[i] != defaults[i]) ++differing;
  }
  EXPECT_EQ(differing, 13);
  TbsResourceStrData data;
  data.SetResStrings(main);
  EXPECT_EQ(data.GetResStr("MI_CLOSECAPTION"), "닫기");
  EXPECT_EQ(data.GetResStr("MI_RESTORECAPTION"), "이전크기로");
  EXPECT_EQ(data.GetResStr("MSG_BTN_RETRY"), "다시시도");
  EXPECT_EQ(data.GetResStr("MINBUTTON_HINT"), "Minimize");
}

TEST(ResStr, ReplacedTableHasNoFallback) {
  TbsResourceStrData data;
  data.SetResStrings(std::vector<std::string>{"A=x=y", "a=second", "B"});
  EXPECT_EQ(data.GetResStr("a"), "x=y");
  EXPECT_EQ(data.GetResStr("B"), "");
  EXPECT_EQ(data.GetResStr("CLOSEBUTTON_HINT"), "");
}
