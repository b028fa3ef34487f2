// Golden pictures of the drawing tests: 8-bit RGB PNG files beside the tests, written by the
// product's PNG writer and read back here with zlib (only the plain layout that writer produces:
// filter 0 on every row). A test run never writes a golden file: a missing, unreadable or
// different one fails the test and leaves the result as NAME.actual.png in the build folder to
// be looked at. HALVEX_UPDATE_GOLDEN=1 writes the golden files from the results instead, and the
// test still fails, so that a new picture is looked at before it is trusted.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "skin/bitmap.h"
#include "skin/png_file.h"

namespace skin::testing {

// The product's writer; the reader below takes exactly its layout.
using skin::EncodePng;

inline uint32_t GetBe32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Opaque pixels, or nothing when the file is not in the writer's own layout.
inline std::optional<Bitmap> DecodePng(const std::vector<uint8_t>& file) {
  if (file.size() < 8 + 25) return std::nullopt;
  size_t at = 8;
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> packed;
  while (at + 12 <= file.size()) {
    const uint32_t length = GetBe32(&file[at]);
    if (length > file.size() - at - 12) return std::nullopt;
    const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
    const uint8_t* data = &file[at + 8];
    if (type == "IHDR" && length >= 13) {
      w = GetBe32(data);
      h = GetBe32(data + 4);
      if (data[8] != 8 || data[9] != 2 || data[12] != 0 || w == 0 || h == 0 || w > 4096 || h > 4096)
        return std::nullopt;
    } else if (type == "IDAT") {
      packed.insert(packed.end(), data, data + length);
    }
    at += 12 + length;
  }
  if (w == 0) return std::nullopt;
  const size_t stride = 1 + 3 * static_cast<size_t>(w);
  std::vector<uint8_t> raw(stride * h);
  uLongf rawSize = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &rawSize, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
      rawSize != raw.size())
    return std::nullopt;
  Bitmap b(static_cast<int>(w), static_cast<int>(h));
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = &raw[y * stride];
    if (row[0] != 0) return std::nullopt;
    for (uint32_t x = 0; x < w; ++x)
      b.SetPixel(static_cast<int>(x), static_cast<int>(y),
                 0xFF000000u | uint32_t{row[1 + 3 * x]} << 16 | uint32_t{row[2 + 3 * x]} << 8 | row[3 + 3 * x]);
  }
  return b;
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WritePngFile(const std::string& path, const Bitmap& picture) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  SavePngFile(picture, path);
}

// Empty when the picture matches its golden file, else what went wrong.
inline std::string CompareWithGolden(const Bitmap& picture, const std::string& name) {
  const std::string path = std::string(HALVEX_SOURCE_DIR) + "/skin/tests/golden/" + name;
  const char* update = std::getenv("HALVEX_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    WritePngFile(path, picture);
    return "golden picture written to " + path + "; check it and run again without HALVEX_UPDATE_GOLDEN";
  }
  const std::optional<Bitmap> golden = DecodePng(ReadFileBytes(path));
  std::string fault;
  if (!golden) {
    fault = "no readable golden picture " + path;
  } else if (golden->Width() != picture.Width() || golden->Height() != picture.Height()) {
    fault = "size differs from " + path;
  } else {
    for (int y = 0; y < picture.Height() && fault.empty(); ++y)
      for (int x = 0; x < picture.Width() && fault.empty(); ++x)
        if ((picture.Pixel(x, y) | 0xFF000000u) != golden->Pixel(x, y))
          fault = "first difference at (" + std::to_string(x) + ", " + std::to_string(y) + ") against " + path;
  }
  if (fault.empty()) return {};
  const std::string actual =
      std::string(HALVEX_BINARY_DIR) + "/golden/" + name.substr(0, name.rfind('.')) + ".actual.png";
  WritePngFile(actual, picture);
  return fault + "; the result is " + actual + " (HALVEX_UPDATE_GOLDEN=1 makes it the golden picture)";
}

}  // namespace skin::testing
