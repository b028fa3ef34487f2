// Windows BMP files as skin packages carry them: uncompressed, 1, 4, 8, 24 or 32 bits per pixel,
// written contiguously (file header, information header, colour table, rows) with the file
// header's size field giving the whole length.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/exceptions.h"
#include "platform/stream.h"
#include "skin/bitmap.h"

namespace skin {

// "Bitmap image is not valid" and the other picture errors.
class EInvalidGraphic : public platform::Exception {
  using platform::Exception::Exception;
};

// Limits that keep a lying header from costing more than the carried pictures ever need.
inline constexpr int kMaxBmpDimension = 16384;
inline constexpr int64_t kMaxBmpPixels = int64_t{1} << 24;

struct BmpParts {
  int32_t width = 0;
  int32_t height = 0;  // as stored: positive for bottom-up rows, negative for top-down
  uint16_t bit_count = 0;
  int32_t x_pels_per_meter = 0;
  int32_t y_pels_per_meter = 0;
  uint32_t clr_used = 0;
  uint32_t clr_important = 0;
  std::vector<uint8_t> palette;  // 4 bytes (B, G, R, 0) per entry
  std::vector<uint8_t> rows;     // stored rows, each padded to 32 bits

  int Stride() const { return ((width * bit_count + 31) / 32) * 4; }
  int AbsHeight() const { return height < 0 ? -height : height; }
  bool Empty() const { return width == 0 || height == 0; }
};

// Reads one whole BMP file from the stream's position: the 14-byte header, then as many bytes as
// its size field says. Raises EInvalidGraphic "Bitmap image is not valid" when the bytes do not
// start with "BM" or the size cannot hold the headers, and EReadError "Stream read error" when
// the stream ends first. Leaves the stream right after the file.
std::vector<uint8_t> ReadBmpFile(platform::Stream& stream);

// Checks every field against the file's own length and the limits above.
BmpParts ParseBmp(std::span<const uint8_t> file);
// The canonical contiguous layout with a 40-byte information header.
std::vector<uint8_t> EncodeBmp(const BmpParts& parts);
// A valid BMP file of 0 x 0 pixels: stands in for a picture without content.
std::vector<uint8_t> EmptyBmpFile();
// Pixels as 0xAARRGGBB, top row first. Pictures of 32 bits per pixel keep their stored alpha
// byte; all others are opaque (alpha 255).
Bitmap DecodeBmp(const BmpParts& parts);
Bitmap DecodeBmp(std::span<const uint8_t> file);
// Width and height (absolute) from the information header, without checking the rest; zeros
// when the bytes are too short to hold it.
std::pair<int64_t, int64_t> PeekBmpSize(std::span<const uint8_t> file);

}  // namespace skin
