#include "plain_controls.h"

#include <algorithm>

#include "platform/text.h"

namespace launcher {

using platform::Widen;
using platform::ui::ResolveColor;
using platform::ui::ScopedSelect;
using platform::ui::UniqueBrush;

namespace {
void Fill(HDC dc, RECT rc, COLORREF color) {
  UniqueBrush brush(::CreateSolidBrush(color));
  ::FillRect(dc, &rc, brush.get());
}
void Frame(HDC dc, RECT rc, COLORREF color) {
  UniqueBrush brush(::CreateSolidBrush(color));
  ::FrameRect(dc, &rc, brush.get());
}
}  // namespace

void PlainStatusPanel::Paint(HDC dc) {
  RECT rc = ClientRect();
  Fill(dc, rc, ::GetSysColor(COLOR_BTNFACE));
  Frame(dc, rc, ::GetSysColor(COLOR_BTNSHADOW));
  ScopedSelect font(dc, FontHandle());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ResolveColor(Font().color));
  RECT text = {rc.left + 4, rc.top, rc.right - 4, rc.bottom};
  const std::wstring caption = Widen(Caption());
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

void PlainGauge::SetProgressText(const std::string& text) {
  progress_text_ = text;
  Changed();
}

void PlainGauge::SetMaxValue(int value) {
  max_value_ = value;
  Changed();
}

void PlainGauge::SetValue(int value) {
  value_ = std::clamp(value, min_value_, std::max(min_value_, max_value_));
  Changed();
}

void PlainGauge::Changed() {
  Invalidate();
  Update();  // progress comes from inside long operations
}

std::string PlainGauge::DisplayText() const {
  const int span = max_value_ - min_value_;
  const int percent = span > 0 ? (value_ - min_value_) * 100 / span : 0;
  return progress_text_ + std::to_string(percent) + "%";
}

void PlainGauge::Paint(HDC dc) {
  RECT rc = ClientRect();
  Fill(dc, rc, RGB(0xF4, 0xF4, 0xF4));
  const int span = max_value_ - min_value_;
  if (span > 0) {
    RECT bar = {1, 1, 1 + static_cast<int>((rc.right - 2) * static_cast<long long>(value_ - min_value_) / span),
                rc.bottom - 1};
    Fill(dc, bar, RGB(0x4C, 0xA5, 0x5A));
  }
  Frame(dc, rc, RGB(0xA0, 0xA0, 0xA0));
  ScopedSelect font(dc, FontHandle());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ResolveColor(Font().color));
  const std::wstring text = Widen(DisplayText());
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc,
              DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

}  // namespace launcher
