// The skinned gauge (skin sections "gauge", "statusgauge", "vgauge"): a bar from the skin's
// progress rectangle whose length follows the value, the progress text and percent centred over
// it, and the optional progress animation.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/timer.h"
#include "skin/gauge_geometry.h"
#include "skin/win32/skin_control.h"

namespace skin {

class TbsSkinGauge : public TbsSkinCustomControl {
 public:
  explicit TbsSkinGauge(platform::ui::Control* parent);
  ~TbsSkinGauge() override;

  bool UseSkinSize() const { return use_skin_size_; }
  void SetUseSkinSize(bool value);
  int MinValue() const { return min_value_; }
  void SetMinValue(int value);
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int value);
  int Value() const { return value_; }
  // Clamped into the range; an unchanged value does not repaint, a changed one is painted at
  // the next paint cycle.
  void SetValue(int value);
  bool Vertical() const { return vertical_; }
  void SetVertical(bool value) { vertical_ = value; }
  const std::string& ProgressText() const { return progress_text_; }
  void SetProgressText(const std::string& value);
  bool ShowProgressText() const { return show_progress_text_; }
  void SetShowProgressText(bool value);
  bool ShowPercent() const { return show_percent_; }
  void SetShowPercent(bool value);
  int ProgressAnimationPause() const { return progress_animation_pause_; }
  void SetProgressAnimationPause(int value);

  // Replaces the bar drawing: bitmap, progress area, filled rectangle.
  std::function<void(Bitmap&, const Rect&, const Rect&)> OnGaugePaint;

  // The text as drawn for the current value.
  std::string CurrentText() const;
  const Rect& ProgressArea() const { return progress_area_; }
  // The filled part as last drawn.
  const Rect& FillRect() const { return fill_rect_; }
  int AnimationFrame() const { return animation_frame_; }
  bool AnimationRunning() const { return frame_timer_ != nullptr; }

  void StartProgressAnimation();
  void StopProgressAnimation();

  void ResolveSkinData() override;
  void ApplySkinData() override;
  void CalcSkinSize(int& w, int& h) override;
  void DrawDefaultImage(Bitmap& bitmap) override;
  void DrawSkinImage(Bitmap& bitmap) override;
  Bitmap RenderImage() override;
  // The value to draw.
  virtual int DrawValue() const { return value_; }

  // Runs one tick of the animation's timers (tests drive the animation through these).
  void AnimationFrameTick();
  void AnimationPauseTick();

 private:
  void DrawGaugeText(Bitmap& bitmap, int value);
  void BeginAnimationRun();
  bool AnimationFrameShowing() const;

  bool use_skin_size_ = true;
  int min_value_ = 0;
  int max_value_ = 100;
  int value_ = 50;
  bool vertical_ = false;
  std::string progress_text_;
  bool show_progress_text_ = false;
  bool show_percent_ = false;
  int progress_animation_pause_ = 3000;

  // Copied from a gauge entry.
  bool has_gauge_data_ = false;
  Rect progress_area_skin_{};
  Rect progress_rect_{};
  int begin_offset_ = 0;
  int end_offset_ = 0;
  std::string font_name_ = "Tahoma";
  int font_height_ = 13;
  TFontStyles font_style_ = 0;
  skin::Color font_colour_ = 0;
  bool progress_transparent_ = false;
  skin::Color progress_transparent_colour_ = 0;
  bool progress_stretch_ = false;
  Rect animation_rect_{};
  int animation_count_ = 0;
  int animation_interval_ = 0;

  Rect progress_area_{};
  Rect fill_rect_{};
  int animation_frame_ = 0;
  std::unique_ptr<platform::ui::Timer> pause_timer_;
  std::unique_ptr<platform::ui::Timer> frame_timer_;
};

}  // namespace skin
