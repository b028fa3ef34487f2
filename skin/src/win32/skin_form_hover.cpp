// TbsSkinForm's frame objects under the mouse: hover tracking, press and release, the hover
// poll and the morph timer.
#include <algorithm>

#include "skin_form_internal.h"
#include "skin/win32/skin_form.h"
#include "skin/win32/skin_hint.h"

namespace skin {

std::vector<TbsActiveSkinObject*> TbsSkinForm::Items() const {
  std::vector<TbsActiveSkinObject*> out;
  if (skinned_) {
    for (const auto& o : objects_) out.push_back(o.get());
  } else if (skinnable_) {
    for (const auto& o : default_buttons_) out.push_back(o.get());
  }
  return out;
}

int TbsSkinForm::ObjectAt(Point p) const {
  const auto items = Items();
  for (size_t i = 0; i < items.size(); ++i) {
    const TbsActiveSkinObject* o = items[i];
    const Rect& r = o->ObjectRect;
    if (!o->Enabled || !o->Visible) continue;
    if (r.Left <= p.X && p.X < r.Right && r.Top <= p.Y && p.Y < r.Bottom && o->ContainsPoint(p.X - r.Left, p.Y - r.Top))
      return static_cast<int>(i);
  }
  return -1;
}

void TbsSkinForm::UpdateHover(Point p, bool track) {
  const auto items = Items();
  if (items.empty() || !active_ || in_size_move_ || menu_tracking_ || BorderNone()) return;
  previous_hover_index_ = hover_index_;
  int index = track ? ObjectAt(p) : -1;
  if (pressed_index_ >= 0 && index != pressed_index_) index = -1;
  if (index == hover_index_) return;
  const int old = hover_index_;
  hover_index_ = index;
  if (old >= 0 && old < static_cast<int>(items.size())) {
    TbsActiveSkinObject* o = items[static_cast<size_t>(old)];
    if (o->Enabled && o->Visible) o->MouseLeave();
    if (ShowObjectHint && SkinHint && !o->Hint.empty()) SkinHint->HideHint();
  }
  if (index >= 0) {
    TbsActiveSkinObject* o = items[static_cast<size_t>(index)];
    o->MouseEnter();
    if (ShowObjectHint && SkinHint && !o->Hint.empty()) SkinHint->ShowHintDelayed(o->Hint);
  }
}

void TbsSkinForm::ClearHover() {
  const auto items = Items();
  const int old = hover_index_;
  hover_index_ = -1;
  if (old >= 0 && old < static_cast<int>(items.size())) {
    TbsActiveSkinObject* o = items[static_cast<size_t>(old)];
    if (o->Enabled && o->Visible) o->MouseLeave();
    if (ShowObjectHint && SkinHint && !o->Hint.empty()) SkinHint->HideHint();
  }
}

void TbsSkinForm::PressObject(int button, Point p) {
  const auto items = Items();
  if (hover_index_ < 0 || hover_index_ >= static_cast<int>(items.size())) return;
  TbsActiveSkinObject* o = items[static_cast<size_t>(hover_index_)];
  if (o->Kind != FrameObjectKind::Caption) ::SetCapture(hwnd_);
  pressed_index_ = hover_index_;
  o->MouseDown(button, p.X - o->ObjectRect.Left, p.Y - o->ObjectRect.Top);
}

void TbsSkinForm::ReleaseObject(int button, Point p) {
  const auto items = Items();
  const int pressed = pressed_index_;
  pressed_index_ = -1;
  if (::GetCapture() == hwnd_) ::ReleaseCapture();
  if (pressed < 0 || pressed >= static_cast<int>(items.size())) return;
  TbsActiveSkinObject* o = items[static_cast<size_t>(pressed)];
  o->MouseUp(button, p.X - o->ObjectRect.Left, p.Y - o->ObjectRect.Top);
}

void TbsSkinForm::StartHoverTimer() {
  if (!hwnd_ || hover_timer_) return;
  hover_timer_ = ::SetTimer(hwnd_, kHoverTimer, kHoverInterval, nullptr) != 0;
}

void TbsSkinForm::StartMorph() {
  if (!hwnd_ || morph_timer_) return;
  morph_timer_ = ::SetTimer(hwnd_, kMorphTimer, kMorphInterval, nullptr) != 0;
}

void TbsSkinForm::StopTimers() {
  if (!hwnd_) return;
  ::KillTimer(hwnd_, kHoverTimer);
  ::KillTimer(hwnd_, kMorphTimer);
  ::KillTimer(hwnd_, kFadeTimer);
  hover_timer_ = morph_timer_ = false;
}

void TbsSkinForm::HoverTick() {
  POINT cursor{};
  ::GetCursorPos(&cursor);
  if (::WindowFromPoint(cursor) != hwnd_ || in_size_move_ || menu_tracking_) {
    ::KillTimer(hwnd_, kHoverTimer);
    hover_timer_ = false;
    if (!in_size_move_ && !menu_tracking_) ClearHover();
    return;
  }
  const Point p = ScreenToWindowPoint(hwnd_, cursor);
  const Rect& cl = skinned_ ? geometry_.NewClRect : PlainClientRect();
  const bool in_client = cl.Left <= p.X && p.X < cl.Right && cl.Top <= p.Y && p.Y < cl.Bottom;
  if (!in_client) UpdateHover(p);
  else if (hover_index_ >= 0) ClearHover();
}

void TbsSkinForm::MorphTick() {
  bool any = false;
  for (TbsActiveSkinObject* o : Items()) {
    if (o->CanMorph() && o->IsMorphing()) {
      o->MorphKf = NextMorphKf(o->MorphKf, o->Active);
      RepaintObject(o);
      any = any || o->IsMorphing();
    }
  }
  if (!any) {
    ::KillTimer(hwnd_, kMorphTimer);
    morph_timer_ = false;
  }
}

Rect TbsSkinForm::PlainClientRect() const {
  const int ch = PlainCaptionHeight(ToolWindow());
  return {kPlainBorder, kPlainBorder + ch, W_ - kPlainBorder, H_ - kPlainBorder};
}

}  // namespace skin
