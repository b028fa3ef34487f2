#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "skin/effect_bmp.h"

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

inline int RoundInt(long double v) { return static_cast<int>(std::nearbyintl(v)); }

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

void TbsEffectBmp::DrawTo(Bitmap& dest, int left, int top) const {
  const Rect visible = IntersectRects({left, top, left + width_, top + height_}, {0, 0, dest.Width(), dest.Height()});
  for (int y = visible.Top; y < visible.Bottom; ++y) {
    const uint8_t* in = Row(y - top);
    uint32_t* out = dest.Row(y);
    for (int x = visible.Left; x < visible.Right; ++x) {
      const uint8_t* p = in + 3 * (x - left);
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

// Morphs towards another buffer of the same size: the caption buttons' hover transitions. Where a
// weight w is used, new = w * self + (1 - w) * other.

void TbsEffectBmp::BlendColumns(const TbsEffectBmp& other, int x, long double w) {
  for (int y = 0; y < height_; ++y) {
    uint8_t* p = Row(y) + 3 * x;
    const uint8_t* q = other.Row(y) + 3 * x;
    for (int c = 0; c < 3; ++c) p[c] = RoundChannel(w * p[c] + (1 - w) * q[c]);
  }
}

void TbsEffectBmp::CopyColumns(const TbsEffectBmp& other, int to, int from, int count) {
  if (count <= 0) return;
  for (int y = 0; y < height_; ++y) std::memcpy(Row(y) + 3 * to, other.Row(y) + 3 * from, static_cast<size_t>(count) * 3);
}

void TbsEffectBmp::Morph(const TbsEffectBmp& other, double k) {
  if (!SameSize(other)) return;
  const long double f = Clamp01(k);
  ForEachRow([&](int y, uint8_t* row) {
    const uint8_t* q = other.Row(y);
    for (size_t i = 0; i < static_cast<size_t>(width_) * 3; ++i) row[i] = RoundChannel((1 - f) * row[i] + f * q[i]);
  });
}

void TbsEffectBmp::MorphGradient(const TbsEffectBmp& other, double k) {
  if (!SameSize(other) || width_ == 0) return;
  const long double f = Clamp01(k);
  const bool on_rows = width_ < height_;
  const int size = on_rows ? height_ : width_;
  const int a = RoundInt(size * f);
  long double step;
  if (on_rows) {
    const int ramp = (size - a - 1) / 2;
    step = ramp > 0 ? 1.0L / ramp : 0;
  } else {
    const int ramp = (size - a) / 2;
    step = ramp > 0 ? 1.0L / ramp : 1;
  }
  const int g = std::max(0, size / 2 - a / 2);
  const int e = std::min(size - 1, a / 2 + size / 2);
  // Weight of each line (column or row): 0 in the band g..e, growing outwards from it.
  std::vector<long double> weight(static_cast<size_t>(size), 0);
  long double w = 0;
  for (int i = g; i >= 0; --i, w = std::min<long double>(1, w + step)) weight[i] = w;
  w = 0;
  for (int i = e; i < size; ++i, w = std::min<long double>(1, w + step)) weight[i] = w;
  for (int i = g; i <= e; ++i) weight[i] = 0;
  ForEachRow([&](int y, uint8_t* row) {
    const uint8_t* q = other.Row(y);
    for (int x = 0; x < width_; ++x) {
      const long double wx = weight[on_rows ? y : x];
      for (int c = 0; c < 3; ++c) row[3 * x + c] = RoundChannel(wx * row[3 * x + c] + (1 - wx) * q[3 * x + c]);
    }
  });
}

void TbsEffectBmp::MorphLeftGradient(const TbsEffectBmp& other, double k) {
  if (!SameSize(other) || width_ == 0) return;
  const int a = std::max(1, std::min(RoundInt(width_ * Clamp01(k)), width_ - 1));
  const long double step = 1.0L / a;
  long double w = 0;
  for (int x = 0; x <= a && x < width_; ++x, w += step) BlendColumns(other, x, std::min<long double>(1, w));
}

void TbsEffectBmp::MorphRightGradient(const TbsEffectBmp& other, double k) {
  if (!SameSize(other) || width_ == 0) return;
  const int b = std::clamp(width_ - RoundInt(width_ * Clamp01(k)), 0, width_ - 1);
  const long double step = 1.0L / (width_ - b);
  long double w = 0;
  for (int x = width_ - 1; x >= b; --x, w += step) BlendColumns(other, x, std::min<long double>(1, w));
}

void TbsEffectBmp::MorphLeftSlide(const TbsEffectBmp& other, double k) {
  if (!SameSize(other) || width_ < 2) return;
  const int a = std::clamp(RoundInt(width_ * Clamp01(k)), 1, width_ - 1);
  CopyColumns(other, 0, width_ - a, a);
}

void TbsEffectBmp::MorphRightSlide(const TbsEffectBmp& other, double k) {
  if (!SameSize(other) || width_ < 2) return;
  const int a = std::clamp(RoundInt(width_ * Clamp01(k)), 1, width_ - 1);
  CopyColumns(other, width_ - a, 0, a);
}

void TbsEffectBmp::MorphPush(const TbsEffectBmp& other, double k) {
  if (!SameSize(other) || width_ == 0) return;
  const int a = std::clamp(RoundInt(width_ * Clamp01(k)), 0, width_ - 1);
  const int shift = a + 1;
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = Row(y);
    if (shift < width_) std::memmove(row + 3 * shift, row, static_cast<size_t>(width_ - shift) * 3);
  }
  CopyColumns(other, 0, width_ - a - 1, a + 1);
}

}  // namespace skin
