#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "package_fixtures.h"
#include "platform/exceptions.h"
#include "skin/builtin_skins.h"
#include "skin/resource_strings.h"
#include "skin/skin_data.h"
#include "skin/zlib_stream.h"

using namespace skin;
using skin_test::ContainerWithIni;

namespace {

// A form that records the skin messages it gets.
class RecordingForm : public SkinMessageTarget {
 public:
  RecordingForm(std::string name, std::vector<std::string>& log, std::string class_name = "TForm",
                bool registered = true)
      : name_(std::move(name)), class_name_(std::move(class_name)), log_(log), registered_(registered) {
    if (registered_) SkinForms::Add(this);
  }
  ~RecordingForm() override {
    if (registered_) SkinForms::Remove(this);
  }
  std::string FormClassName() const override { return class_name_; }
  void SkinMessage(uint32_t message, TbsSkinData* sender, intptr_t param) override {
    EXPECT_EQ(param, kSkinMessageParam);
    last_sender = sender;
    log_.push_back(name_ + ":" + std::to_string(message));
    if (on_message) on_message(message);
  }
  TbsSkinData* last_sender = nullptr;
  std::function<void(uint32_t)> on_message;

 private:
  std::string name_, class_name_;
  std::vector<std::string>& log_;
  bool registered_;
};

std::string Skin(const std::string& name, const std::string& extra = "") {
  return "[VERSION]\r\nskinname=" + name + "\r\n[PICTURES]\r\nactivepicturescount=2\r\n0=a.bmp\r\n1=b.bmp\r\n" +
         extra;
}

// A list of skins whose skinname is "skin<i>".
std::unique_ptr<TbsCompressedSkinList> MakeList(int count) {
  auto list = std::make_unique<TbsCompressedSkinList>();
  for (int i = 0; i < count; ++i) list->Skins().Add().Skin().SetPackage(ContainerWithIni(Skin("skin" + std::to_string(i))));
  return list;
}

std::unique_ptr<TbsCompressedStoredSkin> Stored(const std::string& ini, int pictures = 2) {
  auto s = std::make_unique<TbsCompressedStoredSkin>();
  s->SetPackage(ContainerWithIni(ini, pictures));
  return s;
}

std::vector<std::string> Loaded(const std::string& form) {
  return {form + ":1225", form + ":1226", form + ":1227"};
}

}  // namespace

TEST(DataSwitch, SkinIndexFollowsTheOrderRules) {
  std::vector<std::string> log;
  RecordingForm form("main", log);
  TbsSkinData data(&form);
  data.SetShowLayeredBorders(false);
  log.clear();
  EXPECT_TRUE(data.Empty);
  auto list = MakeList(12);

  // Set before the list exists: stored, nothing loaded; the list then loads it once.
  data.SetSkinIndex(2);
  EXPECT_EQ(data.SkinIndex(), 2);
  EXPECT_TRUE(log.empty());
  data.SetSkinList(list.get());
  EXPECT_EQ(data.skinname, "skin2");
  EXPECT_FALSE(data.Empty);
  EXPECT_FALSE(data.SkinLoading);
  EXPECT_EQ(log, Loaded("main"));
  log.clear();
  data.SetSkinIndex(2);
  EXPECT_TRUE(log.empty()) << "the current value does nothing";

  for (int bad : {12, -1, 100}) {
    data.SetSkinIndex(bad);
    EXPECT_EQ(data.SkinIndex(), 2) << bad;
  }
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(data.skinname, "skin2");

  data.SetSkinIndex(11);
  EXPECT_EQ(data.skinname, "skin11");
  EXPECT_EQ(log, Loaded("main"));
  EXPECT_EQ(form.last_sender, &data);

  // An empty package, or one of a newer version, is no skin: the old one stays.
  log.clear();
  platform::MemoryStream v4;
  skin_test::PutInt32(v4.Data(), 4);
  skin_test::PutInt32(v4.Data(), 0);
  list->Skins().Items(5).ReadSkinProperty(v4);
  EXPECT_TRUE(list->Skins().Items(5).Skin().IsEmpty());
  data.SetSkinIndex(5);
  EXPECT_EQ(data.SkinIndex(), 5);
  EXPECT_EQ(data.skinname, "skin11");
  EXPECT_TRUE(log.empty());
}

