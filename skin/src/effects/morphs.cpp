// Morphs of a TbsEffectBmp towards another of the same size: the caption buttons' hover
// transitions. Where a weight w is used, new = w * self + (1 - w) * other.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "skin/effects.h"

namespace skin {

namespace {

inline uint8_t RoundChannel(long double v) {
  const long double r = std::nearbyintl(v);
  if (!(r > 0)) return 0;
  if (r >= 255) return 255;
  return static_cast<uint8_t>(r);
}

inline long double Clamp01(double k) {
  if (!(k > 0)) return 0;
  if (k > 1) return 1;
  return k;
}

inline int RoundInt(long double v) { return static_cast<int>(std::nearbyintl(v)); }

}  // namespace

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
  const bool onRows = width_ < height_;
  const int size = onRows ? height_ : width_;
  const int a = RoundInt(size * f);
  long double step;
  if (onRows) {
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
      const long double wx = weight[onRows ? y : x];
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
