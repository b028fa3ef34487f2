// The engine's pixel buffers and GDI: a device context drawing into a skin::Bitmap (its DIB
// section), for text and other GDI output into the engine's own pictures, and the buffers' transfers
// onto a device context.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/ui/gdi.h"
#include "skin/alpha_bitmap.h"
#include "skin/bitmap.h"
#include "skin/effect_bmp.h"

namespace skin {

class BitmapCanvas {
 public:
  explicit BitmapCanvas(Bitmap& bitmap);
  ~BitmapCanvas();
  BitmapCanvas(const BitmapCanvas&) = delete;
  BitmapCanvas& operator=(const BitmapCanvas&) = delete;
  // Null when the bitmap is empty or no context could be made.
  HDC dc() const { return dc_.get(); }
  // Lets GDI finish its pending drawing so that the pixels can be read.
  static void Flush() { ::GdiFlush(); }

 private:
  platform::ui::UniqueMemoryDc dc_;
  // Destroyed first: the bitmap leaves the context before the context goes.
  std::optional<platform::ui::ScopedSelect> selection_;
};

// Unscaled transfer of all rows to (left, top); the pixels become opaque.
void DrawTo(HDC dc, const TbsEffectBmp& bitmap, int left, int top);
// Blended (AlphaBlend) or key-skipping (Transparent) through a copy of the destination area,
// otherwise a plain colour-on-colour block transfer.
void DrawTo(HDC dc, const TbsBitmap& bitmap, int left, int top);

}  // namespace skin
