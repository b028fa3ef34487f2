// Nine-slice composition of a skin rectangle r. The cut, in r's own coordinates:
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

void DrawCentre(const SliceGeometry& g, const SliceGeometry& n, Bitmap& dest, const Bitmap& source, const Rect& r,
                bool stretch_effect, int stretch_type) {
  const Rect piece = OffsetRect(g.ClRect, r.Left, r.Top);
  const Rect& to = n.ClRect;
  const int pw = RectSpanX(piece), ph = RectSpanY(piece);
  if (pw <= 0 || ph <= 0 || RectIsEmpty(to)) return;
  const int64_t new_w = int64_t{to.Right} - to.Left, new_h = int64_t{to.Bottom} - to.Top;
  if (stretch_effect) {
    switch (stretch_type) {
      case kStretchFull:
        CanvasCopy(dest, to, source, piece);
        break;
      case kStretchHorizontal:
        // The piece scaled to its own width and the full height, repeated rightwards.
        for (int64_t i = FirstVisible(to.Left, pw); i <= new_w / pw && to.Left + i * pw < dest.Width(); ++i)
          CanvasCopy(dest, {static_cast<int>(to.Left + i * pw), to.Top, static_cast<int>(to.Left + (i + 1) * pw), to.Bottom},
                     source, piece, &to);
        break;
      case kStretchVertical:
        for (int64_t j = FirstVisible(to.Top, ph); j <= new_h / ph && to.Top + j * ph < dest.Height(); ++j)
          CanvasCopy(dest, {to.Left, static_cast<int>(to.Top + j * ph), to.Right, static_cast<int>(to.Top + (j + 1) * ph)},
                     source, piece, &to);
        break;
      default:
        break;
    }
    return;
  }
  for (int64_t j = FirstVisible(to.Top, ph); j <= new_h / ph && to.Top + j * ph < dest.Height(); ++j) {
    const int y = static_cast<int>(to.Top + j * ph);
    const int oy = std::max(0, y + ph - to.Bottom);
    if (oy >= ph) continue;
    TileColumns(dest, source, piece.Left, piece.Right, piece.Top, piece.Bottom - oy, to.Left, to.Right, y,
                y + ph - oy);
  }
}

}  // namespace

void ComposeNineSlice(const SliceGeometry& cut, const SliceGeometry& new_cut, Bitmap& dest, const Bitmap& source,
                      const Rect& skin_rect, int w, int h, bool draw_centre, EdgeStretch stretch, bool stretch_effect,
                      int stretch_type) {
  dest.SetSize(w, h);
  const SliceGeometry g = detail::Sane(cut), n = detail::Sane(new_cut);
  const Rect r = detail::Sane(skin_rect);
  if (g.RB.X == g.LT.X || g.RB.Y == g.LT.Y || source.Empty() || dest.Empty()) return;
  const int rx = r.Left, ry = r.Top;
  const int rw = RectSpanX(r), rh = RectSpanY(r);
  const Rect& c = g.ClRect;
  const Rect& nc = n.ClRect;

  // Top edge.
  if (stretch.Top)
    CanvasCopy(dest, {n.LT.X, 0, n.RT.X, nc.Top}, source, {rx + g.LT.X, ry, rx + g.RT.X, ry + c.Top});
  else
    TileColumns(dest, source, rx + g.LT.X, rx + g.RT.X, ry, ry + c.Top, n.LT.X, n.RT.X, 0, nc.Top);
  // Bottom edge.
  if (stretch.Bottom)
    CanvasCopy(dest, {n.LB.X, nc.Bottom, n.RB.X, h}, source, {rx + g.LB.X, ry + c.Bottom, rx + g.RB.X, ry + rh});
  else
    TileColumns(dest, source, rx + g.LB.X, rx + g.RB.X, ry + c.Bottom, ry + rh, n.LB.X, n.RB.X, nc.Bottom, h);
  // Left edge.
  if (stretch.Left)
    CanvasCopy(dest, {0, n.LT.Y, nc.Left, n.LB.Y}, source, {rx, ry + g.LT.Y, rx + c.Left, ry + g.LB.Y});
  else
    TileRows(dest, source, ry + g.LT.Y, ry + g.LB.Y, rx, rx + c.Left, n.LT.Y, n.LB.Y, 0, nc.Left);
  // Right edge.
  if (stretch.Right)
    CanvasCopy(dest, {nc.Right, n.RT.Y, w, n.RB.Y}, source, {rx + c.Right, ry + g.RT.Y, rx + rw, ry + g.RB.Y});
  else
    TileRows(dest, source, ry + g.RT.Y, ry + g.RB.Y, rx + c.Right, rx + rw, n.RT.Y, n.RB.Y, nc.Right, w);

  // The eight fixed pieces.
  auto copy = [&](Rect from, Rect to) { CanvasCopy(dest, to, source, OffsetRect(from, rx, ry)); };
  copy({0, 0, g.LT.X, c.Top}, {0, 0, n.LT.X, nc.Top});
  copy({0, c.Top, c.Left, g.LT.Y}, {0, nc.Top, nc.Left, n.LT.Y});
  copy({g.RT.X, 0, rw, c.Top}, {n.RT.X, 0, w, nc.Top});
  copy({c.Right, c.Top, rw, g.RT.Y}, {nc.Right, nc.Top, w, n.RT.Y});
  copy({0, g.LB.Y, c.Left, rh}, {0, n.LB.Y, nc.Left, h});
  copy({c.Left, c.Bottom, g.LB.X, rh}, {nc.Left, nc.Bottom, n.LB.X, h});
  copy({g.RB.X, c.Bottom, rw, rh}, {n.RB.X, nc.Bottom, w, h});
  copy({c.Right, g.RB.Y, rw, c.Bottom}, {nc.Right, n.RB.Y, w, nc.Bottom});

  if (draw_centre) DrawCentre(g, n, dest, source, r, stretch_effect, stretch_type);
}

void ComposeStretchedNineSlice(Bitmap& dest, const Bitmap& source, const Rect& skin_rect, bool draw_centre,
                               const Rect& client_rect) {
  const int w = dest.Width(), h = dest.Height();
  const Rect cl_rect = detail::Sane(client_rect), r = detail::Sane(skin_rect);
  SliceGeometry g{{cl_rect.Left, cl_rect.Top}, {cl_rect.Right, cl_rect.Top}, {cl_rect.Left, cl_rect.Bottom},
                  {cl_rect.Right, cl_rect.Bottom}, cl_rect};
  Rect nc = cl_rect;
  nc.Right += w - RectSpanX(r);
  nc.Bottom += h - RectSpanY(r);
  SliceGeometry n{{nc.Left, nc.Top}, {nc.Right, nc.Top}, {nc.Left, nc.Bottom}, {nc.Right, nc.Bottom}, nc};
  ComposeNineSlice(g, n, dest, source, r, w, h, draw_centre, {true, true, true, true}, true, kStretchFull);
}

}  // namespace skin
