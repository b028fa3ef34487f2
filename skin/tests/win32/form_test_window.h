// Test windows of the skinned-form tests: a plain top-level window like the launcher's form (or
// a form owned by another, so not the main one), a message pump, a small skin built in code with
// the launcher's default geometry, screen captures and the screenshots kept in the build tree.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "message_pump.h"
#include "draw_golden.h"
#include "platform/text.h"
#include "platform/ui/gdi.h"
#include "skin/skin_data.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/win32/skin_form.h"

namespace skin::formtest {

// ---- a plain top-level window like the launcher's form

struct TestWindow {
  HWND hwnd = nullptr;
  bool closed = false;
  // Sees every message that reaches the window's own procedure.
  std::function<void(UINT, WPARAM, LPARAM)> onMessage;

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->onMessage) self->onMessage(msg, wparam, lparam);
    if (msg == WM_CLOSE && self) {
      self->closed = true;
      ::ShowWindow(hwnd, SW_HIDE);
      return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }

  // With an owner the window is not the application's main form.
  explicit TestWindow(int w = 636, int h = 387, DWORD extraStyle = 0, const wchar_t* title = L"Halvex UPDATE",
                      HWND owner = nullptr) {
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &Proc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = L"HalvexFrameTestWindow";
      ::RegisterClassExW(&wc);
      registered = true;
    }
    hwnd = ::CreateWindowExW(WS_EX_TOPMOST, L"HalvexFrameTestWindow", title,
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | extraStyle, 100,
                             100, w, h, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TestWindow() {
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
  }
  RECT Bounds() const {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
  }
  SIZE ClientSize() const {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
  }
  LPARAM ScreenPoint(int x, int y) const {
    const RECT b = Bounds();
    return MAKELPARAM(b.left + x, b.top + y);
  }
  LPARAM ClientPoint(int x, int y) const {
    POINT p{Bounds().left + x, Bounds().top + y};
    ::ScreenToClient(hwnd, &p);
    return MAKELPARAM(p.x, p.y);
  }
};

using platform::testing::Pump;

// ---- a small skin built in code, with the launcher's default geometry

inline uint32_t Argb(Color c) { return ColorToPixel(c); }

inline Bitmap Filled(int w, int h, Color c) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, Argb(c));
  return b;
}

inline void FillRectIn(Bitmap& b, const Rect& r, Color c) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) b.SetPixel(x, y, Argb(c));
}

inline constexpr Color kBorder = 0x00402010;
inline constexpr Color kCaptionBand = 0x00C08040;
inline constexpr Color kInactiveBand = 0x00909090;
inline constexpr Color kCloseNormal = 0x000000C0, kCloseHot = 0x0000C000, kCloseDown = 0x00C00000;

template <typename T>
inline T* AddObject(TbsSkinData& d, const char* word, const char* id) {
  auto o = CreateSkinObjectData(word, id);
  T* typed = dynamic_cast<T*>(o.get());
  d.SkinObjects.push_back(std::move(o));
  return typed;
}

