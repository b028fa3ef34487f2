// TbsEffectBmp: a 24-bit pixel buffer for the frame's inactive look and the caption buttons'
// hover morphing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "skin/bitmap.h"
#include "skin/geometry.h"

namespace skin {

// 24-bit top-down buffer: 3 bytes a pixel (blue, green, red), rows of Width*3 + Width mod 4
// bytes. Channel arithmetic is done in extended precision and rounded half to even.
class TbsEffectBmp {
 public:
  explicit TbsEffectBmp(const Bitmap& source);
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return width_ * 3 + width_ % 4; }
  size_t Size() const { return memory_.size(); }
  uint8_t* Row(int y) { return memory_.data() + static_cast<size_t>(y) * Stride(); }
  const uint8_t* Row(int y) const { return memory_.data() + static_cast<size_t>(y) * Stride(); }
  // 0x00BBGGRR colour of a pixel; for tests and callers that read single values.
  Color PixelColor(int x, int y) const;

  // Unscaled transfer of all rows to (left, top), clipped to dest; the pixels become opaque.
  void DrawTo(Bitmap& dest, int left, int top) const;

  void Brighten(double k);
  void Darken(double k);
  void Grayscale();
  // The same offset random(0 .. range - 1) - range div 2 is added to the three channels of a pixel.
  void AddNoise(int range);
  void SplitBlur(int amount);
  void Invert();

  // Morphs towards other, k the progress in 0..1 (values outside are clamped). A buffer of
  // another size leaves this one unchanged.
  void Morph(const TbsEffectBmp& other, double k);
  void MorphGradient(const TbsEffectBmp& other, double k);
  void MorphLeftGradient(const TbsEffectBmp& other, double k);
  void MorphRightGradient(const TbsEffectBmp& other, double k);
  void MorphLeftSlide(const TbsEffectBmp& other, double k);
  void MorphRightSlide(const TbsEffectBmp& other, double k);
  void MorphPush(const TbsEffectBmp& other, double k);

 private:
  template <typename Change>
  void ForEachRow(Change change);
  bool SameSize(const TbsEffectBmp& other) const { return other.width_ == width_ && other.height_ == height_; }
  void BlendColumns(const TbsEffectBmp& other, int x, long double w);
  void CopyColumns(const TbsEffectBmp& other, int to, int from, int count);

  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> memory_;
  uint32_t noise_state_ = 0x2545F491u;
};

// Every effect goes row by row through a scratch row: read it, change it, write it back.
template <typename Change>
void TbsEffectBmp::ForEachRow(Change change) {
  std::vector<uint8_t> scratch(static_cast<size_t>(width_) * 3);
  for (int y = 0; y < height_; ++y) {
    std::copy_n(Row(y), scratch.size(), scratch.data());
    change(y, scratch.data());
    std::copy_n(scratch.data(), scratch.size(), Row(y));
  }
}

}  // namespace skin
