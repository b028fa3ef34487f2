// PNG pictures from untrusted bytes, and drawing what decodes. Any outcome but a picture or the
// picture error is a fault. With the first byte's low bit set, the chunk checksums are made right
// first so that mutations reach the header, palette, inflate and filter code.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/exceptions.h"
#include "skin/image_list.h"
#include "skin/png_image.h"

namespace {

uint32_t Be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }

void FixChecksums(std::vector<uint8_t>& png) {
  size_t pos = 8;
  while (pos + 12 <= png.size()) {
    const uint32_t length = Be32(&png[pos]);
    if (length > png.size() - pos - 12) return;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, &png[pos + 4], 4 + length));
    for (int i = 0; i < 4; ++i) png[pos + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    pos += 12 + length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<uint8_t> png(data + 1, data + size);
  if (data[0] & 1) FixChecksums(png);
  try {
    const skin::Bitmap b = skin::DecodePng(png);
    if (b.Empty()) __builtin_trap();
  } catch (const skin::EInvalidGraphic&) {
  } catch (const platform::EOutOfMemory&) {
  }
  skin::TbsPngImageList list;
  list.Add("a", std::move(png));
  skin::Bitmap canvas(8, 8);
  list.Draw(canvas, -2, 3, 0, (data[0] & 2) != 0);
  return 0;
}