// Frame picture 236 x 178: a 1-pixel border and a 24-pixel caption band; buttons 29 x 22 on a
// sheet (normal, hot, pressed across; close, minimize / maximize / roll-up, system menu, and the
// restore look of minimize and maximize down).
inline void BuildSkin(TbsSkinData& d, bool withMask, bool withInactive = true) {
  d.Picture = Filled(236, 178, kBorder);
  FillRectIn(d.Picture, {1, 1, 235, 24}, kCaptionBand);
  if (withInactive) {
    d.InactivePicture = Filled(236, 178, kBorder);
    FillRectIn(d.InactivePicture, {1, 1, 235, 24}, kInactiveBand);
  }
  d.lefttoppoint = {40, 32};
  d.righttoppoint = {196, 32};
  d.leftbottompoint = {40, 168};
  d.rightbottompoint = {196, 168};
  d.clientrect = {1, 24, 235, 177};
  d.captionrect = {2, 2, 234, 24};
  d.hittestlefttoppoint = {8, 8};
  d.hittestrighttoppoint = {228, 8};
  d.hittestleftbottompoint = {8, 170};
  d.hittestrightbottompoint = {228, 170};
  d.borderwidth = 4;
  d.formminwidth = 200;
  if (withMask) {
    // The outer 3 x 3 corners cut away diagonally.
    d.MaskPicture = Filled(236, 178, 0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3 - y; ++x) {
        d.MaskPicture.SetPixel(x, y, 0xFFFFFFFF);
        d.MaskPicture.SetPixel(235 - x, y, 0xFFFFFFFF);
      }
    d.maskrectarea = d.clientrect;
    d.mask = "mask.bmp";
  }
  Bitmap sheet = Filled(87, 88, 0);
  const Color states[3] = {kCloseNormal, kCloseHot, kCloseDown};
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 3; ++col) FillRectIn(sheet, {col * 29, row * 22, col * 29 + 29, row * 22 + 22}, states[col] + row);
  d.ActivePictures.push_back(std::move(sheet));

  auto* caption = AddObject<TbsDataSkinCaption>(d, "caption", "caption");
  caption->skinrect = {2, 2, 234, 24};
  caption->textrect = {4, 0, 228, 22};
  caption->fontcolor = 0x00505050;
  caption->activefontcolor = 0x00FFFFFF;
  caption->fontheight = 13;
  caption->alignment = taLeftJustify;
  struct {
    const char* id;
    TbsStdCommand command;
    int row;
  } buttons[] = {{"closebutton", cmClose, 0},     {"minbutton", cmMinimize, 1},        {"maxbutton", cmMaximize, 1},
                 {"rollupbutton", cmRollUp, 1}, {"sysmenubutton", cmSysMenu, 2}};
  for (const auto& b : buttons) {
    auto* o = AddObject<TbsDataSkinStdButton>(d, "stdbutton", b.id);
    o->command = b.command;
    o->skinrectinapicture = true;
    o->activepictureindex = 0;
    o->skinrect = {0, b.row * 22, 29, b.row * 22 + 22};
    o->activeskinrect = {29, b.row * 22, 58, b.row * 22 + 22};
    o->downrect = {58, b.row * 22, 87, b.row * 22 + 22};
    o->morphing = true;
    if (b.command == cmMinimize || b.command == cmMaximize) {
      o->restorerect = {0, 66, 29, 88};
      o->restoreactiverect = {29, 66, 58, 88};
      o->restoredownrect = {58, 66, 87, 88};
    }
  }
  d.Empty = false;
}

// The launcher's settings of the frame component.
inline void LauncherSettings(TbsSkinForm& form) {
  form.SetBorderIcons(biSystemMenu | biMinimize);
  form.UseSkinFontInCaption = true;
  form.Magnetic = true;
  form.MagneticSize = 5;
  form.PositionInMonitor = bspDesktopCenter;
}

struct SkinnedWindow {
  TestWindow window;
  TbsSkinData data;
  TbsSkinForm form;
  explicit SkinnedWindow(bool mask = false, DWORD style = 0, HWND owner = nullptr, int w = 636, int h = 387)
      : window(w, h, style, L"Halvex UPDATE", owner) {
    BuildSkin(data, mask);
    LauncherSettings(form);
    form.Attach(window.hwnd);
    form.SetSkinData(&data);
  }
  void Activate() {
    ::SendMessageW(window.hwnd, WM_NCACTIVATE, TRUE, 0);
  }
};

// A screen area as the screen shows it.
inline Bitmap CaptureScreen(const RECT& r) {
  Bitmap shot(r.right - r.left, r.bottom - r.top);
  {
    const auto screen = platform::ui::WindowDc::Client(nullptr);
    BitmapCanvas canvas(shot);
    ::BitBlt(canvas.dc(), 0, 0, shot.Width(), shot.Height(), screen.get(), r.left, r.top, SRCCOPY);
    BitmapCanvas::Flush();
  }
  return shot;
}

// The window as the screen shows it.
inline Bitmap CaptureWindow(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return CaptureScreen(r);
}

inline void WritePng(const std::string& path, const Bitmap& b) {
  const std::vector<uint8_t> png = skin::testing::EncodePng(b);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                              static_cast<std::streamsize>(png.size()));
}

inline std::string ToWinePath(const std::string& unixPath) { return "Z:" + unixPath; }

// Keeps a picture among the frame tests' screenshots in the build tree.
inline void SaveScreenshot(const std::string& name, const Bitmap& b) {
  const std::string parent = std::string(HALVEX_SOURCE_DIR) + "/build/frame-win64";
  const std::string dir = parent + "/screenshots";
  ::CreateDirectoryW(platform::Widen(ToWinePath(parent)).c_str(), nullptr);
  ::CreateDirectoryW(platform::Widen(ToWinePath(dir)).c_str(), nullptr);
  WritePng(ToWinePath(dir + "/" + name), b);
}

}  // namespace skin::formtest
