// Move-only owners of GDI handles, each released by its matching call.
#pragma once

#include <windows.h>

#include <utility>

namespace platform::ui {

template <typename Handle, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Handle{})) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, Handle{});
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Handle{}; }
  void reset(Handle h = Handle{}) {
    if (h_) Traits::Close(h_);
    h_ = h;
  }
  Handle release() { return std::exchange(h_, Handle{}); }

 private:
  Handle h_{};
};

struct GdiObjectTraits {
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
struct MemoryDcTraits {
  static void Close(HDC h) { ::DeleteDC(h); }
};

using UniqueFont = UniqueHandle<HFONT, GdiObjectTraits>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectTraits>;
using UniquePen = UniqueHandle<HPEN, GdiObjectTraits>;
using UniqueRegion = UniqueHandle<HRGN, GdiObjectTraits>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;

// A memory device context compatible with `dc` (the screen when null).
inline UniqueMemoryDc CompatibleDc(HDC dc = nullptr) { return UniqueMemoryDc(::CreateCompatibleDC(dc)); }

// Selects an object into a DC for the scope and puts the previous one back. A null object is not
// selected, and a failed selection restores nothing; ok() tells whether the object is in.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? ::SelectObject(dc, object) : nullptr) {}
  ~ScopedSelect() {
    if (ok()) ::SelectObject(dc_, old_);
  }
  ScopedSelect(ScopedSelect&& o) noexcept : dc_(o.dc_), old_(std::exchange(o.old_, nullptr)) {}
  ScopedSelect& operator=(ScopedSelect&&) = delete;
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;
  bool ok() const { return old_ != nullptr && old_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// BeginPaint/EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &ps_); }
  ~PaintScope() { ::EndPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }
  const RECT& dirty() const { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  HDC dc_;
  PAINTSTRUCT ps_;
};

// Gives a window its region (none when `region` is empty). The system owns a region once it is set
// and deletes the one it replaces; a region the window refuses is deleted here.
inline bool SetWindowRegion(HWND hwnd, UniqueRegion region, bool redraw) {
  if (!::SetWindowRgn(hwnd, region.get(), redraw ? TRUE : FALSE)) return false;
  region.release();
  return true;
}

// GetDC/ReleaseDC, GetWindowDC/ReleaseDC.
class WindowDc {
 public:
  static WindowDc Client(HWND hwnd) { return WindowDc(hwnd, ::GetDC(hwnd)); }
  static WindowDc Whole(HWND hwnd) { return WindowDc(hwnd, ::GetWindowDC(hwnd)); }
  ~WindowDc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  WindowDc(WindowDc&& o) noexcept : hwnd_(o.hwnd_), dc_(std::exchange(o.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&&) = delete;
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  WindowDc(HWND hwnd, HDC dc) : hwnd_(hwnd), dc_(dc) {}
  HWND hwnd_;
  HDC dc_;
};

// The header of a top-down device-independent bitmap (row 0 at the top), uncompressed.
inline BITMAPINFO TopDownDibInfo(int width, int height, WORD bit_count) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bit_count;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// SaveDC/RestoreDC: clipping, origins and selections made inside the scope are undone.
class ScopedSavedDc {
 public:
  explicit ScopedSavedDc(HDC dc) : dc_(dc), id_(::SaveDC(dc)) {}
  ~ScopedSavedDc() {
    if (id_) ::RestoreDC(dc_, id_);
  }
  ScopedSavedDc(const ScopedSavedDc&) = delete;
  ScopedSavedDc& operator=(const ScopedSavedDc&) = delete;

 private:
  HDC dc_;
  int id_;
};

}  // namespace platform::ui
