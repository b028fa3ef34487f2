// TbsSkinForm's window state: minimize (the main form to the task bar, others shrunk to the
// bottom of the work area), maximize, restore, roll-up, the caption buttons' commands, the
// system menu and the caption double-click.
#include <windowsx.h>

#include <algorithm>

#include "skin_form_internal.h"
#include "platform/text.h"
#include "skin/win32/skin_form.h"
#include "skin/win32/window_helpers.h"

namespace skin {

void TbsSkinForm::SetWindowState(TWindowState state) {
  if (!hwnd_) {
    window_state_ = state;
    return;
  }
  if (!skinnable_) {
    ::ShowWindow(hwnd_, state == wsMinimized ? SW_MINIMIZE : state == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
    window_state_ = state;
    return;
  }
  switch (state) {
    case wsMinimized: MinimizeForm(); break;
    case wsMaximized: MaximizeForm(); break;
    case wsNormal: RestoreForm(); break;
  }
}

bool TbsSkinForm::ShrunkByMinimize() const { return window_state_ == wsMinimized && !IsMainForm(); }

void TbsSkinForm::MinimizeForm() {
  if (IsMainForm()) {
    // The whole application goes to the task bar; the component's own state stays normal.
    ::ShowWindow(hwnd_, SW_MINIMIZE);
    window_state_ = wsNormal;
    if (OnMinimize) OnMinimize();
    return;
  }
  if (window_state_ == wsMinimized) return;
  minimized_from_maximized_ = IsMaximized();
  // A maximized form goes back to its normal bounds first: those are what a restore returns to,
  // and moving a maximized window would leave the platform's maximized state on it.
  if (minimized_from_maximized_) ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  ::GetWindowRect(hwnd_, &unminimized_bounds_);
  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  MonitorAreaOf(hwnd_, true, area);
  const Rect work = ToRect(area);
  std::vector<Rect> taken;
  for (const TbsSkinForm* other : AttachedForms()) {
    if (other == this || !other->hwnd_ || !other->ShrunkByMinimize() || !::IsWindowVisible(other->hwnd_)) continue;
    RECT r{};
    ::GetWindowRect(other->hwnd_, &r);
    taken.push_back(ToRect(r));
  }
  const Size size{FrameMinWidth(), FrameMinHeight()};
  const Point at = MinimizedFormPlace(work, size, taken);
  // The state first: the frame repainted by the resize shows the minimize button as a restore.
  window_state_ = wsMinimized;
  ClearHover();
  ::SetWindowPos(hwnd_, nullptr, at.X, at.Y, size.Width, size.Height, SWP_NOZORDER | SWP_NOACTIVATE);
  RepaintFrame();
  if (OnMinimize) OnMinimize();
}

void TbsSkinForm::MaximizeForm() {
  if (ShrunkByMinimize()) {
    // From the minimized place straight to maximized: the bounds to restore to later are the
    // ones from before the minimize, not the minimized place.
    const RECT& r = unminimized_bounds_;
    window_state_ = wsNormal;
    minimized_from_maximized_ = false;
    ::SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  window_state_ = wsMaximized;
  ::ShowWindow(hwnd_, SW_MAXIMIZE);
  RepaintFrame();
  if (OnMaximize) OnMaximize();
}

void TbsSkinForm::RestoreForm() {
  if (ShrunkByMinimize()) {
    const RECT& r = unminimized_bounds_;
    window_state_ = wsNormal;
    ClearHover();
    ::SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (minimized_from_maximized_) {
      window_state_ = wsMaximized;
      ::ShowWindow(hwnd_, SW_MAXIMIZE);
    }
    minimized_from_maximized_ = false;
    RepaintFrame();
  } else if (rolled_up_ && !IsMaximized() && !IsMinimized()) {
    SetRolledUp(false);
    window_state_ = wsNormal;
  } else {
    window_state_ = wsNormal;
    ::ShowWindow(hwnd_, SW_RESTORE);
    RepaintFrame();
  }
  if (OnRestore) OnRestore();
}

void TbsSkinForm::SetRolledUp(bool value) {
  if (value == rolled_up_ || !hwnd_) return;
  // A minimized form shows its caption only already; its restore brings back the bounds it had.
  if (IsMinimized() || ShrunkByMinimize()) return;
  RECT wr{};
  ::GetWindowRect(hwnd_, &wr);
  if (value) {
    old_height_ = wr.bottom - wr.top;
    rolled_up_ = true;
    ::SetWindowPos(hwnd_, nullptr, 0, 0, wr.right - wr.left, FrameMinHeight(), SWP_NOMOVE | SWP_NOZORDER);
  } else {
    rolled_up_ = false;
    int h = old_height_;
    if (ClientHeight > 0 && skinned_) h = ClientHeight + frame_skin_.Ph - RectSpanY(frame_skin_.ClRect);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, wr.right - wr.left, h, SWP_NOMOVE | SWP_NOZORDER);
  }
  if (OnChangeRollUpState) OnChangeRollUpState();
}

void TbsSkinForm::RunCommand(TbsStdCommand command) {
  switch (command) {
    case cmClose:
      ClearHover();
      // Posted, so that the release that asked for it is processed first.
      ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      break;
    case cmMaximize:
      ClearHover();
      if (IsMaximized() || window_state_ == wsMaximized) RestoreForm();
      else MaximizeForm();
      break;
    case cmMinimize:
    case cmMinimizeToTray:
      // There is no tray icon in this program: minimizing to the tray minimizes.
      ClearHover();
      if (window_state_ == wsMinimized) RestoreForm();
      else MinimizeForm();
      break;
    case cmRollUp:
      SetRolledUp(!rolled_up_);
      break;
    case cmSysMenu:
    case cmDefault:
      break;
  }
}

void TbsSkinForm::ShowSystemMenu(POINT screen, bool) {
  // One menu loop at a time: a second one would fail inside the first and leave it confused.
  if (menu_tracking_ || !hwnd_) return;
  const std::vector<SysMenuItem> items = SystemMenuItems();
  HMENU menu = ::CreatePopupMenu();
  if (!menu) return;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].Command == SysMenuCommand::Separator) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::string text = items[i].Caption;
    if (!items[i].ShortCut.empty()) text += "\t" + items[i].ShortCut;
    ::AppendMenuW(menu, MF_STRING, i + 1, platform::Widen(text).c_str());
  }
  menu_tracking_ = true;
  const int chosen = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
                                      screen.x, screen.y, 0, hwnd_, nullptr);
  menu_tracking_ = false;
  ::DestroyMenu(menu);
  // The menu took the mouse: the release of a press that opened it never reaches the button.
  pressed_index_ = -1;
  if (::GetCapture() == hwnd_) ::ReleaseCapture();
  // The window may have gone while its menu was open.
  if (!hwnd_ || chosen <= 0 || static_cast<size_t>(chosen) > items.size()) return;
  switch (items[static_cast<size_t>(chosen) - 1].Command) {
    case SysMenuCommand::Minimize:
    case SysMenuCommand::MinimizeToTray: MinimizeForm(); break;
    case SysMenuCommand::Maximize: MaximizeForm(); break;
    case SysMenuCommand::Restore: RestoreForm(); break;
    case SysMenuCommand::RollUp: SetRolledUp(true); break;
    case SysMenuCommand::Close: ::PostMessageW(hwnd_, WM_CLOSE, 0, 0); break;
    case SysMenuCommand::Separator: break;
  }
}

void TbsSkinForm::OnCaptionDoubleClick() {
  SysMenuState st;
  st.BorderIcons = border_icons_;
  st.Minimized = IsMinimized() || ShrunkByMinimize();
  st.Maximized = IsMaximized();
  st.RolledUp = rolled_up_;
  switch (DecideCaptionDoubleClick(Resizable(), st)) {
    case CaptionDoubleClick::Restore: RestoreForm(); break;
    case CaptionDoubleClick::Maximize: MaximizeForm(); break;
    case CaptionDoubleClick::ToggleRollUp: SetRolledUp(!rolled_up_); break;
    case CaptionDoubleClick::Nothing: break;
  }
}

}  // namespace skin
