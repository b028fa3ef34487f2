// The application's hints: which control's hint the mouse is on, the show and hide delays, and
// the plain tooltip window.
#include "platform/ui/hint.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"
#include "platform/ui/application.h"
#include "platform/ui/control.h"
#include "platform/ui/gdi.h"

namespace platform::ui {
namespace {

// The control whose hint shows for the mouse over `control`: the nearest one, itself or up its
// parents, that has a hint text; none when that one does not show hints.
Control* HintTargetOf(Control* control) {
  for (Control* c = control; c; c = c->Parent())
    if (!c->Hint().empty()) return c->ShowHint() ? c : nullptr;
  return nullptr;
}

// Our control whose client area holds the screen point, or null (another program's window, the
// hint window, a frame).
Control* ControlAt(POINT screen) {
  HWND hwnd = ::WindowFromPoint(screen);
  Control* control = Control::FromHandle(hwnd);
  if (!control) return nullptr;
  POINT client = screen;
  RECT rc{};
  if (!::ScreenToClient(hwnd, &client) || !::GetClientRect(hwnd, &rc) || !::PtInRect(&rc, client)) return nullptr;
  return control;
}

}  // namespace

// ---- the application's side

Application::Application() = default;

Application::~Application() { StopHintTimer(); }

void Application::SetShowHint(bool on) {
  if (show_hint_ == on) return;
  show_hint_ = on;
  if (!on) {
    CancelHint();
    hint_window_.reset();
  }
  // Switched on, the window is made at the first hint, by the class installed then.
}

void Application::StartHintTimer(unsigned ms, HintTimerMode mode) {
  StopHintTimer();
  hint_timer_mode_ = mode;
  hint_timer_ = ::SetTimer(nullptr, 0, std::max(ms, 1u), &Application::HintTimerProc);
}

void Application::StopHintTimer() {
  if (hint_timer_) ::KillTimer(nullptr, hint_timer_);
  hint_timer_ = 0;
}

void CALLBACK Application::HintTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  Application& app = Instance();
  if (id != app.hint_timer_) {
    ::KillTimer(nullptr, id);
    return;
  }
  Guarded([&] { app.HintTimerExpired(); });
}

void Application::HideHint() {
  StopHintTimer();
  if (hint_window_ && hint_window_->Visible()) hint_window_->Hide();
}

void Application::CancelHint() {
  HideHint();
  hint_control_ = nullptr;
}

void Application::HintMouseMessage(Control* control, POINT screen) {
  Control* target = show_hint_ ? HintTargetOf(control) : nullptr;
  if (!target) {
    CancelHint();
    return;
  }
  if (target == hint_control_ && (!hint_cursor_rect_set_ || ::PtInRect(&hint_cursor_rect_, screen))) return;
  // Straight from one hint to the next: the old one goes at once, the new one comes sooner.
  const bool up = hint_window_ && hint_window_->Visible();
  HideHint();
  hint_control_ = target;
  hint_cursor_rect_set_ = false;
  StartHintTimer(up ? hint_short_pause_ : hint_pause_, HintTimerMode::Show);
}

void Application::HintMouseLeft(Control* control) {
  POINT cursor{};
  ::GetCursorPos(&cursor);
  Control* under = ControlAt(cursor);
  if (under == control) return;
  // Into another of our controls (a child, a sibling): that one decides; anywhere else ends it.
  if (under)
    HintMouseMessage(under, cursor);
  else
    CancelHint();
}

void Application::HintControlDestroyed(Control* control) {
  if (hint_control_ == control) CancelHint();
}

void Application::HintTimerExpired() {
  if (hint_timer_mode_ == HintTimerMode::Show)
    ActivateHint();
  else
    HideHint();
}

void Application::ActivateHint() {
  StopHintTimer();
  Control* control = hint_control_;
  if (!control || !control->Handle() || !show_hint_) return;
  POINT cursor{};
  ::GetCursorPos(&cursor);
  // The mouse may have gone without a leave notice reaching us yet.
  if (HintTargetOf(ControlAt(cursor)) != control) {
    CancelHint();
    return;
  }
  HintInfo info;
  info.HintControl = control;
  info.CursorPos = cursor;
  ::ScreenToClient(control->Handle(), &info.CursorPos);
  info.HintPos = {cursor.x, cursor.y + CursorHeightMargin()};
  info.CursorRect = control->ClientRect();
  info.HideTimeout = hint_hide_pause_;
  std::string text = control->Hint();
  bool can_show = true;
  if (OnShowHint) OnShowHint(text, can_show, info);
  // The handler may have moved things on (cancelled, switched hints off).
  if (hint_control_ != control || !show_hint_) return;
  if (!can_show || text.empty()) return;
  RECT& area = hint_cursor_rect_;
  area = info.CursorRect;
  ::MapWindowPoints(control->Handle(), nullptr, reinterpret_cast<POINT*>(&area), 2);
  hint_cursor_rect_set_ = true;
  if (!hint_window_) hint_window_ = hint_window_class_();
  if (!hint_window_) return;
  hint_window_->ActivateHint(RECT{info.HintPos.x, info.HintPos.y, info.HintPos.x, info.HintPos.y}, text);
  if (info.HideTimeout > 0) StartHintTimer(info.HideTimeout, HintTimerMode::Hide);
}

// ---- the plain tooltip

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
  HGDIOBJ old = font ? ::SelectObject(screen.get(), font.get()) : nullptr;
  RECT calc{0, 0, 0, 0};
  ::DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &calc, DT_CALCRECT | DT_NOPREFIX);
  if (old) ::SelectObject(screen.get(), old);
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

void PlainHintWindow::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_INFOBK));
  ::FrameRect(dc, &client, ::GetSysColorBrush(COLOR_BTNSHADOW));
  UniqueFont font = StatusFont();
  HGDIOBJ old = font ? ::SelectObject(dc, font.get()) : nullptr;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
  const std::wstring wide = Widen(text_);
  RECT r{3, 2, client.right - 3, client.bottom - 2};
  ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, DT_NOPREFIX);
  if (old) ::SelectObject(dc, old);
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
