#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "skin/effects.h"

namespace skin {

namespace {

// Round half to even (the FPU's default mode) and clamp to a channel.
inline uint8_t RoundChannel(long double v) {
  const long double r = std::nearbyintl(v);
  if (!(r > 0)) return 0;
  if (r >= 255) return 255;
  return static_cast<uint8_t>(r);
}

inline long double Clamp01(double k) {
  if (!(k > 0)) return 0;  // also NaN
  if (k > 1) return 1;
  return k;
}

}  // namespace

TbsEffectBmp::TbsEffectBmp(const Bitmap& source) {
  if (source.Empty()) return;
  width_ = source.Width();
  height_ = source.Height();
  memory_.assign(static_cast<size_t>(Stride()) * static_cast<size_t>(height_), 0);
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = Row(y);
    const uint32_t* in = source.Row(y);
    for (int x = 0; x < width_; ++x) {
      row[3 * x] = static_cast<uint8_t>(in[x]);
      row[3 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(in[x] >> 16);
    }
  }
}

Color TbsEffectBmp::PixelColor(int x, int y) const {
  const uint8_t* p = Row(y) + 3 * x;
  return MakeColor(p[2], p[1], p[0]);
}

void TbsEffectBmp::DrawTo(Bitmap& dest, int X, int Y) const {
  const Rect visible = IntersectRects({X, Y, X + width_, Y + height_}, {0, 0, dest.Width(), dest.Height()});
  for (int y = visible.Top; y < visible.Bottom; ++y) {
    const uint8_t* in = Row(y - Y);
    uint32_t* out = dest.Row(y);
    for (int x = visible.Left; x < visible.Right; ++x) {
      const uint8_t* p = in + 3 * (x - X);
      out[x] = 0xFF000000u | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    }
  }
}

void TbsEffectBmp::Brighten(double k) {
  const long double f = Clamp01(k);
  ForEachRow([&](int, uint8_t* row) {
    for (size_t i = 0; i < static_cast<size_t>(width_) * 3; ++i) row[i] = RoundChannel((1 - f) * row[i] + 255 * f);
  });
}

void TbsEffectBmp::Darken(double k) {
  const long double f = Clamp01(k);
  ForEachRow([&](int, uint8_t* row) {
    for (size_t i = 0; i < static_cast<size_t>(width_) * 3; ++i) row[i] = RoundChannel((1 - f) * row[i]);
  });
}

void TbsEffectBmp::Grayscale() {
  ForEachRow([&](int, uint8_t* row) {
    for (int x = 0; x < width_; ++x) {
      uint8_t* p = row + 3 * x;
      const uint8_t v = RoundChannel(0.3L * p[2] + 0.59L * p[1] + 0.11L * p[0]);
      p[0] = p[1] = p[2] = v;
    }
  });
}

void TbsEffectBmp::AddNoise(int range) {
  if (range <= 0) return;
  ForEachRow([&](int, uint8_t* row) {
    for (int x = 0; x < width_; ++x) {
      // xorshift32: cheap, and good enough for a visual grain.
      noise_state_ ^= noise_state_ << 13;
      noise_state_ ^= noise_state_ >> 17;
      noise_state_ ^= noise_state_ << 5;
      const int n = static_cast<int>(noise_state_ % static_cast<uint32_t>(range)) - range / 2;
      for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<uint8_t>(std::clamp(row[3 * x + c] + n, 0, 255));
    }
  });
}

void TbsEffectBmp::SplitBlur(int amount) {
  // A negative amount has no meaning (and would index past the image): treated like 0.
  if (amount <= 0 || width_ == 0) return;
  const int64_t a = amount;
  // The neighbour rules keep their original asymmetry: past the far edge the index mirrors to
  // size - i (the last row or column when even that is outside).
  auto before = [a](int i) { return i - a < 0 ? i : static_cast<int>(i - a); };
  auto after = [a](int i, int size) {
    int64_t j = i + a;
    if (j >= size || j < 0) j = size - i;
    if (j >= size || j < 0) j = size - 1;
    return static_cast<int>(j);
  };
  ForEachRow([&](int y, uint8_t* row) {
    const uint8_t* up = Row(before(y));
    const uint8_t* down = Row(after(y, height_));
    for (int x = 0; x < width_; ++x) {
      const int l = 3 * before(x), r = 3 * after(x, width_);
      for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<uint8_t>((up[l + c] + down[l + c] + up[r + c] + down[r + c]) / 4);
    }
  });
}

void TbsEffectBmp::Invert() {
  ForEachRow([&](int, uint8_t* row) {
    for (size_t i = 0; i < static_cast<size_t>(width_) * 3; ++i) row[i] = static_cast<uint8_t>(255 - row[i]);
  });
}

}  // namespace skin
