#include "platform/ui/print.h"

#include "platform/ui/gdi.h"

namespace platform::ui {
namespace {

// Pixels outside a shaped window are not part of it: they keep whatever the context held.
void ClipToWindowRegion(HWND window, HDC dc) {
  UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  if (!region || ::GetWindowRgn(window, region.get()) == ERROR) return;
  // The window region is in window coordinates, a clipping region in device units.
  POINT origin{0, 0};
  ::LPtoDP(dc, &origin, 1);
  ::OffsetRgn(region.get(), origin.x, origin.y);
  ::ExtSelectClipRgn(dc, region.get(), RGN_AND);
}

bool HasNonClientArea(HWND window) {
  RECT wr{}, cr{};
  ::GetWindowRect(window, &wr);
  ::GetClientRect(window, &cr);
  return wr.right - wr.left != cr.right || wr.bottom - wr.top != cr.bottom;
}

void PrintChildren(HWND window, HDC dc, LPARAM flags) {
  HWND top = ::GetWindow(window, GW_CHILD);
  if (!top) return;
  for (HWND child = ::GetWindow(top, GW_HWNDLAST); child; child = ::GetWindow(child, GW_HWNDPREV)) {
    if (!(::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) continue;
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
    ScopedSavedDc saved(dc);
    ::OffsetViewportOrgEx(dc, r.left, r.top, nullptr);
    ::IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
    ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags | PRF_NONCLIENT);
  }
}

}  // namespace

POINT ClientOriginInWindow(HWND window) {
  RECT wr{};
  ::GetWindowRect(window, &wr);
  POINT p{0, 0};
  ::ClientToScreen(window, &p);
  return POINT{p.x - wr.left, p.y - wr.top};
}

void PrintWindowParts(HWND window, HDC dc, LPARAM flags, const std::function<void(HDC)>& paint_non_client) {
  if (!window || !dc) return;
  if ((flags & PRF_CHECKVISIBLE) && !::IsWindowVisible(window)) return;
  ScopedSavedDc saved(dc);
  if (flags & PRF_NONCLIENT) {
    ClipToWindowRegion(window, dc);
    if (paint_non_client) {
      ScopedSavedDc frame(dc);
      paint_non_client(dc);
    } else if (HasNonClientArea(window)) {
      ::DefWindowProcW(window, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT);
    }
    const POINT origin = ClientOriginInWindow(window);
    ::OffsetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  }
  RECT client{};
  ::GetClientRect(window, &client);
  ::IntersectClipRect(dc, 0, 0, client.right, client.bottom);
  if (flags & PRF_ERASEBKGND) ::SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  if (flags & PRF_CLIENT) ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), flags);
  if (flags & PRF_CHILDREN) PrintChildren(window, dc, flags);
}

}  // namespace platform::ui
