// Pixel buffers of the skin engine where whole-rectangle copies are not enough:
// TbsEffectBmp, a 24-bit buffer for the frame's inactive look and the caption buttons' hover
// morphing, and TbsBitmap, a 32-bit buffer with alpha for key-colour icons, glow text and
// layered windows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
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

  // Unscaled transfer of all rows to (X, Y), clipped to dest; the pixels become opaque.
  void DrawTo(Bitmap& dest, int X, int Y) const;

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

// The key value of transparent pixels: red 127, green 0, blue 127, alpha 0.
inline constexpr uint32_t kKeyPixel = 0x007F007F;

// 32-bit top-down buffer with alpha; a pixel reads as 0xAARRGGBB. AlphaBlend says the pixels
// carry partial alpha, Transparent that key-coloured pixels are not drawn.
class TbsBitmap {
 public:
  TbsBitmap() = default;

  // Negative sizes count as their absolute values; a zero size or the current size changes
  // nothing. Otherwise the pixels are all zero afterwards. Raises platform::Exception
  // "Can't allocate the DIB handle" (and leaves the bitmap empty) when the memory is refused.
  void SetSize(int W, int H);
  int Width() const { return surface_.Width(); }
  int Height() const { return surface_.Height(); }
  bool Empty() const { return surface_.Empty(); }
  // nullptr outside the bitmap.
  uint32_t* PixelAt(int x, int y);
  const uint32_t* PixelAt(int x, int y) const;
  uint32_t* Row(int y) { return y >= 0 && y < Height() ? surface_.Row(y) : nullptr; }
  // The pixels as a skin::Bitmap (a DIB section on Windows, so GDI can draw into it).
  Bitmap& Surface() { return surface_; }
  const Bitmap& Surface() const { return surface_; }

  void SetPixel(int x, int y, uint32_t value);
  void FillRect(const Rect& rect, uint32_t value);
  void SetAlpha(uint8_t a);
  void DetectAlpha();
  // Pixels within 5 units of colour in each of red, green and blue become kKeyPixel.
  void MarkKeyColour(Color colour);
  void Premultiply();
  void ClampToAlpha();

  void Assign(const TbsBitmap& other);
  // From a 32-bit picture: the pixels with their alpha, then DetectAlpha.
  void Assign(const Bitmap& picture);
  // From a picture without alpha: the pixels, then SetAlpha(255).
  void AssignOpaque(const Bitmap& picture);

  // Draws onto dest at (X, Y), clipped: blended when AlphaBlend, key pixels skipped when
  // Transparent, else copied.
  void DrawTo(TbsBitmap& dest, int X, int Y) const { DrawTo(dest.surface_, X, Y); }
  void DrawTo(Bitmap& dest, int X, int Y) const;

  std::string Name;
  bool AlphaBlend = false;
  bool Transparent = false;

 private:
  Bitmap surface_;
};

// Alpha blend of source pixel s over d: alpha 0 keeps d, 255 replaces it, otherwise each colour
// channel is (s*A + d*(255 - A)) div 256 and the alpha becomes 255.
uint32_t BlendPixel(uint32_t s, uint32_t d);

// StackBlur of the red, green and blue channels (a triangular kernel of the given radius, edges
// repeated); linear in the number of pixels. Radius < 1 changes nothing; it is capped at 254.
void StackBlur(TbsBitmap& bitmap, int radius);
// Turns a red-on-black stamp into a glow: alpha := red, colour := glow; sets AlphaBlend.
void RedStampToGlow(TbsBitmap& bitmap, Color glow);

}  // namespace skin
