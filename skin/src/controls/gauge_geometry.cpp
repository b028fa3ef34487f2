#include "skin/gauge_geometry.h"

#include <algorithm>
#include <cstdint>

#include "skin/canvas_copy.h"

namespace skin {

namespace {
// value - minValue within [0, range]; the setters keep the value in range, but an inverted range
// (the setters do not order minimum and maximum) must not give a negative or oversized fill.
int64_t Progress(int minValue, int maxValue, int value, int64_t& range) {
  range = int64_t{maxValue} - minValue;
  if (range <= 0) return 0;
  return std::clamp<int64_t>(int64_t{value} - minValue, 0, range);
}
}  // namespace

int GaugePercent(int minValue, int maxValue, int value) {
  int64_t range = 0;
  const int64_t d = Progress(minValue, maxValue, value, range);
  return range <= 0 ? 0 : static_cast<int>(100 * d / range);
}

std::string GaugeText(std::string_view progressText, bool showProgressText, bool showPercent, int percent) {
  std::string text;
  if (showProgressText) text += progressText;
  if (showPercent) text += std::to_string(percent) + "%";
  return text;
}

Rect GaugeFillRect(const Rect& area, int minValue, int maxValue, int value, bool vertical) {
  int64_t range = 0;
  const int64_t d = Progress(minValue, maxValue, value, range);
  const int64_t extent = std::max(0, vertical ? area.Height() : area.Width());
  const int length = range <= 0 ? 0 : static_cast<int>(extent * d / range);
  Rect r = area;
  if (vertical)
    r.Top = area.Bottom - length;
  else
    r.Right = area.Left + length;
  return r;
}

Rect GaugeProgressArea(const Rect& progressArea, int sliceMode, const Rect& skinRect, int w, int h, bool vertical) {
  Rect a = progressArea;
  if (sliceMode > 0) {
    a.Right += w - skinRect.Width();
    if (vertical) a.Bottom += h - skinRect.Height();
  }
  return a;
}

Rect AnimationFrameRect(const Rect& strip, int progressRectWidth, int count, int k) {
  if (count < 1 || k < 1 || k > count) return {};
  if (progressRectWidth < strip.Width()) {
    const int fw = strip.Width() / count;
    return {strip.Left + fw * (k - 1), strip.Top, strip.Left + fw * k, strip.Bottom};
  }
  const int fh = strip.Height() / count;
  return {strip.Left, strip.Top + fh * (k - 1), strip.Right, strip.Top + fh * k};
}

Point GaugeTextOrigin(int w, int h, int textWidth, int textHeight, int fontHeight, bool vertical) {
  Point p = vertical ? Point{w / 2 - textHeight / 2, h / 2 + textWidth / 2}
                     : Point{w / 2 - textWidth / 2, h / 2 - textHeight / 2};
  if ((fontHeight / 2) * 2 != fontHeight) p.Y -= 1;
  return p;
}

bool ComposeGaugeBar(Bitmap& bar, const Bitmap& picture, const GaugeBarSource& s, int w, int h) {
  bar.SetSize(w, h);
  if (bar.Empty()) return false;
  const Rect& pr = s.ProgressRect;
  const Rect middleFrom = RectIsEmpty(s.FrameRect) ? pr : s.FrameRect;
  const int begin = std::max(0, s.BeginOffset), end = std::max(0, s.EndOffset);
  const bool stretch = s.Stretch || !RectIsEmpty(s.FrameRect);
  if (!s.Vertical) {
    if (w > begin + end) {
      const Rect d{begin, 0, w - end, h};
      const Rect src{middleFrom.Left + begin, middleFrom.Top, middleFrom.Right - end, middleFrom.Bottom};
      if (src.Width() <= 0) return false;
      if (stretch) {
        CanvasCopy(bar, d, picture, src);
      } else {
        for (int x = d.Left; x < d.Right; x += src.Width()) {
          const int span = std::min(src.Width(), d.Right - x);
          CanvasCopy(bar, {x, 0, x + span, h}, picture, {src.Left, src.Top, src.Left + span, src.Bottom});
        }
      }
    }
    if (begin > 0) CanvasCopy(bar, {0, 0, begin, h}, picture, {pr.Left, pr.Top, pr.Left + begin, pr.Bottom});
    if (end > 0) CanvasCopy(bar, {w - end, 0, w, h}, picture, {pr.Right - end, pr.Top, pr.Right, pr.Bottom});
  } else {
    if (h > begin + end) {
      const Rect d{0, begin, w, h - end};
      const Rect src{middleFrom.Left, middleFrom.Top + begin, middleFrom.Right, middleFrom.Bottom - end};
      if (src.Height() <= 0) return false;
      if (stretch) {
        CanvasCopy(bar, d, picture, src);
      } else {
        // Filled upwards: whole tiles from the bottom, the top one cut.
        for (int y = d.Bottom; y > d.Top; y -= src.Height()) {
          const int span = std::min(src.Height(), y - d.Top);
          CanvasCopy(bar, {0, y - span, w, y}, picture, {src.Left, src.Bottom - span, src.Right, src.Bottom});
        }
      }
    }
    if (begin > 0) CanvasCopy(bar, {0, 0, w, begin}, picture, {pr.Left, pr.Top, pr.Right, pr.Top + begin});
    if (end > 0) CanvasCopy(bar, {0, h - end, w, h}, picture, {pr.Left, pr.Bottom - end, pr.Right, pr.Bottom});
  }
  return true;
}

void DrawGaugeBar(Bitmap& dest, const Bitmap& bar, int x, int y, bool transparent, Color transparentColour) {
  const Rect c = IntersectRects({x, y, x + bar.Width(), y + bar.Height()}, {0, 0, dest.Width(), dest.Height()});
  if (RectIsEmpty(c)) return;
  const uint32_t key = ColorToPixel(transparentColour) & 0x00FFFFFFu;
  for (int row = c.Top; row < c.Bottom; ++row) {
    const uint32_t* in = bar.Row(row - y) - x;
    uint32_t* out = dest.Row(row);
    for (int col = c.Left; col < c.Right; ++col)
      if (!transparent || (in[col] & 0x00FFFFFFu) != key) out[col] = in[col];
  }
}

}  // namespace skin
