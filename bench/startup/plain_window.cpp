// The floor for the launcher's window: a plain Win32 window with the same composition (634 x 362
// client area, white; a panel above a 23-pixel status strip; a 320 x 339 image on the left; a
// centred label; a progress bar; two status panels in the strip), drawn with plain GDI and the
// stock controls. No skin, no frame drawing of its own.
//   plain_window LOGO.BMP
// The window stays up until it is closed; the measuring harness ends it.
#include <windows.h>
#include <commctrl.h>

namespace {

HBITMAP g_logo = nullptr;
HFONT g_font = nullptr;

// A status panel: a sunken edge and its caption, left-aligned with a leading blank.
LRESULT CALLBACK StatusPanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    ::DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);
    wchar_t text[256];
    int n = ::GetWindowTextW(hwnd, text, 256);
    HGDIOBJ old = ::SelectObject(dc, g_font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    RECT tr = rc;
    ::InflateRect(&tr, -2, -2);
    ::DrawTextW(dc, text, n, &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    ::SelectObject(dc, old);
    ::EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// A panel: fills its client area with its class brush and hosts children.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

ATOM Register(const wchar_t* name, WNDPROC proc, HBRUSH brush) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = brush;
  wc.lpszClassName = name;
  return ::RegisterClassW(&wc);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&icc);

  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argc > 1)
    g_logo = static_cast<HBITMAP>(::LoadImageW(nullptr, argv[1], IMAGE_BITMAP, 0, 0,
                                               LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  g_font = ::CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");

  HBRUSH white = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  Register(L"PlainMain", MainProc, white);
  Register(L"PlainPanel", PanelProc, white);
  Register(L"PlainStrip", PanelProc, ::GetSysColorBrush(COLOR_BTNFACE));
  Register(L"PlainStatus", StatusPanelProc, nullptr);

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  const DWORD ex = WS_EX_TOPMOST | WS_EX_APPWINDOW;
  RECT rc = {0, 0, 634, 362};
  ::AdjustWindowRectEx(&rc, style, FALSE, ex);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  RECT work;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - w) / 2, y = work.top + (work.bottom - work.top - h) / 2;
  HWND main = ::CreateWindowExW(ex, L"PlainMain", L"Plain window", style, x, y, w, h, nullptr, nullptr, inst,
                                nullptr);

  const DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  HWND strip = ::CreateWindowExW(0, L"PlainStrip", L"", child | WS_CLIPCHILDREN, 0, 339, 634, 23, main, nullptr,
                                 inst, nullptr);
  ::CreateWindowExW(0, L"PlainStatus", L" Halvex Auto Update", child, 0, 0, 161, 23, strip, nullptr, inst, nullptr);
  ::CreateWindowExW(0, L"PlainStatus", L" If the update does not run by itself, please contact the administrator.",
                    child, 161, 0, 473, 23, strip, nullptr, inst, nullptr);
  HWND panel = ::CreateWindowExW(0, L"PlainPanel", L"", child, 0, 0, 634, 339, main, nullptr, inst, nullptr);
  HWND label = ::CreateWindowExW(0, L"STATIC", L"", child | SS_CENTER, 237, 251, 343, 19, panel, nullptr, inst,
                                 nullptr);
  ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
  HWND bar = ::CreateWindowExW(0, PROGRESS_CLASSW, nullptr, child, 208, 275, 400, 20, panel, nullptr, inst, nullptr);
  ::SendMessageW(bar, PBM_SETRANGE32, 0, 100);
  ::SendMessageW(bar, PBM_SETPOS, 0, 0);
  // Created last, so it lies below the label and the bar, which reach into its area.
  HWND image = ::CreateWindowExW(0, L"STATIC", nullptr, child | SS_BITMAP, 0, 0, 320, 339, panel, nullptr, inst,
                                 nullptr);
  if (g_logo) ::SendMessageW(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(g_logo));

  ::ShowWindow(main, SW_SHOWNORMAL);
  ::UpdateWindow(main);

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
