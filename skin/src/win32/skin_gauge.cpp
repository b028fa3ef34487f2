// TbsSkinGauge: value and range, the bar composed from the skin's progress rectangle, the text
// with the percent, the plain drawing without a skin and the progress animation.
#include <algorithm>

#include "platform/text.h"
#include "platform/ui/gdi.h"
#include "skin/canvas_copy.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/win32/skin_gauge.h"
#include "skin/skin_schema.h"
#include "skin/win32/text.h"

namespace skin {

using platform::ui::FontSpec;

namespace {
// The gauge's plain bar colour (red 182, green 190, blue 210).
constexpr Color kPlainBarColour = 13811126;
}  // namespace

TbsSkinGauge::TbsSkinGauge(platform::ui::Control* parent) : TbsSkinCustomControl(parent) {
  SetSkinDataName("gauge");
  SetBounds(Left(), Top(), 100, 20);
}

TbsSkinGauge::~TbsSkinGauge() { StopProgressAnimation(); }

void TbsSkinGauge::SetUseSkinSize(bool value) {
  use_skin_size_ = value;
  Repaint();
}

void TbsSkinGauge::SetMinValue(int value) {
  if (value == min_value_) return;
  min_value_ = value;
  if (value_ < min_value_) value_ = min_value_;
  Repaint();
}

void TbsSkinGauge::SetMaxValue(int value) {
  // The launcher sets the same maximum on every progress event; only a change is worth a paint.
  if (value == max_value_) return;
  max_value_ = value;
  if (value_ > max_value_) value_ = max_value_;
  Repaint();
}

void TbsSkinGauge::SetValue(int value) {
  if (value > max_value_) value = max_value_;
  if (value < min_value_) value = min_value_;
  if (value == value_) return;
  value_ = value;
  Invalidate();
}

void TbsSkinGauge::SetProgressText(const std::string& value) {
  if (value == progress_text_) return;
  progress_text_ = value;
  Repaint();
}

void TbsSkinGauge::SetShowProgressText(bool value) {
  show_progress_text_ = value;
  Repaint();
}

void TbsSkinGauge::SetShowPercent(bool value) {
  show_percent_ = value;
  Repaint();
}

void TbsSkinGauge::SetProgressAnimationPause(int value) {
  if (value < 0) return;
  progress_animation_pause_ = value;
  if (pause_timer_) pause_timer_->SetInterval(static_cast<unsigned>(value));
}

std::string TbsSkinGauge::CurrentText() const {
  return GaugeText(progress_text_, show_progress_text_, show_percent_, GaugePercent(min_value_, max_value_, DrawValue()));
}

void TbsSkinGauge::ResolveSkinData() {
  TbsSkinCustomControl::ResolveSkinData();
  has_gauge_data_ = false;
  if (ControlDataIndex() == -1) return;
  const auto* data = dynamic_cast<const TbsDataSkinGaugeControl*>(ControlDataAt(SkinData(), ControlDataIndex()));
  if (!data) return;  // keeps the previous text settings
  has_gauge_data_ = true;
  progress_area_skin_ = ClampSkinRect(data->progressarea);
  progress_rect_ = ClampSkinRect(data->progressrect);
  begin_offset_ = std::clamp(data->beginoffset, 0, kMaxSkinCoordinate);
  end_offset_ = std::clamp(data->endoffset, 0, kMaxSkinCoordinate);
  font_name_ = data->fontname;
  font_height_ = data->fontheight;
  font_style_ = data->fontstyle;
  font_colour_ = data->fontcolor;
  progress_transparent_ = data->progresstransparent;
  progress_transparent_colour_ = data->progresstransparentcolor;
  progress_stretch_ = data->progressstretch;
  animation_rect_ = ClampSkinRect(data->progressanimationskinrect);
  animation_count_ = data->progressanimationcountframes;
  animation_interval_ = data->progressanimationtimerinterval;
  vertical_ = data->vertical;
  // A gauge that keeps its own size keeps a rectangular window.
  if (!use_skin_size_) geometry_.SkinMask = nullptr;
}

void TbsSkinGauge::CalcSkinSize(int& w, int& h) {
  if (ControlDataIndex() == -1) return;
  const int requested_w = w, requested_h = h;
  TbsSkinCustomControl::CalcSkinSize(w, h);
  progress_area_ = GaugeProgressArea(progress_area_skin_, geometry_.SliceMode, geometry_.SkinRect, w, h, vertical_);
  if (!use_skin_size_) {
    w = requested_w;
    h = requested_h;
  }
}

void TbsSkinGauge::ApplySkinData() {
  const bool animated = AnimationRunning();
  if (animated) StopProgressAnimation();
  TbsSkinCustomControl::ApplySkinData();
  if (animated) StartProgressAnimation();
}

void TbsSkinGauge::DrawGaugeText(Bitmap& bitmap, int value) {
  const std::string text =
      GaugeText(progress_text_, show_progress_text_, show_percent_, GaugePercent(min_value_, max_value_, value));
  if (text.empty()) return;
  FontSpec spec = DefaultFont();
  if (ControlDataIndex() != -1) {
    if (UseSkinFont()) spec = SkinFontSpec(font_name_, font_height_, font_style_, font_colour_, spec.charset);
    spec.color = font_colour_;
  }
  spec.charset = ControlCharSet(SkinData(), DefaultFont());
  BitmapCanvas canvas(bitmap);
  HDC dc = canvas.dc();
  if (!dc) return;
  int text_width = 0, text_height = 0;
  {
    platform::ui::UniqueFont upright = platform::ui::CreateFontFrom(spec);
    platform::ui::ScopedSelect select(dc, upright.get());
    text_width = MeasureTextWidth(dc, text);
    text_height = MeasureTextHeight(dc, text);
  }
  const Point at = GaugeTextOrigin(bitmap.Width(), bitmap.Height(), text_width, text_height, spec.height, vertical_);
  platform::ui::UniqueFont font = platform::ui::CreateFontFrom(spec, vertical_ ? 900 : 0);
  platform::ui::ScopedSelect select(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, platform::ui::ResolveColor(spec.color));
  const std::wstring wide = platform::Widen(text);
  ::ExtTextOutW(dc, at.X, at.Y, 0, nullptr, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
  ::GdiFlush();
}

void TbsSkinGauge::DrawDefaultImage(Bitmap& bitmap) {
  const Rect client{0, 0, Width(), Height()};
  FillPixels(bitmap, client, kSysWindow);
  DrawBevelPixels(bitmap, client, kSysBtnShadow, kSysBtnShadow);
  const Rect area{1, 1, Width() - 1, Height() - 1};
  fill_rect_ = GaugeFillRect(area, min_value_, max_value_, DrawValue(), vertical_);
  if (OnGaugePaint) {
    OnGaugePaint(bitmap, client, fill_rect_);
    return;
  }
  if (!RectIsEmpty(fill_rect_)) FillPixels(bitmap, fill_rect_, kPlainBarColour);
  DrawGaugeText(bitmap, DrawValue());
}

bool TbsSkinGauge::AnimationFrameShowing() const {
  return frame_timer_ && frame_timer_->Enabled() && animation_frame_ != 0 && animation_count_ != 0;
}

void TbsSkinGauge::DrawSkinImage(Bitmap& bitmap) {
  const ControlSkinGeometry& g = geometry_;
  ComposeControlImage(g, bitmap, Width(), Height());
  if (bitmap.Empty()) return;
  progress_area_ = GaugeProgressArea(progress_area_skin_, g.SliceMode, g.SkinRect, bitmap.Width(), bitmap.Height(),
                                     vertical_);
  const int v = DrawValue();
  fill_rect_ = GaugeFillRect(progress_area_, min_value_, max_value_, v, vertical_);
  if (OnGaugePaint) {
    OnGaugePaint(bitmap, progress_area_, fill_rect_);
    return;
  }
  if (!RectIsEmpty(fill_rect_) && has_gauge_data_ && g.SkinPicture) {
    GaugeBarSource source;
    source.ProgressRect = progress_rect_;
    if (AnimationFrameShowing())
      source.FrameRect = AnimationFrameRect(animation_rect_, progress_rect_.Width(), animation_count_, animation_frame_);
    source.BeginOffset = begin_offset_;
    source.EndOffset = end_offset_;
    source.Stretch = progress_stretch_;
    source.Vertical = vertical_;
    Bitmap bar;
    if (ComposeGaugeBar(bar, *g.SkinPicture, source, fill_rect_.Width(), fill_rect_.Height()))
      DrawGaugeBar(bitmap, bar, fill_rect_.Left, fill_rect_.Top, progress_transparent_, progress_transparent_colour_);
  }
  if (use_skin_size_) DrawGaugeText(bitmap, v);
}

Bitmap TbsSkinGauge::RenderImage() {
  if (Width() <= 0 || Height() <= 0) return {};
  ResolveSkinData();
  if (ControlDataIndex() == -1 || use_skin_size_) return TbsSkinCustomControl::RenderImage();
  // The skin's picture (a strip of the skin's height) is stretched over the control's own size.
  Bitmap whole(Width(), Height());
  FillPixels(whole, {0, 0, Width(), Height()}, kSysBtnFace);
  Bitmap composed;
  DrawSkinImage(composed);
  if (!composed.Empty()) StretchDraw(whole, {0, 0, Width(), Height()}, composed);
  DrawGaugeText(whole, DrawValue());
  return whole;
}

// ---- progress animation

void TbsSkinGauge::StartProgressAnimation() {
  ResolveSkinData();
  if (ControlDataIndex() == -1 || !has_gauge_data_ || RectIsEmpty(animation_rect_)) return;
  StopProgressAnimation();
  pause_timer_ = std::make_unique<platform::ui::Timer>();
  pause_timer_->OnTimer = [this](platform::ui::Timer*) { AnimationPauseTick(); };
  pause_timer_->SetInterval(static_cast<unsigned>(progress_animation_pause_));
  pause_timer_->SetEnabled(true);
  frame_timer_ = std::make_unique<platform::ui::Timer>();
  frame_timer_->OnTimer = [this](platform::ui::Timer*) { AnimationFrameTick(); };
  frame_timer_->SetInterval(static_cast<unsigned>(std::max(animation_interval_, 1)));
  BeginAnimationRun();
}

void TbsSkinGauge::StopProgressAnimation() {
  animation_frame_ = 0;
  pause_timer_.reset();
  frame_timer_.reset();
}

void TbsSkinGauge::BeginAnimationRun() {
  if (!pause_timer_ || !frame_timer_) return;
  pause_timer_->SetEnabled(false);
  animation_frame_ = 0;
  frame_timer_->SetEnabled(true);
  Repaint();
}

void TbsSkinGauge::AnimationFrameTick() {
  if (!pause_timer_ || !frame_timer_) return;
  ++animation_frame_;
  if (animation_frame_ > animation_count_) {
    animation_frame_ = 0;
    pause_timer_->SetEnabled(true);
    frame_timer_->SetEnabled(false);
  }
  Repaint();
}

void TbsSkinGauge::AnimationPauseTick() { BeginAnimationRun(); }

}  // namespace skin
