// Composition of skin pictures: a skin rectangle cut into fixed corners, repeatable edges and a
// centre, redrawn for another size. All functions work on skin::Bitmap and never read or write
// outside either bitmap, whatever the geometry.
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
// Dest becomes W x RectSpanY(R): fixed caps of LeftW and RightW, the middle tiled or stretched.
void ComposeHorizontalStrip(int LeftW, int RightW, Bitmap& Dest, const Bitmap& Source, const Rect& R, int W,
                            bool Stretch);
// Dest becomes RectSpanX(R) x H: fixed caps of TopH and BottomH, the middle tiled or stretched.
void ComposeVerticalStrip(int TopH, int BottomH, Bitmap& Dest, const Bitmap& Source, const Rect& R, int H,
                          bool Stretch);

// The four border pieces of a window frame. A piece that is not built stays empty (0 x 0).
struct FramePieces {
  Bitmap Left, Top, Right, Bottom;
};

// The frame of a W x H window from the frame picture's rectangle R. The caller places the pieces
// at (0, 0) (top), (0, top height) (left), (W - right width, top height) and (0, H - bottom height).
void ComposeFrameBorders(const SliceGeometry& g, const SliceGeometry& n, FramePieces& pieces,
                         const Bitmap& Source, const Rect& R, int W, int H, EdgeStretch stretch);
// The same cut of the whole mask picture, always tiled; g.ClRect and n.ClRect are the mask's
// client rectangles. The pieces' height follows from n.ClRect.
void ComposeMaskBorders(const SliceGeometry& g, const SliceGeometry& n, const Bitmap& Mask, FramePieces& pieces,
                        int W);

// Draws cell Index (counted from 1) of Strip, whose width holds CellCount equal cells, at (X, Y).
// The colour of the cell's bottom-left pixel is transparent.
void DrawGlyphCell(Bitmap& Canvas, int X, int Y, int Index, int CellCount, const Bitmap& Strip);

}  // namespace skin
