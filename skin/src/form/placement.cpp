#include <algorithm>
#include <cstdlib>

#include "skin/placement.h"

namespace skin {

int FrameMinWidth(const FrameSkin* skin, const SizeLimits& limits) {
  if (!skin) return limits.MinWidth > 0 ? limits.MinWidth : 120;
  if (skin->Pw < limits.MinWidth) return limits.MinWidth;
  if (skin->FormMinWidth > 0) return std::max(skin->FormMinWidth, limits.MinWidth);
  return skin->Pw;
}

int FrameMinHeight(const FrameSkin* skin, const SizeLimits& limits, bool tool_window) {
  if (!skin) return std::max(PlainCaptionHeight(tool_window) + 6, limits.MinHeight);
  if (skin->FormMinHeight != 0) return std::max(skin->FormMinHeight, limits.MinHeight);
  const int frame = skin->Ph - RectSpanY(skin->ClRect);
  return frame >= limits.MinHeight ? frame : limits.MinHeight;
}

Size EnforceMinimumSize(Size size, Size minimum, bool& nudge) {
  nudge = false;
  if (size.Width < minimum.Width && size.Height < minimum.Height) return minimum;
  if (size.Width < minimum.Width) return {minimum.Width, size.Height};
  if (size.Height < minimum.Height) return {size.Width, minimum.Height};
  nudge = true;
  return size;
}

int WidthNudgeStep(int width, int min_width) { return width - 1 < min_width ? 1 : -1; }

Point CenterInArea(const Rect& a, int w, int h) {
  return {a.Left + RectSpanX(a) / 2 - w / 2, a.Top + RectSpanY(a) / 2 - h / 2};
}

Point MinimizedFormPlace(const Rect& area, Size size, std::span<const Rect> occupied) {
  const int w = size.Width, h = size.Height;
  const Point first{area.Left, area.Bottom - h};
  if (w <= 0 || h <= 0) return first;
  auto overlaps = [](const Rect& a, const Rect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
  };
  int x = first.X, y = first.Y;
  // Every step moves right past a form in the way (x grows) or up a row (y falls), so the scan
  // ends after at most one step per form per row.
  while (y >= area.Top) {
    const Rect candidate{x, y, x + w, y + h};
    const Rect* blocker = nullptr;
    for (const Rect& r : occupied) {
      if (overlaps(candidate, r)) {
        blocker = &r;
        break;
      }
    }
    if (!blocker) return {x, y};
    x = blocker->Right;
    if (x + w > area.Right) {
      x = area.Left;
      y -= h;
    }
  }
  return first;
}

namespace {

// One axis of the magnetic rule for the low edge (left or top): pos is the proposed coordinate of
// the window's edge, returns the adjusted one.
int SnapLow(int pos, int edge, int m, int cursor, bool& stuck, int& anchor) {
  const bool near_edge = edge - m < pos && pos < edge + m;
  if (near_edge && !stuck) {
    pos = edge;
    anchor = cursor;
  } else if (stuck && std::abs(cursor - anchor) > m) {
    pos = cursor + edge - anchor;
  } else if (stuck) {
    pos = edge;
  }
  stuck = near_edge;
  return pos;
}

// The high edge (right or bottom): pos is the window's near coordinate, size its extent.
int SnapHigh(int pos, int size, int edge, int m, int cursor, bool& stuck, int& anchor) {
  const int far = pos + size;
  const bool near_edge = edge - m < far && far < edge + m;
  if (near_edge && !stuck) {
    pos = edge - size;
    anchor = cursor;
  } else if (stuck && std::abs(cursor - anchor) > m) {
    pos = cursor + edge - size - anchor;
  } else if (stuck) {
    pos = edge - size;
  }
  stuck = near_edge;
  return pos;
}

}  // namespace

Rect MagneticMove(const Rect& proposed, const Rect& a, int m, Point cursor, MagneticState& st) {
  const int w = RectSpanX(proposed), h = RectSpanY(proposed);
  int x = SnapLow(proposed.Left, a.Left, m, cursor.X, st.StuckLeft, st.AnchorX);
  int y = SnapLow(proposed.Top, a.Top, m, cursor.Y, st.StuckTop, st.AnchorY);
  x = SnapHigh(x, w, a.Right, m, cursor.X, st.StuckRight, st.AnchorX);
  y = SnapHigh(y, h, a.Bottom, m, cursor.Y, st.StuckBottom, st.AnchorY);
  return {x, y, x + w, y + h};
}

}  // namespace skin
