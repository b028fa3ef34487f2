#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "platform/exceptions.h"
#include "skin/ini_file.h"
#include "skin/ini_values.h"

using namespace skin;

TEST(IniDialect, LinesSectionsKeysAndLookups) {
  const IniFile ini(
      "ignored=before any section\r\n"
      "  [ Alpha ]  \r\n"
      "\tkey one = value one \t\r"
      "; a comment=no\n"
      "\n"
      "bare line\n"
      "empty=\n"
      "eq=a=b\n"
      "[beta]\n"
      "k=1\n"
      "K=2\n"
      "[ALPHA]\n"
      "other=x\n"
      "[gamma]\n"
      "after=nul\0hidden=1\n"
      "[delta]\n");
  // A section that occurs twice is found at its last occurrence.
  EXPECT_FALSE(ini.ValueExists("alpha", "key one"));
  EXPECT_EQ(ini.ReadString("Alpha", "other", "d"), "x");
  // Keys: trimmed, case-insensitive, last one wins.
  EXPECT_EQ(ini.ReadString("BETA", "k", "d"), "2");
  EXPECT_EQ(ini.ReadSection("beta"), std::vector<std::string>{"K"});
  // NUL ends the text.
  EXPECT_EQ(ini.ReadString("gamma", "after", "d"), "nul");
  EXPECT_FALSE(ini.SectionExists("delta"));
  EXPECT_FALSE(ini.ValueExists("gamma", "hidden"));
  EXPECT_EQ(ini.ReadString("nosuch", "k", "dflt"), "dflt");

  const IniFile first("[s]\r\nkey one = value one \t\r;c=1\nbare line\nempty=\neq=a=b\n");
  EXPECT_EQ(first.ReadString("S", "KEY ONE", "d"), "value one");
  EXPECT_FALSE(first.ValueExists("s", "; c"));
  EXPECT_TRUE(first.ValueExists("s", "bare line"));
  EXPECT_EQ(first.ReadString("s", "bare line", "d"), "");
  EXPECT_EQ(first.ReadString("s", "empty", "d"), "") << "present but empty is not the default";
  EXPECT_EQ(first.ReadString("s", "eq", "d"), "a=b");
  EXPECT_EQ(first.Sections().size(), 1u);
}

TEST(IniDialect, WriteAndEraseKeepLookupsConsistent) {
  IniFile ini("[a]\nx=1\n[b]\ny=2\n[A]\nz=3\n");
  ini.WriteString("a", "Z", "30");
  ini.WriteString("c", "n", "new");
  EXPECT_EQ(ini.ReadString("a", "z", ""), "30");
  EXPECT_EQ(ini.ReadString("c", "N", ""), "new");
  ini.EraseSection("A");
  EXPECT_FALSE(ini.SectionExists("a"));
  EXPECT_EQ(ini.ReadString("b", "y", ""), "2");
  const IniFile reread(ini.SaveToText());
  EXPECT_EQ(reread.ReadString("b", "y", ""), "2");
  EXPECT_EQ(reread.ReadString("c", "n", ""), "new");
  EXPECT_FALSE(reread.SectionExists("a"));
}

