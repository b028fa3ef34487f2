// The runtime's JPEG picture: decodes a baseline or progressive JPEG into 32-bit top-down BGRA
// pixels (alpha 255).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct JpegPicture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, row 0 at the top
};

// Raises EInvalidGraphic-like platform::Exception "JPEG error #n" texts for data it cannot
// decode; pictures larger than 16384 x 16384 are refused.
JpegPicture DecodeJpeg(const uint8_t* data, size_t size);

}  // namespace platform
