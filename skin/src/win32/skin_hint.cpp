// The skinned hint window and the hint component's delayed show and hide.
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/ui/gdi.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "platform/ui/hint.h"
#include "skin/canvas_copy.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/win32/mask_region.h"
#include "skin/resource_strings.h"
#include "skin/win32/skin_control.h"
#include "skin/skin_data.h"
#include "skin/win32/skin_hint.h"
#include "skin/win32/window_helpers.h"

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

namespace {
Size MeasureHintText(const platform::ui::FontSpec& spec, const std::string& text) {
  const platform::ui::WindowDc screen = platform::ui::WindowDc::Client(nullptr);
  const platform::ui::UniqueFont font = platform::ui::CreateFontFrom(spec);
  platform::ui::ScopedSelect select(screen.get(), font.get());
  const std::wstring wide = platform::Widen(text);
  RECT calc{0, 0, 0, 0};
  ::DrawTextW(screen.get(), wide.c_str(), static_cast<int>(wide.size()), &calc, DT_CALCRECT);
  return {calc.right - calc.left, calc.bottom - calc.top};
}

platform::ui::FontSpec Bold(platform::ui::FontSpec spec) {
  spec.style |= fsBold;
  return spec;
}

void DrawHintText(HDC dc, const platform::ui::FontSpec& spec, const std::string& text, RECT r) {
  const platform::ui::UniqueFont font = platform::ui::CreateFontFrom(spec);
  platform::ui::ScopedSelect select(dc, font.get());
  const std::wstring wide = platform::Widen(text);
  ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, 0);
}

RECT Offset(const Rect& r, Point by) { return RECT{r.Left + by.X, r.Top + by.Y, r.Right + by.X, r.Bottom + by.Y}; }
}  // namespace

TbsSkinHintWindow::~TbsSkinHintWindow() {
  UseSkinData(nullptr);
  UseImageList(nullptr);
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

std::unique_ptr<platform::ui::HintWindow> TbsSkinHintWindow::Create() { return std::make_unique<TbsSkinHintWindow>(); }

void TbsSkinHintWindow::CreateHandle() {
  if (!hwnd_) hwnd_ = CreateHintHandle(kHintClass, &TbsSkinHintWindow::WindowProc, this);
}

// The skin data or image list may go while the window still refers to them: it then hides
// rather than paint from freed pictures.
void TbsSkinHintWindow::UseSkinData(TbsSkinData* data) {
  if (skin_data_ == data) return;
  if (skin_data_) skin_data_->RemoveFreeListener(this);
  skin_data_ = data;
  if (skin_data_)
    skin_data_->AddFreeListener(this, [this] {
      skin_data_ = nullptr;
      Hide();
    });
}

void TbsSkinHintWindow::UseImageList(platform::ui::ImageList* list) {
  if (image_list_ == list) return;
  if (image_list_) image_list_->RemoveFreeListener(this);
  image_list_ = list;
  if (image_list_)
    image_list_->AddFreeListener(this, [this] {
      image_list_ = nullptr;
      Hide();
    });
}

LRESULT CALLBACK TbsSkinHintWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<TbsSkinHintWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_PAINT:
      if (self) {
        platform::ui::PaintScope paint(hwnd);
        platform::ui::Guarded([&] {
          Bitmap picture = self->Render();
          PresentBitmap(paint.dc(), picture);
        });
        return 0;
      }
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wparam, lparam);
}

