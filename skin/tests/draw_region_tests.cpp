#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "draw_pixels.h"
#include "skin/mask_region.h"

namespace skin {
namespace {

using testing::FromText;
using Rows = std::vector<std::string>;

// 'k' is pure black (inside), 'w' white; alpha does not matter for the test.
Bitmap Mask(const Rows& rows) {
  Bitmap b(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, rows[y][x] == 'k' ? 0xFF000000u : 0xFFFFFFFFu);
  return b;
}

int32_t Le32(const std::vector<uint8_t>& block, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | block[at + i];
  return static_cast<int32_t>(v);
}

Rect RectAt(const std::vector<uint8_t>& block, size_t at) {
  return {Le32(block, at), Le32(block, at + 4), Le32(block, at + 8), Le32(block, at + 12)};
}

TEST(MaskToRegionData, OneRectanglePerBlackRun) {
  const Bitmap mask = Mask({"kkwk", "wkkk", "wwww"});
  const std::vector<uint8_t> block = MaskToRegionData(mask, 10, 20);
  ASSERT_EQ(block.size(), 32u + 16 * 3);
  EXPECT_EQ(Le32(block, 0), 32);
  EXPECT_EQ(Le32(block, 4), 1);
  EXPECT_EQ(Le32(block, 8), 3);
  EXPECT_EQ(Le32(block, 12), 0);
  EXPECT_EQ(RectAt(block, 16), (Rect{10, 20, 14, 23}));
  EXPECT_EQ(RectAt(block, 32), (Rect{10, 20, 12, 21}));  // black, black, white, ...
  EXPECT_EQ(RectAt(block, 48), (Rect{13, 20, 14, 21}));  // ... black: two rectangles
  EXPECT_EQ(RectAt(block, 64), (Rect{11, 21, 14, 22}));  // a run that ends with the row
}

TEST(MaskToRegionData, AllWhiteHasNoRectanglesButABoundingBox) {
  const std::vector<uint8_t> block = MaskToRegionData(Mask({"www", "www"}), 0, 0);
  ASSERT_EQ(block.size(), 32u);
  EXPECT_EQ(Le32(block, 8), 0);
  EXPECT_EQ(RectAt(block, 16), (Rect{0, 0, 3, 2}));
  EXPECT_TRUE(MaskToRegionData(Bitmap(), 0, 0).empty());
}

TEST(MaskToRegionData, OnlyPureBlackCountsAndAlphaIsIgnored) {
  Bitmap mask(4, 1);
  mask.SetPixel(0, 0, 0x00000000);  // black with alpha 0
  mask.SetPixel(1, 0, 0x80000000);
  mask.SetPixel(2, 0, 0xFF000001);  // almost black
  mask.SetPixel(3, 0, 0xFF000000);
  EXPECT_EQ(MaskRuns(mask, 0, 0), (std::vector<Rect>{{0, 0, 2, 1}, {3, 0, 4, 1}}));
}

TEST(MaskToRegionData, MoreRunsThanTheOldFixedBuffer) {
  // A checkerboard of 202 x 101: 101 runs a row, 10 201 runs in all.
  Bitmap mask(202, 101);
  for (int y = 0; y < mask.Height(); ++y)
    for (int x = 0; x < mask.Width(); ++x) mask.SetPixel(x, y, (x + y) % 2 == 0 ? 0xFF000000u : 0xFFFFFFFFu);
  const std::vector<uint8_t> block = MaskToRegionData(mask, 0, 0);
  ASSERT_EQ(Le32(block, 8), 10201);
  ASSERT_EQ(block.size(), 32u + 16u * 10201);
  EXPECT_EQ(RectAt(block, 32 + 16 * 10200), (Rect{200, 100, 201, 101}));  // row 100 starts black
}

// Points covered by a list of rectangles, as text.
Rows Cover(const std::vector<Rect>& rects, int w, int h) {
  Rows rows(h, std::string(w, '.'));
  for (const Rect& r : rects)
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (x >= 0 && y >= 0 && x < w && y < h) rows[y][x] = '#';
  return rows;
}

TEST(FrameRegionRects, RoundedCornersOfAWiderFrame) {
  // A 6 x 6 mask with one cut-off pixel in each corner; client (1,1,5,5).
  const Bitmap mask = Mask({"wkkkkw", "kkkkkk", "kkkkkk", "kkkkkk", "kkkkkk", "wkkkkw"});
  const SliceGeometry cut{{2, 2}, {4, 2}, {2, 4}, {4, 4}, {1, 1, 5, 5}};
  // For a 9 x 8 frame: right items moved by 3, lower ones by 2.
  const SliceGeometry newCut{{2, 2}, {7, 2}, {2, 6}, {7, 6}, {1, 1, 8, 7}};
  const auto rects = FrameRegionRects(cut, newCut, mask, 9);
  ASSERT_TRUE(rects.has_value());
  EXPECT_EQ(Cover(*rects, 9, 8), (Rows{".#######.", "#########", "#########", "#########", "#########",
                                       "#########", "#########", ".#######."}));
}

TEST(FrameRegionRects, NoRegionWhenTheNewCutIsInverted) {
  const Bitmap mask = Mask({"kkk", "kkk", "kkk"});
  const SliceGeometry cut{{1, 1}, {2, 1}, {1, 2}, {2, 2}, {1, 1, 2, 2}};
  SliceGeometry n = cut;
  n.RT.X = 0;
  EXPECT_FALSE(FrameRegionRects(cut, n, mask, 3).has_value());
  n = cut;
  n.LB.Y = 0;
  EXPECT_FALSE(FrameRegionRects(cut, n, mask, 3).has_value());
}

TEST(TbsFBitmap, RowsArePaddedTo4BytesAndTopDown) {
  Bitmap b(5, 2);
  b.SetPixel(4, 1, 0xFF112233u);
  const TbsFBitmap f(b);
  EXPECT_EQ(f.Gap(), 1);
  EXPECT_EQ(f.Stride(), 16);
  EXPECT_EQ(f.Size(), 32u);
  EXPECT_EQ(f.Row(1)[12], 0x33);
  EXPECT_EQ(f.Row(1)[13], 0x22);
  EXPECT_EQ(f.Row(1)[14], 0x11);
  int32_t height;
  std::memcpy(&height, f.Header() + 8, 4);
  EXPECT_EQ(height, -2);
  EXPECT_EQ(f.Header()[14], 24);
}

}  // namespace
}  // namespace skin
