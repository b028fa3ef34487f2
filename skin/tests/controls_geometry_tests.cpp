// Geometry of the skinned controls: slice modes, sizes for a requested size, composition by
// slice mode, text and glyph placement, the panel's client area and tiles, the plain frames.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "draw_pixels.h"
#include "skin/builtin_skins.h"
#include "skin/control_geometry.h"
#include "skin/skin_data.h"
#include "skin/skin_schema.h"

namespace skin {
namespace {

using skin::testing::FromText;
using skin::testing::ToText;

struct SliceCase {
  const char* name;
  Rect skinRect;
  SliceGeometry g;
  int mode;
};

class SliceModeTest : public ::testing::TestWithParam<SliceCase> {};

TEST_P(SliceModeTest, FirstRuleThatHolds) {
  EXPECT_EQ(ControlSliceMode(GetParam().skinRect, GetParam().g), GetParam().mode);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SliceModeTest,
    ::testing::Values(
        SliceCase{"EmptyRectWinsOverPoints", {5, 5, 5, 9}, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {}}, kSliceNone},
        SliceCase{"AllCornersNine", {0, 0, 20, 20}, {{3, 3}, {17, 3}, {3, 17}, {17, 17}, {}}, kSliceNine},
        SliceCase{"RightBottomHalfSetFallsToStrip", {0, 0, 20, 20}, {{}, {3, 0}, {}, {0, 5}, {}}, kSliceHorizontal},
        SliceCase{"RightTopYOnlyIsStrip", {0, 0, 20, 20}, {{}, {0, 4}, {}, {}, {}}, kSliceHorizontal},
        SliceCase{"LeftBottomOnlyIsVertical", {0, 0, 20, 20}, {{4, 4}, {}, {0, 15}, {}, {}}, kSliceVertical},
        SliceCase{"NoPointsFixed", {0, 0, 20, 20}, {}, kSliceFixed}),
    [](const auto& info) { return std::string(info.param.name); });

ControlSkinGeometry Geometry(Rect skinRect, SliceGeometry g) {
  ControlSkinGeometry out;
  out.SkinRect = skinRect;
  out.Skin = g;
  out.SliceMode = ControlSliceMode(skinRect, g);
  return out;
}

TEST(CalcSkinSize, NineSliceKeepsTheSizeAndMovesEveryFarPoint) {
  auto g = Geometry({10, 10, 60, 40}, {{3, 3}, {47, 3}, {3, 27}, {47, 27}, {2, 2, 48, 28}});
  int w = 150, h = 50;
  CalcSkinSize(g, w, h);
  EXPECT_EQ(w, 150);
  EXPECT_EQ(h, 50);
  EXPECT_EQ(g.New.LT, (Point{3, 3}));
  EXPECT_EQ(g.New.RT, (Point{147, 3}));
  EXPECT_EQ(g.New.LB, (Point{3, 47}));
  EXPECT_EQ(g.New.RB, (Point{147, 47}));
  EXPECT_EQ(g.New.ClRect, (Rect{2, 2, 148, 48}));
}

TEST(CalcSkinSize, StripsKeepTheirFixedSide) {
  auto horizontal = Geometry({4, 283, 48, 302}, {{4, 9}, {34, 9}, {}, {}, {0, 0, 44, 19}});
  int w = 400, h = 20;
  CalcSkinSize(horizontal, w, h);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 19) << "a horizontal strip has the skin rectangle's height";
  EXPECT_EQ(horizontal.New.RT, (Point{390, 9}));
  EXPECT_EQ(horizontal.New.ClRect, (Rect{0, 0, 400, 19}));

  auto vertical = Geometry({0, 0, 19, 44}, {{9, 4}, {}, {9, 34}, {}, {0, 0, 19, 44}});
  w = 20;
  h = 300;
  CalcSkinSize(vertical, w, h);
  EXPECT_EQ(w, 19);
  EXPECT_EQ(h, 300);
  EXPECT_EQ(vertical.New.LB, (Point{9, 290}));
  EXPECT_EQ(vertical.New.ClRect, (Rect{0, 0, 19, 300}));
}

