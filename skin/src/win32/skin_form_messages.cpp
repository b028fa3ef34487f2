// TbsSkinForm's message handlers: what runs before the window's own procedure (and whether it
// runs at all), and what runs after it.
#include <windows.h>
#include <windowsx.h>

#include <algorithm>

#include "platform/ui/print.h"
#include "skin/win32/skin_form.h"

namespace skin {
namespace {
bool InRect(const Rect& r, Point p) { return r.Left <= p.X && p.X < r.Right && r.Top <= p.Y && p.Y < r.Bottom; }

template <typename List>
std::vector<FrameObjectInfo*> InfoPointersOf(const List& list) {
  std::vector<FrameObjectInfo*> out;
  for (const auto& o : list) out.push_back(o.get());
  return out;
}
}  // namespace

int TbsSkinForm::HitTest(Point p) {
  HitTestState s;
  s.ObjectHovered = ObjectAt(p) >= 0;
  s.InSizeMove = in_size_move_;
  s.Maximized = IsMaximized();
  s.Resizable = Resizable();
  s.RolledUpOrMinimized = rolled_up_ || IsMinimized() || ShrunkByMinimize();
  int code;
  if (skinned_) {
    s.CaptionTextArea = CaptionTextArea(InfoPointersOf(objects_));
    const bool masked = !mask_pieces_.Top.Empty() || !mask_pieces_.Left.Empty();
    code = SkinnedHitTest(p, geometry_, frame_skin_.BorderWidth, masked ? &mask_pieces_ : nullptr, s);
  } else {
    code = PlainHitTest(p, W_, H_, ToolWindow(), s);
  }
  if (code == kHitObject && !hover_timer_) {
    UpdateHover(p);
    StartHoverTimer();
  }
  return code;
}

bool TbsSkinForm::BeforeDefault(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (HandleSkinMessage(msg, wparam)) return true;
  if (!skinnable_) return false;
  return HandleNonClient(msg, wparam, lparam, result) || HandleSizeMove(msg, wparam, lparam, result) ||
         HandleWindowMessage(msg, wparam, lparam, result);
}

// The skin data's notices (the sender in wparam); handled here whether or not the form is
// skinnable, and never passed on.
bool TbsSkinForm::HandleSkinMessage(UINT msg, WPARAM wparam) {
  switch (msg) {
    case SKM_BEGINCHANGE:
      if (reinterpret_cast<TbsSkinData*>(wparam) == skin_data_ && skin_data_) BeginSkinChange();
      return true;
    case SKM_CHANGED: {
      auto* sender = reinterpret_cast<TbsSkinData*>(wparam);
      if (sender == skin_data_ && skin_data_) ApplySkin();
      if (OnApplyControls) OnApplyControls(sender);
      return true;
    }
    case SKM_ENDCHANGE:
      if (reinterpret_cast<TbsSkinData*>(wparam) == skin_data_ && OnAfterChangeSkinData) OnAfterChangeSkinData();
      return true;
    case SKM_STRINGSCHANGED:
      if (reinterpret_cast<TbsSkinData*>(wparam) == skin_data_) ApplyHints();
      return true;
    case SKM_SKINNABLECHANGED:
      if (reinterpret_cast<TbsSkinData*>(wparam) == skin_data_ && skin_data_) {
        const bool maximized = IsMaximized();
        if (maximized) ::ShowWindow(hwnd_, SW_RESTORE);
        skinnable_ = skin_data_->SkinnableForm();
        ApplySkin();
        if (OnApplyControls) OnApplyControls(skin_data_);
        if (!skinnable_) ::SetWindowRgn(hwnd_, nullptr, TRUE);
        ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (maximized) ::ShowWindow(hwnd_, SW_MAXIMIZE);
      }
      return true;
    case SKM_LAYEREDCHANGED:
    case SKM_BLURCHANGED:
      return true;
  }
  return false;
}

// The frame in place of the platform's: non-client size, hit test, painting and activation,
// the caption's text, the client background, clicks on the caption, the cursor.
bool TbsSkinForm::HandleNonClient(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (msg) {
    case WM_NCCALCSIZE: {
      if (BorderNone()) return false;
      RECT* r = wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0] : reinterpret_cast<RECT*>(lparam);
      const Rect window{r->left, r->top, r->right, r->bottom};
      const Rect client = skinned_ ? SkinnedClientArea(window, frame_skin_) : PlainClientArea(window, ToolWindow());
      *r = RECT{client.Left, client.Top, client.Right, client.Bottom};
      result = 0;
      return true;
    }
    case WM_NCHITTEST:
      result = HitTest(ToWindow(lparam));
      return true;
    case WM_NCPAINT:
      if (!changing_skin_) RepaintFrame();
      result = 0;
      return true;
    case WM_NCACTIVATE:
      active_ = wparam != 0;
      if (!active_) ClearHover();
      RepaintFrame();
      UpdateCaptionActivity();
      if (active_ && OnActivate) OnActivate();
      if (!active_ && OnDeActivate) OnDeActivate();
      result = TRUE;
      return true;
    case WM_ACTIVATE:
      result = CallDefault(msg, wparam, lparam);
      ResetObjectStates(false);
      RepaintFrame();
      return true;
    case WM_SETTEXT:
      // The platform may draw its own caption for the new text: the frame goes over it at once.
      result = CallDefault(msg, wparam, lparam);
      RepaintFrame();
      return true;
    case WM_PRINT:
      // The frame as the screen shows it, then the client and the children as the window's own
      // procedure draws them: a picture of the window without reading the screen.
      if (BorderNone()) return false;
      platform::ui::PrintWindowParts(hwnd_, reinterpret_cast<HDC>(wparam), lparam, [this](HDC dc) { PaintFrame(dc); });
      result = 0;
      return true;
    case WM_ERASEBKGND:
      if (!skinned_) return false;
      EraseClient(reinterpret_cast<HDC>(wparam));
      result = 1;
      return true;
    case WM_SETCURSOR:
      if (UseFormCursorInNCArea && !IsSizingHit(LOWORD(lparam))) {
        result = CallDefault(msg, wparam, MAKELPARAM(HTCLIENT, HIWORD(lparam)));
        return true;
      }
      return false;
    case WM_CONTEXTMENU:
      // The caption's right click opens the skinned system menu instead of the platform's.
      if (lparam != -1) {
        const Point p = ToWindow(lparam);
        const Rect cl = skinned_ ? geometry_.NewClRect : PlainClientRect();
        if (!InRect(cl, p)) {
          result = 0;
          return true;
        }
      }
      return false;
    case WM_NCRBUTTONDOWN:
      // The platform's default for a right press on the caption waits for the release in a
      // message loop of its own and then opens its own system menu (Wine does); the skinned menu
      // opens at the press instead, and the default does not run.
      if (wparam == HTCAPTION && !in_size_move_) {
        AfterDefault(msg, wparam, lparam);
        result = 0;
        return true;
      }
      return false;
    case WM_NCLBUTTONDBLCLK:
      if (wparam == HTCAPTION) {
        const Point p = ToWindow(lparam);
        UpdateHover(p);
        OnCaptionDoubleClick();
        result = 0;
        return true;
      }
      return false;
    case WM_SYNCPAINT:
      if (rolled_up_) {
        RepaintFrame();
        result = 0;
        return true;
      }
      return false;
  }
  return false;
}

