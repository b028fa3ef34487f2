#include <gtest/gtest.h>

#include <set>
#include <typeinfo>

#include "package_fixtures.h"
#include "skin/builtin_skins.h"
#include "skin/skin_data.h"
#include "skin/skin_schema.h"

using namespace skin;

namespace {

// Writes every field down as "key=value" in visit order.
class DumpVisitor : public KeyVisitor {
 public:
  std::vector<std::string> out;
  void Int(const char* k, int& v, int) override { Put(k, std::to_string(v)); }
  void Color(const char* k, uint32_t& v, uint32_t) override { Put(k, std::to_string(v)); }
  void Flag(const char* k, bool& v, bool) override { Put(k, v ? "1" : "0"); }
  void Text(const char* k, std::string& v, const char*) override { Put(k, v); }
  void PointKey(const char* k, Point& v, Point) override { Put(k, FormatPoint(v)); }
  void RectKey(const char* k, Rect& v, Rect) override { Put(k, FormatRect(v)); }
  void Styles(const char* k, TFontStyles& v, TFontStyles) override { Put(k, std::to_string(v)); }
  void Align(const char* k, TAlignment& v, TAlignment) override { Put(k, std::to_string(v)); }
  void Stretch(const char* k, TbsStretchType& v, TbsStretchType) override { Put(k, std::to_string(v)); }
  void Morph(const char* k, TbsMorphKind& v, TbsMorphKind) override { Put(k, std::to_string(v)); }
  void Effect(const char* k, TbsImageEffect& v, TbsImageEffect) override { Put(k, std::to_string(v)); }
  void Command(const char* k, TbsStdCommand& v, TbsStdCommand) override { Put(k, std::to_string(v)); }

 private:
  void Put(const char* k, const std::string& v) { out.push_back(std::string(k) + "=" + v); }
};

// Gives every field a value unlike its default and unlike the other fields'.
class FillVisitor : public KeyVisitor {
 public:
  void Int(const char*, int& v, int def) override { v = def + Next(); }
  void Color(const char*, uint32_t& v, uint32_t) override { v = 0xFF000000u + static_cast<uint32_t>(Next()); }
  void Flag(const char*, bool& v, bool def) override { v = !def; }
  void Text(const char*, std::string& v, const char*) override { v = "text " + std::to_string(Next()); }
  void PointKey(const char*, Point& v, Point) override { v = {Next(), Next()}; }
  void RectKey(const char*, Rect& v, Rect) override { v = {Next(), Next(), Next(), Next()}; }
  void Styles(const char*, TFontStyles& v, TFontStyles) override { v = static_cast<TFontStyles>(1 + Next() % 15); }
  void Align(const char*, TAlignment& v, TAlignment) override { v = static_cast<TAlignment>(Next() % 2); }
  void Stretch(const char*, TbsStretchType& v, TbsStretchType) override { v = static_cast<TbsStretchType>(1 + Next() % 2); }
  void Morph(const char*, TbsMorphKind& v, TbsMorphKind) override { v = static_cast<TbsMorphKind>(1 + Next() % 6); }
  void Effect(const char*, TbsImageEffect& v, TbsImageEffect) override { v = static_cast<TbsImageEffect>(1 + Next() % 5); }
  void Command(const char*, TbsStdCommand& v, TbsStdCommand) override { v = static_cast<TbsStdCommand>(Next() % 4); }

 private:
  int Next() { return ++counter_; }
  int counter_ = 0;
};

template <typename T>
std::vector<std::string> Dump(T& data) {
  DumpVisitor d;
  data.VisitKeys(d);
  return d.out;
}

// Fills, saves, loads into a fresh object and compares; also checks that every key is saved
// under a name of its own, and that a fresh object holds the defaults a load of nothing gives.
template <typename T, typename Make>
void CheckRoundTrip(const std::string& what, Make make) {
  auto original = make();
  auto fresh = make();
  IniFile empty;
  auto loaded_empty = make();
  loaded_empty->LoadFromFile(empty);
  EXPECT_EQ(Dump(*fresh), Dump(*loaded_empty)) << what << ": initial values and load defaults disagree";

  FillVisitor fill;
  original->VisitKeys(fill);
  IniFile ini("[" + std::string("keep") + "]\nk=1\n");
  original->SaveToFile(ini);
  const auto dumped = Dump(*original);
  std::set<std::string> names;
  for (const auto& line : dumped) names.insert(UpperAscii(line.substr(0, line.find('='))));
  EXPECT_EQ(names.size(), dumped.size()) << what << ": a key is listed twice";

  fresh->LoadFromFile(ini);
  EXPECT_EQ(Dump(*fresh), dumped) << what;
  EXPECT_EQ(ini.ReadString("keep", "k", ""), "1") << what << ": saving touched another section";

  // Saving again erases the section first: no stale keys survive.
  const std::string section = ini.Sections().back().name;
  ini.WriteString(section, "stale", "1");
  original->SaveToFile(ini);
  EXPECT_FALSE(ini.ValueExists(section, "stale")) << what;
  fresh = make();
  fresh->LoadFromFile(ini);
  EXPECT_EQ(Dump(*fresh), dumped) << what;
}

}  // namespace

