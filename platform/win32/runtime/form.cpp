#include "platform/ui/form.h"

#include "platform/text.h"
#include "platform/ui/application.h"

namespace platform::ui {

Form::Form() : Control(nullptr) { SetParentColor(false); }

Form::~Form() {
  if (OnDestroy) OnDestroy(this);
}

DWORD Form::WindowStyle() const {
  DWORD style = WS_POPUP | WS_CLIPCHILDREN;
  if (border_style_ == BorderStyle::None) return style;
  style |= WS_CAPTION;
  if (border_style_ == BorderStyle::Sizeable) style |= WS_THICKFRAME;
  if (border_icons_ & kBiSystemMenu) {
    style |= WS_SYSMENU;
    // The platform shows the minimise and maximise boxes only beside a system menu.
    if (border_icons_ & kBiMinimize) style |= WS_MINIMIZEBOX;
    if (border_icons_ & kBiMaximize) style |= WS_MAXIMIZEBOX;
  }
  return style;
}

DWORD Form::WindowExStyle() const {
  DWORD ex = 0;
  if (stay_on_top_) ex |= WS_EX_TOPMOST;
  if (Application::Instance().MainFormOnTaskBar() && Application::Instance().MainForm() == this)
    ex |= WS_EX_APPWINDOW;
  return ex;
}

void Form::SetClientSize(int width, int height) {
  client_width_ = width;
  client_height_ = height;
  if (hwnd_) {
    RECT outer{}, client{};
    ::GetWindowRect(hwnd_, &outer);
    ::GetClientRect(hwnd_, &client);
    const int frame_width = (outer.right - outer.left) - (client.right - client.left);
    const int frame_height = (outer.bottom - outer.top) - (client.bottom - client.top);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, width + frame_width, height + frame_height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Realign();
}

void Form::SetCaption(const std::string& caption) { Control::SetCaption(caption); }

void Form::CreateWindowHandle() {
  RECT rc = {0, 0, client_width_, client_height_};
  ::AdjustWindowRectEx(&rc, WindowStyle(), FALSE, WindowExStyle());
  hwnd_ = ::CreateWindowExW(WindowExStyle(), RegisterClassOnce(), Widen(Caption()).c_str(), WindowStyle(),
                            CW_USEDEFAULT, CW_USEDEFAULT, rc.right - rc.left, rc.bottom - rc.top, nullptr,
                            nullptr, ::GetModuleHandleW(nullptr), this);
}

void Form::Create() {
  CreateHandle();
  if (OnCreate) Guarded([&] { OnCreate(this); });
}

void Form::Show() {
  if (!hwnd_) Create();
  if (!shown_once_) {
    shown_once_ = true;
    // Centred in the work area of the primary monitor until a skinned frame takes placement over.
    RECT work, wr;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(hwnd_, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - w) / 2,
                   work.top + (work.bottom - work.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (OnShow) Guarded([&] { OnShow(this); });
  showing_ = true;
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd_);
}

void Form::Close() {
  if (hwnd_) ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

bool Form::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (msg) {
    case WM_SIZE: {
      // A form's extent is its client area: that is what its children are laid out in.
      if (wparam != SIZE_MINIMIZED) ClientResized(LOWORD(lparam), HIWORD(lparam));
      return false;
    }
    case WM_CLOSE:
      showing_ = false;
      if (Application::Instance().MainForm() == this) Application::Instance().Terminate();
      ::ShowWindow(hwnd_, SW_HIDE);
      result = 0;
      return true;
  }
  return false;
}

}  // namespace platform::ui
