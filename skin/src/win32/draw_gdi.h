// Move-only owners of GDI handles, one type per acquire/release pair, so that a handle can only
// be released by the call that matches how it was obtained.
#pragma once

#include <windows.h>

#include <utility>

namespace skin::gdi {

// A GDI object released with DeleteObject: one instantiation per handle kind.
template <typename Handle>
class Object {
 public:
  Object() = default;
  explicit Object(Handle handle) : handle_(handle) {}
  ~Object() { reset(); }
  Object(Object&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Object& operator=(Object&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  Handle get() const { return handle_; }
  Handle release() { return std::exchange(handle_, nullptr); }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset(Handle handle = nullptr) {
    if (handle_) ::DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using Font = Object<HFONT>;
using Region = Object<HRGN>;
using BitmapHandle = Object<HBITMAP>;
using Pen = Object<HPEN>;
using Brush = Object<HBRUSH>;

// A memory device context (CreateCompatibleDC -> DeleteDC).
class MemoryDC {
 public:
  explicit MemoryDC(HDC compatibleWith = nullptr) : dc_(::CreateCompatibleDC(compatibleWith)) {}
  ~MemoryDC() {
    if (dc_) ::DeleteDC(dc_);
  }
  MemoryDC(MemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
  MemoryDC& operator=(MemoryDC&&) = delete;
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_ = nullptr;
};

// A window's (or the screen's) context (GetDC / GetWindowDC -> ReleaseDC).
class WindowDC {
 public:
  static WindowDC Client(HWND window) { return WindowDC(window, ::GetDC(window)); }
  static WindowDC Whole(HWND window) { return WindowDC(window, ::GetWindowDC(window)); }
  ~WindowDC() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDC(WindowDC&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDC& operator=(WindowDC&&) = delete;
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  WindowDC(HWND window, HDC dc) : window_(window), dc_(dc) {}
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// An object selected into a context for the lifetime of this value; the previous one comes back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  Selection(Selection&& other) noexcept
      : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
  Selection& operator=(Selection&&) = delete;
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  bool ok() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC -> RestoreDC.
class SavedState {
 public:
  explicit SavedState(HDC dc) : dc_(dc), id_(::SaveDC(dc)) {}
  ~SavedState() {
    if (id_) ::RestoreDC(dc_, id_);
  }
  SavedState(const SavedState&) = delete;
  SavedState& operator=(const SavedState&) = delete;

 private:
  HDC dc_;
  int id_;
};

}  // namespace skin::gdi
