// TbsSkinForm's hook into the window procedure and the window behaviour: attaching, properties,
// skin changes, sizing, moving with magnetic edges, showing with centring and fade-in. Window
// state is in skin_form_window_state.cpp, hover, press and morph in skin_form_hover.cpp.
#include <windowsx.h>

#include <algorithm>

#include "skin_form_internal.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "platform/ui/form.h"
#include "skin/resource_strings.h"
#include "skin/win32/skin_form.h"
#include "skin/win32/skin_message_window.h"
#include "skin/win32/window_helpers.h"

namespace skin {
namespace {

const wchar_t kFormProperty[] = L"HalvexSkinForm";

LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* form = static_cast<TbsSkinForm*>(::GetPropW(hwnd, kFormProperty));
  if (!form) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  return platform::ui::Guarded(LRESULT{0}, [&] { return form->HandleMessage(msg, wparam, lparam); });
}

}  // namespace

TbsSkinForm::TbsSkinForm(HWND window) {
  if (window) Attach(window);
}

TbsSkinForm::~TbsSkinForm() {
  if (skin_data_) skin_data_->RemoveFreeListener(this);
  Detach();
}

void TbsSkinForm::Attach(HWND window) {
  if (hwnd_ == window) return;
  Detach();
  if (!window) return;
  hwnd_ = window;
  ::SetPropW(hwnd_, kFormProperty, this);
  previous_proc_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookProc)));
  target_ = std::make_unique<WindowSkinTarget>(hwnd_, "TbsSkinForm");
  AttachedForms().push_back(this);
  if (!skinned_) CreateDefaultButtons();
  UpdateSize();
  RelayoutFrame();
  // The platform asks for the non-client size again with the hook in place.
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TbsSkinForm::Detach() {
  if (!hwnd_) return;
  StopTimers();
  if (::IsWindow(hwnd_)) {
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC)) == &HookProc)
      ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_proc_));
    ::RemovePropW(hwnd_, kFormProperty);
  }
  target_.reset();
  auto& forms = AttachedForms();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  hwnd_ = nullptr;
  previous_proc_ = nullptr;
}

bool TbsSkinForm::IsMainForm() const {
  if (!hwnd_) return false;
  if (const platform::ui::Form* main = platform::ui::Application::Instance().MainForm())
    return main->Handle() == hwnd_;
  return !::GetWindow(hwnd_, GW_OWNER) && !(::GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD);
}

std::string TbsSkinForm::Caption() const {
  if (!hwnd_) return std::string();
  const int n = ::GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<size_t>(std::max(n, 0)) + 1, L'\0');
  const int got = ::GetWindowTextW(hwnd_, text.data(), n + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return platform::Narrow(text);
}

TbsActiveSkinObject* TbsSkinForm::FindObject(const std::string& id) const {
  for (const auto& o : objects_)
    if (o->IDName == id) return o.get();
  for (const auto& o : default_buttons_)
    if (o->IDName == id && !skinned_) return o.get();
  return nullptr;
}

// ---- properties

void TbsSkinForm::SetSkinData(TbsSkinData* data) {
  if (skin_data_ == data) return;
  if (skin_data_) skin_data_->RemoveFreeListener(this);
  skin_data_ = data;
  if (skin_data_) {
    skin_data_->AddFreeListener(this, [this] {
      skin_data_ = nullptr;
      ApplySkin();
    });
  }
  skinnable_ = !skin_data_ || skin_data_->SkinnableForm();
  ApplySkin();
}

void TbsSkinForm::SetBorderIcons(TBorderIcons icons) {
  border_icons_ = icons;
  ApplyVisibility();
  RelayoutFrame();
}

bool TbsSkinForm::Resizable() const {
  return AlwaysResize || (hwnd_ && (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_THICKFRAME));
}

bool TbsSkinForm::ToolWindow() const { return hwnd_ && (::GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_TOOLWINDOW); }

bool TbsSkinForm::BorderNone() const {
  return hwnd_ && !(::GetWindowLongW(hwnd_, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME));
}

int TbsSkinForm::FrameMinWidth() const {
  return skin::FrameMinWidth(skinned_ ? &frame_skin_ : nullptr, {MinWidth, MinHeight});
}

int TbsSkinForm::FrameMinHeight() const {
  return skin::FrameMinHeight(skinned_ ? &frame_skin_ : nullptr, {MinWidth, MinHeight}, ToolWindow());
}