void TbsSkinHintWindow::ActivateHint(RECT r, const std::string& text) {
  TbsSkinHint* hint = TbsSkinHint::Current();
  if (!hint) return;
  CreateHandle();
  if (!hwnd_) return;
  TbsSkinData* data = hint->SkinData();
  UseSkinData(SkinUsable(data) ? data : nullptr);

  font_ = hint->DefaultFont;
  if (skin_data_ && hint->UseSkinFont) {
    font_.face = skin_data_->HintWindow.fontname;
    font_.height = skin_data_->HintWindow.fontheight;
    font_.style = skin_data_->HintWindow.fontstyle;
    font_.color = skin_data_->HintWindow.fontcolor;
  }
  if (data && data->ResourceStrData()) font_.charset = data->ResourceStrData()->CharSet;

  text_ = ExpandHintLines(text, hint->LineSeparator);
  ::SetWindowTextW(hwnd_, platform::Widen(text_).c_str());

  // Measured as the platform lays the text out; a title or an image puts the title layout
  // around it.
  content_ = MeasureHintText(font_, text_);
  title_ = hint->HintTitle;
  image_index_ = hint->HintImageIndex;
  UseImageList(hint->HintImageList());
  const bool image = image_list_ && image_index_ >= 0 && image_index_ < image_list_->Count();
  titled_ = !title_.empty() || image;
  title_layout_ = {};
  if (titled_) {
    const Size image_size = image ? Size{image_list_->Width(), image_list_->Height()} : Size{};
    const Size title_size = title_.empty() ? Size{} : MeasureHintText(Bold(font_), title_);
    title_layout_ = TitledHintContent(image_size, title_size, content_);
    content_ = title_layout_.Content;
  }
  const Bitmap* picture = skin_data_ ? skin_data_->ActivePicture(skin_data_->HintWindow.windowpictureindex) : nullptr;
  if (picture) {
    const auto& hw = skin_data_->HintWindow;
    layout_ = SkinnedHintLayout(content_, HintSkin{picture->Width(), picture->Height(), hw.lefttoppoint,
                                                   hw.righttoppoint, hw.leftbottompoint, hw.rightbottompoint,
                                                   hw.clientrect});
  } else {
    layout_ = PlainHintLayout(content_);
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
  platform::ui::UniqueRegion shape;
  const Bitmap* mask = skin_data_ ? skin_data_->ActivePicture(skin_data_->HintWindow.maskpictureindex) : nullptr;
  if (picture && mask) {
    const auto& hw = skin_data_->HintWindow;
    const SliceGeometry g{hw.lefttoppoint, hw.righttoppoint, hw.leftbottompoint, hw.rightbottompoint, hw.clientrect};
    shape = FrameRegionFromMask(g, layout_.New, *mask, layout_.W);
  }
  platform::ui::SetWindowRegion(hwnd_, std::move(shape), false);

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

Point TbsSkinHintWindow::ContentOrigin() const {
  if (!skin_data_ || !skin_data_->ActivePicture(skin_data_->HintWindow.windowpictureindex)) return {2, 2};
  const Rect& cl = layout_.New.ClRect;
  return {cl.Left + RectSpanX(cl) / 2 - content_.Width / 2, cl.Top + RectSpanY(cl) / 2 - content_.Height / 2};
}

Bitmap TbsSkinHintWindow::Render() {
  Bitmap buffer;
  if (!hwnd_) return buffer;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return buffer;
  buffer.SetSize(w, h);
  const Bitmap* picture = skin_data_ ? skin_data_->ActivePicture(skin_data_->HintWindow.windowpictureindex) : nullptr;
  BitmapCanvas canvas(buffer);
  HDC c = canvas.dc();
  if (!c) return buffer;
  if (picture) {
    const auto& hw = skin_data_->HintWindow;
    Bitmap composed;
    const SliceGeometry g{hw.lefttoppoint, hw.righttoppoint, hw.leftbottompoint, hw.rightbottompoint, hw.clientrect};
    ComposeNineSlice(g, layout_.New, composed, *picture, Rect{0, 0, picture->Width(), picture->Height()}, w, h, true,
                     EdgeStretch{hw.leftstretch, hw.topstretch, hw.rightstretch, hw.bottomstretch},
                     hw.stretcheffect, hw.stretchtype);
    CanvasCopy(buffer, Rect{0, 0, w, h}, composed, Rect{0, 0, composed.Width(), composed.Height()});
    ::SetTextColor(c, skin_data_->HintWindow.fontcolor);
  } else {
    platform::ui::PaintPlainHintBackground(c, client);
  }
  ::SetBkMode(c, TRANSPARENT);
  const Point origin = ContentOrigin();
  if (titled_) {
    if (image_list_) image_list_->Draw(c, origin.X + title_layout_.Image.Left, origin.Y + title_layout_.Image.Top,
                                       image_index_);
    if (!title_.empty()) DrawHintText(c, Bold(font_), title_, Offset(title_layout_.Title, origin));
    DrawHintText(c, font_, text_, Offset(title_layout_.Text, origin));
  } else if (picture) {
    DrawHintText(c, font_, text_, RECT{origin.X, origin.Y, origin.X + content_.Width, origin.Y + content_.Height});
  } else {
    DrawHintText(c, font_, text_, RECT{2, 2, w - 2, h - 2});
  }
  BitmapCanvas::Flush();
  return buffer;
}

// ---- the component

namespace {
// What the hint components took over from the application, to give back when the last goes.
struct Takeover {
  platform::ui::HintWindowClass previous_class = nullptr;
  std::function<void(std::string&, bool&, platform::ui::HintInfo&)> previous_handler;
  TbsSkinHint* handler_owner = nullptr;
};
Takeover& Taken() {
  static Takeover t;
  return t;
}
using ShowHintFn = void (*)(std::string&, bool&, platform::ui::HintInfo&);
}  // namespace

TbsSkinHint::TbsSkinHint() {
  timer_.OnTimer = [this](platform::ui::Timer*) { TimerExpired(); };
  HintList().push_back(this);
  auto& app = platform::ui::Application::Instance();
  if (app.GetHintWindowClass() != &TbsSkinHintWindow::Create) {
    Taken().previous_class = app.GetHintWindowClass();
    app.SetHintWindowClass(&TbsSkinHintWindow::Create);
  }
  // A hint window made before keeps its class until hints are switched off and on again.
  if (app.ShowHint()) {
    app.SetShowHint(false);
    app.SetShowHint(true);
  }
  InstallShowHintHandler();
  app.SetHintShortPause(100);
}

TbsSkinHint::~TbsSkinHint() {
  StopTimer();
  if (skin_data_) skin_data_->RemoveFreeListener(this);
  if (hint_image_list_) hint_image_list_->RemoveFreeListener(this);
  std::erase(HintList(), this);
  auto& app = platform::ui::Application::Instance();
  Takeover& taken = Taken();
  if (taken.handler_owner == this) {
    taken.handler_owner = Current();
    const ShowHintFn* installed = app.OnShowHint.target<ShowHintFn>();
    if (!taken.handler_owner && installed && *installed == &TbsSkinHint::ApplicationShowHint) {
      app.OnShowHint = std::move(taken.previous_handler);
      taken.previous_handler = nullptr;
    }
  }
  if (HintList().empty() && app.GetHintWindowClass() == &TbsSkinHintWindow::Create) {
    app.SetHintWindowClass(taken.previous_class);
    taken.previous_class = nullptr;
    if (app.ShowHint()) {
      app.SetShowHint(false);
      app.SetShowHint(true);
    }
  }
}

void TbsSkinHint::InstallShowHintHandler() {
  auto& app = platform::ui::Application::Instance();
  const ShowHintFn* installed = app.OnShowHint.target<ShowHintFn>();
  if (!installed || *installed != &TbsSkinHint::ApplicationShowHint) {
    Taken().previous_handler = std::move(app.OnShowHint);
    app.OnShowHint = &TbsSkinHint::ApplicationShowHint;
  }
  Taken().handler_owner = this;
}

void TbsSkinHint::ApplicationShowHint(std::string& hint_str, bool& can_show, platform::ui::HintInfo& info) {
  if (TbsSkinHint* owner = Taken().handler_owner) owner->SkinShowHint(hint_str, can_show, info);
}

void TbsSkinHint::SkinShowHint(std::string& hint_str, bool& can_show, platform::ui::HintInfo& info) {
  ClearTitle();
  if (auto* control = dynamic_cast<TbsSkinControl*>(info.HintControl)) {
    HintTitle = control->HintTitle;
    HintImageIndex = control->HintImageIndex;
    SetHintImageList(control->HintImageList());
  }
  if (OnShowHint) OnShowHint(hint_str, can_show, info);
}

void TbsSkinHint::ClearTitle() {
  HintTitle.clear();
  HintImageIndex = 0;
  SetHintImageList(nullptr);
}

void TbsSkinHint::SetHintImageList(platform::ui::ImageList* list) {
  if (hint_image_list_) hint_image_list_->RemoveFreeListener(this);
  hint_image_list_ = list;
  if (hint_image_list_) hint_image_list_->AddFreeListener(this, [this] { hint_image_list_ = nullptr; });
}

void TbsSkinHint::SetSkinData(TbsSkinData* data) {
  if (skin_data_) skin_data_->RemoveFreeListener(this);
  skin_data_ = data;
  if (skin_data_) skin_data_->AddFreeListener(this, [this] { skin_data_ = nullptr; });
}

void TbsSkinHint::SetActive(bool value) {
  active_ = value;
  if (!value) return;
  for (TbsSkinHint* other : HintList())
    if (other != this) other->active_ = false;
  InstallShowHintHandler();
}

TbsSkinHint* TbsSkinHint::Current() {
  for (TbsSkinHint* h : HintList())
    if (h->active_) return h;
  return nullptr;
}

void TbsSkinHint::StopTimer() { timer_.SetEnabled(false); }

void TbsSkinHint::StartTimer(unsigned ms) {
  timer_.SetEnabled(false);
  timer_.SetInterval(std::max(ms, 1u));
  timer_.SetEnabled(true);
}

void TbsSkinHint::TimerExpired() {
  if (showing_phase_) {
    ShowHintNow(pending_);
    showing_phase_ = false;
    StartTimer(platform::ui::Application::Instance().HintHidePause());
  } else {
    HideHint();
  }
}

void TbsSkinHint::ShowHintDelayed(const std::string& text) {
  StopTimer();
  pending_ = text;
  ClearTitle();
  showing_phase_ = true;
  StartTimer(platform::ui::Application::Instance().HintPause());
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
  if (window_.Visible()) {
    window_.Hide();
    ClearTitle();
  }
}

int CursorDropHeight() {
  const int fallback = ::GetSystemMetrics(SM_CYCURSOR);
  const std::optional<platform::ui::CursorMask> mask = platform::ui::ReadCursorMask(true);
  if (!mask) return fallback;
  return CursorDropFromMask(mask->bits, mask->width, mask->height, mask->hotspot_y, fallback);
}

}  // namespace skin
