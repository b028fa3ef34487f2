#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>

#include "platform/exceptions.h"
#include "skin/alpha_bitmap.h"
#include "skin/effect_bmp.h"
#include "skin/stack_blur.h"

namespace skin {
namespace {

// A one-row effect buffer whose pixels are grey levels (all three channels equal), or given
// colours.
TbsEffectBmp Grey(const std::vector<int>& levels, int height = 1) {
  Bitmap b(static_cast<int>(levels.size()), height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, ColorToPixel(MakeColor(levels[x], levels[x], levels[x])));
  return TbsEffectBmp(b);
}

TbsEffectBmp Colours(const std::vector<Color>& colours) {
  Bitmap b(static_cast<int>(colours.size()), 1);
  for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, 0, ColorToPixel(colours[x]));
  return TbsEffectBmp(b);
}

std::vector<int> Levels(const TbsEffectBmp& e, int y = 0) {
  std::vector<int> out;
  for (int x = 0; x < e.Width(); ++x) {
    const Color c = e.PixelColor(x, y);
    EXPECT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c)) << "pixel " << x;
    out.push_back(RedOf(c));
  }
  return out;
}

using L = std::vector<int>;

TEST(EffectBmp, LayoutIs24BitWithPaddedRows) {
  const TbsEffectBmp e = Grey({1, 2, 3, 4, 5}, 3);
  EXPECT_EQ(e.Stride(), 16);
  EXPECT_EQ(e.Size(), 48u);
  Bitmap out(6, 4);
  e.DrawTo(out, 2, 2);  // cut at the right and bottom edges
  EXPECT_EQ(out.Pixel(2, 2), 0xFF010101u);
  EXPECT_EQ(out.Pixel(5, 3), 0xFF040404u);
  EXPECT_EQ(out.Pixel(1, 2), 0u);
}

TEST(EffectBmp, BrightenAndDarkenRoundHalvesToEven) {
  TbsEffectBmp e = Grey({0, 2, 3, 255});
  e.Brighten(0.5);  // 127.5 -> 128, 128.5 -> 128, 129
  EXPECT_EQ(Levels(e), (L{128, 128, 129, 255}));
  e = Grey({255, 100, 5, 7});
  e.Darken(0.3);  // (1 - 0.3) in extended precision puts 255 just above 178.5
  EXPECT_EQ(Levels(e), (L{179, 70, 4, 5}));
  e = Grey({5, 7, 9});
  e.Darken(0.5);  // 2.5 -> 2, 3.5 -> 4, 4.5 -> 4
  EXPECT_EQ(Levels(e), (L{2, 4, 4}));
  e = Grey({10, 200});
  e.Brighten(7);  // k clamped to 1
  EXPECT_EQ(Levels(e), (L{255, 255}));
  e = Grey({10, 200});
  e.Darken(-1);  // k clamped to 0
  EXPECT_EQ(Levels(e), (L{10, 200}));
}

TEST(EffectBmp, GrayscaleWeightsRoundInExtendedPrecision) {
  TbsEffectBmp e = Colours({MakeColor(255, 0, 0), MakeColor(0, 255, 0), MakeColor(0, 0, 255), 0xFFFFFF});
  e.Grayscale();
  // Red gives exactly 76.5, which rounds to the even 76.
  EXPECT_EQ(Levels(e), (L{76, 150, 28, 255}));
}

TEST(EffectBmp, InvertAndNoise) {
  TbsEffectBmp e = Grey({0, 100, 255});
  e.Invert();
  EXPECT_EQ(Levels(e), (L{255, 155, 0}));

  e = Grey(std::vector<int>(500, 100));
  e.AddNoise(50);
  std::set<int> seen;
  for (int v : Levels(e)) {  // Levels checks that the three channels moved together
    EXPECT_GE(v, 100 - 25);
    EXPECT_LE(v, 100 + 24);
    seen.insert(v);
  }
  EXPECT_GT(seen.size(), 20u);
  e = Grey({0, 255});
  e.AddNoise(0);
  EXPECT_EQ(Levels(e), (L{0, 255}));
}

