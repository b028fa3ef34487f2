// The runtime's JPEG picture: pictures encoded here with libjpeg's own compressor (baseline,
// progressive, grey) decode to their pixels, top row first; broken or oversized data raises the
// picture errors instead of crashing or allocating without bound.
#include "platform/jpeg.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/exceptions.h"

namespace {

using platform::DecodeJpeg;
using platform::JpegPicture;

// Four solid quadrants of 8 x 8 pixels, so that every block is flat and survives the encoder
// almost exactly: red, green (top), blue, grey (bottom).
constexpr uint32_t kQuadrants[4] = {0xE02010, 0x20C040, 0x1830D0, 0x808080};
constexpr int kWidth = 16, kHeight = 16;

uint32_t QuadrantAt(int x, int y) { return kQuadrants[(y / 8) * 2 + x / 8]; }

std::vector<uint8_t> Encode(bool progressive, bool grey, int width = kWidth, int height = kHeight) {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = grey ? 1 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  for (int c = 0; c < info.num_components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  while (info.next_scanline < info.image_height) {
    const int y = static_cast<int>(info.next_scanline);
    for (int x = 0; x < width; ++x) {
      const uint32_t rgb = QuadrantAt(x % kWidth, y % kHeight);
      if (grey) {
        row[x] = static_cast<uint8_t>(rgb >> 16);
      } else {
        row[x * 3] = static_cast<uint8_t>(rgb >> 16);
        row[x * 3 + 1] = static_cast<uint8_t>(rgb >> 8);
        row[x * 3 + 2] = static_cast<uint8_t>(rgb);
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// Channels within a small tolerance: the encoder's rounding, never a swap or a shift.
bool Near(uint32_t got, uint32_t want) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) > 3) return false;
  return (got >> 24) == 0xFF;
}

struct Form {
  const char* name;
  bool progressive, grey;
};

class JpegDecodes : public testing::TestWithParam<Form> {};

TEST_P(JpegDecodes, EveryPixelInPlace) {
  const Form& f = GetParam();
  const std::vector<uint8_t> bytes = Encode(f.progressive, f.grey);
  const JpegPicture p = DecodeJpeg(bytes.data(), bytes.size());
  ASSERT_EQ(p.width, kWidth);
  ASSERT_EQ(p.height, kHeight);
  ASSERT_EQ(p.pixels.size(), static_cast<size_t>(kWidth * kHeight));
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      uint32_t want = QuadrantAt(x, y);
      if (f.grey) want = (want >> 16) * 0x010101u;
      ASSERT_TRUE(Near(p.pixels[y * kWidth + x], 0xFF000000u | want))
          << f.name << " at " << x << "," << y << ": " << std::hex << p.pixels[y * kWidth + x] << " for " << want;
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, JpegDecodes,
                         testing::Values(Form{"baseline", false, false}, Form{"progressive", true, false},
                                         Form{"grey", false, true}),
                         [](const testing::TestParamInfo<Form>& info) { return info.param.name; });

TEST(Jpeg, TheCarriedLogoDecodes) {
  std::ifstream in(HALVEX_SOURCE_DIR "/assets/logo/logo.jpg", std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  ASSERT_FALSE(bytes.empty());
  const JpegPicture p = DecodeJpeg(bytes.data(), bytes.size());
  EXPECT_EQ(p.width, 320);
  EXPECT_EQ(p.height, 340);
  EXPECT_EQ(p.pixels.size(), 320u * 340u);
}

std::string ErrorOf(const std::vector<uint8_t>& bytes) {
  try {
    DecodeJpeg(bytes.empty() ? nullptr : bytes.data(), bytes.size());
  } catch (const platform::Exception& e) {
    return e.what();
  }
  return "decoded";
}

// Sets the frame header's height and width (SOF0/SOF2: FF C0/C2, length, precision, height, width).
std::vector<uint8_t> WithSize(std::vector<uint8_t> bytes, int width, int height) {
  for (size_t i = 0; i + 9 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
      bytes[i + 5] = static_cast<uint8_t>(height >> 8);
      bytes[i + 6] = static_cast<uint8_t>(height);
      bytes[i + 7] = static_cast<uint8_t>(width >> 8);
      bytes[i + 8] = static_cast<uint8_t>(width);
      return bytes;
    }
  }
  ADD_FAILURE() << "no frame header";
  return bytes;
}

TEST(Jpeg, BrokenDataRaisesThePictureErrors) {
  const std::vector<uint8_t> good = Encode(false, false);
  const std::string text = "not a picture at all";
  EXPECT_EQ(ErrorOf({}), "JPEG error #42");
  EXPECT_EQ(ErrorOf(std::vector<uint8_t>(text.begin(), text.end())).rfind("JPEG error #", 0), 0u);
  // Cut inside the headers: the decoder runs out before the first scan.
  EXPECT_EQ(ErrorOf(std::vector<uint8_t>(good.begin(), good.begin() + 100)).rfind("JPEG error #", 0), 0u);
  // A frame header that claims no pixels.
  EXPECT_EQ(ErrorOf(WithSize(good, 0, 16)).rfind("JPEG error #", 0), 0u);
}

TEST(Jpeg, PicturesBeyondTheSideLimitAreRefusedBeforeDecoding) {
  const std::vector<uint8_t> good = Encode(false, false);
  EXPECT_EQ(ErrorOf(WithSize(good, 16385, 16)), "JPEG image is too large");
  EXPECT_EQ(ErrorOf(WithSize(good, 16, 40000)), "JPEG image is too large");
  // At the limit the picture is read (its missing rows come out grey, as libjpeg fills them).
  const std::vector<uint8_t> wide = WithSize(good, 16384, 16);
  const JpegPicture p = DecodeJpeg(wide.data(), wide.size());
  EXPECT_EQ(p.width, 16384);
  EXPECT_EQ(p.height, 16);
}

}  // namespace