TEST(IniDialect, MegabyteOfGarbageParsesQuickly) {
  std::mt19937 gen(42);
  std::string text(1 << 20, ' ');
  const char alphabet[] = "[]=;\r\n\0abcXYZ019,-$ \t\x80\xff";
  for (char& c : text) c = alphabet[gen() % (sizeof alphabet - 1)];
  text[0] = 'x';  // keep the NUL from stopping at once
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 2; ++round) {
    IniFile ini(text);
    for (const auto& s : ini.Sections()) {
      (void)ReadIniInteger(ini, s.name, "count", 0);
      (void)ReadIniNameList(ini, s.name, "activepictures");
    }
    std::replace(text.begin(), text.end(), '\0', '\n');
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(IniValues, Integers) {
  const struct {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"0", 0}, {"-17", -17}, {"+5", 5}, {"$FF", 255}, {"0xFF", 255}, {"0Xff", 255}, {"$ffffffff", -1},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt},
      {"0x", std::nullopt}, {"$", std::nullopt}, {"", std::nullopt}, {"12a", std::nullopt},
      {"1 2", std::nullopt}, {"0x1G", std::nullopt}, {"99999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIniInteger(c.text), c.value) << c.text;

  const IniFile ini("[s]\nhex=$FF\nbad=x\nbig=4278190085\nneg=-1\n");
  EXPECT_EQ(ReadIniInteger(ini, "s", "hex", 7), 255);
  EXPECT_EQ(ReadIniInteger(ini, "s", "bad", 7), 7);
  EXPECT_EQ(ReadIniInteger(ini, "s", "missing", 7), 7);
  // Colours reach the system colours FF000000 + n in plain decimal.
  EXPECT_EQ(ReadIniColor(ini, "s", "big", 0), 0xFF000005u);
  EXPECT_EQ(ReadIniColor(ini, "s", "hex", 0), 255u);
  EXPECT_EQ(ReadIniColor(ini, "s", "neg", 0), 0xFFFFFFFFu);
  EXPECT_EQ(ReadIniColor(ini, "s", "bad", 12), 12u);
}

TEST(IniValues, FlagsAreTrueOnlyForOne) {
  const IniFile ini("[s]\na=1\nb=2\nc=-1\nd=x\ne=$1\nf=\n");
  const std::pair<const char*, bool> cases[] = {{"a", true},  {"b", false}, {"c", false}, {"d", false},
                                                {"e", true},  {"f", false}, {"missing", false}};
  for (const auto& [key, value] : cases) EXPECT_EQ(ReadIniFlag(ini, "s", key), value) << key;
}

TEST(IniValues, PointsAndRectsScanDigitsOnly) {
  const struct {
    const char* text;
    Rect rect;
  } rects[] = {
      {"1,2,3,4", {1, 2, 3, 4}},
      {"-5,6,7,8", {5, 6, 7, 8}},  // the sign is dropped
      {" 1 0 , 2x , +3 ,4 ", {10, 2, 3, 4}},
      {"1,2,3,4,5", {1, 2, 3, 4}},
      {"0,0,0,0", {}},
  };
  for (const auto& c : rects) EXPECT_EQ(ParseIniRect(c.text), c.rect) << c.text;
  EXPECT_EQ(ParseIniPoint("4,-12"), (Point{4, 12}));
  EXPECT_EQ(ParseIniPoint("37,8"), (Point{37, 8}));

  const struct {
    const char* text;
    bool rect;
    const char* message;
  } errors[] = {
      {"", false, "'' is not a valid integer value"},
      {"5", false, "'' is not a valid integer value"},
      {",5", false, "'' is not a valid integer value"},
      {"1,2,3", true, "'' is not a valid integer value"},
      {"a,b,c,d", true, "'' is not a valid integer value"},
      {"99999999999,1", false, "'99999999999' is not a valid integer value"},
      {"2147483648,1", false, "'2147483648' is not a valid integer value"},
  };
  for (const auto& e : errors) {
    try {
      if (e.rect) ParseIniRect(e.text);
      else ParseIniPoint(e.text);
      ADD_FAILURE() << e.text;
    } catch (const platform::EConvertError& x) {
      EXPECT_STREQ(x.what(), e.message) << e.text;
    }
  }
  const IniFile ini("[s]\np=1,2\n");
  EXPECT_EQ(ReadIniPoint(ini, "s", "missing"), Point{});
  EXPECT_EQ(ReadIniRect(ini, "s", "missing"), Rect{});
  EXPECT_EQ(FormatRect({1, 2, 3, 4}), "1,2,3,4");
  EXPECT_EQ(FormatPoint({4, 12}), "4,12");
}

TEST(IniValues, WordKinds) {
  EXPECT_EQ(ParseFontStyles("fsbold,fsunderline"), fsBold | fsUnderline);
  EXPECT_EQ(ParseFontStyles("[fsItalic]fsstrikeoutfsbold"), fsStrikeOut | fsBold);
  EXPECT_EQ(ParseFontStyles("FSBOLD,FSUNDERLINE"), 0);
  EXPECT_EQ(FormatFontStyles(fsUnderline | fsBold | fsItalic | fsStrikeOut), "fsbold,fsitalic,fsunderline,fsstrikeout");
  EXPECT_EQ(FormatFontStyles(0), "");

  EXPECT_EQ(ParseAlignment("tacenter"), taCenter);
  EXPECT_EQ(ParseAlignment("taleftjustify"), taLeftJustify);
  EXPECT_EQ(ParseAlignment("taCenter"), taRightJustify);
  EXPECT_EQ(FormatAlignment(taRightJustify), "tarightjustify");

  EXPECT_EQ(ParseStretchType("stfull"), bsstFull);
  EXPECT_EQ(ParseStretchType("stvert"), bsstVert);
  EXPECT_EQ(ParseStretchType("anything"), bsstHorz);
  EXPECT_EQ(FormatStretchType(bsstHorz), "sthorz");

  const char* morphs[] = {"mkdefault", "mkgradient", "mkleftgradient", "mkrightgradient",
                          "mkleftslide", "mkrightslide", "mkpush"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(ParseMorphKind(morphs[i]), i);
    EXPECT_EQ(FormatMorphKind(static_cast<TbsMorphKind>(i)), morphs[i]);
  }
  EXPECT_EQ(ParseMorphKind("mkPush"), mkDefault);

  const char* effects[] = {"iebrightness", "iedarkness", "iegrayscale", "ienoise", "iesplitblur", "ieinvert"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ParseImageEffect(effects[i]), i);
  EXPECT_EQ(ParseImageEffect("other"), ieGrayScale);

  const char* commands[] = {"cmclose", "cmmaximize", "cmminimize", "cmsysmenu", "cmdefault", "cmrollup"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ParseStdCommand(commands[i]), i);
  EXPECT_EQ(ParseStdCommand("cmMinimize"), cmMinimizeToTray);
  EXPECT_EQ(FormatStdCommand(cmMinimizeToTray), "cmminimizetotray");
}

TEST(IniValues, NameListsStopAtTheKeysPresent) {
  const IniFile ini("[PICTURES]\nactivepicturescount=3\n0=a.bmp\n2=c.bmp\n[L]\nxcount=2000000000\n0=only\n");
  EXPECT_EQ(ReadIniNameList(ini, "PICTURES", "activepictures"), (std::vector<std::string>{"a.bmp", "", "c.bmp"}));
  EXPECT_EQ(ReadIniNameList(ini, "L", "x"), std::vector<std::string>{"only"});
  EXPECT_TRUE(ReadIniNameList(ini, "none", "x").empty());
  IniFile out;
  WriteIniNameList(out, "P", "activepictures", {"a", "b"});
  EXPECT_EQ(ReadIniNameList(out, "P", "activepictures"), (std::vector<std::string>{"a", "b"}));
}
