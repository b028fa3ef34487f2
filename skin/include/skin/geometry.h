// Plain geometry shared by the skin engine: rectangles (right and bottom exclusive) and points.
#pragma once

namespace skin {

struct Point {
  int X = 0;
  int Y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// A rectangle without area: its width or its height is not positive.
inline bool IsRectEmpty(const Rect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
// A skin point is unset when either coordinate is 0.
inline bool IsPointUnset(const Point& p) { return p.X == 0 || p.Y == 0; }

}  // namespace skin