TEST(CalcSkinSize, FixedImageTakesTheSkinRectangleAndNoneChangesNothing) {
  auto fixed = Geometry({7, 7, 37, 19}, {{}, {}, {}, {}, {1, 1, 29, 11}});
  int w = 200, h = 90;
  CalcSkinSize(fixed, w, h);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 12);
  EXPECT_EQ(fixed.New.ClRect, (Rect{1, 1, 29, 11}));

  auto none = Geometry({}, {});
  w = 200;
  h = 90;
  CalcSkinSize(none, w, h);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 90);
}

TEST(CalcLabelSkinSize, KeepsItsSizeUnlessUsingTheSkinSize) {
  auto strip = Geometry({4, 283, 48, 302}, {{4, 12}, {37, 8}, {}, {}, {3, 1, 42, 18}});
  int w = 473, h = 23;
  CalcLabelSkinSize(strip, false, w, h);
  EXPECT_EQ(w, 473);
  EXPECT_EQ(h, 23) << "the status strip stays 23 high";
  EXPECT_EQ(strip.New.RT, (Point{466, 8}));
  EXPECT_EQ(strip.New.ClRect, (Rect{3, 1, 471, 18}));

  CalcLabelSkinSize(strip, true, w, h);
  EXPECT_EQ(h, 19) << "with the skin's size the strip's height applies";
}

// The status panels of the main window in the default skin, as the skin carries them.
class DefaultSkin : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadBuiltinSkinList(list_);
    data_.SetSkinIndex(2);
    data_.SetSkinList(&list_);
    ASSERT_FALSE(data_.Empty) << "the build carries no package for skin 2";
  }
  TbsCompressedSkinList list_;
  TbsSkinData data_;
};

TEST_F(DefaultSkin, FirstStatusPanelPlacesGlyphAndText) {
  ControlSkinGeometry g;
  ASSERT_GE(ResolveControlGeometry(&data_, "statuspanel", g), 0);
  EXPECT_EQ(g.SliceMode, kSliceHorizontal);
  EXPECT_EQ(g.SkinRect.Width(), 44);
  EXPECT_EQ(g.SkinRect.Height(), 19);
  ASSERT_NE(g.SkinPicture, nullptr);
  int w = 161, h = 23;
  CalcLabelSkinSize(g, false, w, h);
  const auto layout = LayoutSkinStatusPanel(g.New.ClRect, h, g.SkinRect.Height(), false, {16, 16});
  EXPECT_TRUE(layout.HasPicture);
  EXPECT_EQ(layout.PictureAt, (Point{3, 3}));
  EXPECT_EQ(layout.TextRect, (Rect{21, 1, 159, 22}));

  const auto bare = LayoutSkinStatusPanel(g.New.ClRect, h, g.SkinRect.Height(), false, {});
  EXPECT_FALSE(bare.HasPicture);
  EXPECT_EQ(bare.TextRect, (Rect{3, 1, 159, 22})) << "without a glyph the text starts at the client rect";
}

TEST_F(DefaultSkin, UnknownNameAndEntriesWithoutGeometry) {
  ControlSkinGeometry g;
  EXPECT_EQ(ResolveControlGeometry(&data_, "nosuchcontrol", g), -1);
  EXPECT_EQ(ResolveControlGeometry(nullptr, "panel", g), -1);
  // "stdlabel" entries carry a picture index but no cut: a fixed image without pictures.
  const int index = ResolveControlGeometry(&data_, "stdlabel", g);
  ASSERT_GE(index, 0);
  EXPECT_EQ(g.SliceMode, kSliceFixed);
  EXPECT_EQ(g.SkinPicture, nullptr);
  TbsSkinData empty;
  EXPECT_EQ(ResolveControlGeometry(&empty, "panel", g), -1);
}

