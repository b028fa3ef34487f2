#include "skin/win32/bitmap_canvas.h"

#include <cstring>

#include "platform/ui/gdi.h"

namespace skin {

BitmapCanvas::BitmapCanvas(Bitmap& bitmap) {
  if (bitmap.Empty()) return;
  dc_ = platform::ui::CompatibleDc();
  if (!dc_) return;
  selection_.emplace(dc_.get(), static_cast<HGDIOBJ>(bitmap.NativeHandle()));
  if (!selection_->ok()) {
    selection_.reset();
    dc_.reset();
  }
}

BitmapCanvas::~BitmapCanvas() = default;

void DrawTo(HDC dc, const TbsEffectBmp& bitmap, int left, int top) {
  const int width = bitmap.Width(), height = bitmap.Height();
  if (width == 0 || height == 0) return;
  BITMAPINFO info = platform::ui::TopDownDibInfo(width, height, 24);
  ::SetDIBitsToDevice(dc, left, top, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                      static_cast<UINT>(height), bitmap.Row(0), &info, DIB_RGB_COLORS);
}

namespace {

// The software path: the destination area is copied out, drawn onto in memory, and copied back.
void DrawThroughCopy(const TbsBitmap& source, HDC dc, int left, int top) {
  TbsBitmap area;
  area.SetSize(source.Width(), source.Height());
  BitmapCanvas canvas(area.Surface());
  if (!canvas.dc()) return;
  ::BitBlt(canvas.dc(), 0, 0, area.Width(), area.Height(), dc, left, top, SRCCOPY);
  ::GdiFlush();
  source.DrawTo(area.Surface(), 0, 0);
  ::BitBlt(dc, left, top, area.Width(), area.Height(), canvas.dc(), 0, 0, SRCCOPY);
}

}  // namespace

void DrawTo(HDC dc, const TbsBitmap& bitmap, int left, int top) {
  if (bitmap.Empty() || !dc) return;
  if (bitmap.AlphaBlend) {
    DrawThroughCopy(bitmap, dc, left, top);
    return;
  }
  // GDI reads the DIB section through a context of its own; a const bitmap is not changed.
  Bitmap& pixels = const_cast<Bitmap&>(bitmap.Surface());
  if (bitmap.Transparent) {
    // Not TransparentBlt: on a 32-bit source it may compare the alpha byte too (Wine does), and
    // a key-coloured pixel must be skipped whatever its alpha.
    DrawThroughCopy(bitmap, dc, left, top);
    return;
  }
  BitmapCanvas canvas(pixels);
  if (!canvas.dc()) return;
  const int mode = ::SetStretchBltMode(dc, COLORONCOLOR);
  const int width = bitmap.Width(), height = bitmap.Height();
  ::StretchBlt(dc, left, top, width, height, canvas.dc(), 0, 0, width, height, SRCCOPY);
  ::SetStretchBltMode(dc, mode);
}

}  // namespace skin