TEST(EffectBmp, SplitBlurReadsUpdatedRowsAndMirrorsAtEdges) {
  Bitmap b(3, 2);
  const int values[2][3] = {{0, 40, 80}, {120, 160, 200}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) b.SetPixel(x, y, ColorToPixel(MakeColor(values[y][x], values[y][x], values[y][x])));
  TbsEffectBmp e(b);
  e.SplitBlur(1);
  // Row 0: "up" and "left" fall back to the pixel's own row and column; right of the last
  // column is Width - x = 1.
  EXPECT_EQ(Levels(e, 0), (L{80, 100, 100}));
  // Row 1 reads the already blurred row 0 as "up", and row Height - y = 1 as "down".
  EXPECT_EQ(Levels(e, 1), (L{115, 125, 130}));

  TbsEffectBmp single = Grey({77});
  single.SplitBlur(3);  // every neighbour falls back to the only pixel
  EXPECT_EQ(Levels(single), (L{77}));
  TbsEffectBmp same = Grey({10, 20, 30});
  same.SplitBlur(0);
  same.SplitBlur(-2);
  EXPECT_EQ(Levels(same), (L{10, 20, 30}));
}

struct MorphCase {
  const char* name;
  void (TbsEffectBmp::*morph)(const TbsEffectBmp&, double);
  std::vector<int> self;
  std::vector<int> other;
  double k;
  std::vector<int> expected;
};

class Morphs : public ::testing::TestWithParam<MorphCase> {};

TEST_P(Morphs, GiveHandComputedColumns) {
  const MorphCase& c = GetParam();
  TbsEffectBmp self = Grey(c.self);
  (self.*c.morph)(Grey(c.other), c.k);
  EXPECT_EQ(Levels(self), c.expected) << c.name << " k=" << c.k;
}

const L kZero8(8, 0), kFull8(8, 200);
const L kSelf4{1, 2, 3, 4}, kOther4{10, 20, 30, 40};

INSTANTIATE_TEST_SUITE_P(
    Cases, Morphs,
    ::testing::Values(
        MorphCase{"Morph", &TbsEffectBmp::Morph, {0, 1, 0, 9}, {255, 254, 3, 9}, 0, {0, 1, 0, 9}},
        MorphCase{"Morph", &TbsEffectBmp::Morph, {0, 1, 0, 9}, {255, 254, 3, 9}, 0.5, {128, 128, 2, 9}},
        MorphCase{"Morph", &TbsEffectBmp::Morph, {0, 1, 0, 9}, {255, 254, 3, 9}, 1, {255, 254, 3, 9}},
        MorphCase{"Morph", &TbsEffectBmp::Morph, {0, 1, 0, 9}, {255, 254, 3, 9}, 1.5, {255, 254, 3, 9}},
        // Band g..e of the target in the middle, ramps of step 1 / ((W - a) div 2) outwards.
        MorphCase{"Gradient", &TbsEffectBmp::MorphGradient, kZero8, kFull8, 0, {0, 50, 100, 150, 200, 150, 100, 50}},
        MorphCase{"Gradient", &TbsEffectBmp::MorphGradient, kZero8, kFull8, 0.5, {0, 100, 200, 200, 200, 200, 200, 100}},
        MorphCase{"Gradient", &TbsEffectBmp::MorphGradient, kZero8, kFull8, 1, kFull8},
        MorphCase{"LeftGradient", &TbsEffectBmp::MorphLeftGradient, {0, 0, 0, 0}, {200, 200, 200, 200}, 0.5, {200, 100, 0, 0}},
        MorphCase{"LeftGradient", &TbsEffectBmp::MorphLeftGradient, {0, 0, 0, 0}, {200, 200, 200, 200}, 0, {200, 0, 0, 0}},
        MorphCase{"LeftGradient", &TbsEffectBmp::MorphLeftGradient, {0, 0, 0, 0}, {200, 200, 200, 200}, 1, {200, 133, 67, 0}},
        MorphCase{"RightGradient", &TbsEffectBmp::MorphRightGradient, {0, 0, 0, 0}, {200, 200, 200, 200}, 0.5, {0, 0, 100, 200}},
        MorphCase{"RightGradient", &TbsEffectBmp::MorphRightGradient, {0, 0, 0, 0}, {200, 200, 200, 200}, 0, {0, 0, 0, 200}},
        MorphCase{"RightGradient", &TbsEffectBmp::MorphRightGradient, {0, 0, 0, 0}, {200, 200, 200, 200}, 1, {50, 100, 150, 200}},
        MorphCase{"LeftSlide", &TbsEffectBmp::MorphLeftSlide, kSelf4, kOther4, 0.5, {30, 40, 3, 4}},
        MorphCase{"LeftSlide", &TbsEffectBmp::MorphLeftSlide, kSelf4, kOther4, 0, {40, 2, 3, 4}},
        MorphCase{"LeftSlide", &TbsEffectBmp::MorphLeftSlide, kSelf4, kOther4, 1, {20, 30, 40, 4}},
        // round(5 * 0.5) = 2 (half to even).
        MorphCase{"LeftSlide", &TbsEffectBmp::MorphLeftSlide, {1, 2, 3, 4, 5}, {10, 20, 30, 40, 50}, 0.5, {40, 50, 3, 4, 5}},
        MorphCase{"RightSlide", &TbsEffectBmp::MorphRightSlide, kSelf4, kOther4, 0.5, {1, 2, 10, 20}},
        MorphCase{"RightSlide", &TbsEffectBmp::MorphRightSlide, kSelf4, kOther4, 1, {1, 10, 20, 30}},
        MorphCase{"Push", &TbsEffectBmp::MorphPush, kSelf4, kOther4, 0, {40, 1, 2, 3}},
        MorphCase{"Push", &TbsEffectBmp::MorphPush, kSelf4, kOther4, 0.5, {20, 30, 40, 1}},
        MorphCase{"Push", &TbsEffectBmp::MorphPush, kSelf4, kOther4, 1, kOther4}));