// Every carried skin must dress the main window's three kinds of control, and its strip panel
// must be a nine-slice so that the two status panels cover it completely.
TEST(CarriedSkins, DressTheMainWindow) {
  TbsCompressedSkinList list;
  LoadBuiltinSkinList(list);
  TbsSkinData data;
  data.SetSkinList(&list);
  for (int i = 0; i < list.Skins().Count(); ++i) {
    SCOPED_TRACE(list.Skins().Items(i).CompressedFileName);
    ASSERT_FALSE(list.Skins().Items(i).Skin().IsEmpty());
    data.SetSkinIndex(i);
    ASSERT_FALSE(data.Empty);
    ControlSkinGeometry panel, status, gauge;
    ASSERT_GE(ResolveControlGeometry(&data, "panel", panel), 0);
    ASSERT_GE(ResolveControlGeometry(&data, "statuspanel", status), 0);
    ASSERT_GE(ResolveControlGeometry(&data, "statusgauge", gauge), 0);
    EXPECT_EQ(panel.SliceMode, kSliceNine);
    EXPECT_EQ(PanelClientArea(634, 23, {.HasData = true, .BorderStyle = bvNone, .SliceMode = panel.SliceMode}),
              (Rect{0, 0, 634, 23}));
    EXPECT_NE(status.SkinPicture, nullptr);
    EXPECT_NE(gauge.SkinPicture, nullptr);
    EXPECT_NE(dynamic_cast<const TbsDataSkinGaugeControl*>(ControlDataAt(&data, ResolveControlGeometry(&data, "statusgauge", gauge))),
              nullptr);
  }
}

// A damaged skin entry must not size the control or its bitmaps beyond its own picture.
TEST(ResolveControlGeometry, SkinRectIsCutToThePicture) {
  TbsSkinData data;
  data.Empty = false;
  data.ActivePictures.emplace_back(8, 6);
  auto huge = std::make_unique<TbsDataSkinCustomControl>("huge");
  huge->pictureindex = 0;
  huge->skinrect = {2, 1, 2000000000, 2000000000};
  data.SkinControls.push_back(std::move(huge));
  auto blind = std::make_unique<TbsDataSkinCustomControl>("blind");
  blind->skinrect = {0, 0, 1 << 30, 12};
  data.SkinControls.push_back(std::move(blind));

  ControlSkinGeometry g;
  ASSERT_EQ(ResolveControlGeometry(&data, "huge", g), 0);
  EXPECT_EQ(g.SkinRect, (Rect{2, 1, 8, 6}));
  int w = 100, h = 100;
  CalcSkinSize(g, w, h);
  EXPECT_EQ(w, 6);
  EXPECT_EQ(h, 5);

  ASSERT_EQ(ResolveControlGeometry(&data, "blind", g), 1);
  EXPECT_EQ(g.SkinRect, (Rect{0, 0, kMaxSkinRectExtent, 12}));
}

TEST(ComposeControlImage, BySliceMode) {
  const Bitmap pic = FromText({
      "ABBC",
      "DEEF",
      "GHHI",
  });
  // Fixed: the picture is the skin rectangle, whatever the control's size.
  auto fixed = Geometry({1, 0, 3, 2}, {});
  Bitmap out;
  fixed.SkinPicture = &pic;
  ComposeControlImage(fixed, out, 50, 50);
  EXPECT_EQ(ToText(out), (std::vector<std::string>{"BB", "EE"}));

  // Horizontal strip: caps of 1 column each, the middle tiled to the width.
  auto strip = Geometry({0, 0, 4, 3}, {{1, 1}, {3, 1}, {}, {}, {}});
  strip.SkinPicture = &pic;
  ComposeControlImage(strip, out, 7, 99);
  EXPECT_EQ(ToText(out), (std::vector<std::string>{"ABBBBBC", "DEEEEEF", "GHHHHHI"}));

  // Vertical strip: caps of 1 row each.
  auto column = Geometry({0, 0, 4, 3}, {{1, 1}, {}, {1, 2}, {}, {}});
  column.SkinPicture = &pic;
  ComposeControlImage(column, out, 99, 5);
  EXPECT_EQ(ToText(out), (std::vector<std::string>{"ABBC", "DEEF", "DEEF", "DEEF", "GHHI"}));

  // No picture: nothing drawn, the bitmap is untouched.
  Bitmap untouched(2, 2);
  strip.SkinPicture = nullptr;
  ComposeControlImage(strip, untouched, 7, 3);
  EXPECT_EQ(untouched.Width(), 2);
}

