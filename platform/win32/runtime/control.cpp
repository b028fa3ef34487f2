#include "platform/ui/control.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>

#include "platform/text.h"
#include "platform/ui/application.h"
#include "platform/ui/print.h"

namespace platform::ui {

Control::Control(Control* parent) : parent_(parent) {
  if (parent_) {
    parent_->children_.push_back(this);
    font_ = parent_->font_;
  }
}

Control::~Control() {
  Application::Instance().HintControlDestroyed(this);
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

const wchar_t* Control::RegisterClassOnce() {
  static const wchar_t* name = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Control::WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = L"HalvexWindow";
    ::RegisterClassExW(&wc);
    return L"HalvexWindow";
  }();
  return name;
}

void Control::CreateWindowHandle() {
  hwnd_ = ::CreateWindowExW(WindowExStyle(), RegisterClassOnce(), Widen(caption_).c_str(),
                            WindowStyle() | (visible_ ? WS_VISIBLE : 0), left_, top_, width_, height_,
                            ParentHandle(), nullptr, ::GetModuleHandleW(nullptr), this);
  // Siblings stack in the order they were added, later ones on top (the system would put each
  // new child underneath the ones before it).
  if (hwnd_ && parent_)
    ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Control::CreateHandle() {
  if (!hwnd_) CreateWindowHandle();
  for (Control* child : children_) child->CreateHandle();
  Realign();
}

LRESULT CALLBACK Control::WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* self = static_cast<Control*>(cs->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Control*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  return Guarded(LRESULT{0}, [&] { return self->Dispatch(msg, wparam, lparam); });
}

Control* Control::FromHandle(HWND hwnd) {
  wchar_t name[32] = {};
  if (!hwnd || !::GetClassNameW(hwnd, name, 32) || wcscmp(name, RegisterClassOnce()) != 0) return nullptr;
  return reinterpret_cast<Control*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Control::TrackHint(UINT msg, WPARAM wparam, LPARAM lparam) {
  Application& app = Application::Instance();
  switch (msg) {
    case WM_MOUSEMOVE: {
      // Asked again on every move: whoever else tracks this window may have used the notice up.
      TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd_, 0};
      ::TrackMouseEvent(&track);
      POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ::ClientToScreen(hwnd_, &p);
      app.HintMouseMessage(this, p);
      break;
    }
    case WM_MOUSELEAVE:
      app.HintMouseLeft(this);
      break;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_XBUTTONDOWN:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN: case WM_NCXBUTTONDOWN:
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_MOUSEWHEEL:
      app.HideHint();
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) app.CancelHint();
      break;
    case WM_ACTIVATEAPP:
      if (!wparam) app.CancelHint();
      break;
    case WM_CANCELMODE:
      app.CancelHint();
      break;
  }
}

LRESULT Control::Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  TrackHint(msg, wparam, lparam);
  if (HandleMessage(msg, wparam, lparam, result)) return result;
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // everything is painted off-screen in WM_PAINT
    case WM_PAINT:
      PaintBuffered();
      return 0;
    case WM_PRINT:
      PrintWindowParts(hwnd_, reinterpret_cast<HDC>(wparam), lparam);
      return 0;
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      break;
  }
  return DefaultProc(msg, wparam, lparam);
}

LRESULT Control::DefaultProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  return ::DefWindowProcW(hwnd_, msg, wparam, lparam);
}

bool Control::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void Control::PaintBuffered() {
  PaintScope paint(hwnd_);
  RECT rc;
  ::GetClientRect(hwnd_, &rc);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (w <= 0 || h <= 0) return;
  UniqueMemoryDc mem = CompatibleDc(paint.dc());
  UniqueBitmap bmp(::CreateCompatibleBitmap(paint.dc(), w, h));
  {
    ScopedSelect select(mem.get(), bmp.get());
    Paint(mem.get());
    ::BitBlt(paint.dc(), 0, 0, w, h, mem.get(), 0, 0, SRCCOPY);
  }
}

