// One-dimensional three-part composition: two fixed caps and a middle that is tiled or stretched.
#include "skin/strips.h"
#include "skin/canvas_copy.h"
#include "tiling.h"

namespace skin {

void ComposeHorizontalStrip(int leftW, int rightW, Bitmap& Dest, const Bitmap& Source, const Rect& skinRect, int W,
                            bool Stretch) {
  const Rect R = detail::Sane(skinRect);
  const int LeftW = detail::Sane(leftW), RightW = detail::Sane(rightW);
  const int h = RectSpanY(R);
  Dest.SetSize(W, h);
  if (Dest.Empty() || Source.Empty()) return;
  if (LeftW != 0) CanvasCopy(Dest, {0, 0, LeftW, h}, Source, {R.Left, R.Top, R.Left + LeftW, R.Bottom});
  if (RightW != 0) CanvasCopy(Dest, {W - RightW, 0, W, h}, Source, {R.Right - RightW, R.Top, R.Right, R.Bottom});
  // A middle of no width has nothing to draw; taking its period as 1 would only copy empty tiles.
  const Rect middle{R.Left + LeftW, R.Top, R.Right - RightW, R.Bottom};
  if (RectSpanX(middle) <= 0) return;
  if (Stretch)
    CanvasCopy(Dest, {LeftW, 0, W - RightW, h}, Source, middle);
  else
    detail::TileColumns(Dest, Source, middle.Left, middle.Right, middle.Top, middle.Bottom, LeftW, W - RightW, 0, h);
}

void ComposeVerticalStrip(int topH, int bottomH, Bitmap& Dest, const Bitmap& Source, const Rect& skinRect, int H,
                          bool Stretch) {
  const Rect R = detail::Sane(skinRect);
  const int TopH = detail::Sane(topH), BottomH = detail::Sane(bottomH);
  const int w = RectSpanX(R);
  Dest.SetSize(w, H);
  if (Dest.Empty() || Source.Empty()) return;
  if (TopH != 0) CanvasCopy(Dest, {0, 0, w, TopH}, Source, {R.Left, R.Top, R.Right, R.Top + TopH});
  if (BottomH != 0) CanvasCopy(Dest, {0, H - BottomH, w, H}, Source, {R.Left, R.Bottom - BottomH, R.Right, R.Bottom});
  const Rect middle{R.Left, R.Top + TopH, R.Right, R.Bottom - BottomH};
  if (RectSpanY(middle) <= 0) return;
  if (Stretch)
    CanvasCopy(Dest, {0, TopH, w, H - BottomH}, Source, middle);
  else
    detail::TileRows(Dest, Source, middle.Top, middle.Bottom, middle.Left, middle.Right, TopH, H - BottomH, 0, w);
}

}  // namespace skin