TEST(SchemaRoundTrip, EveryControlClass) {
  for (const std::string& word : SkinControlClassWords()) {
    CheckRoundTrip<TbsDataSkinControl>("control " + word, [&] { return CreateSkinControlData(word, "sec_" + word); });
    // The saved section carries exactly the keys the class reads.
    auto data = CreateSkinControlData(word, "s");
    IniFile ini;
    data->SaveToFile(ini);
    EXPECT_EQ(ini.ReadSection("s").size(), Dump(*data).size()) << word;
  }
}

TEST(SchemaRoundTrip, EveryObjectClass) {
  for (const std::string& word : SkinObjectClassWords())
    CheckRoundTrip<TbsDataSkinObject>("object " + word, [&] { return CreateSkinObjectData(word, "sec_" + word); });
}

TEST(SchemaRoundTrip, SectionMembersAndFormInfo) {
  CheckRoundTrip<TbsFormInfoData>("FORMINFO", [] { return std::make_unique<TbsFormInfoData>(); });
  CheckRoundTrip<TbsDataSkinPopupWindow>("POPUPWINDOW", [] { return std::make_unique<TbsDataSkinPopupWindow>(); });
  CheckRoundTrip<TbsDataSkinLayerFrame>("LAYERFRAME", [] { return std::make_unique<TbsDataSkinLayerFrame>(); });
  CheckRoundTrip<TbsDataSkinHintWindow>("HINTWINDOW", [] { return std::make_unique<TbsDataSkinHintWindow>(); });
  CheckRoundTrip<TbsSkinColors>("SKINCOLORS", [] { return std::make_unique<TbsSkinColors>(); });
}

