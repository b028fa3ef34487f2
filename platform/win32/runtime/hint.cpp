// The hint windows: the shared window creation and the plain tooltip.
#include "platform/ui/hint.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"
#include "platform/ui/application.h"
#include "platform/ui/control.h"
#include "platform/ui/gdi.h"

namespace platform::ui {

namespace {
const wchar_t kPlainHintClass[] = L"HalvexHintWindow";

UniqueFont StatusFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    return UniqueFont(::CreateFontIndirectW(&metrics.lfStatusFont));
  return UniqueFont();
}

SIZE MeasureText(const std::wstring& text) {
  WindowDc screen = WindowDc::Client(nullptr);
  UniqueFont font = StatusFont();
  ScopedSelect select_font(screen.get(), font.get());
  RECT calc{0, 0, 0, 0};
  ::DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &calc, DT_CALCRECT | DT_NOPREFIX);
  return {calc.right - calc.left, calc.bottom - calc.top};
}
}  // namespace

PlainHintWindow::~PlainHintWindow() {
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

std::unique_ptr<HintWindow> PlainHintWindow::Create() { return std::make_unique<PlainHintWindow>(); }

LRESULT CALLBACK PlainHintWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<PlainHintWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_NCHITTEST:
      // The mouse goes through to whatever is underneath: a hint never takes a click.
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_PAINT:
      if (self) {
        PaintScope paint(hwnd);
        Guarded([&] { self->Paint(paint.dc()); });
        return 0;
      }
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wparam, lparam);
}

HWND HintWindow::CreateHintHandle(const wchar_t* class_name, WNDPROC proc, void* self) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DROPSHADOW | CS_SAVEBITS;
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = class_name;
  if (!::GetClassInfoExW(wc.hInstance, class_name, &wc) && !::RegisterClassExW(&wc)) return nullptr;
  HWND hwnd = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, class_name, L"", WS_POPUP, 0, 0,
                                0, 0, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (hwnd) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  return hwnd;
}

void PlainHintWindow::ActivateHint(RECT rect, const std::string& text) {
  if (!hwnd_) hwnd_ = CreateHintHandle(kPlainHintClass, &PlainHintWindow::WindowProc, this);
  if (!hwnd_) return;
  text_ = text;
  const std::wstring wide = Widen(text_);
  ::SetWindowTextW(hwnd_, wide.c_str());
  const SIZE size = MeasureText(wide);
  const int w = size.cx + 6, h = size.cy + 4;
  // Held on the work area of the monitor under the point.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (::GetMonitorInfoW(::MonitorFromPoint(POINT{rect.left, rect.top}, MONITOR_DEFAULTTONEAREST), &monitor))
    area = monitor.rcWork;
  int x = rect.left, y = rect.top;
  if (x + w > area.right) x -= w + 2;
  if (y + h > area.bottom) y -= h + 2;
  ::SetWindowPos(hwnd_, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::InvalidateRect(hwnd_, nullptr, FALSE);
  ::UpdateWindow(hwnd_);
}

void PlainHintWindow::Hide() {
  if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
}

void PaintPlainHintBackground(HDC dc, const RECT& client) {
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_INFOBK));
  ::FrameRect(dc, &client, ::GetSysColorBrush(COLOR_BTNSHADOW));
  ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
}

void PlainHintWindow::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  PaintPlainHintBackground(dc, client);
  UniqueFont font = StatusFont();
  ScopedSelect select_font(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);
  const std::wstring wide = Widen(text_);
  RECT r{3, 2, client.right - 3, client.bottom - 2};
  ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, DT_NOPREFIX);
}

// ---- the cursor

std::optional<CursorMask> ReadCursorMask(bool bottom_up) {
  ICONINFO icon{};
  HCURSOR cursor = ::GetCursor();
  if (!cursor || !::GetIconInfo(cursor, &icon)) return std::nullopt;
  UniqueBitmap mask(icon.hbmMask);
  UniqueBitmap colour(icon.hbmColor);
  BITMAP bm{};
  if (!mask || !::GetObjectW(mask.get(), sizeof(bm), &bm) || bm.bmBitsPixel != 1 || bm.bmWidth <= 0 ||
      bm.bmHeight <= 0 || bm.bmWidth > 256 || bm.bmHeight > 512)
    return std::nullopt;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } bi{};
  bi.header.biSize = sizeof(BITMAPINFOHEADER);
  bi.header.biWidth = bm.bmWidth;
  bi.header.biHeight = bottom_up ? bm.bmHeight : -bm.bmHeight;
  bi.header.biPlanes = 1;
  bi.header.biBitCount = 1;
  CursorMask out;
  out.width = bm.bmWidth;
  out.height = bm.bmHeight;
  out.stride = (static_cast<size_t>(bm.bmWidth) + 31) / 32 * 4;
  out.hotspot_y = static_cast<int>(icon.yHotspot);
  out.has_colour = static_cast<bool>(colour);
  out.bits.resize(out.stride * static_cast<size_t>(bm.bmHeight));
  WindowDc screen = WindowDc::Client(nullptr);
  if (!::GetDIBits(screen.get(), mask.get(), 0, static_cast<UINT>(bm.bmHeight), out.bits.data(),
                   reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS))
    return std::nullopt;
  return out;
}

int CursorHeightMargin() {
  const int fallback = ::GetSystemMetrics(SM_CYCURSOR);
  const std::optional<CursorMask> mask = ReadCursorMask(false);
  if (!mask) return fallback;
  // A monochrome cursor keeps its AND half above its XOR half; a colour one has only the AND mask.
  const bool monochrome = !mask->has_colour && mask->height >= 2 * mask->width;
  const int height = monochrome ? mask->height / 2 : mask->height;
  auto bit = [&](int x, int y) {
    return (mask->bits[static_cast<size_t>(y) * mask->stride + x / 8] >> (7 - x % 8)) & 1;
  };
  // A pixel shows when its AND bit is clear, or when its XOR bit inverts the screen.
  int lowest = -1;
  for (int y = height - 1; y >= 0 && lowest < 0; --y)
    for (int x = 0; x < mask->width; ++x)
      if (!bit(x, y) || (monochrome && bit(x, y + height))) {
        lowest = y;
        break;
      }
  if (lowest < 0) return fallback;
  return std::max(lowest + 1 - mask->hotspot_y, 0);
}

}  // namespace platform::ui
