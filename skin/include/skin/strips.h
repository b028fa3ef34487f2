// Three-slice composition of skin pictures: fixed caps at both ends, the middle tiled or
// stretched. Nothing is read or written outside either bitmap, whatever the geometry.
#pragma once

#include "skin/bitmap.h"
#include "skin/geometry.h"

namespace skin {

// dest becomes w x RectSpanY(skin_rect): fixed caps of left_w and right_w, the middle tiled or
// stretched.
void ComposeHorizontalStrip(int left_w, int right_w, Bitmap& dest, const Bitmap& source, const Rect& skin_rect, int w,
                            bool stretch);
// dest becomes RectSpanX(skin_rect) x h: fixed caps of top_h and bottom_h, the middle tiled or
// stretched.
void ComposeVerticalStrip(int top_h, int bottom_h, Bitmap& dest, const Bitmap& source, const Rect& skin_rect, int h,
                          bool stretch);

}  // namespace skin
