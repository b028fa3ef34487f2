// The application's hints: which control's hint the mouse is on, and the show and hide delays.
#include "platform/ui/application.h"

#include <algorithm>
#include <string>

#include "platform/ui/control.h"
#include "platform/ui/hint.h"

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

}  // namespace platform::ui
