// A caption object with a background of its own (an ActiveSkinRect): the strip rebuilt for the
// caption's width with fixed caps, the text on it, the morph between the inactive and the active
// strip when the form's activity changes, and the inactive effect applied once.
#include <gtest/gtest.h>
#include <windows.h>

#include "form_test_window.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/skin_data.h"
#include "skin/win32/skin_form.h"

namespace skin {
namespace {

using namespace skin::formtest;

// The caption's normal strip lies in the frame picture over the caption band, its active strip
// in a picture of its own; each has a left cap, a middle and a right cap of different colours.
constexpr Color kCapLeft = 0x00204060, kMiddle = 0x00306090, kCapRight = 0x00103050;
constexpr Color kActiveCapLeft = 0x0060A020, kActiveMiddle = 0x0080C040, kActiveCapRight = 0x00408010;

TbsDataSkinCaption* CaptionData(TbsSkinData& d) {
  for (auto& o : d.SkinObjects)
    if (auto* c = dynamic_cast<TbsDataSkinCaption*>(o.get())) return c;
  return nullptr;
}

// The caption's skin rectangle is (2, 2, 234, 24) and the frame's corner points lie at x 40 and
// 196, so both strips have caps of 38 pixels.
void AddCaptionBackground(TbsSkinData& d, bool morphing) {
  FillRectIn(d.Picture, {2, 2, 40, 24}, kCapLeft);
  FillRectIn(d.Picture, {40, 2, 196, 24}, kMiddle);
  FillRectIn(d.Picture, {196, 2, 234, 24}, kCapRight);
  Bitmap strip = Filled(232, 22, kActiveMiddle);
  FillRectIn(strip, {0, 0, 38, 22}, kActiveCapLeft);
  FillRectIn(strip, {194, 0, 232, 22}, kActiveCapRight);
  d.ActivePictures.push_back(std::move(strip));
  TbsDataSkinCaption* c = CaptionData(d);
  c->activepictureindex = static_cast<int>(d.ActivePictures.size()) - 1;
  c->activeskinrect = {0, 0, 232, 22};
  c->morphing = morphing;
}

struct CaptionWindow {
  TestWindow window;
  TbsSkinData data;
  TbsSkinForm form;
  explicit CaptionWindow(bool morphing, bool inactiveEffect = false) {
    BuildSkin(data, false, false);
    AddCaptionBackground(data, morphing);
    if (inactiveEffect) {
      data.autorenderinginactiveimage = true;
      data.inactiveeffect = ieDarkness;
    }
    LauncherSettings(form);
    form.Attach(window.hwnd);
    form.SetSkinData(&data);
  }
  TbsActiveSkinObject* Caption() { return form.FindObject("caption"); }
  Bitmap Frame() {
    Bitmap frame;
    form.RenderFrame(frame);
    return frame;
  }
  void SetActive(bool active) { ::SendMessageW(window.hwnd, WM_NCACTIVATE, active, 0); }
  // Runs the morph timer until the caption's blend is done.
  void FinishMorph() {
    for (int i = 0; i < 100 && form.MorphTimerRunning(); ++i) Pump(10);
  }
};

// The background's colours along the caption's top row, clear of the text: (x, colour) for the
// left cap, the middle and the right cap. The caption spans x 31 .. 576 of the 636-pixel window
// (after the system-menu button, before the minimize button).
struct Probe {
  int x;
  Color normal, active;
};
constexpr Probe kProbes[] = {
    {35, kCapLeft, kActiveCapLeft},     // the caption's own left cap, where the frame has its middle
    {300, kMiddle, kActiveMiddle},
    {570, kCapRight, kActiveCapRight},  // the right cap ends at the caption's right edge
};
constexpr int kProbeY = 3;

Color Blend(Color from, Color to, double kf) {
  TbsEffectBmp a(Filled(1, 1, from));
  a.Morph(TbsEffectBmp(Filled(1, 1, to)), kf);
  return a.PixelColor(0, 0);
}

Color Darkened(Color c) {
  TbsEffectBmp e(Filled(1, 1, c));
  e.Darken(0.3);
  return e.PixelColor(0, 0);
}

TEST(FormCaptionBackground, StripsForTheCaptionWidthWithTheTextOnTop) {
  CaptionWindow w(false);
  ASSERT_EQ(w.Caption()->ObjectRect, (Rect{31, 2, 576, 24}));
  for (bool active : {false, true}) {
    SCOPED_TRACE(active ? "active" : "inactive");
    w.SetActive(active);
    const Bitmap frame = w.Frame();
    SaveScreenshot(active ? "caption_strip_active.png" : "caption_strip_inactive.png", frame);
    for (const Probe& p : kProbes)
      EXPECT_EQ(PixelToColor(frame.Pixel(p.x, kProbeY)), active ? p.active : p.normal) << "x " << p.x;
    // The text is drawn over the strip: in the text's box some pixels differ from the strip.
    int text = 0;
    for (int y = 6; y < 22; ++y)
      for (int x = 35; x < 140; ++x) {
        const Color bg = x < 69 ? (active ? kActiveCapLeft : kCapLeft) : (active ? kActiveMiddle : kMiddle);
        if (PixelToColor(frame.Pixel(x, y)) != bg) ++text;
      }
    EXPECT_GT(text, 30);
  }
  // Outside the caption the frame picture's own band stays.
  EXPECT_EQ(PixelToColor(w.Frame().Pixel(1, kProbeY)), kCaptionBand);
}

TEST(FormCaptionBackground, MorphsWithTheFormsActivity) {
  CaptionWindow w(true);
  w.SetActive(false);
  w.FinishMorph();
  EXPECT_EQ(PixelToColor(w.Frame().Pixel(300, kProbeY)), kMiddle);
  TbsActiveSkinObject* caption = w.Caption();
  // Activation starts the blend towards the active strip; each step shows the blend so far.
  w.SetActive(true);
  EXPECT_TRUE(caption->Active);
  EXPECT_TRUE(w.form.MorphTimerRunning());
  int seen = 0;
  for (int i = 0; i < 100 && w.form.MorphTimerRunning(); ++i) {
    Pump(10);
    const double kf = caption->MorphKf;
    if (kf <= 0 || kf >= 1) continue;
    EXPECT_EQ(PixelToColor(w.Frame().Pixel(300, kProbeY)), Blend(kMiddle, kActiveMiddle, kf)) << "kf " << kf;
    ++seen;
  }
  EXPECT_GT(seen, 0);
  EXPECT_DOUBLE_EQ(caption->MorphKf, 1.0);
  EXPECT_EQ(PixelToColor(w.Frame().Pixel(300, kProbeY)), kActiveMiddle);
  // Hovering the caption does not change its state; deactivation blends back.
  ::SendMessageW(w.window.hwnd, WM_NCMOUSEMOVE, HTCAPTION, w.window.ScreenPoint(300, 12));
  ::SendMessageW(w.window.hwnd, WM_NCMOUSEMOVE, HTCLIENT, w.window.ScreenPoint(300, 200));
  EXPECT_TRUE(caption->Active);
  w.SetActive(false);
  w.FinishMorph();
  EXPECT_DOUBLE_EQ(caption->MorphKf, 0.0);
  EXPECT_EQ(PixelToColor(w.Frame().Pixel(300, kProbeY)), kMiddle);
}

TEST(FormCaptionBackground, InactiveEffectIsAppliedOnce) {
  CaptionWindow w(true, true);
  ::ShowWindow(w.window.hwnd, SW_SHOWNORMAL);
  Pump(100);
  w.SetActive(false);
  w.FinishMorph();
  for (const Probe& p : kProbes)
    EXPECT_EQ(PixelToColor(w.Frame().Pixel(p.x, kProbeY)), Darkened(p.normal)) << "x " << p.x;
  // The caption repainted alone, straight onto the screen, gets the same look.
  w.form.RepaintObject(w.Caption());
  const Bitmap shot = CaptureWindow(w.window.hwnd);
  SaveScreenshot("caption_strip_inactive_darkened.png", shot);
  for (const Probe& p : kProbes)
    EXPECT_EQ(PixelToColor(shot.Pixel(p.x, kProbeY)), Darkened(p.normal)) << "screen x " << p.x;
  // Active again: no effect.
  w.SetActive(true);
  w.FinishMorph();
  EXPECT_EQ(PixelToColor(w.Frame().Pixel(300, kProbeY)), kActiveMiddle);
}

}  // namespace
}  // namespace skin
