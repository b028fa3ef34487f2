// PNG pictures of image lists: every colour type against pictures another encoder wrote, damaged
// files refused with the picture error, and the list's drawing.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "skin/image_list.h"
#include "skin/png_image.h"

namespace skin {
namespace {

std::vector<uint8_t> ReadFixture(const std::string& name) {
  std::ifstream in(std::string(HALVEX_SOURCE_DIR) + "/skin/tests/images/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

uint32_t Argb(int a, int r, int g, int b) {
  return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

// The patterns of images/make_png_fixtures.py.
uint32_t PatternA(int x, int y, bool alpha) {
  static const int kAlpha[] = {255, 128, 0};
  const int a = alpha ? kAlpha[(x * y) % 3] : 255;
  return Argb(a, x * 40, y * 60, (x + y) * 20);
}
int Grey(int x, int y) { return (x * 37 + y * 11) % 256; }
uint32_t Four(int x, int y) {
  static const uint32_t kFour[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x00FFFFFFu};
  return kFour[(x + 2 * y) % 4];
}

struct FixtureCase {
  const char* file;
  std::function<uint32_t(int, int)> expected;
};

TEST(PngImage, DecodesEveryColourTypeAsAnotherEncoderWroteIt) {
  const FixtureCase cases[] = {
      {"rgba8_interlaced.png", [](int x, int y) { return PatternA(x, y, true); }},
      {"rgb16.png", [](int x, int y) { return PatternA(x, y, false); }},
      {"grey8.png", [](int x, int y) { const int g = Grey(x, y); return Argb(255, g, g, g); }},
      {"grey_alpha16.png", [](int x, int y) { const int g = Grey(x, y); return (PatternA(x, y, true) & 0xFF000000u) | Argb(0, g, g, g); }},
      {"grey1.png", [](int x, int y) { const int g = 255 * ((x + y) % 2); return Argb(255, g, g, g); }},
      {"palette8_trns.png", Four},
  };
  for (const FixtureCase& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<uint8_t> bytes = ReadFixture(c.file);
    ASSERT_FALSE(bytes.empty());
    const Bitmap b = DecodePng(bytes);
    ASSERT_EQ(b.Width(), 7);
    ASSERT_EQ(b.Height(), 5);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        const uint32_t want = c.expected(x, y);
        // A fully transparent pixel's colour is the encoder's business.
        const uint32_t mask = (want >> 24) == 0 ? 0xFF000000u : 0xFFFFFFFFu;
        EXPECT_EQ(b.Pixel(x, y) & mask, want & mask) << "at " << x << "," << y;
      }
  }
}

// ---- damaged files, built from parts

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
  Put32(out, static_cast<uint32_t>(body.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  Put32(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> out(size);
  compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  out.resize(size);
  return out;
}

// Two RGB rows of two pixels, each with filter type 0.
std::vector<uint8_t> TwoRows() { return {0, 1, 2, 3, 4, 5, 6, 0, 7, 8, 9, 10, 11, 12}; }

struct PngParts {
  uint32_t width = 2, height = 2;
  uint8_t depth = 8, colour = 2, interlace = 0;
  std::vector<uint8_t> raw = TwoRows();
  std::vector<uint8_t> palette;
  std::vector<uint8_t> extra_chunk_type;  // inserted before IDAT when not empty
  bool end = true;

  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    Put32(ihdr, width);
    Put32(ihdr, height);
    ihdr.insert(ihdr.end(), {depth, colour, 0, 0, interlace});
    Chunk(out, "IHDR", ihdr);
    if (!palette.empty()) Chunk(out, "PLTE", palette);
    if (!extra_chunk_type.empty()) Chunk(out, reinterpret_cast<const char*>(extra_chunk_type.data()), {1, 2});
    Chunk(out, "IDAT", Deflate(raw));
    if (end) Chunk(out, "IEND", {});
    return out;
  }
};

TEST(PngImage, AWellFormedBuiltPictureDecodes) {
  const Bitmap b = DecodePng(PngParts{}.Build());
  EXPECT_EQ(b.Pixel(1, 0), Argb(255, 4, 5, 6));
  EXPECT_EQ(b.Pixel(0, 1), Argb(255, 7, 8, 9));
}

TEST(PngImage, DamagedPicturesAreRefusedWithThePictureError) {
  auto with = [](auto change) {
    PngParts p;
    change(p);
    return p.Build();
  };
  const std::vector<uint8_t> good = PngParts{}.Build();
  std::vector<uint8_t> bad_crc = good;
  bad_crc[30] ^= 1;  // inside IHDR's checksum
  std::vector<uint8_t> bad_signature = good;
  bad_signature[1] = 'Q';
  std::vector<uint8_t> lying_length = good;
  lying_length[8 + 3] = 200;  // IHDR says 200 bytes
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"signature", bad_signature},
      {"checksum", bad_crc},
      {"chunk length past the end", lying_length},
      {"cut in the middle", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(good.size() / 2))},
      {"no end chunk", with([](PngParts& p) { p.end = false; })},
      {"zero width", with([](PngParts& p) { p.width = 0; })},
      {"width beyond the limit", with([](PngParts& p) { p.width = 100000; })},
      {"pixels beyond the limit", with([](PngParts& p) { p.width = p.height = 16000; })},
      {"bit depth not allowed for the colour type", with([](PngParts& p) { p.depth = 4; })},
      {"unknown colour type", with([](PngParts& p) { p.colour = 5; })},
      {"unknown interlace method", with([](PngParts& p) { p.interlace = 2; })},
      {"unknown filter type", with([](PngParts& p) { p.raw[7] = 5; })},
      {"rows missing", with([](PngParts& p) { p.raw.resize(7); })},
      {"rows left over", with([](PngParts& p) { p.raw.push_back(0); })},
      {"palette picture without palette", with([](PngParts& p) { p.colour = 3; p.raw = {0, 0, 0, 0, 0, 0}; })},
      {"palette index past the palette",
       with([](PngParts& p) { p.colour = 3; p.palette = {1, 2, 3}; p.raw = {0, 0, 1, 0, 0, 0}; })},
      {"unknown critical chunk", with([](PngParts& p) { p.extra_chunk_type = {'A', 'B', 'C', 'D'}; })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      DecodePng(c.bytes);
      ADD_FAILURE() << "decoded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "PNG image is not valid");
    }
  }
  // An unknown ancillary chunk is skipped: the picture is the one without it.
  const Bitmap skipped = DecodePng(with([](PngParts& p) { p.extra_chunk_type = {'a', 'B', 'C', 'D'}; }));
  ASSERT_EQ(skipped.Width(), 2);
  ASSERT_EQ(skipped.Height(), 2);
  EXPECT_EQ(skipped.Pixel(0, 0), Argb(255, 1, 2, 3));
  EXPECT_EQ(skipped.Pixel(1, 0), Argb(255, 4, 5, 6));
  EXPECT_EQ(skipped.Pixel(0, 1), Argb(255, 7, 8, 9));
  EXPECT_EQ(skipped.Pixel(1, 1), Argb(255, 10, 11, 12));
}

TEST(PngImage, EveryFilterTypeIsUndone) {
  // One RGB row of two pixels per filter type over a first row of known bytes; each filtered row
  // must come back as 10,20,30,40,50,60.
  const uint8_t first[] = {5, 6, 7, 8, 9, 10};
  const uint8_t want[] = {10, 20, 30, 40, 50, 60};
  for (uint8_t type = 0; type <= 4; ++type) {
    SCOPED_TRACE(int(type));
    std::vector<uint8_t> row(6);
    for (int i = 0; i < 6; ++i) {
      const int a = i >= 3 ? want[i - 3] : 0, b = first[i], c = i >= 3 ? first[i - 3] : 0;
      int predictor = 0;
      if (type == 1) predictor = a;
      if (type == 2) predictor = b;
      if (type == 3) predictor = (a + b) / 2;
      if (type == 4) {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      row[i] = static_cast<uint8_t>(want[i] - predictor);
    }
    PngParts p;
    p.raw = {0, 5, 6, 7, 8, 9, 10, type};
    p.raw.insert(p.raw.end(), row.begin(), row.end());
    const Bitmap b = DecodePng(p.Build());
    EXPECT_EQ(b.Pixel(0, 1), Argb(255, 10, 20, 30));
    EXPECT_EQ(b.Pixel(1, 1), Argb(255, 40, 50, 60));
  }
}

// ---- the image list

TEST(PngImageList, DecodesOnDemandAndSkipsWhatItCannotDraw) {
  TbsPngImageList list(7, 5);
  list.Add("PngImage0", ReadFixture("palette8_trns.png"));
  list.Add("PngImage1", {1, 2, 3});
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0).Name, "PngImage0");
  ASSERT_NE(list.Image(0), nullptr);
  EXPECT_EQ(list.Image(0)->Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(list.Image(1), nullptr) << "damaged bytes draw nothing";
  EXPECT_EQ(list.Image(2), nullptr);
  EXPECT_EQ(list.Image(-1), nullptr);
}

TEST(PngImageList, DrawsBlendedClippedAndGreyWhenDisabled) {
  TbsPngImageList list(7, 5);
  list.Add("a", ReadFixture("palette8_trns.png"));
  Bitmap canvas(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) canvas.SetPixel(x, y, 0xFF102030u);
  list.Draw(canvas, -1, 1, 0, true);  // clipped on the left and at the bottom
  EXPECT_EQ(canvas.Pixel(0, 0), 0xFF102030u) << "above the image";
  EXPECT_EQ(canvas.Pixel(0, 1), Four(1, 0));
  EXPECT_EQ(canvas.Pixel(2, 1), 0xFF102030u) << "the transparent palette entry keeps the canvas";
  EXPECT_EQ(canvas.Pixel(1, 2), Four(2, 1));

  Bitmap grey(1, 1);
  grey.SetPixel(0, 0, 0xFF000000u);
  list.Draw(grey, 0, 0, 0, false);  // pure red, greyed to 76 and drawn at half strength
  const uint32_t p = grey.Pixel(0, 0);
  EXPECT_EQ(p >> 16 & 0xFF, p >> 8 & 0xFF);
  EXPECT_EQ(p >> 8 & 0xFF, p & 0xFF);
  EXPECT_NEAR(int(p & 0xFF), 76 / 2, 2);
  list.Draw(grey, 0, 0, 5, true);  // no such image: nothing happens
  EXPECT_EQ(grey.Pixel(0, 0), p);
}

}  // namespace
}  // namespace skin