TEST(ComposeControlImage, CapsBeyondTheSkinRectangleStayInside) {
  const Bitmap pic = FromText({"ABC"});
  // A right-top point left of the left cap would make the caps overlap and reach outside.
  auto strip = Geometry({0, 0, 3, 1}, {{2, 1}, {1, 1}, {}, {}, {}});
  strip.SkinPicture = &pic;
  Bitmap out;
  ComposeControlImage(strip, out, 5, 1);
  EXPECT_EQ(out.Width(), 5);
  EXPECT_EQ(ToText(out)[0].substr(0, 2), "AB");
}

TEST(TextPlacement, OddFontHeightsSitOnePixelHigher) {
  // 22 rows, a text 16 high: centred at 1 + 11 - 8 = 4.
  EXPECT_EQ(CentredTextTop(1, 21, 16, 12), 3);
  EXPECT_EQ(CentredTextTop(1, 21, 16, 13), 2);
  EXPECT_EQ(CentredTextTop(1, 21, 16, -12), 3);
  EXPECT_EQ(CentredTextTop(1, 21, 16, -13), 2);
}

TEST(TextPlacement, Alignment) {
  const Rect r{10, 0, 110, 20};
  EXPECT_EQ(AlignedTextLeft(r, 31, taLeftJustify), 10);
  EXPECT_EQ(AlignedTextLeft(r, 31, taRightJustify), 79);
  EXPECT_EQ(AlignedTextLeft(r, 31, taCenter), 45);
}

TEST(StatusPanelLayout, WithoutSkin) {
  const auto glyph = LayoutDefaultStatusPanel(161, 23, {16, 16});
  EXPECT_EQ(glyph.PictureAt, (Point{3, 3}));
  EXPECT_EQ(glyph.TextRect, (Rect{21, 3, 158, 20}));
  const auto bare = LayoutDefaultStatusPanel(161, 23, {});
  EXPECT_FALSE(bare.HasPicture);
  EXPECT_EQ(bare.TextRect, (Rect{3, 3, 158, 20}));
  // A glyph strip of two cells: the layout gets one cell's width.
  const auto twoCells = LayoutSkinStatusPanel({3, 1, 42, 18}, 19, 19, true, {16, 16});
  EXPECT_EQ(twoCells.TextRect.Left, 21);
  EXPECT_EQ(twoCells.TextRect.Bottom, 18);
}

struct PanelAreaCase {
  const char* name;
  PanelAreaOptions options;
  Rect area;
};

class PanelAreaTest : public ::testing::TestWithParam<PanelAreaCase> {};

