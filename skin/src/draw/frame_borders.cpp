// The four border pieces of a window frame, cut from the frame picture (or its mask):
//
//   +--------------------- top piece: w x top_h ---------------------+
//   | corner |  top edge tiled / stretched                  | corner |
//   +--------+----------------------------------------------+--------+
//   | left   |                                              | right  |
//   | piece  |          client area (not drawn)             | piece  |
//   | left_w |                                              |right_w |
//   |   x    |                                              |   x    |
//   | side_h |                                              | side_h |
//   +--------+----------------------------------------------+--------+
//   | corner |  bottom edge                                 | corner |
//   +------------------ bottom piece: w x bottom_h ------------------+
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

void ComposeFrameBorders(const SliceGeometry& cut, const SliceGeometry& new_cut, FramePieces& pieces,
                         const Bitmap& source, const Rect& skin_rect, int width, int height, EdgeStretch stretch) {
  const SliceGeometry g = detail::Sane(cut), n = detail::Sane(new_cut);
  const Rect r = detail::Sane(skin_rect);
  const int w = detail::Sane(width), h = detail::Sane(height);
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
  if (source.Empty()) return;
  const int rx = r.Left, ry = r.Top;
  const int rw = RectSpanX(r), rh = RectSpanY(r);
  const Rect& c = g.ClRect;
  const Rect& nc = n.ClRect;
  auto copy = [&](Bitmap& to, Rect d, Rect s) { CanvasCopy(to, d, source, OffsetRect(s, rx, ry)); };
  // Unstretched tiles from the origin cover a whole piece when their source lies inside the
  // picture; such a piece needs no clearing first.
  auto inside = [&](int x0, int y0, int x1, int y1) {
    return rx + x0 >= 0 && ry + y0 >= 0 && rx + x1 <= source.Width() && ry + y1 <= source.Height();
  };
  auto size = [](Bitmap& piece, int w, int h, bool covered) {
    if (covered)
      piece.SetSizeForOverwrite(w, h);
    else
      piece.SetSize(w, h);
  };

  const int top_h = nc.Top;
  if (w > 0 && top_h > 0 && g.RT.X - g.LT.X > 0) {
    built[1] = true;
    Bitmap& top = pieces.Top;
    size(top, w, top_h, !stretch.Top && inside(g.LT.X, 0, g.RT.X, top_h));
    if (stretch.Top)
      copy(top, {n.LT.X, 0, n.RT.X, top_h}, {g.LT.X, 0, g.RT.X, top_h});
    else
      TileColumns(top, source, rx + g.LT.X, rx + g.RT.X, ry, ry + top_h, 0, w, 0, top_h);
    copy(top, {0, 0, n.LT.X, top_h}, {0, 0, g.LT.X, top_h});
    copy(top, {n.RT.X, 0, w, top_h}, {g.RT.X, 0, rw, top_h});
  }

  const int bottom_h = h - nc.Bottom;
  if (w > 0 && bottom_h > 0 && g.RB.X - g.LB.X > 0) {
    built[3] = true;
    Bitmap& bottom = pieces.Bottom;
    const int sy = rh - bottom_h;
    size(bottom, w, bottom_h, !stretch.Bottom && inside(g.LB.X, sy, g.RB.X, rh));
    if (stretch.Bottom)
      copy(bottom, {n.LB.X, 0, n.RB.X, bottom_h}, {g.LB.X, sy, g.RB.X, rh});
    else
      TileColumns(bottom, source, rx + g.LB.X, rx + g.RB.X, ry + sy, ry + rh, 0, w, 0, bottom_h);
    copy(bottom, {0, 0, n.LB.X, bottom_h}, {0, sy, g.LB.X, rh});
    copy(bottom, {n.RB.X, 0, w, bottom_h}, {g.RB.X, sy, rw, rh});
  }

  const int side_h = h - (built[3] ? bottom_h : 0) - (built[1] ? top_h : 0);
  // One side piece: width pw from the source columns [sx0, sx1), repeatable rows [y0, y1).
  auto side = [&](Bitmap& piece, int pw, int sx0, int sx1, int y0, int y1, bool stretched) {
    size(piece, pw, side_h, !stretched && sx1 - sx0 == pw && inside(sx0, y0, sx1, y1));
    if (stretched)
      copy(piece, {0, y0 - c.Top, pw, side_h + y1 - c.Bottom}, {sx0, y0, sx1, y1});
    else
      TileRows(piece, source, ry + y0, ry + y1, rx + sx0, rx + sx1, 0, side_h, 0, pw);
    if (y0 - c.Top > 0) copy(piece, {0, 0, pw, y0 - c.Top}, {sx0, c.Top, sx1, y0});
    if (c.Bottom - y1 > 0) copy(piece, {0, side_h + y1 - c.Bottom, pw, side_h}, {sx0, y1, sx1, c.Bottom});
  };
  const int left_w = nc.Left;
  if (left_w > 0 && side_h > 0 && g.LB.Y - g.LT.Y > 0) {
    built[0] = true;
    side(pieces.Left, left_w, 0, left_w, g.LT.Y, g.LB.Y, stretch.Left);
  }
  const int right_w = w - nc.Right;
  if (right_w >= 1 && side_h >= 1 && g.RB.Y - g.RT.Y >= 1) {
    built[2] = true;
    side(pieces.Right, right_w, c.Right, rw, g.RT.Y, g.RB.Y, stretch.Right);
  }
}

