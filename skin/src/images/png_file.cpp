#include "skin/png_file.h"

#include <zlib.h>

#include "platform/stream.h"
#include "skin/bmp_file.h"
#include "skin/zlib_stream.h"

namespace skin {
namespace {

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBe32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBe32(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// The filtered rows deflated one at a time, so a large picture never needs a second full-size
// copy of its pixels.
std::vector<uint8_t> DeflateRows(const Bitmap& b) {
  z_stream z{};
  if (deflateInit(&z, 9) != Z_OK) throw ECompressionError("error");
  std::vector<uint8_t> packed, row(1 + 3 * static_cast<size_t>(b.Width()));
  uint8_t buffer[16384];
  auto pump = [&](int flush) {
    int rc;
    do {
      z.next_out = buffer;
      z.avail_out = sizeof buffer;
      rc = deflate(&z, flush);
      if (rc == Z_STREAM_ERROR) {
        deflateEnd(&z);
        throw ECompressionError("error");
      }
      packed.insert(packed.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    } while (z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
  };
  for (int y = 0; y < b.Height(); ++y) {
    const uint32_t* p = b.Row(y);
    size_t at = 1;  // row[0]: filter type 0, none
    for (int x = 0; x < b.Width(); ++x) {
      row[at++] = static_cast<uint8_t>(p[x] >> 16);
      row[at++] = static_cast<uint8_t>(p[x] >> 8);
      row[at++] = static_cast<uint8_t>(p[x]);
    }
    z.next_in = row.data();
    z.avail_in = static_cast<uInt>(row.size());
    pump(Z_NO_FLUSH);
  }
  pump(Z_FINISH);
  deflateEnd(&z);
  return packed;
}

}  // namespace

std::vector<uint8_t> EncodePng(const Bitmap& b) {
  if (b.Empty()) throw EInvalidGraphic("Bitmap image is not valid: an empty picture has no PNG form");
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBe32(header, static_cast<uint32_t>(b.Width()));
  PutBe32(header, static_cast<uint32_t>(b.Height()));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, filter 0, no interlace
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", DeflateRows(b));
  PutChunk(out, "IEND", {});
  return out;
}

size_t SavePngFile(const Bitmap& picture, const std::string& path) {
  const std::vector<uint8_t> png = EncodePng(picture);
  platform::FileStream file(path, platform::FileMode::Create);
  file.SetSize(0);
  file.WriteBuffer(png.data(), static_cast<int64_t>(png.size()));
  return png.size();
}

}  // namespace skin
