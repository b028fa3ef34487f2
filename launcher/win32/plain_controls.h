// Plainly drawn status panel and gauge: they carry the window's texts and progress until the
// skinned controls take their place.
#pragma once

#include <string>

#include "platform/ui/control.h"

namespace launcher {

class PlainStatusPanel : public platform::ui::Control {
 public:
  explicit PlainStatusPanel(Control* parent) : Control(parent) { SetParentColor(false); }

 protected:
  void Paint(HDC dc) override;
};

class PlainGauge : public platform::ui::Control {
 public:
  explicit PlainGauge(Control* parent) : Control(parent) { SetParentColor(false); }
  void SetProgressText(const std::string& text);
  const std::string& ProgressText() const { return progress_text_; }
  void SetMaxValue(int value);
  int MaxValue() const { return max_value_; }
  void SetValue(int value);
  int Value() const { return value_; }
  // The text as drawn: the progress text followed by the percentage.
  std::string DisplayText() const;

 protected:
  void Paint(HDC dc) override;

 private:
  void Changed();
  std::string progress_text_;
  int min_value_ = 0, max_value_ = 100, value_ = 0;
};

}  // namespace launcher
