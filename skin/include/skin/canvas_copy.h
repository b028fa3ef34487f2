// Rectangle copies between skin pictures. The functions never read or write outside either
// bitmap, whatever the geometry.
#pragma once

#include "skin/bitmap.h"
#include "skin/geometry.h"

namespace skin {

// Copies the source rectangle sr of src onto the destination rectangle dr of dest. When the two
// differ in size, pixels are dropped or repeated (nearest neighbour, no interpolation). Only the
// part of dr inside dest (and inside *clip, when given) is written; destination pixels whose
// source falls outside src are left as they were. Empty or inverted rectangles draw nothing.
void CanvasCopy(Bitmap& dest, const Rect& dr, const Bitmap& src, const Rect& sr, const Rect* clip = nullptr);
// The whole of src onto dr.
void StretchDraw(Bitmap& dest, const Rect& dr, const Bitmap& src, const Rect* clip = nullptr);

// Draws cell `index` (counted from 1) of strip, whose width holds cell_count equal cells, with its
// top-left corner at (left, top). The colour of the cell's bottom-left pixel is transparent.
void DrawGlyphCell(Bitmap& canvas, int left, int top, int index, int cell_count, const Bitmap& strip);

}  // namespace skin