TEST(SchemaClasses, FactoriesKnowEveryClassWordExactly) {
  EXPECT_EQ(SkinObjectClassWords().size(), 8u);
  EXPECT_EQ(SkinControlClassWords().size(), 29u);
  EXPECT_NE(dynamic_cast<TbsDataSkinMemoControl*>(CreateSkinControlData("memo", "m").get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinEditControl*>(CreateSkinControlData("memo", "m").get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinListBox*>(CreateSkinControlData("checklistbox", "m").get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinButtonControl*>(CreateSkinControlData("menubutton", "m").get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinStdButton*>(CreateSkinObjectData("mainmenubarbutton", "m").get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinMainMenuItem*>(CreateSkinObjectData("mainmenubaritem", "m").get()), nullptr);
  EXPECT_EQ(CreateSkinControlData("Panel", "m"), nullptr);
  EXPECT_EQ(CreateSkinObjectData("panel", "m"), nullptr);
  EXPECT_EQ(CreateSkinObjectData("", "m"), nullptr);
}

TEST(SchemaClasses, MainWindowControlDefaults) {
  const IniFile ini("[g]\nskinrect=1,2,3,4\n");
  TbsDataSkinGaugeControl gauge("g");
  gauge.LoadFromFile(ini);
  EXPECT_EQ(gauge.pictureindex, -1);
  EXPECT_EQ(gauge.fontname, "Tahoma");
  EXPECT_EQ(gauge.fontheight, 13);
  EXPECT_EQ(gauge.stretchtype, bsstFull);
  TbsDataSkinStdLabelControl label("g");
  label.LoadFromFile(ini);
  EXPECT_EQ(label.activefontcolor, 16711680u);
  TbsDataSkinPanelControl panel("g");
  panel.LoadFromFile(ini);
  EXPECT_EQ(panel.alignment, taCenter);
  EXPECT_EQ(panel.bgpictureindex, -1);
  TbsDataSkinCaption caption("g");
  caption.LoadFromFile(ini);
  EXPECT_EQ(caption.animateinterval, 25);
  EXPECT_EQ(caption.glowsize, 3);
  EXPECT_EQ(caption.glowlayeralphablendvalue, 255);
  TbsFormInfoData form;
  form.LoadFromFile(IniFile("[FORMINFO]\ninactiveeffect=nonsense\n"));
  EXPECT_EQ(form.inactiveeffect, ieGrayScale);
  form.LoadFromFile(IniFile());
  EXPECT_EQ(form.inactiveeffect, ieBrightness);
}

TEST(SchemaClasses, CaptionButtonCommandAndRestoreHint) {
  const struct {
    const char* lines;
    TbsStdCommand command;
    const char* restorehint;
  } cases[] = {
      {"command=cmMinimize", cmMinimizeToTray, ""},
      {"command=cmmaximize\nhint=Maximize", cmMaximize, "Restore"},
      {"command=cmmaximize\nhint=maximize", cmMaximize, ""},
      {"command=cmminimize\nhint=Minimize", cmMinimize, "Restore"},
      {"command=cmminimize\nhint=Maximize", cmMinimize, ""},
      {"command=cmrollup\nhint=RollUp", cmRollUp, "Restore"},
      {"command=cmrollup\nhint=Roll Up", cmRollUp, "Restore"},
      {"command=cmmaximize\nhint=Maximize\nrestorehint=Back", cmMaximize, "Back"},
      {"hint=Maximize", cmDefault, ""},
  };
  for (const auto& c : cases) {
    const IniFile ini(std::string("[b]\n") + c.lines);
    TbsDataSkinStdButton button("b");
    button.LoadFromFile(ini);
    EXPECT_EQ(button.command, c.command) << c.lines;
    EXPECT_EQ(button.restorehint, c.restorehint) << c.lines;
    TbsDataSkinAnimate animate("b");
    animate.LoadFromFile(ini);
    EXPECT_EQ(animate.command, c.command) << c.lines;
    EXPECT_EQ(animate.restorehint, c.restorehint) << c.lines;
  }
}

TEST(SchemaClasses, UserObjectReadsOnlyItsRect) {
  const IniFile ini("[u]\nskinrect=1,2,3,4\nhint=ignored\nactivepictureindex=3\n");
  TbsDataUserObject u("u");
  u.LoadFromFile(ini);
  EXPECT_EQ(u.skinrect, (Rect{1, 2, 3, 4}));
  EXPECT_EQ(u.hint, "");
  EXPECT_EQ(u.activepictureindex, -1);
  IniFile out;
  u.SaveToFile(out);
  EXPECT_EQ(out.ReadSection("u"), std::vector<std::string>{"skinrect"});
}

TEST(SchemaClasses, ButtonAlphaImagesOnlyForAFullBorderLayer) {
  const std::string objects =
      "[SKINOBJECTS]\r\ncount=1\r\n0=close:stdbutton\r\n"
      "[close]\r\nactivepictureindex=0\r\nskinrect=0,0,2,2\r\nactiveskinrect=2,0,4,2\r\n"
      "downrect=0,0,0,0\r\ninactiveskinrect=1,1,3,3\r\nalphamaskpictureindex=1\r\n"
      "alphamaskactivepictureindex=9\r\nrestorerect=0,0,1,1\r\n";
  auto load = [&](const std::string& layer, const std::string& extra = "") {
    SkinContainer c = skin_test::ContainerWithIni("[VERSION]\r\n" + layer + objects + extra);
    c.active_pictures = {skin_test::MakeBmp(4, 4, 24, 0x804020), skin_test::MakeBmp(4, 4, 24, 0x3C3C3C)};
    auto stored = std::make_unique<TbsCompressedStoredSkin>();
    stored->SetPackage(c);
    auto data = std::make_unique<TbsSkinData>();
    data->LoadPackage(*stored);
    return data;
  };
  auto plain = load("[LAYERFRAME]\r\npictureindex=0\r\n");
  auto* b = dynamic_cast<TbsDataSkinStdButton*>(plain->SkinObjects.at(0).get());
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->FSkinRectImage.Empty());

  auto full = load("[LAYERFRAME]\r\npictureindex=0\r\nfullborder=1\r\n");
  b = dynamic_cast<TbsDataSkinStdButton*>(full->SkinObjects.at(0).get());
  ASSERT_NE(b, nullptr);
  // Alpha from picture 1: (0x3C * 3) / 3 = 0x3C, colours premultiplied.
  ASSERT_EQ(b->FSkinRectImage.Width(), 2);
  const uint32_t premultiplied = 0x3Cu << 24 | ((0x80 * 0x3C + 127) / 255) << 16 | ((0x40 * 0x3C + 127) / 255) << 8 |
                                 ((0x20 * 0x3C + 127) / 255);
  EXPECT_EQ(b->FSkinRectImage.Surface().Pixel(1, 1), premultiplied);
  // No alpha picture: opaque copy, marked as using alpha.
  ASSERT_EQ(b->FActiveSkinRectImage.Width(), 2);
  EXPECT_EQ(b->FActiveSkinRectImage.Surface().Pixel(0, 0), 0xFF804020u);
  EXPECT_TRUE(b->FActiveSkinRectImage.AlphaBlend);
  EXPECT_TRUE(b->FDownRectImage.Empty()) << "empty rect";
  EXPECT_EQ(b->FInActiveSkinRectImage.Width(), 2);
  EXPECT_EQ(b->FRestoreRectImage.Width(), 1);
  EXPECT_TRUE(b->FRestoreActiveRectImage.Empty());

  // A rect far beyond its picture yields only the part inside the picture.
  auto huge = load("[LAYERFRAME]\r\npictureindex=0\r\nfullborder=1\r\n", "restoreactiverect=2,2,2000000000,2000000000\r\n");
  b = dynamic_cast<TbsDataSkinStdButton*>(huge->SkinObjects.at(0).get());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->FRestoreActiveRectImage.Width(), 2);
  EXPECT_EQ(b->FRestoreActiveRectImage.Height(), 2);
}

TEST(SchemaCheck, ReportsKeysThatDoNotParse) {
  const IniFile ini(
      "[FORMINFO]\nclientrect=1,2\nborderwidth=x\nstretchtype=stfull\n"
      "[SKINCONTROLS]\ncount=2\n0=panel:panel\n1=odd:nosuch\n"
      "[panel]\nalignment=center\nfontcolor=4278190085\nleftstretch=yes\nfontname=anything\n"
      "[odd]\nskinrect=x\n");
  const auto bad = FindUnparsableKeys(ini);
  EXPECT_EQ(bad, (std::vector<std::string>{"FORMINFO.clientrect=1,2 (rect)", "FORMINFO.borderwidth=x (integer)",
                                           "panel.leftstretch=yes (flag)", "panel.alignment=center (alignment)"}));
}

TEST(SchemaCheck, ListedSectionsSplitIdAndClassWordAndSkipEntriesWithoutColon) {
  // The count claims more entries than there are: "1" has no colon, "2" is missing, and a key
  // that is no number is not an entry.
  const IniFile ini("[SKINOBJECTS]\ncount=1000\n0=close:stdbutton\n1=broken\n3=caption:caption\nnote=x:y\n");
  const std::vector<ListedSection> sections = ReadListedSections(ini, "SKINOBJECTS");
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].id, "close");
  EXPECT_EQ(sections[0].class_word, "stdbutton");
  EXPECT_EQ(sections[1].id, "caption");
  EXPECT_EQ(sections[1].class_word, "caption");
  EXPECT_TRUE(ReadListedSections(ini, "SKINCONTROLS").empty());
}

TEST(SchemaRoundTrip, EverySectionOfTheCarriedSkins) {
  TbsCompressedSkinList list;
  LoadBuiltinSkinList(list);
  ASSERT_FALSE(list.Skins().Items(2).Skin().IsEmpty()) << "no carried packages in this build";
  TbsSkinData data;
  data.SetSkinList(&list);
  for (int i = 0; i < list.Skins().Count(); ++i) {
    data.SetSkinIndex(i);
    ASSERT_FALSE(data.Empty) << i;
    IniFile saved;
    for (auto& o : data.SkinObjects) o->SaveToFile(saved);
    for (auto& c : data.SkinControls) c->SaveToFile(saved);
    // Reload each section into a twin of the same class and compare every key.
    const IniFile reread(saved.SaveToText());
    for (auto& o : data.SkinObjects) {
      for (const std::string& word : SkinObjectClassWords()) {
        auto twin = CreateSkinObjectData(word, o->IDName);
        if (typeid(*twin) != typeid(*o)) continue;
        twin->LoadFromFile(reread);
        EXPECT_EQ(Dump(*twin), Dump(*o)) << i << " " << o->IDName;
      }
    }
    for (auto& c : data.SkinControls) {
      for (const std::string& word : SkinControlClassWords()) {
        auto twin = CreateSkinControlData(word, c->IDName);
        if (typeid(*twin) != typeid(*c)) continue;
        twin->LoadFromFile(reread);
        EXPECT_EQ(Dump(*twin), Dump(*c)) << i << " " << c->IDName;
      }
    }
  }
}
