// PNG pictures as image lists carry them: decoded into the engine's 32-bit picture with straight
// alpha (0xAARRGGBB). Every colour type and bit depth of the format, interlaced or not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "skin/bitmap.h"
#include "skin/bmp_file.h"

namespace skin {

// Limits that keep a lying header from costing more than an image list ever needs.
inline constexpr int kMaxPngDimension = 16384;
inline constexpr int64_t kMaxPngPixels = int64_t{1} << 24;

// Raises EInvalidGraphic "PNG image is not valid" when the bytes are not a complete, consistent
// PNG picture (bad signature, chunk lengths or checksums, header values, compressed data, filter
// types) or exceed the limits above.
Bitmap DecodePng(std::span<const uint8_t> data);

}  // namespace skin
