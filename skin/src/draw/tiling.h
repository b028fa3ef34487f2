// Tiling of one repeatable edge segment, shared by the composition functions.
#pragma once

#include "skin/nine_slice.h"

namespace skin::detail {

// Coordinates beyond this are far outside any bitmap; clamping them at the entry of each
// composition keeps every sum and difference of a few of them inside an int.
inline constexpr int kCoordLimit = 1 << 28;
inline int Sane(int v) { return v < -kCoordLimit ? -kCoordLimit : v > kCoordLimit ? kCoordLimit : v; }
inline Point Sane(const Point& p) { return {Sane(p.X), Sane(p.Y)}; }
inline Rect Sane(const Rect& r) { return {Sane(r.Left), Sane(r.Top), Sane(r.Right), Sane(r.Bottom)}; }
inline SliceGeometry Sane(const SliceGeometry& g) {
  return {Sane(g.LT), Sane(g.RT), Sane(g.LB), Sane(g.RB), Sane(g.ClRect)};
}

// Repeats the source columns [s0, s1) of rows [sy0, sy1) along the destination columns [d0, d1)
// of rows [dy0, dy1): tile i starts at d0 + i * period for i = 0 .. (d1 - d0) / period, and a tile
// reaching past d1 is cut by its overflow. Tiles that cannot reach the bitmap are skipped, so the
// work is bounded by the bitmap's width whatever the span.
void TileColumns(Bitmap& dest, const Bitmap& src, int s0, int s1, int sy0, int sy1, int d0, int d1, int dy0,
                 int dy1);
// The same downwards: source rows [s0, s1) of columns [sx0, sx1) along destination rows [d0, d1).
void TileRows(Bitmap& dest, const Bitmap& src, int s0, int s1, int sx0, int sx1, int d0, int d1, int dx0,
              int dx1);

}  // namespace skin::detail
