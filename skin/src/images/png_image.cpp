#include "skin/png_image.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace skin {
namespace {

constexpr const char* kInvalid = "PNG image is not valid";
constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

[[noreturn]] void Invalid() { throw EInvalidGraphic(kInvalid); }

uint32_t Be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

struct Header {
  uint32_t width = 0, height = 0;
  int depth = 0, colour = 0, interlace = 0;

  int Channels() const {
    switch (colour) {
      case 0: return 1;  // grey
      case 2: return 3;  // RGB
      case 3: return 1;  // palette index
      case 4: return 2;  // grey + alpha
      default: return 4; // RGBA
    }
  }
  int BitsPerPixel() const { return Channels() * depth; }
  // Bytes a filter looks back: one whole pixel, at least one byte.
  int FilterStep() const { return std::max(1, BitsPerPixel() / 8); }
  size_t RowBytes(uint32_t w) const { return (static_cast<size_t>(w) * BitsPerPixel() + 7) / 8; }
};

bool ValidDepth(int colour, int depth) {
  switch (colour) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2: case 4: case 6: return depth == 8 || depth == 16;
    default: return false;
  }
}

// Adam7: the seven passes' starting points and steps.
struct Pass {
  int x0, y0, dx, dy;
};
constexpr std::array<Pass, 7> kAdam7{{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}};

uint32_t PassExtent(uint32_t size, int start, int step) {
  return size > static_cast<uint32_t>(start) ? (size - start + step - 1) / step : 0;
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Undoes the filters of `rows` rows of `row_bytes` bytes, each preceded by its filter type.
void Unfilter(uint8_t* data, uint32_t rows, size_t row_bytes, int step) {
  const uint8_t* prior = nullptr;
  for (uint32_t y = 0; y < rows; ++y) {
    const uint8_t type = data[0];
    uint8_t* row = data + 1;
    for (size_t i = 0; i < row_bytes; ++i) {
      const int a = i >= static_cast<size_t>(step) ? row[i - step] : 0;
      const int b = prior ? prior[i] : 0;
      const int c = prior && i >= static_cast<size_t>(step) ? prior[i - step] : 0;
      switch (type) {
        case 0: break;
        case 1: row[i] = static_cast<uint8_t>(row[i] + a); break;
        case 2: row[i] = static_cast<uint8_t>(row[i] + b); break;
        case 3: row[i] = static_cast<uint8_t>(row[i] + ((a + b) >> 1)); break;
        case 4: row[i] = static_cast<uint8_t>(row[i] + Paeth(a, b, c)); break;
        default: Invalid();
      }
    }
    prior = row;
    data += 1 + row_bytes;
  }
}

struct Decoder {
  Header h;
  std::vector<uint32_t> palette;  // 0xAARRGGBB
  bool has_key = false;
  uint16_t key[3] = {};  // transparent grey or RGB, at the image's depth

  // Sample `index` of the row at the header's depth.
  uint16_t Sample(const uint8_t* row, size_t index) const {
    switch (h.depth) {
      case 16: return static_cast<uint16_t>(row[index * 2] << 8 | row[index * 2 + 1]);
      case 8: return row[index];
      default: {
        const size_t bit = index * h.depth;
        const int shift = 8 - h.depth - static_cast<int>(bit % 8);
        return static_cast<uint16_t>((row[bit / 8] >> shift) & ((1 << h.depth) - 1));
      }
    }
  }
  uint8_t To8(uint16_t v) const {
    switch (h.depth) {
      case 16: return static_cast<uint8_t>(v >> 8);
      case 8: return static_cast<uint8_t>(v);
      default: return static_cast<uint8_t>(v * 255 / ((1 << h.depth) - 1));
    }
  }

  uint32_t PixelAt(const uint8_t* row, uint32_t x) const {
    switch (h.colour) {
      case 0: {
        const uint16_t g = Sample(row, x);
        const uint32_t v = To8(g);
        const uint32_t alpha = has_key && g == key[0] ? 0 : 255;
        return alpha << 24 | v << 16 | v << 8 | v;
      }
      case 2: {
        const uint16_t r = Sample(row, x * 3), g = Sample(row, x * 3 + 1), b = Sample(row, x * 3 + 2);
        const uint32_t alpha = has_key && r == key[0] && g == key[1] && b == key[2] ? 0 : 255;
        return alpha << 24 | uint32_t{To8(r)} << 16 | uint32_t{To8(g)} << 8 | To8(b);
      }
      case 3: {
        const uint16_t i = Sample(row, x);
        if (i >= palette.size()) Invalid();
        return palette[i];
      }
      case 4: {
        const uint32_t v = To8(Sample(row, x * 2));
        return uint32_t{To8(Sample(row, x * 2 + 1))} << 24 | v << 16 | v << 8 | v;
      }
      default:
        return uint32_t{To8(Sample(row, x * 4 + 3))} << 24 | uint32_t{To8(Sample(row, x * 4))} << 16 |
               uint32_t{To8(Sample(row, x * 4 + 1))} << 8 | To8(Sample(row, x * 4 + 2));
    }
  }
};

// The exact number of bytes the image's compressed data must inflate to.
size_t ExpectedSize(const Header& h) {
  if (!h.interlace) return h.height * (1 + h.RowBytes(h.width));
  size_t total = 0;
  for (const Pass& p : kAdam7) {
    const uint32_t w = PassExtent(h.width, p.x0, p.dx), rows = PassExtent(h.height, p.y0, p.dy);
    if (w && rows) total += rows * (1 + h.RowBytes(w));
  }
  return total;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& compressed, size_t expected) {
  std::vector<uint8_t> out(expected);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw platform::EOutOfMemory("Out of memory");
  z.next_in = const_cast<Bytef*>(compressed.data());
  z.avail_in = static_cast<uInt>(compressed.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&z, Z_FINISH);
  const size_t produced = expected - z.avail_out;
  inflateEnd(&z);
  // Short data is an error; data that goes on past the picture is as well (the stream must end).
  if (rc != Z_STREAM_END || produced != expected) Invalid();
  return out;
}

}  // namespace

