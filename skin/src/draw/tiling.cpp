#include "tiling.h"
#include "skin/canvas_copy.h"

#include <algorithm>
#include <cstdint>

namespace skin::detail {

namespace {

// Calls place(start, overflow) for every visible tile of a span; limit is the bitmap's extent.
template <typename Place>
void ForEachTile(int period, int d0, int d1, int limit, Place place) {
  if (period <= 0) return;
  const int64_t count = (static_cast<int64_t>(d1) - d0) / period;
  int64_t first = 0;
  if (d0 < 0) first = (-static_cast<int64_t>(d0)) / period;  // the first tile that reaches x = 0
  for (int64_t i = first; i <= count; ++i) {
    const int64_t start = d0 + i * period;
    if (start >= limit) break;
    const int64_t overflow = std::max<int64_t>(0, start + period - d1);
    if (overflow >= period) continue;
    place(static_cast<int>(start), static_cast<int>(overflow));
  }
}

}  // namespace

void TileColumns(Bitmap& dest, const Bitmap& src, int s0, int s1, int sy0, int sy1, int d0, int d1, int dy0,
                 int dy1) {
  const int p = s1 - s0;
  ForEachTile(p, d0, d1, dest.Width(), [&](int x, int o) {
    CanvasCopy(dest, {x, dy0, x + p - o, dy1}, src, {s0, sy0, s1 - o, sy1});
  });
}

void TileRows(Bitmap& dest, const Bitmap& src, int s0, int s1, int sx0, int sx1, int d0, int d1, int dx0,
              int dx1) {
  const int p = s1 - s0;
  ForEachTile(p, d0, d1, dest.Height(), [&](int y, int o) {
    CanvasCopy(dest, {dx0, y, dx1, y + p - o}, src, {sx0, s0, sx1, s1 - o});
  });
}

}  // namespace skin::detail
