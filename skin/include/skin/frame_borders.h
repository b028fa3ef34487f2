// The four border pieces of a skinned window frame, composed from the frame picture and from the
// mask picture. Nothing is read or written outside either bitmap, whatever the geometry.
#pragma once

#include "skin/bitmap.h"
#include "skin/geometry.h"
#include "skin/nine_slice.h"

namespace skin {

// A piece that is not built stays empty (0 x 0).
struct FramePieces {
  Bitmap Left, Top, Right, Bottom;
};

// The frame of a width x height window from the frame picture's rectangle skin_rect. The caller
// places the pieces at (0, 0) (top), (0, top height) (left), (width - right width, top height) and
// (0, height - bottom height).
void ComposeFrameBorders(const SliceGeometry& g, const SliceGeometry& n, FramePieces& pieces,
                         const Bitmap& source, const Rect& skin_rect, int width, int height, EdgeStretch stretch);
// The same cut of the whole mask picture, always tiled; g.ClRect and n.ClRect are the mask's
// client rectangles. The pieces' height follows from n.ClRect.
void ComposeMaskBorders(const SliceGeometry& g, const SliceGeometry& n, const Bitmap& mask, FramePieces& pieces,
                        int width);

}  // namespace skin