Bitmap DecodePng(std::span<const uint8_t> data) {
  if (data.size() < 8 || std::memcmp(data.data(), kSignature, 8) != 0) Invalid();
  Decoder d;
  std::vector<uint8_t> compressed;
  bool seen_header = false, seen_end = false;
  size_t pos = 8;
  while (!seen_end) {
    if (data.size() - pos < 12) Invalid();
    const uint32_t length = Be32(&data[pos]);
    if (length > data.size() - pos - 12) Invalid();
    const uint8_t* type = &data[pos + 4];
    const uint8_t* body = type + 4;
    const uint32_t crc = Be32(body + length);
    if (crc32(crc32(0, nullptr, 0), type, 4 + length) != crc) Invalid();
    const std::string name(reinterpret_cast<const char*>(type), 4);
    if (!seen_header && name != "IHDR") Invalid();
    if (name == "IHDR") {
      if (seen_header || length != 13) Invalid();
      seen_header = true;
      d.h.width = Be32(body);
      d.h.height = Be32(body + 4);
      d.h.depth = body[8];
      d.h.colour = body[9];
      d.h.interlace = body[12];
      if (d.h.width == 0 || d.h.height == 0 || d.h.width > kMaxPngDimension || d.h.height > kMaxPngDimension ||
          int64_t{d.h.width} * d.h.height > kMaxPngPixels || !ValidDepth(d.h.colour, d.h.depth) ||
          body[10] != 0 || body[11] != 0 || d.h.interlace > 1)
        Invalid();
    } else if (name == "PLTE") {
      if (length % 3 != 0 || length == 0 || length / 3 > 256) Invalid();
      d.palette.resize(length / 3);
      for (size_t i = 0; i < d.palette.size(); ++i)
        d.palette[i] = 0xFF000000u | uint32_t{body[i * 3]} << 16 | uint32_t{body[i * 3 + 1]} << 8 | body[i * 3 + 2];
    } else if (name == "tRNS") {
      if (d.h.colour == 3) {
        if (length > d.palette.size()) Invalid();
        for (uint32_t i = 0; i < length; ++i) d.palette[i] = (d.palette[i] & 0xFFFFFFu) | uint32_t{body[i]} << 24;
      } else if (d.h.colour == 0 && length == 2) {
        d.has_key = true;
        d.key[0] = static_cast<uint16_t>(body[0] << 8 | body[1]);
      } else if (d.h.colour == 2 && length == 6) {
        d.has_key = true;
        for (int i = 0; i < 3; ++i) d.key[i] = static_cast<uint16_t>(body[i * 2] << 8 | body[i * 2 + 1]);
      } else {
        Invalid();
      }
    } else if (name == "IDAT") {
      // The compressed stream cannot usefully be larger than this for a picture within the limits.
      if (compressed.size() + length > ExpectedSize(d.h) + 1024 + ExpectedSize(d.h) / 4) Invalid();
      compressed.insert(compressed.end(), body, body + length);
    } else if (name == "IEND") {
      seen_end = true;
    } else if (!(type[0] & 0x20)) {
      Invalid();  // an unknown chunk that is marked as needed for the picture
    }
    pos += 12 + length;
  }
  if (d.h.colour == 3 && d.palette.empty()) Invalid();
  if (compressed.empty()) Invalid();

  std::vector<uint8_t> raw = Inflate(compressed, ExpectedSize(d.h));
  Bitmap bitmap(static_cast<int>(d.h.width), static_cast<int>(d.h.height));
  const int step = d.h.FilterStep();
  if (!d.h.interlace) {
    const size_t row_bytes = d.h.RowBytes(d.h.width);
    Unfilter(raw.data(), d.h.height, row_bytes, step);
    for (uint32_t y = 0; y < d.h.height; ++y) {
      const uint8_t* row = raw.data() + y * (1 + row_bytes) + 1;
      uint32_t* out = bitmap.Row(static_cast<int>(y));
      for (uint32_t x = 0; x < d.h.width; ++x) out[x] = d.PixelAt(row, x);
    }
    return bitmap;
  }
  uint8_t* pass_data = raw.data();
  for (const Pass& p : kAdam7) {
    const uint32_t w = PassExtent(d.h.width, p.x0, p.dx), rows = PassExtent(d.h.height, p.y0, p.dy);
    if (!w || !rows) continue;
    const size_t row_bytes = d.h.RowBytes(w);
    Unfilter(pass_data, rows, row_bytes, step);
    for (uint32_t j = 0; j < rows; ++j) {
      const uint8_t* row = pass_data + j * (1 + row_bytes) + 1;
      uint32_t* out = bitmap.Row(static_cast<int>(p.y0 + j * p.dy));
      for (uint32_t i = 0; i < w; ++i) out[p.x0 + i * p.dx] = d.PixelAt(row, i);
    }
    pass_data += rows * (1 + row_bytes);
  }
  return bitmap;
}

}  // namespace skin
