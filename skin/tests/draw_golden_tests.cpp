// The main window's frame composed from skin 2's frame picture (236 x 178, client rectangle
// 1,24,235,177) at two window sizes, against golden pictures.
#include <gtest/gtest.h>

#include "draw_golden.h"
#include "skin/bmp_file.h"
#include "skin/canvas_copy.h"
#include "skin/frame_borders.h"
#include "skin/nine_slice.h"

namespace skin {
namespace {

// The cut of the picture's [FORMINFO]: corner points and client rectangle.
const SliceGeometry kFrameCut{{40, 32}, {196, 32}, {40, 168}, {196, 168}, {1, 24, 235, 177}};

// The cut for a w x h window: right-hand items move with the width, lower ones with the height.
SliceGeometry CutFor(int w, int h) {
  const int dw = w - 236, dh = h - 178;
  const SliceGeometry& c = kFrameCut;
  return {c.LT,
          {c.RT.X + dw, c.RT.Y},
          {c.LB.X, c.LB.Y + dh},
          {c.RB.X + dw, c.RB.Y + dh},
          {c.ClRect.Left, c.ClRect.Top, c.ClRect.Right + dw, c.ClRect.Bottom + dh}};
}

// The four pieces placed as the frame places them; the client area stays a plain grey.
Bitmap ComposeWindowFrame(const Bitmap& picture, int w, int h) {
  FramePieces pieces;
  ComposeFrameBorders(kFrameCut, CutFor(w, h), pieces, picture, {0, 0, picture.Width(), picture.Height()}, w, h, {});
  Bitmap window(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) window.SetPixel(x, y, 0xFF808080u);
  auto place = [&window](const Bitmap& piece, int x, int y) {
    CanvasCopy(window, {x, y, x + piece.Width(), y + piece.Height()}, piece, {0, 0, piece.Width(), piece.Height()});
  };
  place(pieces.Top, 0, 0);
  place(pieces.Left, 0, pieces.Top.Height());
  place(pieces.Right, w - pieces.Right.Width(), pieces.Top.Height());
  place(pieces.Bottom, 0, h - pieces.Bottom.Height());
  return window;
}

Bitmap FramePicture() {
  const std::vector<uint8_t> file =
      testing::ReadFileBytes(std::string(HALVEX_SOURCE_DIR) + "/assets/skins/Office2013_Green/frame.bmp");
  return file.empty() ? Bitmap() : DecodeBmp(file);
}

class GoldenFrame : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(GoldenFrame, MatchesTheGoldenPicture) {
  const Bitmap picture = FramePicture();
  ASSERT_EQ(picture.Width(), 236);
  ASSERT_EQ(picture.Height(), 178);
  const auto [w, h] = GetParam();
  const Bitmap window = ComposeWindowFrame(picture, w, h);
  const std::string name = "frame_office2013_green_" + std::to_string(w) + "x" + std::to_string(h) + ".png";
  EXPECT_EQ(testing::CompareWithGolden(window, name), "");
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, GoldenFrame, ::testing::Values(std::pair{636, 387}, std::pair{300, 200}));

// A patterned stand-in of the same geometry: every zone of the cut has its own hue and the
// columns and rows carry stripes, so that a wrong tile phase or a misplaced corner shows.
Bitmap PatternedFramePicture() {
  Bitmap b(236, 178);
  const SliceGeometry& c = kFrameCut;
  for (int y = 0; y < 178; ++y)
    for (int x = 0; x < 236; ++x) {
      const int zx = x < c.LT.X ? 0 : x < c.RT.X ? 1 : 2;
      const int zy = y < c.LT.Y ? 0 : y < c.LB.Y ? 1 : 2;
      const uint32_t r = static_cast<uint32_t>(60 + 80 * zx + (x % 7) * 9);
      const uint32_t g = static_cast<uint32_t>(60 + 80 * zy + (y % 5) * 11);
      const uint32_t bl = static_cast<uint32_t>(((x / 3 + y / 3) % 2) * 120 + 40);
      b.SetPixel(x, y, 0xFF000000u | r << 16 | g << 8 | bl);
    }
  return b;
}

TEST(GoldenFrame, PatternedPictureShowsTilePhases) {
  const Bitmap window = ComposeWindowFrame(PatternedFramePicture(), 636, 387);
  EXPECT_EQ(testing::CompareWithGolden(window, "frame_patterned_636x387.png"), "");
}

TEST(GoldenFrame, OriginalSizeReproducesThePictureBorders) {
  // At the picture's own size every border pixel comes back where it was.
  const Bitmap picture = FramePicture();
  ASSERT_FALSE(picture.Empty());
  const Bitmap window = ComposeWindowFrame(picture, 236, 178);
  for (int y = 0; y < 178; ++y)
    for (int x = 0; x < 236; ++x) {
      const bool border = y < 24 || y >= 177 || x < 1 || x >= 235;
      if (border) ASSERT_EQ(window.Pixel(x, y), picture.Pixel(x, y)) << x << "," << y;
    }
}

}  // namespace
}  // namespace skin
