// TbsBitmap: a 32-bit pixel buffer with alpha for key-colour icons, glow text and layered windows.
#pragma once

#include <cstdint>
#include <string>

#include "skin/bitmap.h"
#include "skin/geometry.h"

namespace skin {

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
  void SetSize(int w, int h);
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

  // Draws onto dest at (left, top), clipped: blended when AlphaBlend, key pixels skipped when
  // Transparent, else copied.
  void DrawTo(TbsBitmap& dest, int left, int top) const { DrawTo(dest.surface_, left, top); }
  void DrawTo(Bitmap& dest, int left, int top) const;

  std::string Name;
  bool AlphaBlend = false;
  bool Transparent = false;

 private:
  Bitmap surface_;
};

// Alpha blend of source pixel s over d: alpha 0 keeps d, 255 replaces it, otherwise each colour
// channel is (s*A + d*(255 - A)) div 256 and the alpha becomes 255.
uint32_t BlendPixel(uint32_t s, uint32_t d);

// Turns a red-on-black stamp into a glow: alpha := red, colour := glow; sets AlphaBlend.
void RedStampToGlow(TbsBitmap& bitmap, Color glow);

}  // namespace skin