TEST_P(PanelAreaTest, WhereChildrenGo) {
  EXPECT_EQ(PanelClientArea(100, 60, GetParam().options), GetParam().area);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PanelAreaTest,
    ::testing::Values(
        PanelAreaCase{"PlainFramed", {.BorderStyle = bvFrame}, {1, 1, 99, 59}},
        PanelAreaCase{"PlainNoBorder", {.BorderStyle = bvNone}, {0, 0, 100, 60}},
        PanelAreaCase{"PlainCaptionOnTop", {.BorderStyle = bvNone, .CaptionMode = true}, {0, 22, 100, 60}},
        PanelAreaCase{"PlainRibbonCaptionBelow",
                      {.BorderStyle = bvRaised, .CaptionMode = true, .RibbonStyle = true, .CaptionHeight = 10},
                      {1, 1, 99, 49}},
        PanelAreaCase{"SkinNineNoBorderIsWhole",
                      {.HasData = true, .BorderStyle = bvNone, .SliceMode = kSliceNine, .NewClRect = {2, 2, 98, 58}},
                      {0, 0, 100, 60}},
        PanelAreaCase{"SkinBorderUsesClient",
                      {.HasData = true, .BorderStyle = bvFrame, .SliceMode = kSliceNine, .NewClRect = {2, 2, 98, 58}},
                      {2, 2, 98, 58}},
        PanelAreaCase{"SkinStripUsesClient",
                      {.HasData = true, .BorderStyle = bvNone, .SliceMode = kSliceHorizontal, .NewClRect = {3, 1, 97, 18}},
                      {3, 1, 97, 18}},
        PanelAreaCase{"EmptyDrawingIsWhole", {.EmptyDrawing = true, .HasData = true, .CaptionMode = true}, {0, 0, 100, 60}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PanelTiles, RepeatStretchAndBands) {
  const Bitmap pic = FromText({
      "xxxxx",
      "xABCx",
      "xDEFx",
      "xxxxx",
  });
  const Rect tile{1, 1, 4, 3};
  Bitmap out(7, 3);
  DrawPanelTiles(out, pic, tile, false, kStretchFull);
  EXPECT_EQ(ToText(out), (std::vector<std::string>{"ABCABCA", "DEFDEFD", "ABCABCA"}));

  Bitmap full(6, 2);
  DrawPanelTiles(full, pic, tile, true, kStretchFull);
  EXPECT_EQ(ToText(full), (std::vector<std::string>{"AABBCC", "DDEEFF"}));

  Bitmap across(4, 4);  // stretched to the height, repeated across
  DrawPanelTiles(across, pic, tile, true, kStretchHorizontal);
  EXPECT_EQ(ToText(across), (std::vector<std::string>{"ABCA", "ABCA", "DEFD", "DEFD"}));

  Bitmap down(6, 3);  // stretched to the width, repeated down
  DrawPanelTiles(down, pic, tile, true, kStretchVertical);
  EXPECT_EQ(ToText(down), (std::vector<std::string>{"AABBCC", "DDEEFF", "AABBCC"}));

  Bitmap empty;
  DrawPanelTiles(empty, pic, tile, false, kStretchFull);  // nothing to cover, nothing read
  Bitmap same(3, 3);
  DrawPanelTiles(same, pic, {2, 2, 2, 5}, false, kStretchFull);
  EXPECT_EQ(same.Pixel(0, 0), 0u) << "an empty tile draws nothing";
}

TEST(PlainDrawing, FramesByBorderStyle) {
  Color tl = 0, br = 0;
  EXPECT_FALSE(BorderStyleColours(bvNone, tl, br));
  ASSERT_TRUE(BorderStyleColours(bvRaised, tl, br));
  EXPECT_EQ(tl, kSysBtnHighlight);
  EXPECT_EQ(br, kSysBtnShadow);
  ASSERT_TRUE(BorderStyleColours(bvLowered, tl, br));
  EXPECT_EQ(tl, kSysBtnShadow);
  EXPECT_EQ(br, kSysBtnHighlight);

  Bitmap b(4, 3);
  FillPixels(b, {0, 0, 4, 3}, MakeColor(1, 1, 1));
  DrawBevelPixels(b, {0, 0, 4, 3}, MakeColor(9, 0, 0), MakeColor(0, 0, 9));
  EXPECT_EQ(b.Pixel(0, 0), ColorToPixel(MakeColor(9, 0, 0)));
  EXPECT_EQ(b.Pixel(0, 2), ColorToPixel(MakeColor(0, 0, 9))) << "bottom line is drawn last";
  EXPECT_EQ(b.Pixel(3, 0), ColorToPixel(MakeColor(0, 0, 9)));
  EXPECT_EQ(b.Pixel(1, 1), ColorToPixel(MakeColor(1, 1, 1)));
  // Rectangles reaching outside are cut, never written past the buffer.
  FillPixels(b, {-5, -5, 50, 50}, MakeColor(2, 2, 2));
  EXPECT_EQ(b.Pixel(3, 2), ColorToPixel(MakeColor(2, 2, 2)));
}

}  // namespace
}  // namespace skin
