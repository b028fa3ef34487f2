// The PNG writer: what it writes reads back pixel for pixel (the alpha byte is not stored),
// across the deflate buffer's boundaries too; an empty picture and an unwritable path fail
// without leaving a file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "draw_golden.h"
#include "platform/exceptions.h"
#include "skin/bmp_file.h"
#include "skin/png_file.h"

namespace skin {
namespace {

struct PngCase {
  const char* name;
  int width, height;
  bool noise;  // incompressible: the deflated rows fill many output buffers
};

class PngRoundTrip : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngRoundTrip, ReadsBackTheSamePixels) {
  const PngCase& c = GetParam();
  Bitmap picture(c.width, c.height);
  std::mt19937 random(7);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      picture.SetPixel(x, y, c.noise ? static_cast<uint32_t>(random())
                                     : 0x12000000u | uint32_t(x * 7 & 0xFF) << 16 | uint32_t(y * 11 & 0xFF) << 8 |
                                           uint32_t((x + y) & 0xFF));
  const std::vector<uint8_t> png = EncodePng(picture);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  const std::optional<Bitmap> back = testing::DecodePng(png);
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->Width(), c.width);
  ASSERT_EQ(back->Height(), c.height);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      ASSERT_EQ(back->Pixel(x, y), picture.Pixel(x, y) | 0xFF000000u) << "at " << x << ", " << y;
}

INSTANTIATE_TEST_SUITE_P(Pictures, PngRoundTrip,
                         ::testing::Values(PngCase{"OnePixel", 1, 1, false}, PngCase{"OddSize", 37, 23, false},
                                           PngCase{"OneRow", 300, 1, true}, PngCase{"Noise", 256, 200, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngFile, EmptyPictureIsAnError) { EXPECT_THROW(EncodePng(Bitmap()), EInvalidGraphic); }

TEST(PngFile, SaveWritesTheEncodedBytesAndReportsTheirCount) {
  const auto path = std::filesystem::temp_directory_path() / "halvex_png_test.png";
  std::filesystem::remove(path);
  Bitmap picture(5, 3);
  picture.SetPixel(4, 2, 0xFFAB1234u);
  const size_t written = SavePngFile(picture, path.string());
  EXPECT_EQ(written, std::filesystem::file_size(path));
  EXPECT_EQ(testing::ReadFileBytes(path.string()), EncodePng(picture));
  std::filesystem::remove(path);
}

TEST(PngFile, FailuresLeaveNoFile) {
  const auto folder = std::filesystem::temp_directory_path() / "halvex_png_test_missing_folder";
  std::filesystem::remove_all(folder);
  EXPECT_THROW(SavePngFile(Bitmap(2, 2), (folder / "out.png").string()), platform::EFCreateError);
  const auto path = std::filesystem::temp_directory_path() / "halvex_png_test_empty.png";
  std::filesystem::remove(path);
  EXPECT_THROW(SavePngFile(Bitmap(), path.string()), EInvalidGraphic);
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace skin
