// The skinned label (skin section "label") and the status panel ("statuspanel"): a label with a
// leading glyph.
#pragma once

#include <functional>
#include <string>

#include "skin/bitmap.h"
#include "skin/image_list.h"
#include "skin/win32/skin_control.h"

namespace skin {

enum TbsEllipsType2 { bsetNoneEllips, bsetEllips };

class TbsSkinLabel : public TbsSkinCustomControl {
 public:
  explicit TbsSkinLabel(platform::ui::Control* parent);

  void SetCaption(const std::string& caption) override;

  bool UseSkinSize() const { return use_skin_size_; }
  void SetUseSkinSize(bool value);
  bool UseSkinFontColor() const { return use_skin_font_color_; }
  void SetUseSkinFontColor(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  TbsSkinBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TbsSkinBorderStyle value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TbsEllipsType2 EllipsType() const { return ellips_type_; }
  void SetEllipsType(TbsEllipsType2 value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);

  bool ShadowEffect = false;
  skin::Color ShadowColor = 0;
  int ShadowOffset = 0;
  int ShadowSize = 3;
  bool ReflectionEffect = false;
  int ReflectionOffset = -5;

  void ResolveSkinData() override;
  void CalcSkinSize(int& w, int& h) override;
  void UpdateShape() override;
  void DrawDefaultImage(Bitmap& bitmap) override;
  void DrawSkinImage(Bitmap& bitmap) override;
  void ParentRedrawn() override;
  // Pixels the text (and a leading picture) needs beyond the current width.
  virtual int MeasureOverflow();

  // The font the text is drawn in, with its colour resolved by the label's rules.
  platform::ui::FontSpec TextFont() const;
  // Draws the caption into r of the bitmap by the label's rules.
  void DrawLabelText(Bitmap& bitmap, const Rect& r);

 protected:
  // Width and height of one cell of the leading picture; none for a plain label.
  virtual LeadingPicture LeadingPictureSize() const { return {}; }
  virtual void DrawLeadingPicture(Bitmap& bitmap, const Point& at) {}
  void AdjustSize();
  void Repaint() { TbsSkinControl::Repaint(); }

 private:
  bool use_skin_size_ = true;
  bool use_skin_font_color_ = true;
  bool transparent_ = false;
  TbsSkinBorderStyle border_style_ = bvFrame;
  TAlignment alignment_ = taLeftJustify;
  TbsEllipsType2 ellips_type_ = bsetNoneEllips;
  bool auto_size_ = false;
  // The skin font, when the entry is a label entry.
  bool has_skin_font_ = false;
  std::string font_name_ = "Tahoma";
  int font_height_ = 13;
  TFontStyles font_style_ = 0;
  skin::Color font_colour_ = 0;
};

class TbsSkinStatusPanel : public TbsSkinLabel {
 public:
  explicit TbsSkinStatusPanel(platform::ui::Control* parent);

  const Bitmap& Glyph() const { return glyph_; }
  void SetGlyph(const Bitmap& glyph);
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);

  // A picture of the image list is drawn instead of an empty glyph.
  TbsPngImageList* ImageList() const { return image_list_; }
  void SetImageList(TbsPngImageList* list);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int index);

  void DrawDefaultImage(Bitmap& bitmap) override;
  void DrawSkinImage(Bitmap& bitmap) override;

 protected:
  LeadingPicture LeadingPictureSize() const override;
  void DrawLeadingPicture(Bitmap& bitmap, const Point& at) override;

 private:
  // The image list's picture when the glyph is empty and the index addresses one.
  const Bitmap* ListImage() const;

  Bitmap glyph_;
  int num_glyphs_ = 1;
  bool enabled_ = true;
  TbsPngImageList* image_list_ = nullptr;
  int image_index_ = -1;
};

}  // namespace skin
