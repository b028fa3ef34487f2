// The skinned hint: TbsSkinHintWindow draws a hint with the skin's [HINTWINDOW] picture (or as a
// plain tooltip) and becomes the application's hint window; TbsSkinHint installs it, hands it
// the title and image of skinned controls, and offers the delayed show and hide the caption
// buttons use.
//
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/font.h"
#include "platform/ui/hint.h"
#include "platform/ui/image_list.h"
#include "platform/ui/timer.h"
#include "skin/bitmap.h"
#include "skin/win32/skin_form.h"
#include "skin/nine_slice.h"
#include "skin/hint_geometry.h"

namespace skin {

class TbsSkinData;
class TbsSkinHint;

// The application's hint window class while a TbsSkinHint exists; the hint component also owns
// one for its own delayed hints.
class TbsSkinHintWindow : public platform::ui::HintWindow {
 public:
  TbsSkinHintWindow() = default;
  ~TbsSkinHintWindow() override;
  static std::unique_ptr<platform::ui::HintWindow> Create();

  // Shows text at the top-left of r (right and bottom are recomputed from the text), held on
  // the work area, without taking the focus. Nothing is shown without an active TbsSkinHint.
  void ActivateHint(RECT r, const std::string& text) override;
  void Hide() override;
  bool Visible() const override { return hwnd_ && ::IsWindowVisible(hwnd_); }
  HWND Handle() const override { return hwnd_; }
  const std::string& Text() const { return text_; }
  // The data of the hint being shown (skin data null for the plain look).
  const TbsSkinData* UsedSkinData() const { return skin_data_; }
  const SliceGeometry& NewGeometry() const { return layout_.New; }
  // Whether the hint being shown has a title or an image, and where they and the text sit
  // (relative to the content's top-left, ContentOrigin() in the window).
  bool HasTitle() const { return titled_; }
  const HintTitleLayout& TitleLayout() const { return title_layout_; }
  Point ContentOrigin() const;
  // The window's picture as it is painted; empty before the first hint.
  Bitmap Render();

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  void CreateHandle();
  void UseSkinData(TbsSkinData* data);
  void UseImageList(platform::ui::ImageList* list);

  HWND hwnd_ = nullptr;
  std::string text_;
  std::string title_;
  platform::ui::ImageList* image_list_ = nullptr;
  int image_index_ = -1;
  bool titled_ = false;
  TbsSkinData* skin_data_ = nullptr;
  platform::ui::FontSpec font_;
  Size content_;  // the text, or title, text and image together
  HintLayout layout_;
  HintTitleLayout title_layout_;
};

class TbsSkinHint {
 public:
  // Installs TbsSkinHintWindow as the application's hint window class, its own show-hint
  // handler, and a short hint pause of 100 ms.
  TbsSkinHint();
  // Gives the application back the hint window class and handler it had, when they are still
  // this component's and no other one is left to take them over.
  ~TbsSkinHint();
  TbsSkinHint(const TbsSkinHint&) = delete;
  TbsSkinHint& operator=(const TbsSkinHint&) = delete;

  std::string LineSeparator = "@";
  TbsSkinData* SkinData() const { return skin_data_; }
  void SetSkinData(TbsSkinData* data);
  bool Active() const { return active_; }
  // Turning one hint active turns every other one inactive and takes the show-hint handler.
  void SetActive(bool value);
  bool AlphaBlend = false;
  int AlphaBlendValue = 0;
  bool AlphaBlendAnimation = false;
  platform::ui::FontSpec DefaultFont{.face = "MS Sans Serif", .height = -11, .color = 0xFF000000u | COLOR_INFOTEXT};
  bool UseSkinFont = true;
  // Called from the show-hint handler after the title and image are taken from the control.
  std::function<void(std::string& hint_str, bool& can_show, platform::ui::HintInfo& info)> OnShowHint;

  // Title and image of the hint being shown, taken from a skinned control.
  std::string HintTitle;
  int HintImageIndex = 0;
  platform::ui::ImageList* HintImageList() const { return hint_image_list_; }
  void SetHintImageList(platform::ui::ImageList* list);

  // The delayed show and hide the frame's caption buttons use, with the application's hint
  // pause and hint hide pause.
  void ShowHintDelayed(const std::string& text);
  void HideHint();
  // Shows text below the cursor now.
  void ShowHintNow(const std::string& text);
  TbsSkinHintWindow& Window() { return window_; }
  const std::string& PendingText() const { return pending_; }

  // The first active hint component, or null.
  static TbsSkinHint* Current();

 private:
  static void ApplicationShowHint(std::string& hint_str, bool& can_show, platform::ui::HintInfo& info);
  void InstallShowHintHandler();
  void SkinShowHint(std::string& hint_str, bool& can_show, platform::ui::HintInfo& info);
  void ClearTitle();
  void StopTimer();
  void StartTimer(unsigned ms);
  void TimerExpired();

  TbsSkinData* skin_data_ = nullptr;
  platform::ui::ImageList* hint_image_list_ = nullptr;
  bool active_ = true;
  TbsSkinHintWindow window_;
  std::string pending_;
  // The show delay, then the hide delay.
  platform::ui::Timer timer_;
  bool showing_phase_ = false;
};

// How far below the cursor's hot spot a hint starts.
int CursorDropHeight();

}  // namespace skin
