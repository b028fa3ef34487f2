#include "skin/bmp_file.h"

#include <cstring>

namespace skin {
namespace {

constexpr const char* kInvalid = "Bitmap image is not valid";
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> ReadBmpFile(platform::Stream& stream) {
  uint8_t header[kFileHeaderSize];
  stream.ReadBuffer(header, sizeof header);
  if (header[0] != 'B' || header[1] != 'M') throw EInvalidGraphic(kInvalid);
  const uint32_t size = U32(header + 2);
  if (size < kFileHeaderSize + kInfoHeaderSize) throw EInvalidGraphic(kInvalid);
  // Never allocate more than the stream can still deliver.
  const int64_t left = stream.Size() - stream.Position();
  if (static_cast<int64_t>(size - kFileHeaderSize) > left) throw platform::EReadError("Stream read error");
  std::vector<uint8_t> file(size);
  std::memcpy(file.data(), header, sizeof header);
  stream.ReadBuffer(file.data() + kFileHeaderSize, size - kFileHeaderSize);
  return file;
}

namespace {

// The fields of a checked BMP file, pointing into the file's bytes.
struct BmpView {
  BmpParts header;  // palette and rows left empty
  std::span<const uint8_t> palette;
  std::span<const uint8_t> rows;
};

BmpView ParseView(std::span<const uint8_t> file) {
  if (file.size() < kFileHeaderSize + kInfoHeaderSize || file[0] != 'B' || file[1] != 'M')
    throw EInvalidGraphic(kInvalid);
  const uint8_t* p = file.data();
  const uint64_t length = file.size();
  const uint32_t off_bits = U32(p + 10);
  const uint32_t info_size = U32(p + 14);
  if (info_size < kInfoHeaderSize || kFileHeaderSize + uint64_t{info_size} > length) throw EInvalidGraphic(kInvalid);
  BmpParts parts;
  parts.width = static_cast<int32_t>(U32(p + 18));
  parts.height = static_cast<int32_t>(U32(p + 22));
  const uint16_t planes = U16(p + 26);
  parts.bit_count = U16(p + 28);
  const uint32_t compression = U32(p + 30);
  parts.x_pels_per_meter = static_cast<int32_t>(U32(p + 38));
  parts.y_pels_per_meter = static_cast<int32_t>(U32(p + 42));
  parts.clr_used = U32(p + 46);
  parts.clr_important = U32(p + 50);

  const uint16_t bpp = parts.bit_count;
  if (planes != 1 || compression != 0) throw EInvalidGraphic(kInvalid);
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) throw EInvalidGraphic(kInvalid);
  if (parts.height == INT32_MIN) throw EInvalidGraphic(kInvalid);
  const int64_t w = parts.width, h = parts.AbsHeight();
  if (w < 0 || w > kMaxBmpDimension || h > kMaxBmpDimension || w * h > kMaxBmpPixels)
    throw EInvalidGraphic(kInvalid);