TEST(EffectBmp, GradientOnRowsWhenTallerThanWide) {
  Bitmap self(1, 8), other(1, 8);
  for (int y = 0; y < 8; ++y) other.SetPixel(0, y, 0xFFC8C8C8u);
  TbsEffectBmp e(self);
  e.MorphGradient(TbsEffectBmp(other), 0.5);
  // a = 4, ramp (8 - 4 - 1) div 2 = 1, step 1: rows 2..6 target, the others stay.
  L column;
  for (int y = 0; y < 8; ++y) column.push_back(RedOf(e.PixelColor(0, y)));
  EXPECT_EQ(column, (L{0, 0, 200, 200, 200, 200, 200, 0}));
}

TEST(EffectBmp, MorphsIgnoreATargetOfAnotherSize) {
  using Fn = void (TbsEffectBmp::*)(const TbsEffectBmp&, double);
  for (Fn f : {&TbsEffectBmp::Morph, &TbsEffectBmp::MorphGradient, &TbsEffectBmp::MorphLeftGradient,
               &TbsEffectBmp::MorphRightGradient, &TbsEffectBmp::MorphLeftSlide, &TbsEffectBmp::MorphRightSlide,
               &TbsEffectBmp::MorphPush}) {
    TbsEffectBmp e = Grey({1, 2, 3, 4});
    (e.*f)(Grey({9, 9, 9}), 0.5);
    (e.*f)(Grey({9, 9, 9, 9}, 2), 0.5);
    EXPECT_EQ(Levels(e), (L{1, 2, 3, 4}));
  }
}

TEST(TbsBitmap, SetSizeTakesAbsoluteValuesAndIgnoresZero) {
  TbsBitmap b;
  b.SetSize(-10, 5);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 5);
  b.SetPixel(3, 3, 0x12345678u);
  b.SetSize(0, 5);
  b.SetSize(10, 5);  // the current size: pixels kept
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(*b.PixelAt(3, 3), 0x12345678u);
  b.SetPixel(10, 0, 1);
  b.SetPixel(-1, 0, 1);
  b.SetPixel(0, 5, 1);
  EXPECT_EQ(b.PixelAt(10, 0), nullptr);
  EXPECT_EQ(*b.PixelAt(9, 4), 0u);
}

TEST(TbsBitmap, RefusedSizeRaisesAndLeavesItEmpty) {
  TbsBitmap b;
  b.SetSize(4, 4);
  try {
    b.SetSize(100000, 100000);
    FAIL() << "no error";
  } catch (const platform::Exception& e) {
    EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
  }
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  b.SetAlpha(3);  // operations on an empty bitmap change nothing and do not fail
  b.Premultiply();
  b.FillRect({0, 0, 5, 5}, 1);
}

