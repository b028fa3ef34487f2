// The skinned panel (skin section "panel").
#pragma once

#include <functional>
#include <string>

#include "skin/bitmap.h"
#include "skin/image_list.h"
#include "skin/win32/skin_control.h"

namespace skin {

enum TbsImagePosition { bsipDefault, bsipLeft };

class TbsSkinPanel : public TbsSkinCustomControl {
 public:
  explicit TbsSkinPanel(platform::ui::Control* parent);

  TbsSkinBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TbsSkinBorderStyle value);
  bool CaptionMode() const { return caption_mode_; }
  void SetCaptionMode(bool value);
  bool RibbonStyle() const { return ribbon_style_; }
  void SetRibbonStyle(bool value);
  int DefaultCaptionHeight() const { return default_caption_height_; }
  void SetDefaultCaptionHeight(int value);
  TAlignment DefaultAlignment() const { return default_alignment_; }
  void SetDefaultAlignment(TAlignment value);
  bool EmptyDrawing() const { return empty_drawing_; }
  void SetEmptyDrawing(bool value);
  bool TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(bool value);

  // Stored for the design; the main window uses none of them.
  TbsImagePosition ImagePosition = bsipDefault;
  bool CheckedMode = false;
  bool Checked = false;
  bool RollUpMode = false;
  bool RollUpState = false;
  int RealHeight = -1;
  bool AutoEnabledControls = true;
  Bitmap Glyph;
  int NumGlyphs = 1;
  int Spacing = 2;
  int CaptionImageIndex = -1;
  std::function<void(TbsSkinPanel*)> OnChecked;
  std::function<void(TbsSkinPanel*)> OnChangeRollUpState;

  // Where the children are aligned.
  Rect PanelClientRect();

  void DrawDefaultImage(Bitmap& bitmap) override;
  void DrawSkinImage(Bitmap& bitmap) override;
  void ApplySkinData() override;
  void ParentRedrawn() override;
  Bitmap RenderImage() override;

 protected:
  void Resized() override;

 private:
  void AlignChildren();
  void DrawCaptionBand(Bitmap& bitmap, const TbsDataSkinPanelControl* data);

  TbsSkinBorderStyle border_style_ = bvFrame;
  bool caption_mode_ = false;
  bool ribbon_style_ = false;
  int default_caption_height_ = 22;
  TAlignment default_alignment_ = taLeftJustify;
  bool empty_drawing_ = false;
  bool transparent_mode_ = false;
};

}  // namespace skin
