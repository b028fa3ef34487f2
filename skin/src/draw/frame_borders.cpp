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

#include "skin/frame_borders.h"
#include "skin/canvas_copy.h"
#include "tiling.h"

namespace skin {

using detail::TileColumns;
using detail::TileRows;

void ComposeFrameBorders(const SliceGeometry& cut, const SliceGeometry& newCut, FramePieces& pieces,
                         const Bitmap& Source, const Rect& skinRect, int width, int height, EdgeStretch stretch) {
  const SliceGeometry g = detail::Sane(cut), n = detail::Sane(newCut);
  const Rect R = detail::Sane(skinRect);
  const int W = detail::Sane(width), H = detail::Sane(height);
  // Pieces are resized in place rather than replaced, so that a frame recomposed at the same
  // size keeps its memory; a piece that is not built is left empty.
  bool built[4] = {};  // left, top, right, bottom
  struct Finish {
    FramePieces& pieces;
    bool* built;
    ~Finish() {
      Bitmap* all[4] = {&pieces.Left, &pieces.Top, &pieces.Right, &pieces.Bottom};
      for (int i = 0; i < 4; ++i)
        if (!built[i]) all[i]->SetSize(0, 0);
    }
  } finish{pieces, built};
  if (Source.Empty()) return;
  const int rx = R.Left, ry = R.Top;
  const int rw = RectSpanX(R), rh = RectSpanY(R);
  const Rect& c = g.ClRect;
  const Rect& nc = n.ClRect;
  auto copy = [&](Bitmap& to, Rect d, Rect s) { CanvasCopy(to, d, Source, OffsetRect(s, rx, ry)); };
  // Unstretched tiles from the origin cover a whole piece when their source lies inside the
  // picture; such a piece needs no clearing first.
  auto inside = [&](int x0, int y0, int x1, int y1) {
    return rx + x0 >= 0 && ry + y0 >= 0 && rx + x1 <= Source.Width() && ry + y1 <= Source.Height();
  };
  auto size = [](Bitmap& piece, int w, int h, bool covered) {
    if (covered)
      piece.SetSizeForOverwrite(w, h);
    else
      piece.SetSize(w, h);
  };

  const int T = nc.Top;
  if (W > 0 && T > 0 && g.RT.X - g.LT.X > 0) {
    built[1] = true;
    Bitmap& top = pieces.Top;
    size(top, W, T, !stretch.Top && inside(g.LT.X, 0, g.RT.X, T));
    if (stretch.Top)
      copy(top, {n.LT.X, 0, n.RT.X, T}, {g.LT.X, 0, g.RT.X, T});
    else
      TileColumns(top, Source, rx + g.LT.X, rx + g.RT.X, ry, ry + T, 0, W, 0, T);
    copy(top, {0, 0, n.LT.X, T}, {0, 0, g.LT.X, T});
    copy(top, {n.RT.X, 0, W, T}, {g.RT.X, 0, rw, T});
  }

  const int B = H - nc.Bottom;
  if (W > 0 && B > 0 && g.RB.X - g.LB.X > 0) {
    built[3] = true;
    Bitmap& bottom = pieces.Bottom;
    const int sy = rh - B;
    size(bottom, W, B, !stretch.Bottom && inside(g.LB.X, sy, g.RB.X, rh));
    if (stretch.Bottom)
      copy(bottom, {n.LB.X, 0, n.RB.X, B}, {g.LB.X, sy, g.RB.X, rh});
    else
      TileColumns(bottom, Source, rx + g.LB.X, rx + g.RB.X, ry + sy, ry + rh, 0, W, 0, B);
    copy(bottom, {0, 0, n.LB.X, B}, {0, sy, g.LB.X, rh});
    copy(bottom, {n.RB.X, 0, W, B}, {g.RB.X, sy, rw, rh});
  }

  const int V = H - (built[3] ? B : 0) - (built[1] ? T : 0);
  // One side piece: width pw from the source columns [sx0, sx1), repeatable rows [y0, y1).
  auto side = [&](Bitmap& piece, int pw, int sx0, int sx1, int y0, int y1, bool stretched) {
    size(piece, pw, V, !stretched && sx1 - sx0 == pw && inside(sx0, y0, sx1, y1));
    if (stretched)
      copy(piece, {0, y0 - c.Top, pw, V + y1 - c.Bottom}, {sx0, y0, sx1, y1});
    else
      TileRows(piece, Source, ry + y0, ry + y1, rx + sx0, rx + sx1, 0, V, 0, pw);
    if (y0 - c.Top > 0) copy(piece, {0, 0, pw, y0 - c.Top}, {sx0, c.Top, sx1, y0});
    if (c.Bottom - y1 > 0) copy(piece, {0, V + y1 - c.Bottom, pw, V}, {sx0, y1, sx1, c.Bottom});
  };
  const int L = nc.Left;
  if (L > 0 && V > 0 && g.LB.Y - g.LT.Y > 0) {
    built[0] = true;
    side(pieces.Left, L, 0, L, g.LT.Y, g.LB.Y, stretch.Left);
  }
  const int Rw = W - nc.Right;
  if (Rw >= 1 && V >= 1 && g.RB.Y - g.RT.Y >= 1) {
    built[2] = true;
    side(pieces.Right, Rw, c.Right, rw, g.RT.Y, g.RB.Y, stretch.Right);
  }
}

void ComposeMaskBorders(const SliceGeometry& cut, const SliceGeometry& newCut, const Bitmap& Mask,
                        FramePieces& pieces, int width) {
  const SliceGeometry g = detail::Sane(cut), n = detail::Sane(newCut);
  const int W = detail::Sane(width);
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
