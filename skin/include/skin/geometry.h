// Rectangles, points, sizes and colours as the skin engine uses them, and the small helpers over
// them. Right and Bottom are exclusive; a colour is 0x00BBGGRR (red in the lowest byte).
#pragma once

#include <cstdint>

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

struct Size {
  int Width = 0;
  int Height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

using Color = uint32_t;

constexpr int RectSpanX(const Rect& r) { return r.Right - r.Left; }
constexpr int RectSpanY(const Rect& r) { return r.Bottom - r.Top; }
// A rectangle without area: its width or its height is not positive.
constexpr bool RectIsEmpty(const Rect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
// A skin point with a zero coordinate was not given in the skin's INI text.
constexpr bool PointIsUnset(const Point& p) { return p.X == 0 || p.Y == 0; }
constexpr bool PointInRectInclusive(const Rect& r, const Point& p) {
  return r.Left <= p.X && p.X <= r.Right && r.Top <= p.Y && p.Y <= r.Bottom;
}
// Both corners must pass the half-open test of outer, so an inner rectangle touching outer's
// right or bottom edge does not count as inside.
constexpr bool RectInsideRect(const Rect& inner, const Rect& outer) {
  auto inside = [&](int x, int y) {
    return outer.Left <= x && x < outer.Right && outer.Top <= y && y < outer.Bottom;
  };
  return inside(inner.Left, inner.Top) && inside(inner.Right, inner.Bottom);
}
constexpr Rect OffsetRect(const Rect& r, int dx, int dy) {
  return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}
// Empty result (all zero) when the two do not overlap.
Rect IntersectRects(const Rect& a, const Rect& b);

constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr Color MakeColor(int r, int g, int b) {
  return static_cast<Color>(r & 0xFF) | static_cast<Color>(g & 0xFF) << 8 |
         static_cast<Color>(b & 0xFF) << 16;
}
// 0x00BBGGRR colour <-> 0xAARRGGBB pixel of a skin::Bitmap.
constexpr uint32_t ColorToPixel(Color c, uint32_t alpha = 0xFF) {
  return alpha << 24 | static_cast<uint32_t>(RedOf(c)) << 16 | static_cast<uint32_t>(GreenOf(c)) << 8 |
         static_cast<uint32_t>(BlueOf(c));
}
constexpr Color PixelToColor(uint32_t px) {
  return MakeColor(static_cast<int>((px >> 16) & 0xFF), static_cast<int>((px >> 8) & 0xFF),
                   static_cast<int>(px & 0xFF));
}

Color MixColors(Color c1, Color c2);
// Each channel loses channel * percent / 100, rounded half away from zero; clamped to 0..255.
Color DarkenColor(Color c, int percent);

}  // namespace skin