TEST(TbsBitmap, AlphaOperations) {
  TbsBitmap b;
  b.SetSize(4, 1);
  b.SetPixel(0, 0, 0x80FF6401u);
  b.SetPixel(1, 0, 0x00FFFFFFu);
  b.SetPixel(2, 0, 0xFF102030u);
  b.SetPixel(3, 0, 0x40808080u);
  TbsBitmap pre;
  pre.Assign(b);
  pre.Premultiply();  // round(128 * c / 255): 255 -> 128, 100 -> 50, 1 -> 1
  EXPECT_EQ(*pre.PixelAt(0, 0), 0x80803201u);
  EXPECT_EQ(*pre.PixelAt(1, 0), 0x00000000u);
  EXPECT_EQ(*pre.PixelAt(2, 0), 0xFF102030u);
  TbsBitmap clamped;
  clamped.Assign(b);
  clamped.ClampToAlpha();
  EXPECT_EQ(*clamped.PixelAt(0, 0), 0x80806401u);
  EXPECT_EQ(*clamped.PixelAt(3, 0), 0x40404040u);

  b.DetectAlpha();
  EXPECT_TRUE(b.AlphaBlend);
  b.SetAlpha(255);
  b.DetectAlpha();
  EXPECT_FALSE(b.AlphaBlend);
  EXPECT_EQ(*b.PixelAt(1, 0), 0xFFFFFFFFu);
}

TEST(TbsBitmap, MarkKeyColourWithinFiveUnits) {
  TbsBitmap b;
  b.SetSize(3, 1);
  const Color key = MakeColor(200, 100, 50);
  b.SetPixel(0, 0, ColorToPixel(MakeColor(205, 95, 54)));
  b.SetPixel(1, 0, ColorToPixel(MakeColor(206, 100, 50)));
  b.SetPixel(2, 0, ColorToPixel(key, 0x10));
  b.MarkKeyColour(MakeColor(0, 0, 0));
  EXPECT_FALSE(b.Transparent);
  b.MarkKeyColour(key);
  EXPECT_TRUE(b.Transparent);
  EXPECT_EQ(*b.PixelAt(0, 0), kKeyPixel);
  EXPECT_EQ(*b.PixelAt(1, 0), ColorToPixel(MakeColor(206, 100, 50)));
  EXPECT_EQ(*b.PixelAt(2, 0), kKeyPixel);
}

TEST(TbsBitmap, DrawToBlendsSkipsKeyOrCopies) {
  EXPECT_EQ(BlendPixel(0x80FFFFFFu, 0xFF000000u), 0xFF7F7F7Fu);
  EXPECT_EQ(BlendPixel(0x00FFFFFFu, 0x12345678u), 0x12345678u);
  EXPECT_EQ(BlendPixel(0xFF010203u, 0x12345678u), 0xFF010203u);

  TbsBitmap src;
  src.SetSize(3, 1);
  src.SetPixel(0, 0, kKeyPixel);
  src.SetPixel(1, 0, 0xFF7F007Fu);  // the key colour with full alpha: still skipped
  src.SetPixel(2, 0, 0x20112233u);
  const uint32_t back = 0xFF445566u;

  TbsBitmap dest;
  dest.SetSize(4, 2);
  dest.FillRect({0, 0, 4, 2}, back);
  src.Transparent = true;
  src.DrawTo(dest, 1, 1);
  EXPECT_EQ(*dest.PixelAt(1, 1), back);
  EXPECT_EQ(*dest.PixelAt(2, 1), back);
  EXPECT_EQ(*dest.PixelAt(3, 1), 0xFF112233u);  // copied opaque
  EXPECT_EQ(*dest.PixelAt(1, 0), back);

  dest.FillRect({0, 0, 4, 2}, back);
  src.Transparent = false;
  src.AlphaBlend = true;
  src.DrawTo(dest, -2, 0);  // only the last pixel lands, at x = 0
  EXPECT_EQ(*dest.PixelAt(0, 0), BlendPixel(0x20112233u, back));
  EXPECT_EQ(*dest.PixelAt(1, 0), back);

  src.AlphaBlend = false;
  src.DrawTo(dest, 0, 0);
  EXPECT_EQ(*dest.PixelAt(0, 0), kKeyPixel);
  EXPECT_EQ(*dest.PixelAt(2, 0), 0x20112233u);
}

