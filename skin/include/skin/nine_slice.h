// Nine-slice composition of skin pictures: a skin rectangle cut into fixed corners, repeatable
// edges and a centre, redrawn for another size. Nothing is read or written outside either
// bitmap, whatever the geometry.
#pragma once

#include "skin/bitmap.h"
#include "skin/geometry.h"

namespace skin {

// The cut of a skin rectangle (relative to its top-left corner): four corner points and the
// client rectangle. The "new" cut for a target size has the same form.
struct SliceGeometry {
  Point LT, RT, LB, RB;
  Rect ClRect;
};

struct EdgeStretch {
  bool Left = false;
  bool Top = false;
  bool Right = false;
  bool Bottom = false;
};

enum CentreStretchType { kStretchFull = 0, kStretchHorizontal = 1, kStretchVertical = 2 };

// Dest becomes W x H and receives the skin rectangle R of Source composed for the new cut.
void ComposeNineSlice(const SliceGeometry& g, const SliceGeometry& n, Bitmap& Dest, const Bitmap& Source,
                      const Rect& R, int W, int H, bool DrawCentre, EdgeStretch stretch, bool StretchEffect,
                      int StretchType);
// Everything stretched, with the corners at the client rectangle's corners; Dest keeps its size.
void ComposeStretchedNineSlice(Bitmap& Dest, const Bitmap& Source, const Rect& R, bool DrawCentre,
                               const Rect& ClRect);

}  // namespace skin
