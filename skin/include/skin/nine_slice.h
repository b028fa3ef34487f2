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

// dest becomes w x h and receives the skin rectangle skin_rect of source composed for the new cut
// n (g is the cut of skin_rect).
void ComposeNineSlice(const SliceGeometry& g, const SliceGeometry& n, Bitmap& dest, const Bitmap& source,
                      const Rect& skin_rect, int w, int h, bool draw_centre, EdgeStretch stretch, bool stretch_effect,
                      int stretch_type);
// Everything stretched, with the corners at the client rectangle's corners; dest keeps its size.
void ComposeStretchedNineSlice(Bitmap& dest, const Bitmap& source, const Rect& skin_rect, bool draw_centre,
                               const Rect& client_rect);

}  // namespace skin
