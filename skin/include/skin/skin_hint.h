// The skinned hint: TbsSkinHintWindow draws a hint with the skin's [HINTWINDOW] picture (or as a
// plain tooltip), TbsSkinHint offers the delayed show and hide the caption buttons use.
// Windows only.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

#include "skin/skin_form.h"
#include "skin/compose.h"
#include "skin/hint_geometry.h"

namespace skin {

class TbsSkinData;
class TbsSkinHint;

class TbsSkinHintWindow {
 public:
  TbsSkinHintWindow() = default;
  ~TbsSkinHintWindow();
  TbsSkinHintWindow(const TbsSkinHintWindow&) = delete;
  TbsSkinHintWindow& operator=(const TbsSkinHintWindow&) = delete;

  // Shows text at the top-left of r (right and bottom are recomputed from the text), held on
  // the work area, without taking the focus. Nothing is shown without an active TbsSkinHint.
  void ActivateHint(RECT r, const std::string& text);
  void Hide();
  bool Visible() const { return hwnd_ && ::IsWindowVisible(hwnd_); }
  HWND Handle() const { return hwnd_; }
  const std::string& Text() const { return text_; }
  // The data of the hint being shown (skin data null for the plain look).
  const TbsSkinData* UsedSkinData() const { return skin_data_; }
  const SliceGeometry& NewGeometry() const { return layout_.New; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  void CreateHandle();
  void Paint(HDC dc);
  HFONT MakeFont(const TbsSkinHint& hint) const;

  HWND hwnd_ = nullptr;
  std::string text_;
  const TbsSkinData* skin_data_ = nullptr;
  TbsFontSpec font_;
  HintLayout layout_;
};

class TbsSkinHint {
 public:
  TbsSkinHint();
  ~TbsSkinHint();
  TbsSkinHint(const TbsSkinHint&) = delete;
  TbsSkinHint& operator=(const TbsSkinHint&) = delete;

  std::string LineSeparator = "@";
  TbsSkinData* SkinData() const { return skin_data_; }
  void SetSkinData(TbsSkinData* data);
  bool Active() const { return active_; }
  // Turning one hint active turns every other one inactive.
  void SetActive(bool value);
  bool AlphaBlend = false;
  int AlphaBlendValue = 0;
  bool AlphaBlendAnimation = false;
  TbsFontSpec DefaultFont{"MS Sans Serif", -11, 0, 0xFF000000u | COLOR_INFOTEXT, DEFAULT_CHARSET};
  bool UseSkinFont = true;

  // Delays of the delayed show and of the hide after it (the runtime's hint pauses).
  unsigned HintPause = 500;
  unsigned HintHidePause = 2500;

  void ShowHintDelayed(const std::string& text);
  void HideHint();
  // Shows text below the cursor now.
  void ShowHintNow(const std::string& text);
  TbsSkinHintWindow& Window() { return window_; }
  const std::string& PendingText() const { return pending_; }

  // The first active hint component, or null.
  static TbsSkinHint* Current();

 private:
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
  void StopTimer();
  void StartTimer(unsigned ms);

  TbsSkinData* skin_data_ = nullptr;
  bool active_ = true;
  TbsSkinHintWindow window_;
  std::string pending_;
  UINT_PTR timer_ = 0;
  bool showing_phase_ = false;
};

// How far below the cursor's hot spot a hint starts.
int CursorDropHeight();

}  // namespace skin
#endif