TEST(DataSwitch, DesignModeAndListRemoval) {
  auto list = MakeList(3);
  TbsSkinData data;
  data.Designing = true;
  data.SetSkinList(list.get());
  data.SetSkinIndex(1);
  EXPECT_TRUE(data.Empty) << "nothing loads while the component is designed";
  data.Designing = false;
  data.SetSkinIndex(0);
  EXPECT_EQ(data.skinname, "skin0");
  list.reset();
  EXPECT_EQ(data.SkinList(), nullptr) << "the reference is dropped when the list goes";
  data.SetSkinIndex(2);
  EXPECT_EQ(data.SkinIndex(), 2);
  EXPECT_EQ(data.skinname, "skin0");
}

TEST(DataSwitch, BroadcastOrder) {
  std::vector<std::string> log;
  RecordingForm other1("other1", log);
  RecordingForm owner("owner", log);
  RecordingForm layer("layer", log, "TbsFormLayerWindow");
  RecordingForm other2("other2", log);
  TbsSkinData data(&owner);

  // Layered borders off: the owner first, then the rest in list order, layer windows left out.
  data.SetShowLayeredBorders(false);
  EXPECT_EQ(log, (std::vector<std::string>{"owner:1427", "other1:1427", "other2:1427"}));

  // On, without a layer picture: list order, owner included at its place.
  log.clear();
  data.SetAeroBlurEnabled(false);
  data.SetShowLayeredBorders(true);
  EXPECT_EQ(log, (std::vector<std::string>{"owner:1428", "other1:1428", "other2:1428", "other1:1427",
                                           "owner:1427", "other2:1427"}));

  // On, with a layer picture: last to first.
  log.clear();
  data.LayerFrame.pictureindex = 0;
  data.SetSkinnableForm(false);
  EXPECT_EQ(log, (std::vector<std::string>{"other2:1294", "owner:1294", "other1:1294"}));

  // Stored-form loading sends nothing; setting the same value sends nothing.
  log.clear();
  data.BeginLoading();
  data.SetSkinnableForm(true);
  data.EndLoading();
  data.SetSkinnableForm(true);
  EXPECT_TRUE(log.empty());

  TbsResourceStrData strings;
  data.LayerFrame.pictureindex = -1;
  data.SetShowLayeredBorders(false);
  log.clear();
  data.SetResourceStrData(&strings);
  EXPECT_EQ(log, (std::vector<std::string>{"owner:1274", "other1:1274", "other2:1274"}));
}

TEST(DataSwitch, FormsClosedDuringABroadcastAreNotCalled) {
  std::vector<std::string> log;
  RecordingForm owner("owner", log);
  auto doomed = std::make_unique<RecordingForm>("doomed", log);
  owner.on_message = [&](uint32_t) { doomed.reset(); };
  TbsSkinData data(&owner);
  data.SetShowLayeredBorders(false);
  EXPECT_EQ(log, std::vector<std::string>{"owner:1427"});
}

TEST(DataSwitch, MessagesAndFlagsAroundALoad) {
  std::vector<std::string> log;
  RecordingForm owner("owner", log);
  TbsSkinData data(&owner);
  data.SetShowLayeredBorders(false);
  log.clear();
  std::vector<std::string> states;
  owner.on_message = [&](uint32_t m) {
    states.push_back(std::to_string(m) + (data.Empty ? " empty" : " full") + (data.SkinLoading ? " loading" : ""));
  };
  data.OnLoadData = [&] { states.push_back("OnLoadData"); };
  auto stored = Stored(Skin("one"));
  data.SetCompressedStoredSkin(stored.get());
  EXPECT_EQ(states, (std::vector<std::string>{"1225 empty loading", "OnLoadData", "1226 full loading", "1227 full"}));
  stored.reset();
  EXPECT_EQ(data.CompressedStoredSkin(), nullptr);
}