  uint64_t entries = 0;
  if (bpp <= 8) {
    entries = parts.clr_used ? parts.clr_used : (1u << bpp);
    if (entries > (1u << bpp)) throw EInvalidGraphic(kInvalid);
  } else {
    entries = parts.clr_used;
  }
  const uint64_t palette_at = kFileHeaderSize + uint64_t{info_size};
  if (palette_at + entries * 4 > off_bits || off_bits > length) throw EInvalidGraphic(kInvalid);
  const uint64_t image = static_cast<uint64_t>(parts.Stride()) * static_cast<uint64_t>(h);
  if (off_bits + image > length) throw EInvalidGraphic(kInvalid);
  return {parts, file.subspan(palette_at, entries * 4), file.subspan(off_bits, image)};
}

Bitmap DecodeView(const BmpView& view);

}  // namespace

BmpParts ParseBmp(std::span<const uint8_t> file) {
  const BmpView view = ParseView(file);
  BmpParts parts = view.header;
  parts.palette.assign(view.palette.begin(), view.palette.end());
  parts.rows.assign(view.rows.begin(), view.rows.end());
  return parts;
}

Bitmap DecodeBmp(std::span<const uint8_t> file) { return DecodeView(ParseView(file)); }

Bitmap DecodeBmp(const BmpParts& parts) {
  if (parts.Empty()) return Bitmap();
  if (parts.rows.size() < static_cast<size_t>(parts.Stride()) * parts.AbsHeight())
    throw EInvalidGraphic(kInvalid);
  return DecodeView({parts, parts.palette, parts.rows});
}

std::vector<uint8_t> EncodeBmp(const BmpParts& parts) {
  const uint32_t palette = static_cast<uint32_t>(parts.palette.size());
  const uint32_t image = static_cast<uint32_t>(parts.rows.size());
  const uint32_t off_bits = kFileHeaderSize + kInfoHeaderSize + palette;
  std::vector<uint8_t> out;
  out.reserve(off_bits + image);
  out.push_back('B');
  out.push_back('M');
  Put32(out, off_bits + image);
  Put32(out, 0);
  Put32(out, off_bits);
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<uint32_t>(parts.width));
  Put32(out, static_cast<uint32_t>(parts.height));
  Put16(out, 1);
  Put16(out, parts.bit_count);
  Put32(out, 0);
  Put32(out, image);
  Put32(out, static_cast<uint32_t>(parts.x_pels_per_meter));
  Put32(out, static_cast<uint32_t>(parts.y_pels_per_meter));
  Put32(out, parts.clr_used);
  Put32(out, parts.clr_important);
  out.insert(out.end(), parts.palette.begin(), parts.palette.end());
  out.insert(out.end(), parts.rows.begin(), parts.rows.end());
  return out;
}

std::pair<int64_t, int64_t> PeekBmpSize(std::span<const uint8_t> file) {
  if (file.size() < kFileHeaderSize + kInfoHeaderSize) return {0, 0};
  const int64_t w = static_cast<int32_t>(U32(file.data() + 18));
  const int64_t h = static_cast<int32_t>(U32(file.data() + 22));
  return {w < 0 ? -w : w, h < 0 ? -h : h};
}

std::vector<uint8_t> EmptyBmpFile() {
  BmpParts parts;
  parts.bit_count = 24;
  return EncodeBmp(parts);
}

namespace {

Bitmap DecodeView(const BmpView& view) {
  const BmpParts& parts = view.header;
  Bitmap bitmap;
  if (parts.Empty()) return bitmap;
  const int w = parts.width, h = parts.AbsHeight(), stride = parts.Stride();
  bitmap.SetSize(w, h);
  const size_t entries = view.palette.size() / 4;
  auto colour = [&](size_t index) -> uint32_t {
    if (index >= entries) return 0xFF000000u;  // an index past the table reads as black
    const uint8_t* e = view.palette.data() + index * 4;
    return 0xFF000000u | static_cast<uint32_t>(e[2]) << 16 | static_cast<uint32_t>(e[1]) << 8 | e[0];
  };
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = view.rows.data() + static_cast<size_t>(parts.height > 0 ? h - 1 - y : y) * stride;
    uint32_t* dst = bitmap.Row(y);
    switch (parts.bit_count) {
      case 1:
        for (int x = 0; x < w; ++x) dst[x] = colour((src[x >> 3] >> (7 - (x & 7))) & 1);
        break;
      case 4:
        for (int x = 0; x < w; ++x) dst[x] = colour((src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
        break;
      case 8:
        for (int x = 0; x < w; ++x) dst[x] = colour(src[x]);
        break;
      case 24:
        for (int x = 0; x < w; ++x, src += 3)
          dst[x] = 0xFF000000u | static_cast<uint32_t>(src[2]) << 16 | static_cast<uint32_t>(src[1]) << 8 | src[0];
        break;
      case 32:
        for (int x = 0; x < w; ++x, src += 4)
          dst[x] = static_cast<uint32_t>(src[3]) << 24 | static_cast<uint32_t>(src[2]) << 16 |
                   static_cast<uint32_t>(src[1]) << 8 | src[0];
        break;
    }
  }
  return bitmap;
}

}  // namespace

}  // namespace skin
