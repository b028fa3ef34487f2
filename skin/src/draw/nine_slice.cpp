// Nine-slice composition of a skin rectangle R. The cut, in R's own coordinates:
//
//        0     LT.X             RT.X    width
//     0  +------+-----------------+------+
//        |  1   |   top edge ->   |  3   |
// ClTop  |  +---+-----------------+---+  |
//        |  | 2 |                 | 4 |  |
//   LT.Y |  +---+                 +---+  | RT.Y
//        | left |                 | right|
//        | edge |     centre      | edge |
//        |  |   |    (ClRect)     |  |   |
//   LB.Y |  +---+                 +---+  | RB.Y
//        |  | 5 |                 | 8 |  |
// ClBot  |  +---+-----------------+---+  |
//        |  6   |  bottom edge -> |  7   |
// height +------+-----------------+------+
//        0     LB.X             RB.X
//
// The corners 1+2, 3+4, 5+6 and 7+8 are L-shaped and copied unscaled to the new cut; the edges
// are tiled (or stretched) between them and the centre fills the new client rectangle. Edges are
// drawn first, then the eight fixed pieces in the order of their numbers, then the centre.
#include <algorithm>
#include <cstdint>

#include "skin/nine_slice.h"
#include "skin/canvas_copy.h"
#include "tiling.h"