// Whatever stops a load, the forms get the end of the change they were told began, and nothing
// is left marked as loading.
TEST(DataSwitch, FailuresLeaveTheDataEmptyWithTheNoticesPaired) {
  std::vector<std::string> log;
  RecordingForm owner("owner", log);
  TbsSkinData data(&owner);
  data.SetShowLayeredBorders(false);
  auto good = Stored(Skin("good"));
  data.LoadPackage(*good);
  ASSERT_FALSE(data.Empty);

  struct Case {
    const char* name;
    std::string ini;
    const char* message;
  } cases[] = {
      {"point with one field", Skin("p", "[FORMINFO]\r\nlefttoppoint=5\r\n"), "'' is not a valid integer value"},
      {"present empty rect", Skin("r", "[FORMINFO]\r\nclientrect=\r\n"), "'' is not a valid integer value"},
      {"control rect", Skin("c", "[SKINCONTROLS]\r\ncount=1\r\n0=panel:panel\r\n[panel]\r\nskinrect=1,2\r\n"),
       "'' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    log.clear();
    auto bad = Stored(c.ini);
    try {
      data.LoadPackage(*bad);
      ADD_FAILURE() << c.name;
    } catch (const platform::EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name;
    }
    EXPECT_TRUE(data.Empty) << c.name;
    EXPECT_FALSE(data.SkinLoading) << c.name;
    EXPECT_EQ(log, Loaded("owner")) << c.name;
  }

  // A container newer than we know stops after clearing, with the notices paired just the same.
  log.clear();
  std::vector<uint8_t> raw;
  skin_test::PutInt32(raw, 4);
  platform::MemoryStream in(raw), packed;
  PackStream(in, packed);
  packed.SetPosition(0);
  TbsCompressedStoredSkin newer;
  newer.ReadCompressedData(packed);
  data.LoadPackage(*good);
  log.clear();
  data.LoadPackage(newer);
  EXPECT_TRUE(data.Empty);
  EXPECT_FALSE(data.SkinLoading);
  EXPECT_TRUE(data.ActivePictures.empty());
  EXPECT_EQ(data.skinname, "good") << "the texts of [VERSION] are not cleared";
  EXPECT_EQ(log, Loaded("owner"));

  // A cut package: the zlib error reaches the caller.
  auto cut = Stored(Skin("cut"));
  platform::MemoryStream whole;
  cut->WriteCompressedData(whole);
  whole.SetSize(whole.Size() / 2);
  whole.SetPosition(0);
  TbsCompressedStoredSkin half;
  half.ReadCompressedData(whole);
  log.clear();
  EXPECT_THROW(data.LoadPackage(half), EDecompressionError);
  EXPECT_TRUE(data.Empty);
  EXPECT_FALSE(data.SkinLoading);
  EXPECT_EQ(log, Loaded("owner"));

  // And a good skin loads again afterwards.
  data.LoadPackage(*good);
  EXPECT_FALSE(data.Empty);
  EXPECT_FALSE(data.SkinLoading);
}

TEST(DataLoad, ObjectAndControlLists) {
  const std::string ini = Skin("lists",
                               "[SKINOBJECTS]\r\ncount=3\r\n0=caption:caption\r\n1=x:nosuchclass\r\n2=close:stdbutton\r\n"
                               "[SKINCONTROLS]\r\ncount=6\r\n0=panel:panel\r\n1=weird:Panel\r\n2=nocolon\r\n"
                               "3=statuspanel:label\r\n4=panel:gauge\r\n5=statusgauge:gauge\r\n"
                               "[panel]\r\nskinrect=1,2,3,4\r\n[panel]\r\nskinrect=5,6,7,8\r\n");
  auto stored = Stored(ini);
  TbsSkinData data;
  data.LoadPackage(*stored);
  ASSERT_EQ(data.SkinObjects.size(), 2u);
  EXPECT_EQ(data.SkinObjects[0]->IDName, "caption");
  EXPECT_NE(dynamic_cast<TbsDataSkinCaption*>(data.SkinObjects[0].get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinStdButton*>(data.SkinObjects[1].get()), nullptr);
  EXPECT_EQ(data.FindObjectIndex("close"), 1);
  EXPECT_EQ(data.FindObjectIndex("x"), -1);

  ASSERT_EQ(data.SkinControls.size(), 4u);
  EXPECT_EQ(data.FindControlIndex("panel"), 0) << "the first of two entries with the same name";
  EXPECT_NE(dynamic_cast<TbsDataSkinPanelControl*>(data.SkinControls[0].get()), nullptr);
  EXPECT_EQ(data.SkinControls[0]->skinrect, (Rect{5, 6, 7, 8})) << "a repeated section is read from its last occurrence";
  EXPECT_EQ(data.FindControlIndex("Panel"), -1);
  EXPECT_EQ(data.FindControlIndex("weird"), -1) << "class words are case-sensitive";
  EXPECT_EQ(data.FindControlIndex("statuspanel"), 1);
  EXPECT_EQ(data.FindControlIndex("statusgauge"), 3);

  auto none = Stored(Skin("none", "[SKINCONTROLS]\r\ncount=0\r\n0=panel:panel\r\n"));
  data.LoadPackage(*none);
  EXPECT_TRUE(data.SkinControls.empty());
  EXPECT_TRUE(data.SkinObjects.empty());
  EXPECT_EQ(data.FindControlIndex("panel"), -1);
}

TEST(DataLoad, PicturesNamesAndColours) {
  auto stored = Stored(Skin("pics", "[PICTURES]\r\npicture=f.bmp\r\nmask=m.bmp\r\nactivepicturescount=2\r\n0=a.bmp\r\n1=b.bmp\r\n"
                                    "[SKINCOLORS]\r\ncbtnface=255\r\n"
                                    "[VERSION]\r\nskinname=pics\r\nskinauthor=me\r\nver=9\r\n"),
                       3);
  TbsSkinData data;
  data.LoadPackage(*stored);
  EXPECT_EQ(data.skinauthor, "me");
  EXPECT_EQ(data.picture, "f.bmp");
  EXPECT_EQ(data.mask, "m.bmp");
  EXPECT_EQ(data.activepictures, (std::vector<std::string>{"a.bmp", "b.bmp"}));
  EXPECT_EQ(data.Picture.Width(), 8);
  EXPECT_TRUE(data.MaskPicture.Empty());
  ASSERT_EQ(data.ActivePictures.size(), 3u);
  EXPECT_EQ(data.ActivePictures[1].Pixel(0, 0), 0x80405061u);
  EXPECT_NE(data.ActivePicture(2), nullptr);
  EXPECT_EQ(data.ActivePicture(3), nullptr);
  EXPECT_EQ(data.ActivePicture(-1), nullptr);
  EXPECT_EQ(data.SkinColors.cbtnface, 255u);
  EXPECT_EQ(data.SkinColors.cwindow, 0xFF000005u);

  auto plain = Stored("[VERSION]\r\n", 0);
  data.LoadPackage(*plain);
  EXPECT_EQ(data.SkinColors.cbtnface, 0xFF00000Fu) << "colours reset with every load";
  EXPECT_TRUE(data.ActivePictures.empty());
  EXPECT_TRUE(data.mask.empty());
  EXPECT_EQ(data.HintWindow.windowpictureindex, -1);
}

TEST(DataLoad, FormInfoCorrections) {
  const std::string corners =
      "lefttoppoint=2,3\r\nrighttoppoint=90,1\r\nleftbottompoint=1,80\r\nrightbottompoint=95,85\r\n"
      "clientrect=5,20,88,78\r\n";
  struct Case {
    const char* name;
    std::string forminfo;
    bool mask;
    Rect maskrectarea;
    Point hit_lt, hit_rb;
    Point lt, rt, lb, rb;
  } cases[] = {
      {"no mask: as written, corners pulled in", corners + "maskrectarea=0,0,10,10\r\nhittestlefttoppoint=0,4\r\n",
       false, {0, 0, 10, 10}, {0, 4}, {0, 0}, {5, 20}, {88, 20}, {5, 78}, {88, 78}},
      {"mask, empty area: becomes the client rect", corners + "hittestrightbottompoint=7,7\r\n", true,
       {5, 20, 88, 78}, {2, 3}, {7, 7}, {5, 20}, {88, 20}, {5, 78}, {88, 78}},
      {"mask, area widened to the client rect", corners + "maskrectarea=10,10,50,90\r\n", true, {5, 10, 88, 90},
       {2, 3}, {95, 85}, {5, 20}, {88, 20}, {5, 78}, {88, 78}},
      {"equal x: corners kept", "lefttoppoint=2,3\r\nrightbottompoint=2,85\r\nrighttoppoint=90,1\r\nclientrect=5,20,88,78\r\n",
       false, {}, {}, {}, {2, 3}, {90, 1}, {0, 0}, {2, 85}},
  };
  for (const Case& c : cases) {
    auto stored = Stored(Skin("f", std::string(c.mask ? "[PICTURES]\r\nmask=m.bmp\r\n" : "") + "[FORMINFO]\r\n" + c.forminfo));
    TbsSkinData data;
    data.LoadPackage(*stored);
    EXPECT_EQ(data.maskrectarea, c.maskrectarea) << c.name;
    EXPECT_EQ(data.hittestlefttoppoint, c.hit_lt) << c.name;
    EXPECT_EQ(data.hittestrightbottompoint, c.hit_rb) << c.name;
    EXPECT_EQ(data.lefttoppoint, c.lt) << c.name;
    EXPECT_EQ(data.righttoppoint, c.rt) << c.name;
    EXPECT_EQ(data.leftbottompoint, c.lb) << c.name;
    EXPECT_EQ(data.rightbottompoint, c.rb) << c.name;
  }
}

TEST(DataLoad, LayerImagesComeFromPictureAndMask) {
  skin::SkinContainer c = ContainerWithIni(
      Skin("layer", "[LAYERFRAME]\r\npictureindex=0\r\nmaskpictureindex=1\r\ninactivepictureindex=0\r\n"
                    "inactivemaskpictureindex=7\r\n"));
  c.active_pictures = {skin_test::MakeBmp(4, 2, 24, 0x0A0B0C), skin_test::MakeBmp(3, 2, 24, 0x102030)};
  TbsCompressedStoredSkin stored;
  stored.SetPackage(c);
  TbsSkinData data;
  data.LoadPackage(stored);
  const TbsBitmap& img = data.LayerFrame.ActiveImage;
  ASSERT_EQ(img.Width(), 4);
  // Alpha = (0x30 + 0x20 + 0x10) / 3 where the mask covers, 0 beyond it.
  EXPECT_EQ(img.Surface().Pixel(0, 0), 0x200A0B0Cu);
  EXPECT_EQ(img.Surface().Pixel(3, 1), 0x000A0B0Cu);
  EXPECT_TRUE(img.AlphaBlend);
  EXPECT_TRUE(data.LayerFrame.InActiveImage.Empty()) << "its mask index addresses nothing";

  auto plain = Stored(Skin("plain"));
  data.LoadPackage(*plain);
  EXPECT_TRUE(data.LayerFrame.ActiveImage.Empty());
  EXPECT_EQ(data.LayerFrame.pictureindex, -1);
}

TEST(DataLoad, CarriedGreenSkinReadsItsQuotedValues) {
  const auto skins = BuiltinSkins();
  ASSERT_FALSE(skins[2].Package.empty()) << "no carried package for skin 2 in this build";
  TbsCompressedSkinList list;
  LoadBuiltinSkinList(list);
  TbsSkinData data;
  data.SetSkinIndex(2);
  data.SetSkinList(&list);
  ASSERT_FALSE(data.Empty);
  EXPECT_FALSE(data.ActivePictures.empty());
  // The frame the window's geometry is computed from: 1 pixel left, right and bottom, 24 on top.
  EXPECT_EQ(data.Picture.Width(), 236);
  EXPECT_EQ(data.Picture.Height(), 178);
  EXPECT_EQ(data.clientrect, (Rect{1, 24, 235, 177}));
  EXPECT_EQ(data.formminwidth, 200);
  EXPECT_EQ(data.formminheight, 25);

  const auto* panel = dynamic_cast<const TbsDataSkinPanelControl*>(data.SkinControls.at(data.FindControlIndex("panel")).get());
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->skinrect, (Rect{141, 4, 200, 56}));
  EXPECT_FALSE(PointIsUnset(panel->lefttoppoint));
  EXPECT_FALSE(PointIsUnset(panel->righttoppoint));
  EXPECT_FALSE(PointIsUnset(panel->leftbottompoint));
  EXPECT_FALSE(PointIsUnset(panel->rightbottompoint));
  EXPECT_FALSE(panel->stretcheffect);

  const auto* label = dynamic_cast<const TbsDataSkinLabelControl*>(data.SkinControls.at(data.FindControlIndex("statuspanel")).get());
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->skinrect, (Rect{4, 283, 48, 302}));
  EXPECT_EQ(label->lefttoppoint, (Point{4, 12}));
  EXPECT_EQ(label->righttoppoint, (Point{37, 8}));
  EXPECT_EQ(label->leftbottompoint, Point{});
  EXPECT_EQ(label->rightbottompoint, Point{});
  EXPECT_EQ(label->clientrect, (Rect{3, 1, 42, 18}));
  EXPECT_EQ(label->fontcolor, 16777215u);
  EXPECT_EQ(label->fontheight, 13);

  const auto* gauge = dynamic_cast<const TbsDataSkinGaugeControl*>(data.SkinControls.at(data.FindControlIndex("statusgauge")).get());
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(gauge->skinrect, (Rect{52, 283, 96, 302}));  // its own light track, not the status strip
  EXPECT_EQ(gauge->lefttoppoint, (Point{4, 9}));
  EXPECT_EQ(gauge->righttoppoint, (Point{34, 9}));
  EXPECT_EQ(gauge->progressarea, (Rect{0, 0, 44, 19}));
  EXPECT_EQ(gauge->progressrect, (Rect{4, 304, 47, 323}));
  EXPECT_EQ(gauge->beginoffset, 3);
  EXPECT_EQ(gauge->endoffset, 3);
  EXPECT_TRUE(gauge->progressstretch);
  EXPECT_EQ(gauge->progressanimationskinrect, Rect{});
  EXPECT_EQ(gauge->fontcolor, 0x202020u);  // dark: readable on the track and on the fill

  // Every carried skin loads.
  for (int i = 0; i < list.Skins().Count(); ++i) {
    data.SetSkinIndex(i);
    EXPECT_FALSE(data.Empty) << i;
    EXPECT_GE(data.FindObjectIndex("caption"), 0) << i;
  }
}