std::vector<SysMenuItem> TbsSkinForm::SystemMenuItems() const {
  SysMenuState st;
  st.BorderIcons = border_icons_;
  st.Minimized = IsMinimized() || window_state_ == wsMinimized;
  st.Maximized = IsMaximized() || window_state_ == wsMaximized;
  st.RolledUp = rolled_up_;
  return BuildSystemMenu(st, skin_data_ ? skin_data_->ResourceStrData() : nullptr);
}

// ---- skin changes

void TbsSkinForm::BeginSkinChange() {
  if (hwnd_) ::GetWindowRect(hwnd_, &saved_bounds_);
  changing_skin_ = true;
  skinned_ = false;
  StopTimers();
  ClearObjects();
  if (OnResetControls) OnResetControls(skin_data_);
  if (OnBeforeChangeSkinData) OnBeforeChangeSkinData();
}

void TbsSkinForm::ApplySkin() {
  changing_skin_ = false;
  skinned_ = skin_data_ && !skin_data_->Empty;
  hover_index_ = previous_hover_index_ = pressed_index_ = -1;
  if (skinned_) frame_skin_ = FrameSkinFrom(*skin_data_);
  if (skinned_ && skinnable_) {
    CreateObjects();
  } else {
    ClearObjects();
    CreateDefaultButtons();
  }
  if (!hwnd_) return;
  EnforceMinimum();
  if (rolled_up_) {
    RECT wr{};
    ::GetWindowRect(hwnd_, &wr);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, wr.right - wr.left, FrameMinHeight(),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The outer bounds stay; the platform recomputes the client area for the new frame.
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RelayoutFrame();
  ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  UpdateCaptionActivity();
  if (!objects_.empty()) StartHoverTimer();
  if (OnChangeSkinData) OnChangeSkinData();
  if (!rolled_up_ && skinned_ && (ClientWidth > 0 || ClientHeight > 0)) {
    RECT wr{};
    ::GetWindowRect(hwnd_, &wr);
    const int frame_w = frame_skin_.Pw - RectSpanX(frame_skin_.ClRect);
    const int frame_h = frame_skin_.Ph - RectSpanY(frame_skin_.ClRect);
    const int w = ClientWidth > 0 ? ClientWidth + frame_w : wr.right - wr.left;
    const int h = ClientHeight > 0 ? ClientHeight + frame_h : wr.bottom - wr.top;
    ::SetWindowPos(hwnd_, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TbsSkinForm::CreateObjects() {
  ClearObjects();
  if (!skin_data_) return;
  for (const auto& def : skin_data_->SkinObjects) {
    const TbsDataSkinObject* d = def.get();
    // Menu parts belong to the skinned menus, not to the frame.
    if (dynamic_cast<const TbsDataSkinMainMenuBarButton*>(d) || dynamic_cast<const TbsDataSkinMenuItem*>(d) ||
        dynamic_cast<const TbsDataSkinMainMenuItem*>(d))
      continue;
    std::unique_ptr<TbsActiveSkinObject> obj;
    if (dynamic_cast<const TbsDataSkinStdButton*>(d)) {
      obj = std::make_unique<TbsSkinStdButtonObject>(this, d);
    } else if (dynamic_cast<const TbsDataSkinButton*>(d)) {
      obj = std::make_unique<TbsSkinButtonObject>(this, d);
    } else if (const auto* c = dynamic_cast<const TbsDataSkinCaption*>(d)) {
      obj = std::make_unique<TbsSkinCaptionObject>(this, c);
    } else if (const auto* a = dynamic_cast<const TbsDataSkinAnimate*>(d)) {
      obj = std::make_unique<TbsActiveSkinObject>(this, d);
      obj->Kind = FrameObjectKind::Animate;
      obj->Command = a->command;
    } else {
      obj = std::make_unique<TbsActiveSkinObject>(this, d);
      obj->Kind = FrameObjectKind::User;
    }
    obj->Enabled = obj->Visible = true;
    obj->MorphKf = 0;
    objects_.push_back(std::move(obj));
  }
  ApplyVisibility();
  ApplyHints();
}

void TbsSkinForm::ClearObjects() {
  objects_.clear();
  hover_index_ = previous_hover_index_ = pressed_index_ = -1;
}

namespace {
template <typename List>
std::vector<FrameObjectInfo*> InfoPointers(List& list) {
  std::vector<FrameObjectInfo*> out;
  for (auto& o : list) out.push_back(o.get());
  return out;
}
}  // namespace

void TbsSkinForm::ApplyVisibility() {
  VisibilityOptions o;
  o.BorderIcons = border_icons_;
  o.DisableSystemMenu = DisableSystemMenu;
  o.HideCaptionButtons = HideCaptionButtons;
  o.ActivateCustomObject = OnActivateCustomObject;
  ApplyObjectVisibility(InfoPointers(objects_), o);
  ApplyObjectVisibility(InfoPointers(default_buttons_), o);
}

void TbsSkinForm::ApplyHints() {
  if (!UseDefaultObjectHint) return;
  const TbsResourceStrData* strings = skin_data_ ? skin_data_->ResourceStrData() : nullptr;
  auto apply = [&](TbsActiveSkinObject* o) {
    auto* b = dynamic_cast<TbsSkinStdButtonObject*>(o);
    if (!b || b->Command == cmDefault) return;
    b->NormalHint = StdButtonHint(b->Command, strings);
    b->RestoreHint = skin::RestoreHint(strings);
    b->Hint = b->NormalHint;
  };
  for (auto& o : objects_) apply(o.get());
  for (auto& o : default_buttons_) apply(o.get());
}

void TbsSkinForm::CreateDefaultButtons() {
  if (!default_buttons_.empty()) return;
  const struct {
    TbsStdCommand command;
    const char* name;
  } kinds[] = {{cmClose, "closebutton"},   {cmMaximize, "maxbutton"},        {cmMinimize, "minbutton"},
               {cmRollUp, "rollupbutton"}, {cmSysMenu, "sysmenubutton"},     {cmMinimizeToTray, "traybutton"}};
  for (const auto& k : kinds) {
    auto b = std::make_unique<TbsSkinStdButtonObject>(this, nullptr);
    b->HasSkinData = false;
    b->Command = k.command;
    b->IDName = k.name;
    b->SkinRectInAPicture = true;
    default_buttons_.push_back(std::move(b));
  }
  ApplyVisibility();
  ApplyHints();
}

void TbsSkinForm::UpdateCaptionActivity() {
  bool morph = false;
  for (auto& o : objects_) {
    if (o->Kind != FrameObjectKind::Caption || o->Active == active_) continue;
    o->Active = active_;
    morph = morph || o->CanMorph();
  }
  RepaintFrame();
  if (morph) StartMorph();
}

void TbsSkinForm::ResetObjectStates(bool include_caption) {
  for (auto& o : objects_) {
    if (!include_caption && o->Kind == FrameObjectKind::Caption) continue;
    o->Active = o->MouseIn = false;
    o->MorphKf = 0;
  }
  for (auto& o : default_buttons_) o->Active = o->MouseIn = false;
}

// ---- sizes

void TbsSkinForm::UpdateSize() {
  if (!hwnd_) return;
  RECT wr{};
  ::GetWindowRect(hwnd_, &wr);
  W_ = wr.right - wr.left;
  H_ = wr.bottom - wr.top;
}

void TbsSkinForm::EnforceMinimum() {
  RECT wr{};
  ::GetWindowRect(hwnd_, &wr);
  bool nudge = false;
  const Size now{wr.right - wr.left, wr.bottom - wr.top};
  const Size fixed = EnforceMinimumSize(now, {FrameMinWidth(), FrameMinHeight()}, nudge);
  if (!(fixed == now))
    ::SetWindowPos(hwnd_, nullptr, 0, 0, fixed.Width, fixed.Height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TbsSkinForm::NudgeWidth() {
  if (!hwnd_) return;
  // Recomputing the frame keeps the window's bounds, as the width nudge did.
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TbsSkinForm::OnGetMinMaxInfo(MINMAXINFO& info) {
  info.ptMinTrackSize = {FrameMinWidth(), FrameMinHeight()};
  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  MonitorAreaOf(hwnd_, !MaximizeOnFullScreen, area);
  RECT monitor = area;
  MonitorAreaOf(hwnd_, false, monitor);
  const int aw = area.right - area.left, ah = area.bottom - area.top;
  info.ptMaxTrackSize = {MaxWidth > 0 ? MaxWidth : aw, MaxHeight > 0 ? MaxHeight : ah};
  // Maximized, the window takes the work area (relative to its monitor).
  info.ptMaxPosition = {area.left - monitor.left, area.top - monitor.top};
  info.ptMaxSize = {aw, ah};
}

void TbsSkinForm::OnSizing(RECT& r) {
  sized_in_loop_ = true;
  magnetic_.ClearStuck();
  const int w = std::max<int>(r.right - r.left, FrameMinWidth());
  const int h = std::max<int>(r.bottom - r.top, FrameMinHeight());
  if (w != W_ || h != H_) {
    W_ = w;
    H_ = h;
    if (skinned_) {
      LayoutObjects();
      UpdateRegion(true);
      RepaintFrame();
    }
  }
}

void TbsSkinForm::OnMoving(RECT& r) {
  if (IsMaximized() && !(::GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD)) {
    ::GetWindowRect(hwnd_, &r);
    return;
  }
  if (!Magnetic) return;
  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  MonitorAreaOf(hwnd_, true, area);
  POINT cursor{};
  ::GetCursorPos(&cursor);
  const Rect moved = MagneticMove(ToRect(r), ToRect(area), MagneticSize, {cursor.x, cursor.y}, magnetic_);
  r = RECT{moved.Left, moved.Top, moved.Right, moved.Bottom};
}

// ---- showing

void TbsSkinForm::OnShow() {
  if (first_show_) {
    if (PositionInMonitor == bspDefault) {
      first_show_ = false;
    } else if (window_state_ == wsNormal) {
      first_show_ = false;
      RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
      MonitorAreaOf(hwnd_, PositionInMonitor == bspDesktopCenter, area);
      RECT wr{};
      ::GetWindowRect(hwnd_, &wr);
      const Point p = CenterInArea(ToRect(area), wr.right - wr.left, wr.bottom - wr.top);
      ::SetWindowPos(hwnd_, nullptr, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  const bool animate_all = skin_data_ && skin_data_->AnimationForAllWindows;
  if (animate_all && AlphaBlendValue == 0) AlphaBlendValue = 255;
  if (OsVersionAtLeast2000() && (AlphaBlend || AlphaBlendAnimation || animate_all)) {
    const LONG ex = ::GetWindowLongW(hwnd_, GWL_EXSTYLE);
    ::SetWindowLongW(hwnd_, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    // Without layered-window support the style alone could hide the window: no fade then.
    if (SetWindowOpacity(hwnd_, 0)) ::SetTimer(hwnd_, kFadeTimer, 1, nullptr);
    else ::SetWindowLongW(hwnd_, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
  }
  NudgeWidth();
}

void TbsSkinForm::FadeIn() {
  ::KillTimer(hwnd_, kFadeTimer);
  const bool animate_all = skin_data_ && skin_data_->AnimationForAllWindows;
  const bool animate = AlphaBlendAnimation || animate_all;
  const int target = std::clamp(AlphaBlend || !animate ? AlphaBlendValue : 255, 0, 255);
  fade_steps_ = 0;
  if (animate) {
    HWND self = hwnd_;
    platform::PumpMessages();
    if (!::IsWindow(self) || hwnd_ != self) return;
    const int step = std::max(1, target / 15);
    int alpha = 0;
    DWORD last = ::GetTickCount();
    while (alpha < target) {
      const DWORD now = ::GetTickCount();
      if (now - last > 5) {
        alpha = std::min(alpha + step, target);
        SetWindowOpacity(hwnd_, static_cast<BYTE>(alpha));
        ++fade_steps_;
        last = now;
      } else {
        ::Sleep(1);
      }
    }
  } else {
    // A window left at opacity 0 would stay invisible, whatever the target.
    SetWindowOpacity(hwnd_, static_cast<BYTE>(target));
    fade_steps_ = 1;
  }
  if (target == 255) {
    ::SetWindowLongW(hwnd_, GWL_EXSTYLE, ::GetWindowLongW(hwnd_, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

// ---- the window procedure

LRESULT TbsSkinForm::CallDefault(UINT msg, WPARAM wparam, LPARAM lparam) {
  return previous_proc_ ? ::CallWindowProcW(previous_proc_, hwnd_, msg, wparam, lparam)
                        : ::DefWindowProcW(hwnd_, msg, wparam, lparam);
}

Point TbsSkinForm::ToWindow(LPARAM screen_point) const {
  return ScreenToWindowPoint(hwnd_, POINT{GET_X_LPARAM(screen_point), GET_Y_LPARAM(screen_point)});
}

LRESULT TbsSkinForm::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCDESTROY) {
    HWND self = hwnd_;
    WNDPROC previous = previous_proc_;
    Detach();
    return previous ? ::CallWindowProcW(previous, self, msg, wparam, lparam)
                    : ::DefWindowProcW(self, msg, wparam, lparam);
  }
  LRESULT result = 0;
  if (BeforeDefault(msg, wparam, lparam, result)) return result;
  HWND self = hwnd_;
  result = CallDefault(msg, wparam, lparam);
  // The default may have destroyed the window and with it this component's attachment.
  if (hwnd_ == self && ::IsWindow(self)) AfterDefault(msg, wparam, lparam);
  return result;
}

}  // namespace skin
