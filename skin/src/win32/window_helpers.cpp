#include "platform/ui/gdi.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/win32/window_helpers.h"

namespace skin {

namespace {

uint32_t SystemVersionWord() {
  // GetVersion reports the real version only to manifested programs; RtlGetVersion always does.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  static const uint32_t word = [] {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
      auto fn = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
      if (fn && fn(&info) == 0) return static_cast<uint32_t>((info.dwMinorVersion & 0xFF) << 8 | (info.dwMajorVersion & 0xFF));
    }
    return static_cast<uint32_t>(::GetVersion() & 0xFFFF);
  }();
  return word;
}

template <typename Fn>
Fn User32Entry(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

struct LayeredServices {
  BOOL(WINAPI* setAttributes)(HWND, COLORREF, BYTE, DWORD) = nullptr;
  BOOL(WINAPI* update)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD) = nullptr;
};

const LayeredServices& SystemLayeredServices() {
  static const LayeredServices services = [] {
    LayeredServices s;
    s.setAttributes = User32Entry<decltype(s.setAttributes)>("SetLayeredWindowAttributes");
    s.update = User32Entry<decltype(s.update)>("UpdateLayeredWindow");
    return s;
  }();
  return services;
}

}  // namespace

bool OsVersionAtLeast2000() { return OsVersionAtLeast2000(SystemVersionWord()); }
bool OsVersionAtLeastXP() { return OsVersionAtLeastXP(SystemVersionWord()); }
bool OsVersionAtLeastVista() { return OsVersionAtLeastVista(SystemVersionWord()); }
bool OsVersionIsSeven() { return OsVersionIsSeven(SystemVersionWord()); }

const MonitorServices& SystemMonitorServices() {
  static MonitorServices services;
  static bool looked = false;
  if (!looked) {
    services.monitorFromWindow = User32Entry<decltype(services.monitorFromWindow)>("MonitorFromWindow");
    services.getMonitorInfo = User32Entry<decltype(services.getMonitorInfo)>("GetMonitorInfoW");
    looked = true;
  }
  // The count can change while the program runs (a monitor plugged in).
  services.monitorCount = ::GetSystemMetrics(SM_CMONITORS);
  return services;
}

void MonitorAreaOf(HWND window, bool work_area, RECT& rect) { MonitorAreaOf(window, work_area, rect, SystemMonitorServices()); }

void MonitorAreaOf(HWND window, bool work_area, RECT& rect, const MonitorServices& services) {
  if (services.monitorCount > 1 && services.monitorFromWindow && services.getMonitorInfo) {
    MONITORINFO info{};
    info.cbSize = sizeof(MONITORINFO);  // 40
    HMONITOR monitor = services.monitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (monitor && services.getMonitorInfo(monitor, &info)) rect = work_area ? info.rcWork : info.rcMonitor;
    return;
  }
  if (work_area) {
    RECT area{};
    if (::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) rect = area;
  } else {
    rect = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
}

bool SetWindowOpacity(HWND window, BYTE alpha) {
  const auto& layered = SystemLayeredServices();
  return layered.setAttributes && layered.setAttributes(window, 0, alpha, LWA_ALPHA);
}

bool PushLayeredBitmap(const TbsBitmap& bitmap, BYTE alpha, HWND window) {
  const auto& layered = SystemLayeredServices();
  if (!layered.update || bitmap.Empty() || !window) return false;
  RECT place{};
  if (!::GetWindowRect(window, &place)) return false;
  platform::ui::WindowDc screen = platform::ui::WindowDc::Client(nullptr);
  BitmapCanvas canvas(const_cast<Bitmap&>(bitmap.Surface()));
  if (!screen || !canvas.dc()) return false;
  POINT position{place.left, place.top};
  SIZE size{bitmap.Width(), bitmap.Height()};
  POINT origin{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  return layered.update(window, screen.get(), &position, &size, canvas.dc(), &origin, 0, &blend, ULW_ALPHA) != FALSE;
}

void PaintParentBackground(HWND control, HDC dc) {
  HWND parent = ::GetParent(control);
  if (!parent || !dc) return;
  RECT bounds{};
  ::GetWindowRect(control, &bounds);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&bounds), 2);
  RECT client{};
  ::GetClientRect(parent, &client);
  platform::ui::ScopedSavedDc saved(dc);
  ::SetViewportOrgEx(dc, -bounds.left, -bounds.top, nullptr);
  ::IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
  // An MDI frame's visible background is its client window's.
  HWND target = parent;
  if (HWND mdi = ::FindWindowExW(parent, nullptr, L"MDICLIENT", nullptr)) target = mdi;
  ::SendMessageW(target, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  // A child window that is not a top-level form paints its content through WM_PRINTCLIENT.
  if ((::GetWindowLongPtrW(parent, GWL_STYLE) & WS_CHILD) != 0)
    ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
}

}  // namespace skin
