// The skinned gauge's arithmetic and bar image: percent and text, the filled part for a value,
// the progress area for a size, animation frames and the bar with its caps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "draw_pixels.h"
#include "skin/builtin_skins.h"
#include "skin/gauge_geometry.h"
#include "skin/skin_data.h"
#include "skin/skin_schema.h"

namespace skin {
namespace {

using skin::testing::FromText;
using skin::testing::ToText;

struct FillCase {
  int minValue, maxValue, value;
  int percent;
  int fill;  // of a 400-pixel area
};

class GaugeFillTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(GaugeFillTest, PercentAndFillAreTruncated) {
  const auto& c = GetParam();
  EXPECT_EQ(GaugePercent(c.minValue, c.maxValue, c.value), c.percent);
  const Rect area{0, 0, 400, 19};
  const Rect fill = GaugeFillRect(area, c.minValue, c.maxValue, c.value, false);
  EXPECT_EQ(fill.Width(), c.fill);
  EXPECT_EQ(fill.Left, 0);
  EXPECT_EQ(fill.Height(), 19);
  const Rect up = GaugeFillRect({0, 0, 19, 400}, c.minValue, c.maxValue, c.value, true);
  EXPECT_EQ(up.Height(), c.fill) << "vertical gauges fill the same length, from the bottom";
  EXPECT_EQ(up.Bottom, 400);
}

INSTANTIATE_TEST_SUITE_P(Values, GaugeFillTest,
                         ::testing::Values(FillCase{0, 100, 0, 0, 0}, FillCase{0, 100, 1, 1, 4},
                                           FillCase{0, 100, 50, 50, 200}, FillCase{0, 100, 99, 99, 396},
                                           FillCase{0, 100, 100, 100, 400}, FillCase{0, 3, 2, 66, 266},
                                           FillCase{-50, 50, 0, 50, 200},
                                           // An empty range: no division, nothing filled.
                                           FillCase{7, 7, 7, 0, 0},
                                           // The setters do not order minimum and maximum.
                                           FillCase{100, 0, 50, 0, 0},
                                           // Wide ranges are computed without overflow.
                                           FillCase{0, 2000000000, 1999999999, 99, 399},
                                           FillCase{-2147483647 - 1, 2147483647, 0, 50, 200}));

TEST(GaugeText, ProgressTextThenPercent) {
  EXPECT_EQ(GaugeText("잠시만 기다려주세요..  - ", true, true, 0), "잠시만 기다려주세요..  - 0%");
  EXPECT_EQ(GaugeText("Wait ", false, true, 42), "42%");
  EXPECT_EQ(GaugeText("", true, false, 42), "");
  EXPECT_EQ(GaugeText("Wait", true, false, 42), "Wait");
}

TEST(GaugeProgressArea, FollowsTheSlicedSize) {
  const Rect skin{4, 283, 48, 302};
  EXPECT_EQ(GaugeProgressArea({0, 0, 44, 19}, kSliceHorizontal, skin, 400, 19, false), (Rect{0, 0, 400, 19}));
  EXPECT_EQ(GaugeProgressArea({2, 2, 42, 17}, kSliceFixed, skin, 400, 19, false), (Rect{2, 2, 42, 17}));
  EXPECT_EQ(GaugeProgressArea({2, 2, 17, 42}, kSliceVertical, {0, 0, 19, 44}, 19, 300, true), (Rect{2, 2, 17, 298}));
}

TEST(AnimationFrames, SideBySideOrStacked) {
  const Rect strip{10, 100, 130, 119};
  EXPECT_EQ(AnimationFrameRect(strip, 40, 3, 1), (Rect{10, 100, 50, 119}));
  EXPECT_EQ(AnimationFrameRect(strip, 40, 3, 3), (Rect{90, 100, 130, 119}));
  const Rect stack{0, 0, 40, 60};
  EXPECT_EQ(AnimationFrameRect(stack, 40, 3, 2), (Rect{0, 20, 40, 40}));
  EXPECT_TRUE(RectIsEmpty(AnimationFrameRect(strip, 40, 0, 1)));
  EXPECT_TRUE(RectIsEmpty(AnimationFrameRect(strip, 40, 3, 4)));
}

TEST(GaugeTextOrigin, CentredWithTheOddHeightRule) {
  EXPECT_EQ(GaugeTextOrigin(400, 20, 100, 16, 13, false), (Point{150, 1}));
  EXPECT_EQ(GaugeTextOrigin(400, 20, 100, 16, 12, false), (Point{150, 2}));
  EXPECT_EQ(GaugeTextOrigin(20, 400, 100, 16, 12, true), (Point{2, 250}));
}

// Progress picture row: begin cap "[(" , middle "abc", end cap ")]".
const Bitmap& BarPicture() {
  static const Bitmap pic = FromText({"[(abc)]", "[(ABC)]"});
  return pic;
}

TEST(GaugeBar, MiddleTiledFromTheLeftBetweenTheCaps) {
  Bitmap bar;
  GaugeBarSource s{.ProgressRect = {0, 0, 7, 2}, .BeginOffset = 2, .EndOffset = 2};
  ASSERT_TRUE(ComposeGaugeBar(bar, BarPicture(), s, 12, 2));
  EXPECT_EQ(ToText(bar), (std::vector<std::string>{"[(abcabcab)]", "[(ABCABCAB)]"}));
}

TEST(GaugeBar, MiddleStretchedAndAnimationFrame) {
  Bitmap bar;
  GaugeBarSource s{.ProgressRect = {0, 0, 7, 1}, .BeginOffset = 2, .EndOffset = 2, .Stretch = true};
  ASSERT_TRUE(ComposeGaugeBar(bar, BarPicture(), s, 10, 1));
  EXPECT_EQ(ToText(bar), (std::vector<std::string>{"[(aabbcc)]"}));

  const Bitmap strip = FromText({"[(abc)][(xyz)]"});
  s = {.ProgressRect = {0, 0, 7, 1}, .FrameRect = {7, 0, 14, 1}, .BeginOffset = 2, .EndOffset = 2};
  ASSERT_TRUE(ComposeGaugeBar(bar, strip, s, 7, 1));
  EXPECT_EQ(ToText(bar), (std::vector<std::string>{"[(xyz)]"})) << "frames stretch; caps stay the bar's";
}

TEST(GaugeBar, ShortBarsShowOnlyTheOverlappingCaps) {
  Bitmap bar;
  GaugeBarSource s{.ProgressRect = {0, 0, 7, 1}, .BeginOffset = 3, .EndOffset = 3};
  ASSERT_TRUE(ComposeGaugeBar(bar, BarPicture(), s, 4, 1));
  // Begin cap "[(a" at 0..2, then the end cap "c)]" at 1..3 over it.
  EXPECT_EQ(ToText(bar), (std::vector<std::string>{"[c)]"}));
  ASSERT_TRUE(ComposeGaugeBar(bar, BarPicture(), s, 1, 1));
  EXPECT_EQ(ToText(bar), (std::vector<std::string>{"]"}));
}

TEST(GaugeBar, NoMiddleToDrawFrom) {
  Bitmap bar;
  GaugeBarSource s{.ProgressRect = {0, 0, 4, 1}, .BeginOffset = 2, .EndOffset = 2};
  EXPECT_FALSE(ComposeGaugeBar(bar, BarPicture(), s, 10, 1));
  EXPECT_FALSE(ComposeGaugeBar(bar, BarPicture(), s, 0, 1)) << "an empty fill has no bar";
}

TEST(GaugeBar, VerticalFillsUpwardsFromTheBottom) {
  const Bitmap pic = FromText({"T", "a", "b", "c", "B"});
  Bitmap bar;
  GaugeBarSource s{.ProgressRect = {0, 0, 1, 5}, .BeginOffset = 1, .EndOffset = 1, .Vertical = true};
  ASSERT_TRUE(ComposeGaugeBar(bar, pic, s, 1, 7));
  // Whole tiles "abc" from the bottom up; the top one keeps its lower rows.
  EXPECT_EQ(ToText(bar), (std::vector<std::string>{"T", "b", "c", "a", "b", "c", "B"}));
}

TEST(GaugeBar, TransparentColourIsLeftOut) {
  Bitmap dest = FromText({"......"});
  const Bitmap bar = FromText({"aXb"});
  DrawGaugeBar(dest, bar, 2, 0, true, PixelToColor(0xFF000000u | 'X'));
  EXPECT_EQ(ToText(dest), (std::vector<std::string>{"..a.b."}));
  DrawGaugeBar(dest, bar, 4, 0, false, 0);  // cut at the right edge
  EXPECT_EQ(ToText(dest), (std::vector<std::string>{"..a.aX"}));
  DrawGaugeBar(dest, bar, -2, 0, false, 0);
  EXPECT_EQ(ToText(dest), (std::vector<std::string>{"b.a.aX"}));
}

// The main window's gauge in the default skin: 400 x 20, a horizontal strip of height 19, caps of
// 3 pixels; at 1 percent the 4-pixel fill shows only the two caps.
TEST(DefaultSkinGauge, StatusGaugeGeometry) {
  TbsCompressedSkinList list;
  LoadBuiltinSkinList(list);
  TbsSkinData data;
  data.SetSkinIndex(2);
  data.SetSkinList(&list);
  ASSERT_FALSE(data.Empty) << "the build carries no package for skin 2";
  ControlSkinGeometry g;
  const int index = ResolveControlGeometry(&data, "statusgauge", g);
  const auto* gauge = dynamic_cast<const TbsDataSkinGaugeControl*>(ControlDataAt(&data, index));
  ASSERT_NE(gauge, nullptr);
  int w = 400, h = 20;
  CalcSkinSize(g, w, h);
  EXPECT_EQ(h, 19);
  const Rect area = GaugeProgressArea(gauge->progressarea, g.SliceMode, g.SkinRect, w, h, false);
  EXPECT_EQ(area, (Rect{0, 0, 400, 19}));
  EXPECT_EQ(gauge->beginoffset + gauge->endoffset, 6);
  const Rect one = GaugeFillRect(area, 0, 100, 1, false);
  EXPECT_EQ(one.Width(), 4);
  Bitmap bar;
  GaugeBarSource s{gauge->progressrect, {}, gauge->beginoffset, gauge->endoffset, gauge->progressstretch, false};
  ASSERT_TRUE(ComposeGaugeBar(bar, *g.SkinPicture, s, one.Width(), one.Height()));
  const Rect& pr = gauge->progressrect;
  EXPECT_EQ(bar.Pixel(0, 5), g.SkinPicture->Pixel(pr.Left, pr.Top + 5)) << "begin cap";
  EXPECT_EQ(bar.Pixel(3, 5), g.SkinPicture->Pixel(pr.Right - 1, pr.Top + 5)) << "end cap over it";
}

}  // namespace
}  // namespace skin