// Sizes and moves: the minimum and maximum track sizes, the frame following a resize, magnetic
// edges, the size-or-move loop and a change of the display.
bool TbsSkinForm::HandleSizeMove(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (msg) {
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lparam));
      result = 0;
      return true;
    case WM_SIZE:
      result = CallDefault(msg, wparam, lparam);
      magnetic_.ClearStuck();
      if (!(in_size_move_ && full_drag_ && sized_in_loop_)) RelayoutFrame();
      return true;
    case WM_SIZING:
      if (in_size_move_ && full_drag_) {
        result = CallDefault(msg, wparam, lparam);
        OnSizing(*reinterpret_cast<RECT*>(lparam));
        return true;
      }
      return false;
    case WM_MOVING:
      OnMoving(*reinterpret_cast<RECT*>(lparam));
      result = TRUE;
      return true;
    case WM_ENTERSIZEMOVE: {
      in_size_move_ = true;
      BOOL full = TRUE;
      ::SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
      full_drag_ = full != FALSE;
      POINT cursor{};
      ::GetCursorPos(&cursor);
      magnetic_.AnchorX = cursor.x;
      magnetic_.AnchorY = cursor.y;
      ResetObjectStates(false);
      ::KillTimer(hwnd_, kHoverTimer);
      hover_timer_ = false;
      hover_index_ = pressed_index_ = -1;
      return false;
    }
    case WM_EXITSIZEMOVE: {
      RECT wr{};
      ::GetWindowRect(hwnd_, &wr);
      if (sized_in_loop_ && (wr.right - wr.left != W_ || wr.bottom - wr.top != H_)) RelayoutFrame();
      in_size_move_ = sized_in_loop_ = false;
      ::KillTimer(hwnd_, kHoverTimer);
      hover_timer_ = false;
      hover_index_ = pressed_index_ = -1;
      RelayoutFrame();
      return false;
    }
    case WM_DISPLAYCHANGE: {
      // A window left larger than the new screen allows is brought back within it.
      MINMAXINFO info{};
      OnGetMinMaxInfo(info);
      RECT wr{};
      ::GetWindowRect(hwnd_, &wr);
      const int w = std::min<int>(wr.right - wr.left, info.ptMaxTrackSize.x);
      const int h = std::min<int>(wr.bottom - wr.top, info.ptMaxTrackSize.y);
      if (w != wr.right - wr.left || h != wr.bottom - wr.top)
        ::SetWindowPos(hwnd_, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      NudgeWidth();
      return false;
    }
  }
  return false;
}

