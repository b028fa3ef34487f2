// One-dimensional three-part composition: two fixed caps and a middle that is tiled or stretched.
#include "skin/strips.h"
#include "skin/canvas_copy.h"
#include "tiling.h"

namespace skin {

void ComposeHorizontalStrip(int left_w, int right_w, Bitmap& dest, const Bitmap& source, const Rect& skin_rect, int w,
                            bool stretch) {
  const Rect r = detail::Sane(skin_rect);
  const int left = detail::Sane(left_w), right = detail::Sane(right_w);
  const int h = RectSpanY(r);
  dest.SetSize(w, h);
  if (dest.Empty() || source.Empty()) return;
  if (left != 0) CanvasCopy(dest, {0, 0, left, h}, source, {r.Left, r.Top, r.Left + left, r.Bottom});
  if (right != 0) CanvasCopy(dest, {w - right, 0, w, h}, source, {r.Right - right, r.Top, r.Right, r.Bottom});
  // A middle of no width has nothing to draw; taking its period as 1 would only copy empty tiles.
  const Rect middle{r.Left + left, r.Top, r.Right - right, r.Bottom};
  if (RectSpanX(middle) <= 0) return;
  if (stretch)
    CanvasCopy(dest, {left, 0, w - right, h}, source, middle);
  else
    detail::TileColumns(dest, source, middle.Left, middle.Right, middle.Top, middle.Bottom, left, w - right, 0, h);
}

void ComposeVerticalStrip(int top_h, int bottom_h, Bitmap& dest, const Bitmap& source, const Rect& skin_rect, int h,
                          bool stretch) {
  const Rect r = detail::Sane(skin_rect);
  const int top = detail::Sane(top_h), bottom = detail::Sane(bottom_h);
  const int w = RectSpanX(r);
  dest.SetSize(w, h);
  if (dest.Empty() || source.Empty()) return;
  if (top != 0) CanvasCopy(dest, {0, 0, w, top}, source, {r.Left, r.Top, r.Right, r.Top + top});
  if (bottom != 0) CanvasCopy(dest, {0, h - bottom, w, h}, source, {r.Left, r.Bottom - bottom, r.Right, r.Bottom});
  const Rect middle{r.Left, r.Top + top, r.Right, r.Bottom - bottom};
  if (RectSpanY(middle) <= 0) return;
  if (stretch)
    CanvasCopy(dest, {0, top, w, h - bottom}, source, middle);
  else
    detail::TileRows(dest, source, middle.Top, middle.Bottom, middle.Left, middle.Right, top, h - bottom, 0, w);
}

}  // namespace skin