TEST(TbsBitmap, FillRectClipsAndBlendsWhenAlphaBlend) {
  TbsBitmap b;
  b.SetSize(3, 2);
  b.FillRect({-5, 1, 2, 9}, 0xFF000000u);
  EXPECT_EQ(*b.PixelAt(0, 1), 0xFF000000u);
  EXPECT_EQ(*b.PixelAt(2, 1), 0u);
  b.AlphaBlend = true;
  b.FillRect({0, 1, 3, 2}, 0x80FFFFFFu);
  EXPECT_EQ(*b.PixelAt(0, 1), 0xFF7F7F7Fu);
}

TEST(TbsBitmap, AssignForms) {
  Bitmap picture(2, 1);
  picture.SetPixel(0, 0, 0x80010203u);
  TbsBitmap a;
  a.Assign(picture);
  EXPECT_TRUE(a.AlphaBlend);
  EXPECT_EQ(*a.PixelAt(0, 0), 0x80010203u);
  a.AssignOpaque(picture);
  EXPECT_EQ(*a.PixelAt(0, 0), 0xFF010203u);
  EXPECT_EQ(*a.PixelAt(1, 0), 0xFF000000u);
  a.Name = "glyph";
  a.Transparent = true;
  TbsBitmap copy;
  copy.Assign(a);
  EXPECT_EQ(copy.Name, "glyph");
  EXPECT_TRUE(copy.Transparent);
  EXPECT_EQ(*copy.PixelAt(0, 0), 0xFF010203u);
}

// Direct triangular convolution with repeated edges: the reference for the running sums.
std::vector<int> TriangleBlur(const std::vector<int>& in, int r) {
  const int n = static_cast<int>(in.size());
  std::vector<int> out(in.size());
  for (int x = 0; x < n; ++x) {
    long sum = 0;
    for (int i = -r; i <= r; ++i) sum += in[std::clamp(x + i, 0, n - 1)] * (r + 1 - std::abs(i));
    out[x] = static_cast<int>(sum / ((r + 1) * (r + 1)));
  }
  return out;
}

TEST(StackBlur, MatchesADirectTriangularKernel) {
  std::mt19937 random(7);
  const int w = 13, h = 9;
  for (int r : {1, 2, 5, 20}) {
    TbsBitmap b;
    b.SetSize(w, h);
    std::vector<std::vector<int>> red(h, std::vector<int>(w));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        red[y][x] = static_cast<int>(random() % 256);
        b.SetPixel(x, y, 0xAB000000u | static_cast<uint32_t>(red[y][x]) << 16 | 0x0000FF00u);
      }
    for (auto& row : red) row = TriangleBlur(row, r);
    for (int x = 0; x < w; ++x) {
      std::vector<int> column(h);
      for (int y = 0; y < h; ++y) column[y] = red[y][x];
      column = TriangleBlur(column, r);
      for (int y = 0; y < h; ++y) red[y][x] = column[y];
    }
    StackBlur(b, r);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t p = *b.PixelAt(x, y);
        ASSERT_EQ(static_cast<int>((p >> 16) & 0xFF), red[y][x]) << "r=" << r << " at " << x << "," << y;
        ASSERT_EQ(p & 0xFF00FFFFu, 0xAB00FF00u);  // flat green stays, alpha untouched
      }
  }
}

TEST(StackBlur, RedStampBecomesGlow) {
  TbsBitmap b;
  b.SetSize(2, 1);
  b.SetPixel(0, 0, 0x00C80000u);
  RedStampToGlow(b, MakeColor(0x11, 0x22, 0x33));
  EXPECT_TRUE(b.AlphaBlend);
  EXPECT_EQ(*b.PixelAt(0, 0), 0xC8112233u);
  EXPECT_EQ(*b.PixelAt(1, 0), 0x00112233u);
}

}  // namespace
}  // namespace skin