void ComposeMaskBorders(const SliceGeometry& cut, const SliceGeometry& new_cut, const Bitmap& mask,
                        FramePieces& pieces, int width) {
  const SliceGeometry g = detail::Sane(cut), n = detail::Sane(new_cut);
  const int w = detail::Sane(width);
  pieces = FramePieces{};
  if (mask.Empty()) return;
  const int mw = mask.Width(), mh = mask.Height();
  const Rect& c = g.ClRect;
  auto copy = [&](Bitmap& to, Rect d, Rect s) { CanvasCopy(to, d, mask, s); };

  if (w > 0 && c.Top > 0) {
    Bitmap& top = pieces.Top;
    top.SetSize(w, c.Top);
    TileColumns(top, mask, g.LT.X, g.RT.X, 0, c.Top, n.LT.X, n.RT.X, 0, c.Top);
    copy(top, {0, 0, g.LT.X, c.Top}, {0, 0, g.LT.X, c.Top});
    copy(top, {n.RT.X, 0, w, c.Top}, {g.RT.X, 0, mw, c.Top});
  }

  const int side_h = RectSpanY(n.ClRect);
  auto side = [&](Bitmap& piece, int sx0, int sx1, int y0, int y1) {
    const int pw = sx1 - sx0;
    piece.SetSize(pw, side_h);
    TileRows(piece, mask, y0, y1, sx0, sx1, 0, side_h, 0, pw);
    if (y0 - c.Top > 0) copy(piece, {0, 0, pw, y0 - c.Top}, {sx0, c.Top, sx1, y0});
    if (c.Bottom - y1 > 0) copy(piece, {0, side_h - (c.Bottom - y1), pw, side_h}, {sx0, y1, sx1, c.Bottom});
  };
  if (c.Left > 0 && side_h > 0) side(pieces.Left, 0, c.Left, g.LT.Y, g.LB.Y);
  if (mw - c.Right > 0 && side_h > 0) side(pieces.Right, c.Right, mw, g.RT.Y, g.RB.Y);

  const int bh = mh - c.Bottom;
  if (w >= 1 && bh >= 1) {
    Bitmap& bottom = pieces.Bottom;
    bottom.SetSize(w, bh);
    TileColumns(bottom, mask, g.LB.X, g.RB.X, c.Bottom, mh, n.LB.X, n.RB.X, 0, bh);
    copy(bottom, {0, 0, g.LB.X, bh}, {0, c.Bottom, g.LB.X, mh});
    copy(bottom, {n.RB.X, 0, w, bh}, {g.RB.X, c.Bottom, mw, mh});
  }
}

}  // namespace skin
