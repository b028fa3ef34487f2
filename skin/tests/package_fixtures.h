// Small skins built in memory for the package, data and schema tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "skin/bmp_file.h"
#include "skin/skin_package.h"

namespace skin_test {

// A BMP file of w x h at the given depth; every pixel holds palette index / value `fill`
// (for 24 and 32 bits: the bytes of fill, blue first). Height negative = top-down rows.
inline std::vector<uint8_t> MakeBmp(int w, int h, int bpp, uint32_t fill = 0) {
  skin::BmpParts p;
  p.width = w;
  p.height = h;
  p.bit_count = static_cast<uint16_t>(bpp);
  if (bpp <= 8) {
    for (int i = 0; i < (1 << bpp); ++i) {
      const uint8_t v = static_cast<uint8_t>(i * 255 / ((1 << bpp) - 1));
      p.palette.insert(p.palette.end(), {v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>(i), 0});
    }
  }
  const int rows = h < 0 ? -h : h;
  p.rows.assign(static_cast<size_t>(p.Stride()) * rows, 0);
  for (int y = 0; y < rows; ++y) {
    uint8_t* row = p.rows.data() + static_cast<size_t>(y) * p.Stride();
    for (int x = 0; x < w; ++x) {
      switch (bpp) {
        case 1: row[x / 8] |= static_cast<uint8_t>((fill & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<uint8_t>((fill & 15) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = static_cast<uint8_t>(fill); break;
        case 24:
        case 32:
          for (int b = 0; b < bpp / 8; ++b) row[x * (bpp / 8) + b] = static_cast<uint8_t>(fill >> (8 * b));
          break;
      }
    }
  }
  return skin::EncodeBmp(p);
}

// A stored skin holding the container.
inline void StoreContainer(skin::TbsCompressedStoredSkin& stored, const skin::SkinContainer& c) { stored.SetPackage(c); }

inline skin::SkinContainer ContainerWithIni(const std::string& ini, int active_pictures = 2) {
  skin::SkinContainer c;
  c.picture = MakeBmp(8, 8, 24, 0x102030);
  for (int i = 0; i < active_pictures; ++i) c.active_pictures.push_back(MakeBmp(16, 16, 32, 0x80405060u + i));
  c.ini_text = ini;
  return c;
}

inline std::vector<uint8_t> Bytes(platform::MemoryStream& s) { return s.Data(); }

inline void PutInt32(std::vector<uint8_t>& out, int32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

}  // namespace skin_test
