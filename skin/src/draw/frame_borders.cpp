// The four border pieces of a window frame, cut from the frame picture (or its mask):
//
//   +----------------- top piece: W x NewClRect.Top -----------------+
//   | corner |  top edge tiled / stretched                  | corner |
//   +--------+----------------------------------------------+--------+
//   | left   |                                              | right  |
//   | piece  |          client area (not drawn)             | piece  |
//   | L x V  |                                              | Rw x V |
//   +--------+----------------------------------------------+--------+
//   | corner |  bottom edge                                 | corner |
//   +------------------------ bottom piece --------------------------+
//
// The frame picture's pieces tile from x = 0 (and y = 0); the mask's top and bottom pieces tile
// from NewLT.X / NewLB.X like a nine-slice. The corners are drawn after the middles.
#include <algorithm>

#include "skin/compose.h"
#include "tiling.h"

namespace skin {

using detail::TileColumns;
using detail::TileRows;

void ComposeFrameBorders(const SliceGeometry& g, const SliceGeometry& n, FramePieces& pieces,
                         const Bitmap& Source, const Rect& R, int W, int H, EdgeStretch stretch) {
  pieces = FramePieces{};
  if (Source.Empty()) return;
  const int rx = R.Left, ry = R.Top;
  const int rw = RectSpanX(R), rh = RectSpanY(R);
  const Rect& c = g.ClRect;
  const Rect& nc = n.ClRect;
  auto copy = [&](Bitmap& to, Rect d, Rect s) { CanvasCopy(to, d, Source, OffsetRect(s, rx, ry)); };

  const int T = nc.Top;
  if (W > 0 && T > 0 && g.RT.X - g.LT.X > 0) {
    Bitmap& top = pieces.Top;
    top.SetSize(W, T);
    if (stretch.Top)
      copy(top, {n.LT.X, 0, n.RT.X, T}, {g.LT.X, 0, g.RT.X, T});
    else
      TileColumns(top, Source, rx + g.LT.X, rx + g.RT.X, ry, ry + T, 0, W, 0, T);
    copy(top, {0, 0, n.LT.X, T}, {0, 0, g.LT.X, T});
    copy(top, {n.RT.X, 0, W, T}, {g.RT.X, 0, rw, T});
  }

  const int B = H - nc.Bottom;
  if (W > 0 && B > 0 && g.RB.X - g.LB.X > 0) {
    Bitmap& bottom = pieces.Bottom;
    bottom.SetSize(W, B);
    const int sy = rh - B;
    if (stretch.Bottom)
      copy(bottom, {n.LB.X, 0, n.RB.X, B}, {g.LB.X, sy, g.RB.X, rh});
    else
      TileColumns(bottom, Source, rx + g.LB.X, rx + g.RB.X, ry + sy, ry + rh, 0, W, 0, B);
    copy(bottom, {0, 0, n.LB.X, B}, {0, sy, g.LB.X, rh});
    copy(bottom, {n.RB.X, 0, W, B}, {g.RB.X, sy, rw, rh});
  }

  const int V = H - pieces.Bottom.Height() - pieces.Top.Height();
  // One side piece: width pw from the source columns [sx0, sx1), repeatable rows [y0, y1).
  auto side = [&](Bitmap& piece, int pw, int sx0, int sx1, int y0, int y1, bool stretched) {
    piece.SetSize(pw, V);
    if (stretched)
      copy(piece, {0, y0 - c.Top, pw, V + y1 - c.Bottom}, {sx0, y0, sx1, y1});
    else
      TileRows(piece, Source, ry + y0, ry + y1, rx + sx0, rx + sx1, 0, V, 0, pw);
    if (y0 - c.Top > 0) copy(piece, {0, 0, pw, y0 - c.Top}, {sx0, c.Top, sx1, y0});
    if (c.Bottom - y1 > 0) copy(piece, {0, V + y1 - c.Bottom, pw, V}, {sx0, y1, sx1, c.Bottom});
  };
  const int L = nc.Left;
  if (L > 0 && V > 0 && g.LB.Y - g.LT.Y > 0) side(pieces.Left, L, 0, L, g.LT.Y, g.LB.Y, stretch.Left);
  const int Rw = W - nc.Right;
  if (Rw >= 1 && V >= 1 && g.RB.Y - g.RT.Y >= 1)
    side(pieces.Right, Rw, c.Right, rw, g.RT.Y, g.RB.Y, stretch.Right);
}

void ComposeMaskBorders(const SliceGeometry& g, const SliceGeometry& n, const Bitmap& Mask, FramePieces& pieces,
                        int W) {
  pieces = FramePieces{};
  if (Mask.Empty()) return;
  const int mw = Mask.Width(), mh = Mask.Height();
  const Rect& c = g.ClRect;
  auto copy = [&](Bitmap& to, Rect d, Rect s) { CanvasCopy(to, d, Mask, s); };

  if (W > 0 && c.Top > 0) {
    Bitmap& top = pieces.Top;
    top.SetSize(W, c.Top);
    TileColumns(top, Mask, g.LT.X, g.RT.X, 0, c.Top, n.LT.X, n.RT.X, 0, c.Top);
    copy(top, {0, 0, g.LT.X, c.Top}, {0, 0, g.LT.X, c.Top});
    copy(top, {n.RT.X, 0, W, c.Top}, {g.RT.X, 0, mw, c.Top});
  }

  const int V = RectSpanY(n.ClRect);
  auto side = [&](Bitmap& piece, int sx0, int sx1, int y0, int y1) {
    const int pw = sx1 - sx0;
    piece.SetSize(pw, V);
    TileRows(piece, Mask, y0, y1, sx0, sx1, 0, V, 0, pw);
    if (y0 - c.Top > 0) copy(piece, {0, 0, pw, y0 - c.Top}, {sx0, c.Top, sx1, y0});
    if (c.Bottom - y1 > 0) copy(piece, {0, V - (c.Bottom - y1), pw, V}, {sx0, y1, sx1, c.Bottom});
  };
  if (c.Left > 0 && V > 0) side(pieces.Left, 0, c.Left, g.LT.Y, g.LB.Y);
  if (mw - c.Right > 0 && V > 0) side(pieces.Right, c.Right, mw, g.RT.Y, g.RB.Y);

  const int bh = mh - c.Bottom;
  if (W >= 1 && bh >= 1) {
    Bitmap& bottom = pieces.Bottom;
    bottom.SetSize(W, bh);
    TileColumns(bottom, Mask, g.LB.X, g.RB.X, c.Bottom, mh, n.LB.X, n.RB.X, 0, bh);
    copy(bottom, {0, 0, g.LB.X, bh}, {0, c.Bottom, g.LB.X, mh});
    copy(bottom, {n.RB.X, 0, W, bh}, {g.RB.X, c.Bottom, mw, mh});
  }
}

}  // namespace skin
