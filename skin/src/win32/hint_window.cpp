// The skinned hint window and the hint component's delayed show and hide.
#include <algorithm>
#include <vector>

#include "draw_gdi.h"
#include "platform/text.h"
#include "skin/bitmap_canvas.h"
#include "skin/region.h"
#include "skin/resource_strings.h"
#include "skin/skin_data.h"
#include "skin/skin_hint.h"
#include "skin/window_helpers.h"

namespace skin {
namespace {

std::vector<TbsSkinHint*>& HintList() {
  static std::vector<TbsSkinHint*> hints;
  return hints;
}

const wchar_t kHintClass[] = L"TbsSkinHintWindow";

bool SkinUsable(const TbsSkinData* d) {
  return d && !d->Empty && d->HintWindow.windowpictureindex != -1 && d->ActivePicture(d->HintWindow.windowpictureindex);
}

}  // namespace

// ---- the window

TbsSkinHintWindow::~TbsSkinHintWindow() {
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

void TbsSkinHintWindow::CreateHandle() {
  if (hwnd_) return;
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DROPSHADOW | CS_SAVEBITS;
    wc.lpfnWndProc = &TbsSkinHintWindow::WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kHintClass;
    registered = ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  hwnd_ = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kHintClass, L"", WS_POPUP, 0, 0, 0,
                            0, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (hwnd_) ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK TbsSkinHintWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<TbsSkinHintWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_PAINT:
      if (self) {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        try {
          self->Paint(dc);
        } catch (const std::exception& e) {
          if (TbsSkinForm::HandleException) TbsSkinForm::HandleException(e);
        }
        ::EndPaint(hwnd, &ps);
        return 0;
      }
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wparam, lparam);
}

HFONT TbsSkinHintWindow::MakeFont(const TbsSkinHint&) const { return CreateSkinFont(font_); }

void TbsSkinHintWindow::ActivateHint(RECT r, const std::string& text) {
  TbsSkinHint* hint = TbsSkinHint::Current();
  if (!hint) return;
  CreateHandle();
  if (!hwnd_) return;
  const TbsSkinData* data = hint->SkinData();
  skin_data_ = SkinUsable(data) ? data : nullptr;

  font_ = hint->DefaultFont;
  if (skin_data_ && hint->UseSkinFont) {
    font_.Name = skin_data_->HintWindow.fontname;
    font_.Height = skin_data_->HintWindow.fontheight;
    font_.Style = skin_data_->HintWindow.fontstyle;
    font_.FontColor = skin_data_->HintWindow.fontcolor;
  }
  if (data && data->ResourceStrData()) font_.CharSet = data->ResourceStrData()->CharSet;

  text_ = ExpandHintLines(text, hint->LineSeparator);
  ::SetWindowTextW(hwnd_, platform::Widen(text_).c_str());

  // Measured as the platform lays the text out.
  Size measured;
  {
    gdi::WindowDC screen = gdi::WindowDC::Client(nullptr);
    gdi::Font font(MakeFont(*hint));
    gdi::Selection sel(screen.get(), font.get());
    const std::wstring wide = platform::Widen(text_);
    RECT calc{0, 0, 0, 0};
    ::DrawTextW(screen.get(), wide.c_str(), static_cast<int>(wide.size()), &calc, DT_CALCRECT);
    measured = {calc.right - calc.left, calc.bottom - calc.top};
  }
  const Bitmap* picture = skin_data_ ? skin_data_->ActivePicture(skin_data_->HintWindow.windowpictureindex) : nullptr;
  if (picture) {
    const auto& hw = skin_data_->HintWindow;
    layout_ = SkinnedHintLayout(measured, HintSkin{picture->Width(), picture->Height(), hw.lefttoppoint,
                                                   hw.righttoppoint, hw.leftbottompoint, hw.rightbottompoint,
                                                   hw.clientrect});
  } else {
    layout_ = PlainHintLayout(measured);
  }

  // Held on the work area of the active form's monitor (or the main form's, or the screen).
  HWND ref = ::GetActiveWindow();
  if (!ref) {
    HWND fore = ::GetForegroundWindow();
    if (fore && ::IsWindowVisible(fore)) ref = fore;
  }
  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (ref) MonitorAreaOf(ref, true, area);
  const Rect placed = PlaceHint({r.left, r.top}, layout_.W, layout_.H, {area.left, area.top, area.right, area.bottom});

  // Shape from the hint mask, else none.
  HRGN shape = nullptr;
  const Bitmap* mask = skin_data_ ? skin_data_->ActivePicture(skin_data_->HintWindow.maskpictureindex) : nullptr;
  if (picture && mask) {
    const auto& hw = skin_data_->HintWindow;
    const SliceGeometry g{hw.lefttoppoint, hw.righttoppoint, hw.leftbottompoint, hw.rightbottompoint, hw.clientrect};
    if (!FrameRegionFromMask(shape, g, layout_.New, *mask, layout_.W, layout_.H)) shape = nullptr;
  }
  if (!::SetWindowRgn(hwnd_, shape, FALSE) && shape) ::DeleteObject(shape);

  if (hint->AlphaBlend && OsVersionAtLeast2000()) {
    ::SetWindowLongW(hwnd_, GWL_EXSTYLE, ::GetWindowLongW(hwnd_, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetWindowOpacity(hwnd_, static_cast<BYTE>(hint->AlphaBlendAnimation ? 0 : hint->AlphaBlendValue));
  } else {
    ::SetWindowLongW(hwnd_, GWL_EXSTYLE, ::GetWindowLongW(hwnd_, GWL_EXSTYLE) & ~WS_EX_LAYERED);
  }
  ::SetWindowPos(hwnd_, HWND_TOPMOST, placed.Left, placed.Top, layout_.W, layout_.H,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::InvalidateRect(hwnd_, nullptr, FALSE);
  ::UpdateWindow(hwnd_);
  if (hint->AlphaBlend && hint->AlphaBlendAnimation) {
    const int target = std::clamp(hint->AlphaBlendValue, 0, 255);
    const int step = std::max(1, target / 10);
    int alpha = 0;
    DWORD last = ::GetTickCount();
    while (alpha < target) {
      if (::GetTickCount() - last > 3) {
        alpha = std::min(alpha + step, target);
        SetWindowOpacity(hwnd_, static_cast<BYTE>(alpha));
        ::UpdateWindow(hwnd_);
        last = ::GetTickCount();
      } else {
        ::Sleep(1);
      }
    }
  }
}

void TbsSkinHintWindow::Hide() {
  if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
}

void TbsSkinHintWindow::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return;
  Bitmap buffer(w, h);
  const Bitmap* picture = skin_data_ ? skin_data_->ActivePicture(skin_data_->HintWindow.windowpictureindex) : nullptr;
  {
    BitmapCanvas canvas(buffer);
    HDC c = canvas.dc();
    if (!c) return;
    if (picture) {
      const auto& hw = skin_data_->HintWindow;
      Bitmap composed;
      const SliceGeometry g{hw.lefttoppoint, hw.righttoppoint, hw.leftbottompoint, hw.rightbottompoint, hw.clientrect};
      ComposeNineSlice(g, layout_.New, composed, *picture, Rect{0, 0, picture->Width(), picture->Height()}, w, h, true,
                       EdgeStretch{hw.leftstretch, hw.topstretch, hw.rightstretch, hw.bottomstretch},
                       hw.stretcheffect, hw.stretchtype);
      CanvasCopy(buffer, Rect{0, 0, w, h}, composed, Rect{0, 0, composed.Width(), composed.Height()});
    } else {
      ::FillRect(c, &client, ::GetSysColorBrush(COLOR_INFOBK));
      ::FrameRect(c, &client, ::GetSysColorBrush(COLOR_BTNSHADOW));
    }
    gdi::Font font(CreateSkinFont(font_));
    gdi::Selection sel(c, font.get());
    ::SetBkMode(c, TRANSPARENT);
    const std::wstring wide = platform::Widen(text_);
    if (picture) {
      ::SetTextColor(c, skin_data_->HintWindow.fontcolor);
      RECT calc{0, 0, 0, 0};
      ::DrawTextW(c, wide.c_str(), static_cast<int>(wide.size()), &calc, DT_CALCRECT);
      const Rect& cl = layout_.New.ClRect;
      const int x = cl.Left + RectSpanX(cl) / 2 - calc.right / 2, y = cl.Top + RectSpanY(cl) / 2 - calc.bottom / 2;
      RECT r{x, y, x + calc.right, y + calc.bottom};
      ::DrawTextW(c, wide.c_str(), static_cast<int>(wide.size()), &r, 0);
    } else {
      ::SetTextColor(c, ::GetSysColor(COLOR_INFOTEXT));
      RECT r{2, 2, w - 2, h - 2};
      ::DrawTextW(c, wide.c_str(), static_cast<int>(wide.size()), &r, 0);
    }
    BitmapCanvas::Flush();
    ::BitBlt(dc, 0, 0, w, h, c, 0, 0, SRCCOPY);
  }
}

// ---- the component

TbsSkinHint::TbsSkinHint() { HintList().push_back(this); }

TbsSkinHint::~TbsSkinHint() {
  StopTimer();
  if (skin_data_) skin_data_->RemoveFreeListener(this);
  std::erase(HintList(), this);
}

void TbsSkinHint::SetSkinData(TbsSkinData* data) {
  if (skin_data_) skin_data_->RemoveFreeListener(this);
  skin_data_ = data;
  if (skin_data_) skin_data_->AddFreeListener(this, [this] { skin_data_ = nullptr; });
}

void TbsSkinHint::SetActive(bool value) {
  active_ = value;
  if (value)
    for (TbsSkinHint* other : HintList())
      if (other != this) other->active_ = false;
}

TbsSkinHint* TbsSkinHint::Current() {
  for (TbsSkinHint* h : HintList())
    if (h->active_) return h;
  return nullptr;
}

namespace {
std::vector<std::pair<UINT_PTR, TbsSkinHint*>>& HintTimers() {
  static std::vector<std::pair<UINT_PTR, TbsSkinHint*>> timers;
  return timers;
}
}  // namespace

void TbsSkinHint::StopTimer() {
  if (!timer_) return;
  ::KillTimer(nullptr, timer_);
  std::erase_if(HintTimers(), [this](const auto& t) { return t.second == this; });
  timer_ = 0;
}

void TbsSkinHint::StartTimer(unsigned ms) {
  StopTimer();
  timer_ = ::SetTimer(nullptr, 0, ms, &TbsSkinHint::TimerProc);
  if (timer_) HintTimers().emplace_back(timer_, this);
}

void CALLBACK TbsSkinHint::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  TbsSkinHint* hint = nullptr;
  for (const auto& t : HintTimers())
    if (t.first == id) hint = t.second;
  if (!hint) {
    ::KillTimer(nullptr, id);
    return;
  }
  try {
    if (hint->showing_phase_) {
      hint->ShowHintNow(hint->pending_);
      hint->showing_phase_ = false;
      hint->StartTimer(hint->HintHidePause);
    } else {
      hint->HideHint();
    }
  } catch (const std::exception& e) {
    if (TbsSkinForm::HandleException) TbsSkinForm::HandleException(e);
  }
}

void TbsSkinHint::ShowHintDelayed(const std::string& text) {
  StopTimer();
  pending_ = text;
  showing_phase_ = true;
  StartTimer(HintPause);
}

void TbsSkinHint::ShowHintNow(const std::string& text) {
  POINT cursor{};
  ::GetCursorPos(&cursor);
  cursor.y += CursorDropHeight();
  window_.ActivateHint(RECT{cursor.x, cursor.y, cursor.x, cursor.y}, text);
}

void TbsSkinHint::HideHint() {
  StopTimer();
  showing_phase_ = false;
  if (window_.Visible()) window_.Hide();
}

int CursorDropHeight() {
  const int fallback = ::GetSystemMetrics(SM_CYCURSOR);
  HCURSOR cursor = ::GetCursor();
  ICONINFO info{};
  if (!cursor || !::GetIconInfo(cursor, &info)) return fallback;
  gdi::BitmapHandle mask(info.hbmMask);
  gdi::BitmapHandle colour(info.hbmColor);
  BITMAP bm{};
  if (!mask || !::GetObjectW(mask.get(), sizeof(bm), &bm) || bm.bmBitsPixel != 1 || bm.bmWidth <= 0 ||
      bm.bmHeight <= 0 || bm.bmWidth > 256 || bm.bmHeight > 512)
    return fallback;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } bi{};
  bi.header.biSize = sizeof(BITMAPINFOHEADER);
  bi.header.biWidth = bm.bmWidth;
  bi.header.biHeight = bm.bmHeight;  // bottom-up
  bi.header.biPlanes = 1;
  bi.header.biBitCount = 1;
  const size_t stride = (static_cast<size_t>(bm.bmWidth) + 31) / 32 * 4;
  std::vector<uint8_t> bits(stride * static_cast<size_t>(bm.bmHeight));
  gdi::WindowDC screen = gdi::WindowDC::Client(nullptr);
  if (!::GetDIBits(screen.get(), mask.get(), 0, static_cast<UINT>(bm.bmHeight), bits.data(),
                   reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS))
    return fallback;
  return CursorDropFromMask(bits, bm.bmWidth, bm.bmHeight, static_cast<int>(info.yHotspot), fallback);
}

}  // namespace skin