void Control::PaintTo(HDC target) {
  RECT rc;
  ::GetClientRect(hwnd_, &rc);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (!target || w <= 0 || h <= 0) return;
  // A 32-bit DIB whatever the target is: a memory context may still hold its 1-bit default
  // bitmap, and a compatible bitmap would then be black and white.
  BITMAPINFO info = TopDownDibInfo(w, h, 32);
  void* bits = nullptr;
  UniqueBitmap bmp(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc mem = CompatibleDc(nullptr);
  if (!bmp || !mem) return;
  ScopedSelect select(mem.get(), bmp.get());
  Paint(mem.get());
  ::BitBlt(target, 0, 0, w, h, mem.get(), 0, 0, SRCCOPY);
}

void Control::Paint(HDC dc) {
  UniqueBrush brush(::CreateSolidBrush(EffectiveColor()));
  RECT rc = {0, 0, width_, height_};
  ::FillRect(dc, &rc, brush.get());
}

void Control::SetBounds(int left, int top, int width, int height) {
  const bool resized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  if (hwnd_) ::SetWindowPos(hwnd_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
  if (resized) {
    Realign();
    Resized();
  }
  if (parent_ && align_ != Align::None) parent_->Realign();
}

void Control::ClientResized(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  Realign();
  Resized();
}

void Control::SetAlign(Align align) {
  align_ = align;
  if (parent_) parent_->Realign();
}

void Control::Realign() {
  RECT area = ClientRect();
  auto place = [](Control* c, int l, int t, int w, int h) {
    c->left_ = l;
    c->top_ = t;
    const bool resized = c->width_ != w || c->height_ != h;
    c->width_ = std::max(w, 0);
    c->height_ = std::max(h, 0);
    if (c->hwnd_)
      ::SetWindowPos(c->hwnd_, nullptr, l, t, c->width_, c->height_, SWP_NOZORDER | SWP_NOACTIVATE);
    if (resized) {
      c->Realign();
      c->Resized();
    }
  };
  for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
    for (Control* c : children_) {
      if (c->align_ != pass || !c->visible_) continue;
      switch (pass) {
        case Align::Top:
          place(c, area.left, area.top, area.right - area.left, c->height_);
          area.top += c->height_;
          break;
        case Align::Bottom:
          place(c, area.left, area.bottom - c->height_, area.right - area.left, c->height_);
          area.bottom -= c->height_;
          break;
        case Align::Left:
          place(c, area.left, area.top, c->width_, area.bottom - area.top);
          area.left += c->width_;
          break;
        case Align::Right:
          place(c, area.right - c->width_, area.top, c->width_, area.bottom - area.top);
          area.right -= c->width_;
          break;
        case Align::Client:
          place(c, area.left, area.top, area.right - area.left, area.bottom - area.top);
          break;
        case Align::None:
          break;
      }
    }
  }
}

void Control::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (hwnd_) {
    ::SetWindowTextW(hwnd_, Widen(caption_).c_str());
    Invalidate();
  }
}

void Control::SetColor(COLORREF color) {
  color_ = color;
  parent_color_ = false;
  Invalidate();
}

COLORREF Control::EffectiveColor() const {
  if (parent_color_ && parent_) return parent_->EffectiveColor();
  return ResolveColor(color_);
}

void Control::SetFont(const FontSpec& font) {
  font_ = font;
  font_handle_.reset();
  Invalidate();
}

HFONT Control::FontHandle() {
  if (!font_handle_) font_handle_ = CreateFontFrom(font_);
  return font_handle_.get();
}

void Control::SetVisible(bool visible) {
  visible_ = visible;
  if (hwnd_) ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
  if (parent_) parent_->Realign();
}

void Control::Invalidate() {
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void Control::Update() {
  if (hwnd_) ::UpdateWindow(hwnd_);
}

namespace {
constexpr DWORD kLabelRepaintGap = 100;  // ms: ten changes a second are still easy to follow
constexpr UINT_PTR kLabelRepaintTimer = 1;
}  // namespace

void Label::SetCaption(const std::string& caption) {
  Control::SetCaptionText(caption);
  if (!hwnd_) return;
  if (::GetTickCount() - last_paint_ >= kLabelRepaintGap) {
    ShowCaption();
    Update();  // the label follows long operations that only pump messages now and then
  } else if (!repaint_due_) {
    repaint_due_ = true;
    ::SetTimer(hwnd_, kLabelRepaintTimer, kLabelRepaintGap, nullptr);
  }
}

void Label::ShowCaption() {
  ::SetWindowTextW(hwnd_, Widen(Caption()).c_str());
  Invalidate();
}

bool Label::HandleMessage(UINT msg, WPARAM wparam, LPARAM, LRESULT& result) {
  if (msg == WM_TIMER && wparam == kLabelRepaintTimer) {
    ::KillTimer(hwnd_, kLabelRepaintTimer);
    repaint_due_ = false;
    ShowCaption();
    result = 0;
    return true;
  }
  return false;
}

void Label::Paint(HDC dc) {
  last_paint_ = ::GetTickCount();
  Control::Paint(dc);
  ScopedSelect font(dc, FontHandle());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ResolveColor(Font().color));
  RECT rc = ClientRect();
  UINT format = DT_NOPREFIX | DT_SINGLELINE | DT_END_ELLIPSIS;
  format |= Alignment() == TextAlign::Center ? DT_CENTER : Alignment() == TextAlign::Right ? DT_RIGHT : DT_LEFT;
  const std::wstring text = Widen(Caption());
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
}

void Image::SetPixels(int width, int height, std::vector<uint32_t> pixels) {
  pic_width_ = width;
  pic_height_ = height;
  pixels_ = std::move(pixels);
  Invalidate();
}

void Image::Paint(HDC dc) {
  Control::Paint(dc);
  if (pic_width_ <= 0 || pic_height_ <= 0) return;
  BITMAPINFO info = TopDownDibInfo(pic_width_, pic_height_, 32);
  ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(pic_width_), static_cast<DWORD>(pic_height_), 0, 0, 0,
                      static_cast<UINT>(pic_height_), pixels_.data(), &info, DIB_RGB_COLORS);
}

}  // namespace platform::ui
