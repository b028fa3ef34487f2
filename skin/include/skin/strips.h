// Three-slice composition of skin pictures: fixed caps at both ends, the middle tiled or
// stretched. Nothing is read or written outside either bitmap, whatever the geometry.
#pragma once

#include "skin/bitmap.h"
#include "skin/geometry.h"

namespace skin {

// Dest becomes W x RectSpanY(R): fixed caps of LeftW and RightW, the middle tiled or stretched.
void ComposeHorizontalStrip(int LeftW, int RightW, Bitmap& Dest, const Bitmap& Source, const Rect& R, int W,
                            bool Stretch);
// Dest becomes RectSpanX(R) x H: fixed caps of TopH and BottomH, the middle tiled or stretched.
void ComposeVerticalStrip(int TopH, int BottomH, Bitmap& Dest, const Bitmap& Source, const Rect& R, int H,
                          bool Stretch);

}  // namespace skin
