// Frame objects without a window: visibility by border icons, layout for any width, caption
// text placement, hints, the system menu and the hover morph; and the hint window's rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/frame_objects.h"
#include "skin/hint_geometry.h"
#include "skin/resource_strings.h"
#include "frame_skin_fixture.h"

namespace skin {
namespace {

using testing::DefaultSkin;

FrameObjectInfo Button(TbsStdCommand c, const char* name, int w = 29, int h = 22) {
  FrameObjectInfo o;
  o.Kind = FrameObjectKind::StdButton;
  o.Command = c;
  o.IDName = name;
  o.SkinRectInAPicture = true;
  o.SkinRect = {0, 0, w, h};
  return o;
}

FrameObjectInfo Caption() {
  FrameObjectInfo o;
  o.Kind = FrameObjectKind::Caption;
  o.IDName = "caption";
  o.SkinRect = {2, 2, 234, 24};
  return o;
}

// The objects of a shipped skin, in skin order.
struct SkinObjects {
  std::vector<FrameObjectInfo> list = {Caption(),
                                       Button(cmClose, "closebutton"),
                                       Button(cmMaximize, "maxbutton"),
                                       Button(cmMinimize, "minbutton"),
                                       Button(cmRollUp, "rollupbutton"),
                                       Button(cmSysMenu, "sysmenubutton", 22, 22),
                                       Button(cmClose, "dialogclosebutton")};
  std::vector<FrameObjectInfo*> ptrs;
  SkinObjects() { Relink(); }
  void Add(FrameObjectInfo o) {
    list.push_back(std::move(o));
    Relink();
  }
  void Relink() {
    ptrs.clear();
    for (auto& o : list) ptrs.push_back(&o);
  }
  FrameObjectInfo& operator[](const std::string& name) {
    for (auto& o : list)
      if (o.IDName == name) return o;
    throw std::runtime_error(name);
  }
  std::string Shown() const {
    std::string out;
    for (const auto& o : list)
      if (o.Visible && o.Enabled) out += o.IDName + " ";
    return out;
  }
};

TEST(FrameObjects, VisibilityFromBorderIcons) {
  struct Case {
    TBorderIcons icons;
    bool disableSysMenu;
    const char* shown;
  } cases[] = {
      {biSystemMenu | biMinimize, false, "caption closebutton minbutton sysmenubutton "},
      {kDefaultBorderIcons, false, "caption closebutton maxbutton minbutton rollupbutton sysmenubutton "},
      {0, false, "caption dialogclosebutton "},
      {biSystemMenu, false, "caption sysmenubutton dialogclosebutton "},
      {biSystemMenu | biMinimize, true, "caption closebutton minbutton "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    SkinObjects objs;
    ApplyObjectVisibility(objs.ptrs, {c.icons, c.disableSysMenu, false, nullptr});
    EXPECT_EQ(objs.Shown(), c.shown);
  }
}

TEST(FrameObjects, VisibilityOfHiddenAndCustomButtons) {
  SkinObjects objs;
  objs.Add(Button(cmDefault, "helpbutton"));
  objs.list[2].SkinRectInAPicture = false;  // a maximize button painted into the frame picture
  VisibilityOptions o;
  o.ActivateCustomObject = [](const std::string& id) { return id == "helpbutton"; };
  ApplyObjectVisibility(objs.ptrs, o);
  EXPECT_TRUE(objs["helpbutton"].Visible);
  // Without an answer a custom button stays hidden.
  o.ActivateCustomObject = nullptr;
  ApplyObjectVisibility(objs.ptrs, o);
  EXPECT_FALSE(objs["helpbutton"].Visible);
  o.BorderIcons = biSystemMenu | biMinimize;
  ApplyObjectVisibility(objs.ptrs, o);
  // Disabled, but the frame picture shows it anyway.
  EXPECT_FALSE(objs["maxbutton"].Enabled);
  EXPECT_TRUE(objs["maxbutton"].Visible);
  o.HideCaptionButtons = true;
  ApplyObjectVisibility(objs.ptrs, o);
  EXPECT_EQ(objs.Shown(), "caption ");
  EXPECT_TRUE(objs["maxbutton"].Visible);
  EXPECT_FALSE(objs["closebutton"].Visible);
}

TEST(FrameObjects, ButtonRowForAnyWidth) {
  for (int W : {200, 236, 400, 636, 1500}) {
    SCOPED_TRACE(W);
    SkinObjects objs;
    ApplyObjectVisibility(objs.ptrs, {biSystemMenu | biMinimize, false, false, nullptr});
    const FrameSkin s = DefaultSkin();
    LayoutFrameObjects(objs.ptrs, s, ComputeFrameGeometry(s, W, 387), {true, {16, 16}});
    EXPECT_EQ(objs["closebutton"].ObjectRect, (Rect{W - 31, 2, W - 2, 24}));
    EXPECT_EQ(objs["minbutton"].ObjectRect, (Rect{W - 60, 2, W - 31, 24}));
    EXPECT_EQ(objs["sysmenubutton"].ObjectRect, (Rect{2, 5, 18, 21}));
    EXPECT_EQ(objs["caption"].ObjectRect, (Rect{18, 2, W - 60, 24}));
    EXPECT_EQ(CaptionTextArea(objs.ptrs), (Rect{18, 2, W - 60, 24}));
  }
}

TEST(FrameObjects, ButtonRowOffsetsAndLeftRow) {
  FrameSkin s = DefaultSkin();
  s.ButtonsOffset = 2;
  SkinObjects objs;
  LayoutFrameObjects(objs.ptrs, s, ComputeFrameGeometry(s, 636, 387), {false, {16, 16}});
  // close, maximize, minimize, roll-up from the right, 2 pixels apart; the 22-wide system menu.
  EXPECT_EQ(objs["closebutton"].ObjectRect, (Rect{605, 2, 634, 24}));
  EXPECT_EQ(objs["maxbutton"].ObjectRect, (Rect{574, 2, 603, 24}));
  EXPECT_EQ(objs["minbutton"].ObjectRect, (Rect{543, 2, 572, 24}));
  EXPECT_EQ(objs["rollupbutton"].ObjectRect, (Rect{512, 2, 541, 24}));
  EXPECT_EQ(objs["sysmenubutton"].ObjectRect, (Rect{2, 2, 24, 24}));
  EXPECT_EQ(objs["caption"].ObjectRect, (Rect{24, 2, 512, 24}));

  s.ButtonsInLeft = true;
  s.ButtonsOffset = 0;
  SkinObjects left;
  ApplyObjectVisibility(left.ptrs, {biMinimize, false, false, nullptr});
  LayoutFrameObjects(left.ptrs, s, ComputeFrameGeometry(s, 636, 387), {false, {16, 16}});
  EXPECT_EQ(left["closebutton"].ObjectRect, (Rect{2, 2, 31, 24}));
  EXPECT_EQ(left["minbutton"].ObjectRect, (Rect{31, 2, 60, 24}));
  EXPECT_EQ(left["caption"].ObjectRect.Left, 60);
  EXPECT_EQ(left["caption"].ObjectRect.Right, 634);
}

TEST(FrameObjects, PictureObjectsFollowTheirCorner) {
  const FrameSkin s = DefaultSkin();  // corner zones end at 40 / 196 across and 32 / 168 down
  const FrameGeometry g = ComputeFrameGeometry(s, 436, 278);  // dx = dy = 100... dy = 100
  struct Case {
    const char* what;
    Rect skinRect;
    Rect expected;
  } cases[] = {
      {"top-left zone", {2, 2, 20, 20}, {2, 2, 20, 20}},
      {"top-right zone", {200, 2, 220, 20}, {400, 2, 420, 20}},
      {"bottom-left zone", {2, 170, 20, 176}, {2, 270, 20, 276}},
      {"bottom-right zone", {200, 170, 220, 176}, {400, 270, 420, 276}},
      {"across the top", {2, 2, 220, 20}, {2, 2, 420, 20}},
      {"across the whole picture", {2, 2, 220, 176}, {2, 2, 420, 276}},
      {"across the bottom", {2, 170, 220, 176}, {2, 270, 420, 276}},
      {"down the left", {2, 2, 20, 176}, {2, 2, 20, 276}},
      {"down the right", {200, 2, 220, 176}, {400, 2, 420, 276}},
      {"in the middle", {100, 100, 120, 120}, {100, 100, 120, 120}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FrameObjectInfo o;
    o.SkinRect = c.skinRect;
    std::vector<FrameObjectInfo*> ptrs{&o};
    LayoutFrameObjects(ptrs, s, g, {});
    EXPECT_EQ(o.ObjectRect, c.expected);
  }
}

TEST(FrameObjects, CaptionTextPlacement) {
  // textrect 4,0,228,22 of a 232-wide caption skin rectangle, caption now 400 wide at (18, 2).
  const Rect tr = CaptionTextRect({4, 0, 228, 22}, {18, 2, 418, 24}, {2, 2, 234, 24});
  EXPECT_EQ(tr, (Rect{22, 2, 414, 24}));
  struct Case {
    TAlignment a;
    int fontHeight;
    Point expected;
  } cases[] = {
      {taLeftJustify, 12, {22, 7}},
      {taRightJustify, 12, {314, 7}},
      {taCenter, 12, {168, 7}},
      {taCenter, 13, {168, 6}},  // odd font heights sit one pixel higher
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a * 100 + c.fontHeight);
    EXPECT_EQ(CaptionTextOrigin(tr, {100, 12}, c.a, c.fontHeight), c.expected);
  }
}

TEST(FrameObjects, HintsFromStringsOrBuiltIn) {
  TbsResourceStrData main;
  main.SetResStrings(MainWindowResStrings());
  EXPECT_EQ(StdButtonHint(cmClose, &main), "닫기");
  EXPECT_EQ(StdButtonHint(cmMinimize, &main), "Minimize");
  EXPECT_EQ(StdButtonHint(cmSysMenu, nullptr), "System menu");
  EXPECT_EQ(StdButtonHint(cmMinimizeToTray, nullptr), "Minimize to Tray");
  EXPECT_EQ(StdButtonHint(cmDefault, nullptr), "");
  EXPECT_EQ(RestoreHint(nullptr), "Restore");
  // A table without the key gives no text rather than the English default.
  TbsResourceStrData empty;
  empty.SetResStrings(std::vector<std::string>{});
  EXPECT_EQ(StdButtonHint(cmClose, &empty), "");
}

std::string Describe(const std::vector<SysMenuItem>& items) {
  std::string out;
  for (const auto& i : items) out += (i.Command == SysMenuCommand::Separator ? "-" : i.Caption) + (i.ShortCut.empty() ? "" : "\t" + i.ShortCut) + "|";
  return out;
}

TEST(FrameObjects, SystemMenuItems) {
  TbsResourceStrData main;
  main.SetResStrings(MainWindowResStrings());
  SysMenuState mainWindow{biSystemMenu | biMinimize};
  EXPECT_EQ(Describe(BuildSystemMenu(mainWindow, &main)), "최소화|-|닫기\tAlt+F4|");
  struct Case {
    SysMenuState st;
    const char* expected;
  } cases[] = {
      {{kDefaultBorderIcons}, "Mi&nimize|Ma&ximize|Ro&llUp|-|&Close\tAlt+F4|"},
      {{kDefaultBorderIcons, false, true}, "Mi&nimize|&Restore|Ro&llUp|-|&Close\tAlt+F4|"},
      {{kDefaultBorderIcons, true}, "Ma&ximize|&Restore|-|&Close\tAlt+F4|"},
      {{kDefaultBorderIcons, false, false, true}, "Mi&nimize|Ma&ximize|&Restore|-|&Close\tAlt+F4|"},
      {{biMinimizeToTray, false, false, false, true}, "Minimize to &Tray|-|&Close\tCtrl+F4|"},
      {{0}, "&Close\tAlt+F4|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(Describe(BuildSystemMenu(c.st, nullptr)), c.expected);
  }
}

TEST(FrameObjects, CaptionDoubleClick) {
  EXPECT_EQ(DecideCaptionDoubleClick(false, {biSystemMenu | biMinimize}), CaptionDoubleClick::Nothing);
  EXPECT_EQ(DecideCaptionDoubleClick(true, {biSystemMenu | biMinimize}), CaptionDoubleClick::Nothing);
  EXPECT_EQ(DecideCaptionDoubleClick(true, {kDefaultBorderIcons}), CaptionDoubleClick::Maximize);
  EXPECT_EQ(DecideCaptionDoubleClick(true, {kDefaultBorderIcons, false, true}), CaptionDoubleClick::Restore);
  EXPECT_EQ(DecideCaptionDoubleClick(true, {kDefaultBorderIcons, true}), CaptionDoubleClick::Restore);
  EXPECT_EQ(DecideCaptionDoubleClick(false, {kDefaultBorderIcons}), CaptionDoubleClick::ToggleRollUp);
  EXPECT_EQ(DecideCaptionDoubleClick(false, {kDefaultBorderIcons, true}), CaptionDoubleClick::Restore);
  EXPECT_EQ(DecideCaptionDoubleClick(false, {biSystemMenu, true}), CaptionDoubleClick::Restore);
  // Rolled up, maximized or not: unrolled.
  EXPECT_EQ(DecideCaptionDoubleClick(true, {kDefaultBorderIcons, false, true, true}),
            CaptionDoubleClick::ToggleRollUp);
  EXPECT_EQ(DecideCaptionDoubleClick(true, {kDefaultBorderIcons, false, false, true}),
            CaptionDoubleClick::ToggleRollUp);
}

TEST(FrameObjects, MorphTakesFiveSteps) {
  double kf = 0;
  int steps = 0;
  while (IsMorphing(true, kf)) {
    kf = NextMorphKf(kf, true);
    ++steps;
  }
  EXPECT_EQ(steps, 5);
  EXPECT_DOUBLE_EQ(kf, 1.0);
  steps = 0;
  while (IsMorphing(false, kf)) {
    kf = NextMorphKf(kf, false);
    ++steps;
  }
  EXPECT_EQ(steps, 5);
  EXPECT_DOUBLE_EQ(kf, 0.0);
}

// ---- hint window

TEST(HintGeometry, LineSeparator) {
  EXPECT_EQ(ExpandHintLines("Close@Window", "@"), "Close\n\rWindow");
  EXPECT_EQ(ExpandHintLines("@a@@", "@"), "\n\ra\n\r\n\r");
  EXPECT_EQ(ExpandHintLines("a||b", "||"), "a\n\rb");
  EXPECT_EQ(ExpandHintLines("plain", ""), "plain");
}

TEST(HintGeometry, SizeAroundTheText) {
  const HintLayout plain = PlainHintLayout({50, 13});
  EXPECT_EQ(plain.W, 54);
  EXPECT_EQ(plain.H, 17);
  // A 40 x 24 picture with corners 6 pixels in and the client rectangle 3 pixels in.
  HintSkin s{40, 24, {6, 6}, {34, 6}, {6, 18}, {34, 18}, {3, 3, 37, 21}};
  const HintLayout l = SkinnedHintLayout({50, 13}, s);
  EXPECT_EQ(l.W, 50 + 3 + 3 + 5);
  EXPECT_EQ(l.H, 13 + 3 + 3);
  EXPECT_EQ(l.New.RT, (Point{34 + 21, 6}));
  EXPECT_EQ(l.New.ClRect, (Rect{3, 3, 37 + 21, 21 - 5}));
  // A one-character hint on a picture with wide corners is enlarged so that the right corners
  // do not pass the left ones.
  HintSkin wide{40, 24, {10, 8}, {30, 8}, {10, 16}, {30, 16}, {3, 3, 37, 21}};
  const HintLayout tiny = SkinnedHintLayout({6, 8}, wide);
  EXPECT_EQ(tiny.W, 20);
  EXPECT_EQ(tiny.H, 16);
  EXPECT_EQ(tiny.New.RT.X, tiny.New.LT.X);
  EXPECT_EQ(tiny.New.RB.X, tiny.New.LB.X);
  EXPECT_EQ(tiny.New.LB.Y, tiny.New.LT.Y);
}

TEST(HintGeometry, KeptOnScreen) {
  const Rect area{0, 0, 1920, 1040};
  EXPECT_EQ(PlaceHint({100, 100}, 60, 20, area), (Rect{100, 100, 160, 120}));
  EXPECT_EQ(PlaceHint({1900, 100}, 60, 20, area), (Rect{1838, 100, 1898, 120}));
  EXPECT_EQ(PlaceHint({100, 1030}, 60, 20, area), (Rect{100, 1008, 160, 1028}));
  EXPECT_EQ(PlaceHint({1860, 1020}, 60, 20, area), (Rect{1860, 1020, 1920, 1040}));
}

TEST(HintGeometry, TitleLayout) {
  struct Case {
    const char* what;
    Size image, title, text;
    Rect Image, Title, Text;
    Size Content;
  };
  const Case cases[] = {
      {"title above the text, image at the left", {16, 16}, {40, 13}, {30, 26},
       {0, 0, 16, 16}, {20, 0, 60, 13}, {20, 15, 50, 41}, {60, 41}},
      {"text wider than the title", {16, 16}, {20, 13}, {50, 13},
       {0, 0, 16, 16}, {20, 0, 40, 13}, {20, 15, 70, 28}, {70, 28}},
      {"an image taller than the texts", {32, 48}, {20, 13}, {20, 13},
       {0, 0, 32, 48}, {36, 0, 56, 13}, {36, 15, 56, 28}, {56, 48}},
      {"no image: no gap at the left", {0, 0}, {40, 13}, {30, 13},
       {0, 0, 0, 0}, {0, 0, 40, 13}, {0, 15, 30, 28}, {40, 28}},
      {"no title: no gap above", {16, 16}, {0, 13}, {30, 13},
       {0, 0, 16, 16}, {20, 0, 20, 0}, {20, 0, 50, 13}, {50, 16}},
      {"image alone", {16, 16}, {0, 0}, {0, 0},
       {0, 0, 16, 16}, {16, 0, 16, 0}, {16, 0, 16, 0}, {16, 16}},
      {"a negative size counts as none", {-5, 16}, {40, -1}, {30, 13},
       {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 30, 13}, {30, 13}},
  };
  for (const Case& c : cases) {
    const HintTitleLayout l = TitledHintContent(c.image, c.title, c.text);
    EXPECT_EQ(l.Image, c.Image) << c.what;
    EXPECT_EQ(l.Title, c.Title) << c.what;
    EXPECT_EQ(l.Text, c.Text) << c.what;
    EXPECT_EQ(l.Content, c.Content) << c.what;
  }
  // The window is sized around the content as around a plain text: larger than the text alone.
  const HintTitleLayout l = TitledHintContent({16, 16}, {40, 13}, {30, 13});
  EXPECT_GT(PlainHintLayout(l.Content).W, PlainHintLayout({30, 13}).W);
  EXPECT_GT(PlainHintLayout(l.Content).H, PlainHintLayout({30, 13}).H);
}

TEST(HintGeometry, CursorDropFromMaskBits) {
  // A 32 x 32 cursor: 4 bytes a row, AND half (the last 128 bytes, bottom-up) above XOR half.
  std::vector<uint8_t> bits(256, 0x00);
  std::fill(bits.begin() + 128, bits.end(), 0xFF);
  // Opaque pixels in image rows 0..19: bottom-up, image row r is block row 31 - r.
  for (int r = 0; r < 20; ++r) bits[128 + (31 - r) * 4] = 0x0F;
  EXPECT_EQ(CursorDropFromMask(bits, 32, 64, 0, 32), 20);
  EXPECT_EQ(CursorDropFromMask(bits, 32, 64, 2, 32), 18);
  // A fully transparent AND half: the shape is read from the colour half.
  std::fill(bits.begin() + 128, bits.end(), 0xFF);
  // Its lowest visible row (image row 9 of the shape) has the pixel in its second byte.
  for (int r = 0; r < 10; ++r) bits[(31 - r) * 4 + 1] = 0x80;
  EXPECT_EQ(CursorDropFromMask(bits, 32, 64, 0, 32), 10);
  // Too few bytes for the stated size: the standard height.
  EXPECT_EQ(CursorDropFromMask(std::span<const uint8_t>(bits).first(100), 32, 64, 0, 32), 32);
  EXPECT_EQ(CursorDropFromMask(bits, 0, 64, 0, 32), 32);
}

}  // namespace
}  // namespace skin
