// A GDI device context drawing into a skin::Bitmap (its DIB section), for text and other GDI
// output into the engine's own pictures.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/ui/gdi.h"
#include "skin/bitmap.h"

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

}  // namespace skin
