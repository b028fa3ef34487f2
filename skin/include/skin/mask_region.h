// Window regions from mask pictures: black pixels are inside the window. The scan is portable and
// yields rectangles (one per horizontal run of black) and the platform's region-data block; on
// Windows the same rectangles become an HRGN.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "skin/bitmap.h"
#include "skin/geometry.h"
#include "skin/nine_slice.h"

namespace skin {

// A 24-bit top-down scan copy of a bitmap: 3 bytes a pixel (blue, green, red), rows padded to a
// multiple of 4 bytes, a row-pointer table.
class TbsFBitmap {
 public:
  explicit TbsFBitmap(const Bitmap& source);
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Gap() const { return width_ % 4; }
  int Stride() const { return width_ * 3 + Gap(); }
  size_t Size() const { return memory_.size(); }
  // The 40-byte device-independent bitmap header (24 bits, negative height for top-down rows).
  const uint8_t* Header() const { return header_; }
  const uint8_t* Row(int y) const { return rows_[static_cast<size_t>(y)]; }

 private:
  int width_ = 0;
  int height_ = 0;
  uint8_t header_[40] = {};
  std::vector<uint8_t> memory_;
  std::vector<const uint8_t*> rows_;
};

// One rectangle (offset_x + start, offset_y + y, offset_x + end, offset_y + y + 1) per run of pure
// black pixels (blue + green + red = 0; alpha is not looked at), rows top to bottom.
std::vector<Rect> MaskRuns(const Bitmap& mask, int offset_x, int offset_y);

// The region-data block: a 32-byte header (size 32, type 1, count, 0, bounding rectangle) and
// 16 bytes per rectangle, little-endian. Empty (length 0) for an empty mask. The number of
// rectangles is not limited.
std::vector<uint8_t> MaskToRegionData(const Bitmap& mask, int offset_x, int offset_y);

// The rectangles whose union is the region of a w-wide frame built from the mask pieces: the
// new client rectangle (when not empty), then the runs of the top, bottom, left and right pieces
// at their places. No region (nullopt) when n.RT.X < n.LT.X or n.LB.Y < n.LT.Y.
std::optional<std::vector<Rect>> FrameRegionRects(const SliceGeometry& g, const SliceGeometry& n,
                                                  const Bitmap& mask, int w);

}  // namespace skin