TEST(DataLoad, AMegabyteOfGarbageIniLoadsOrFailsCleanly) {
  // Lines drawn from the skin vocabulary, so that the garbage reaches the readers of every kind.
  const char* pieces[] = {"[FORMINFO]", "[SKINOBJECTS]", "[SKINCONTROLS]", "[LAYERFRAME]", "[panel]", "[caption]",
                          "count=2000000000", "count=3", "0=panel:panel", "1=caption:caption", "2=x:stdbutton",
                          "clientrect=1,2,3,4", "lefttoppoint=7,8", "skinrect=$FF,0x10,-3,4", "fontstyle=fsbold",
                          "pictureindex=99999", "maskpictureindex=0", "fontcolor=4294967295", "morphkind=mkpush",
                          "=", ";", "[", "]", "\x01\x02", "stretchtype=stvert", "fontheight=0x7FFFFFFF"};
  std::mt19937 gen(7);
  std::vector<std::string> outcomes;
  for (int round = 0; round < 4; ++round) {
    std::string ini = "[VERSION]\r\n";
    while (ini.size() < (1u << 20)) {
      ini += pieces[gen() % std::size(pieces)];
      ini += (gen() % 5 == 0) ? "" : "\r\n";
    }
    auto stored = Stored(ini);
    TbsSkinData data;
    try {
      data.LoadPackage(*stored);
      outcomes.push_back("loaded");
      EXPECT_FALSE(data.Empty);
    } catch (const platform::EConvertError& e) {
      outcomes.push_back(e.what());
      EXPECT_TRUE(data.Empty);
    }
  }
  // The rounds are the same on every run, so each one's ending is known: the vocabulary's values
  // are all well formed where they come first, and every round loads.
  EXPECT_EQ(outcomes, (std::vector<std::string>{"loaded", "loaded", "loaded", "loaded"}));
}
