// PNG files of skin pictures, for tools and tests: 8-bit RGB (the alpha byte is not written),
// one IDAT stream deflated at level 9, filter 0 on every row, no interlace. Every PNG reader
// takes this plain layout (DecodePng in png_image.h among them), and the tests read it back with
// a few lines of zlib.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "skin/bitmap.h"

namespace skin {

// The whole file. An empty picture raises EInvalidGraphic: a PNG cannot be 0 pixels wide.
std::vector<uint8_t> EncodePng(const Bitmap& picture);
// Encodes first, then creates (or replaces) the file, so a picture that cannot be encoded
// leaves no file behind. Returns the number of bytes written.
size_t SavePngFile(const Bitmap& picture, const std::string& path);

}  // namespace skin
