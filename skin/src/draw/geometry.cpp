#include "skin/geometry.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace skin {

Rect IntersectRects(const Rect& a, const Rect& b) {
  Rect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
         std::min(a.Bottom, b.Bottom)};
  if (RectIsEmpty(r)) return {};
  return r;
}

Color MixColors(Color c1, Color c2) {
  return MakeColor((RedOf(c1) + RedOf(c2)) / 2, (GreenOf(c1) + GreenOf(c2)) / 2,
                   (BlueOf(c1) + BlueOf(c2)) / 2);
}

namespace {

// a * b / c rounded to the nearest integer, halves away from zero (the platform's MulDiv).
int64_t MulDivRound(int64_t a, int64_t b, int64_t c) {
  const int64_t product = a * b;
  const bool negative = (product < 0) != (c < 0);
  const int64_t q = (std::llabs(product) * 2 + std::llabs(c)) / (std::llabs(c) * 2);
  return negative ? -q : q;
}

int DarkenChannel(int channel, int percent) {
  return static_cast<int>(std::clamp<int64_t>(channel - MulDivRound(channel, percent, 100), 0, 255));
}

}  // namespace

Color DarkenColor(Color c, int percent) {
  return MakeColor(DarkenChannel(RedOf(c), percent), DarkenChannel(GreenOf(c), percent),
                   DarkenChannel(BlueOf(c), percent));
}

}  // namespace skin