namespace skin {

using detail::TileColumns;
using detail::TileRows;

namespace {

// Index of the first repeat of a period starting at origin that reaches coordinate 0.
int FirstVisible(int origin, int period) { return origin < 0 ? static_cast<int>(-static_cast<int64_t>(origin) / period) : 0; }

void DrawCentre(const SliceGeometry& g, const SliceGeometry& n, Bitmap& Dest, const Bitmap& Source, const Rect& R,
                bool StretchEffect, int StretchType) {
  const Rect piece = OffsetRect(g.ClRect, R.Left, R.Top);
  const Rect& to = n.ClRect;
  const int pw = RectSpanX(piece), ph = RectSpanY(piece);
  if (pw <= 0 || ph <= 0 || RectIsEmpty(to)) return;
  const int64_t newW = int64_t{to.Right} - to.Left, newH = int64_t{to.Bottom} - to.Top;
  if (StretchEffect) {
    switch (StretchType) {
      case kStretchFull:
        CanvasCopy(Dest, to, Source, piece);
        break;
      case kStretchHorizontal:
        // The piece scaled to its own width and the full height, repeated rightwards.
        for (int64_t i = FirstVisible(to.Left, pw); i <= newW / pw && to.Left + i * pw < Dest.Width(); ++i)
          CanvasCopy(Dest, {static_cast<int>(to.Left + i * pw), to.Top, static_cast<int>(to.Left + (i + 1) * pw), to.Bottom},
                     Source, piece, &to);
        break;
      case kStretchVertical:
        for (int64_t j = FirstVisible(to.Top, ph); j <= newH / ph && to.Top + j * ph < Dest.Height(); ++j)
          CanvasCopy(Dest, {to.Left, static_cast<int>(to.Top + j * ph), to.Right, static_cast<int>(to.Top + (j + 1) * ph)},
                     Source, piece, &to);
        break;
      default:
        break;
    }
    return;
  }
  for (int64_t j = FirstVisible(to.Top, ph); j <= newH / ph && to.Top + j * ph < Dest.Height(); ++j) {
    const int y = static_cast<int>(to.Top + j * ph);
    const int oy = std::max(0, y + ph - to.Bottom);
    if (oy >= ph) continue;
    TileColumns(Dest, Source, piece.Left, piece.Right, piece.Top, piece.Bottom - oy, to.Left, to.Right, y,
                y + ph - oy);
  }
}

}  // namespace

void ComposeNineSlice(const SliceGeometry& cut, const SliceGeometry& newCut, Bitmap& Dest, const Bitmap& Source,
                      const Rect& skinRect, int W, int H, bool DrawCentre_, EdgeStretch stretch, bool StretchEffect,
                      int StretchType) {
  Dest.SetSize(W, H);
  const SliceGeometry g = detail::Sane(cut), n = detail::Sane(newCut);
  const Rect R = detail::Sane(skinRect);
  if (g.RB.X == g.LT.X || g.RB.Y == g.LT.Y || Source.Empty() || Dest.Empty()) return;
  const int rx = R.Left, ry = R.Top;
  const int rw = RectSpanX(R), rh = RectSpanY(R);
  const Rect& c = g.ClRect;
  const Rect& nc = n.ClRect;

  // Top edge.
  if (stretch.Top)
    CanvasCopy(Dest, {n.LT.X, 0, n.RT.X, nc.Top}, Source, {rx + g.LT.X, ry, rx + g.RT.X, ry + c.Top});
  else
    TileColumns(Dest, Source, rx + g.LT.X, rx + g.RT.X, ry, ry + c.Top, n.LT.X, n.RT.X, 0, nc.Top);
  // Bottom edge.
  if (stretch.Bottom)
    CanvasCopy(Dest, {n.LB.X, nc.Bottom, n.RB.X, H}, Source, {rx + g.LB.X, ry + c.Bottom, rx + g.RB.X, ry + rh});
  else
    TileColumns(Dest, Source, rx + g.LB.X, rx + g.RB.X, ry + c.Bottom, ry + rh, n.LB.X, n.RB.X, nc.Bottom, H);
  // Left edge.
  if (stretch.Left)
    CanvasCopy(Dest, {0, n.LT.Y, nc.Left, n.LB.Y}, Source, {rx, ry + g.LT.Y, rx + c.Left, ry + g.LB.Y});
  else
    TileRows(Dest, Source, ry + g.LT.Y, ry + g.LB.Y, rx, rx + c.Left, n.LT.Y, n.LB.Y, 0, nc.Left);
  // Right edge.
  if (stretch.Right)
    CanvasCopy(Dest, {nc.Right, n.RT.Y, W, n.RB.Y}, Source, {rx + c.Right, ry + g.RT.Y, rx + rw, ry + g.RB.Y});
  else
    TileRows(Dest, Source, ry + g.RT.Y, ry + g.RB.Y, rx + c.Right, rx + rw, n.RT.Y, n.RB.Y, nc.Right, W);

  // The eight fixed pieces.
  auto copy = [&](Rect from, Rect to) { CanvasCopy(Dest, to, Source, OffsetRect(from, rx, ry)); };
  copy({0, 0, g.LT.X, c.Top}, {0, 0, n.LT.X, nc.Top});
  copy({0, c.Top, c.Left, g.LT.Y}, {0, nc.Top, nc.Left, n.LT.Y});
  copy({g.RT.X, 0, rw, c.Top}, {n.RT.X, 0, W, nc.Top});
  copy({c.Right, c.Top, rw, g.RT.Y}, {nc.Right, nc.Top, W, n.RT.Y});
  copy({0, g.LB.Y, c.Left, rh}, {0, n.LB.Y, nc.Left, H});
  copy({c.Left, c.Bottom, g.LB.X, rh}, {nc.Left, nc.Bottom, n.LB.X, H});
  copy({g.RB.X, c.Bottom, rw, rh}, {n.RB.X, nc.Bottom, W, H});
  copy({c.Right, g.RB.Y, rw, c.Bottom}, {nc.Right, n.RB.Y, W, nc.Bottom});

  if (DrawCentre_) DrawCentre(g, n, Dest, Source, R, StretchEffect, StretchType);
}

void ComposeStretchedNineSlice(Bitmap& Dest, const Bitmap& Source, const Rect& skinRect, bool DrawCentre,
                               const Rect& clientRect) {
  const int W = Dest.Width(), H = Dest.Height();
  const Rect ClRect = detail::Sane(clientRect), R = detail::Sane(skinRect);
  SliceGeometry g{{ClRect.Left, ClRect.Top}, {ClRect.Right, ClRect.Top}, {ClRect.Left, ClRect.Bottom},
                  {ClRect.Right, ClRect.Bottom}, ClRect};
  Rect nc = ClRect;
  nc.Right += W - RectSpanX(R);
  nc.Bottom += H - RectSpanY(R);
  SliceGeometry n{{nc.Left, nc.Top}, {nc.Right, nc.Top}, {nc.Left, nc.Bottom}, {nc.Right, nc.Bottom}, nc};
  ComposeNineSlice(g, n, Dest, Source, R, W, H, DrawCentre, {true, true, true, true}, true, kStretchFull);
}

}  // namespace skin
