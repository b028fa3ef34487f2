// Drawing a window into any device context (WM_PRINT), whether it is shown, covered or off the
// screen: what a preview or a screenshot of one window needs, without reading the screen.
#pragma once

#include <windows.h>

#include <functional>

namespace platform::ui {

// Answers WM_PRINT for `window`, part by part in the order the flags name them: the non-client
// area (by `paint_non_client`, or the system's own drawing when unset), the background
// (WM_ERASEBKGND), the client (WM_PRINTCLIENT) and the children whose WS_VISIBLE style is set,
// the bottom of the stacking order first, each sent WM_PRINT with its own origin at its offset
// and clipped to its bounds. The style is what counts, not IsWindowVisible, so the children of
// a window that was never shown are printed too. With PRF_NONCLIENT the context's origin is
// the window's top-left corner and the drawing is clipped to the window region, else the origin
// is the client's top-left corner. PRF_OWNED is not followed.
void PrintWindowParts(HWND window, HDC dc, LPARAM flags, const std::function<void(HDC)>& paint_non_client = {});

// The client area's top-left corner in window coordinates.
POINT ClientOriginInWindow(HWND window);

}  // namespace platform::ui
