#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "skin/canvas_copy.h"
#include "tiling.h"

namespace skin {

namespace {

// Source index for destination offset i of a span of dn pixels drawn from sn pixels, as the
// platform's colour-on-colour stretching picks it: the source pixel where the destination
// pixel's left (top) edge falls.
inline int64_t NearestIndex(int64_t i, int64_t sn, int64_t dn) { return (i * sn) / dn; }

}  // namespace

void CanvasCopy(Bitmap& dest, const Rect& dr, const Bitmap& src, const Rect& sr, const Rect* clip) {
  // Spans in 64 bits: rectangles from far-off geometry may be wider than an int.
  const int64_t dw = int64_t{dr.Right} - dr.Left, dh = int64_t{dr.Bottom} - dr.Top;
  const int64_t sw = int64_t{sr.Right} - sr.Left, sh = int64_t{sr.Bottom} - sr.Top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || dest.Empty() || src.Empty()) return;
  Rect visible = IntersectRects(dr, {0, 0, dest.Width(), dest.Height()});
  if (clip) visible = IntersectRects(visible, *clip);
  if (RectIsEmpty(visible)) return;

  if (dw == sw && dh == sh) {
    // Unscaled: also cut to the part whose source lies inside src, then whole rows at once.
    // Cut to the part whose source lies inside src (in 64 bits: the offset may be huge).
    const int64_t dx = int64_t{sr.Left} - dr.Left, dy = int64_t{sr.Top} - dr.Top;
    visible.Left = static_cast<int>(std::max<int64_t>(visible.Left, -dx));
    visible.Top = static_cast<int>(std::max<int64_t>(visible.Top, -dy));
    visible.Right = static_cast<int>(std::min<int64_t>(visible.Right, src.Width() - dx));
    visible.Bottom = static_cast<int>(std::min<int64_t>(visible.Bottom, src.Height() - dy));
    if (RectIsEmpty(visible)) return;
    const int width = RectSpanX(visible);
    const size_t bytes = static_cast<size_t>(width) * 4;
    const bool same_bitmap = &dest == &src;
    uint32_t* out = dest.Row(visible.Top) + visible.Left;
    const uint32_t* in = src.Row(static_cast<int>(visible.Top + dy)) + (visible.Left + dx);
    const ptrdiff_t out_stride = dest.Width(), in_stride = src.Width();
    for (int y = visible.Top; y < visible.Bottom; ++y, out += out_stride, in += in_stride) {
      // Frame sides are a pixel or two wide: a call per row would cost more than the copy.
      if (width <= 8 && !same_bitmap)
        for (int i = 0; i < width; ++i) out[i] = in[i];
      else
        std::memmove(out, in, bytes);
    }
    return;
  }

  std::vector<int64_t> column(static_cast<size_t>(RectSpanX(visible)));
  for (int x = visible.Left; x < visible.Right; ++x)
    column[x - visible.Left] = static_cast<int64_t>(sr.Left) + NearestIndex(int64_t{x} - dr.Left, sw, dw);
  for (int y = visible.Top; y < visible.Bottom; ++y) {
    const int64_t sy = sr.Top + NearestIndex(int64_t{y} - dr.Top, sh, dh);
    if (sy < 0 || sy >= src.Height()) continue;
    const uint32_t* in = src.Row(static_cast<int>(sy));
    uint32_t* out = dest.Row(y);
    for (int x = visible.Left; x < visible.Right; ++x) {
      const int64_t sx = column[x - visible.Left];
      if (sx >= 0 && sx < src.Width()) out[x] = in[sx];
    }
  }
}

void StretchDraw(Bitmap& dest, const Rect& dr, const Bitmap& src, const Rect* clip) {
  CanvasCopy(dest, dr, src, {0, 0, src.Width(), src.Height()}, clip);
}

void DrawGlyphCell(Bitmap& canvas, int left, int top, int index, int cell_count, const Bitmap& strip) {
  if (strip.Empty() || cell_count <= 0 || index < 1 || index > cell_count) return;
  const int cw = strip.Width() / cell_count, ch = strip.Height();
  if (cw <= 0) return;
  left = detail::Sane(left);
  top = detail::Sane(top);
  const int sx0 = (index - 1) * cw;
  const uint32_t key = strip.Pixel(sx0, ch - 1) & 0x00FFFFFF;
  const Rect visible = IntersectRects({left, top, left + cw, top + ch}, {0, 0, canvas.Width(), canvas.Height()});
  for (int y = visible.Top; y < visible.Bottom; ++y) {
    const uint32_t* in = strip.Row(y - top) + sx0 - left;
    uint32_t* out = canvas.Row(y);
    for (int x = visible.Left; x < visible.Right; ++x)
      if ((in[x] & 0x00FFFFFF) != key) out[x] = in[x];
  }
}

}  // namespace skin
