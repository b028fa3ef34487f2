// The Windows side of the platform helpers: version tests of the running system, monitor areas,
// layered windows and the parent background behind a control.
#pragma once

#include <windows.h>

#include "skin/os_version.h"

namespace skin {

class TbsBitmap;

// The same for the running system.
bool OsVersionAtLeast2000();
bool OsVersionAtLeastXP();
bool OsVersionAtLeastVista();
bool OsVersionIsSeven();

// The monitor services that may be missing from the system, looked up once.
struct MonitorServices {
  int monitorCount = 1;
  HMONITOR(WINAPI* monitorFromWindow)(HWND, DWORD) = nullptr;
  BOOL(WINAPI* getMonitorInfo)(HMONITOR, LPMONITORINFO) = nullptr;
};
const MonitorServices& SystemMonitorServices();

// The work area (work_area) or the whole area of the window's monitor. With one monitor, or
// without the monitor functions: the desktop work area, or (0, 0, screen width, screen height).
// When the monitor's information cannot be read, rect is left unchanged.
void MonitorAreaOf(HWND window, bool work_area, RECT& rect);
void MonitorAreaOf(HWND window, bool work_area, RECT& rect, const MonitorServices& services);

// Constant opacity of a layered window; false when the platform lacks the call or it fails.
bool SetWindowOpacity(HWND window, BYTE alpha);
// Updates a layered window from bitmap (premultiplied pixels) at the window's position, with
// per-pixel alpha and constant alpha; false when not possible.
bool PushLayeredBitmap(const TbsBitmap& bitmap, BYTE alpha, HWND window);

// Paints what lies behind control (its parent's background) into dc, in control coordinates.
void PaintParentBackground(HWND control, HDC dc);

}  // namespace skin