// The rest of the window's life: showing, the timers, system commands and destruction.
bool TbsSkinForm::HandleWindowMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (msg) {
    case WM_SHOWWINDOW:
      if (wparam) OnShow();
      return false;
    case WM_TIMER:
      if (wparam == kFadeTimer) FadeIn();
      else if (wparam == kHoverTimer) HoverTick();
      else if (wparam == kMorphTimer) MorphTick();
      else return false;
      result = 0;
      return true;
    case WM_SYSCOMMAND:
      switch (wparam & 0xFFF0) {
        case SC_RESTORE:
          if (OnRestore) OnRestore();
          if (window_state_ == wsMaximized) window_state_ = wsNormal;
          return false;
        case SC_MOUSEMENU:
          // The platform's own system menu never shows over the skinned frame.
          if (!DisableSystemMenu) ShowSystemMenu(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}, false);
          result = 0;
          return true;
        case SC_KEYMENU:
          if (lparam == ' ' && !DisableSystemMenu) {
            POINT at{};
            ::GetCursorPos(&at);
            if (TbsActiveSkinObject* b = FindObject("sysmenubutton")) {
              RECT wr{};
              ::GetWindowRect(hwnd_, &wr);
              at = {wr.left + b->ObjectRect.Left, wr.top + b->ObjectRect.Bottom};
            }
            ShowSystemMenu(at, true);
          }
          result = 0;
          return true;
      }
      return false;
    case WM_DESTROY:
      StopTimers();
      return false;
  }
  return false;
}

void TbsSkinForm::AfterDefault(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!skinnable_) return;
  switch (msg) {
    case WM_NCMOUSEMOVE: {
      const Point p = ToWindow(lparam);
      UpdateHover(p);
      const auto items = Items();
      const int index = pressed_index_ >= 0 ? pressed_index_ : hover_index_;
      if (index >= 0 && index < static_cast<int>(items.size())) {
        TbsActiveSkinObject* o = items[static_cast<size_t>(index)];
        o->MouseMove(p.X - o->ObjectRect.Left, p.Y - o->ObjectRect.Top);
      }
      break;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN: {
      if (in_size_move_) {
        in_size_move_ = false;
        break;
      }
      const Point p = ToWindow(lparam);
      UpdateHover(p);
      PressObject(msg == WM_NCLBUTTONDOWN ? 1 : 2, p);
      if (wparam == HTCAPTION) {
        pressed_index_ = -1;
        if (::GetCapture() == hwnd_) ::ReleaseCapture();
        if (msg == WM_NCRBUTTONDOWN && !DisableSystemMenu) {
          POINT at{};
          ::GetCursorPos(&at);
          ShowSystemMenu(at, false);
        }
      }
      break;
    }
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONUP:
      ReleaseObject(msg == WM_NCLBUTTONUP ? 1 : 2, ToWindow(lparam));
      break;
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDBLCLK: {
      const Point p = ToWindow(lparam);
      UpdateHover(p);
      PressObject(msg == WM_NCLBUTTONDBLCLK ? 1 : 2, p);
      const auto items = Items();
      if (hover_index_ >= 0 && hover_index_ < static_cast<int>(items.size()))
        items[static_cast<size_t>(hover_index_)]->DoubleClick();
      break;
    }
    case WM_MOUSEMOVE:
      // While a button holds the capture, the hover follows the mouse at once.
      if (pressed_index_ >= 0) {
        POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        ::ClientToScreen(hwnd_, &pt);
        UpdateHover(ToWindow(MAKELPARAM(pt.x, pt.y)));
      }
      break;
    case WM_CAPTURECHANGED:
      // Capture taken away in the middle of a press (another window, a menu): the press ends
      // without a command.
      if (pressed_index_ >= 0 && reinterpret_cast<HWND>(lparam) != hwnd_) {
        const auto items = Items();
        const int pressed = pressed_index_;
        pressed_index_ = -1;
        if (pressed < static_cast<int>(items.size())) {
          if (auto* b = dynamic_cast<TbsSkinButtonObject*>(items[static_cast<size_t>(pressed)])) {
            b->Down = false;
            RepaintObject(b);
          }
        }
      }
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (pressed_index_ >= 0) {
        POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        ::ClientToScreen(hwnd_, &pt);
        const Point p = ToWindow(MAKELPARAM(pt.x, pt.y));
        UpdateHover(p);
        ReleaseObject(msg == WM_LBUTTONUP ? 1 : 2, p);
      }
      break;
  }
}

}  // namespace skin
