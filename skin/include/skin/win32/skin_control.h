// The base of every skinned control: a child window that finds its data in a TbsSkinData by
// name and paints itself through an off-screen skin::Bitmap (TbsSkinControl), and the control
// that copies the skin's geometry so that its image can be composed for any size, with a default
// size and font for when there is no skin (TbsSkinCustomControl).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui/control.h"
#include "platform/ui/image_list.h"
#include "skin/bitmap.h"
#include "skin/control_geometry.h"
#include "skin/skin_data.h"

namespace skin {

class TbsSkinControl : public platform::ui::Control {
 public:
  explicit TbsSkinControl(platform::ui::Control* parent);
  ~TbsSkinControl() override;

  TbsSkinData* SkinData() const { return skin_data_; }
  // Applies the skin at once when it is loaded; an empty skin waits for SKM_CHANGED.
  virtual void SetSkinData(TbsSkinData* value);
  const std::string& SkinDataName() const { return skin_data_name_; }
  // Takes effect at the next resolve (every paint resolves).
  virtual void SetSkinDataName(const std::string& value) { skin_data_name_ = value; }

  // The skinned hint shows these with the control's Hint: the title in bold above it, the
  // image at its left.
  std::string HintTitle;
  int HintImageIndex = 0;
  platform::ui::ImageList* HintImageList() const { return hint_image_list_; }
  // Not owned; the reference is dropped when the list goes.
  void SetHintImageList(platform::ui::ImageList* list);
  std::function<void(TbsSkinControl*)> OnMouseEnter;
  std::function<void(TbsSkinControl*)> OnMouseLeave;

  int ControlDataIndex() const { return control_data_index_; }

  virtual void ResolveSkinData();
  virtual void DrawDefaultImage(Bitmap& bitmap);
  virtual void DrawSkinImage(Bitmap& bitmap) {}
  virtual void ApplySkinData() { ResolveSkinData(); }
  virtual void ResetSkinData() { control_data_index_ = -1; }
  // Called when the parent has redrawn itself (SKM_PARENTREDRAWN); transparent controls repaint.
  virtual void ParentRedrawn() {}

  // The skin data's change messages as the form hands them on: BEGINCHANGE resets, CHANGED
  // applies, for controls whose skin data is the sender.
  void SkinMessage(uint32_t message, TbsSkinData* sender);
  // The same for every skinned control in the tree under root (root included).
  static void Broadcast(platform::ui::Control* root, uint32_t message, TbsSkinData* sender);

  // The whole control as it would be painted now (resolve, off-screen bitmap); empty when the
  // control has no area. Tests and previews read pixels from it.
  virtual Bitmap RenderImage();
  // Invalidates and paints at once.
  void Repaint();

 protected:
  void Paint(HDC dc) override;
  bool HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  // Sends SKM_PARENTREDRAWN to every child.
  void NotifyChildren();
  bool Painting() const { return painting_; }

  int control_data_index_ = -1;

 private:
  TbsSkinData* skin_data_ = nullptr;
  std::string skin_data_name_;
  platform::ui::ImageList* hint_image_list_ = nullptr;
  bool painting_ = false;
  bool mouse_inside_ = false;
};

class TbsSkinCustomControl : public TbsSkinControl {
 public:
  explicit TbsSkinCustomControl(platform::ui::Control* parent);
  ~TbsSkinCustomControl() override;

  const platform::ui::FontSpec& DefaultFont() const { return default_font_; }
  void SetDefaultFont(const platform::ui::FontSpec& font);
  int DefaultWidth() const { return default_width_; }
  void SetDefaultWidth(int value);
  int DefaultHeight() const { return default_height_; }
  void SetDefaultHeight(int value);
  bool UseSkinFont() const { return use_skin_font_; }
  void SetUseSkinFont(bool value);

  const ControlSkinGeometry& Geometry() const { return geometry_; }
  int SliceMode() const { return geometry_.SliceMode; }

  void ResolveSkinData() override;
  void DrawDefaultImage(Bitmap& bitmap) override;
  void DrawSkinImage(Bitmap& bitmap) override;
  void ApplySkinData() override;

  virtual void DefaultFontChanged() {}
  // Recomputes the new cut for a requested size, which it may change.
  virtual void CalcSkinSize(int& w, int& h);
  virtual void UpdateShape();

 protected:
  // The bounds change: the skin may fix the requested size; the shape and the picture follow.
  void Resized() override;
  // Sets the size, letting the skin's rules run once.
  void SetSize(int w, int h);

  ControlSkinGeometry geometry_;

 private:
  platform::ui::FontSpec default_font_;
  int default_width_ = 0;
  int default_height_ = 0;
  bool use_skin_font_ = true;
  bool in_resize_ = false;
  bool has_shape_ = false;
};

// Skin font or default font as a platform font description.
platform::ui::FontSpec SkinFontSpec(const std::string& name, int height, TFontStyles style, Color colour,
                                    int charset);
// The character set for text of a control: the skin data's resource strings decide when both
// exist, else the default font's.
int ControlCharSet(const TbsSkinData* data, const platform::ui::FontSpec& default_font);

// Copies bitmap to dc at (0, 0).
void PresentBitmap(HDC dc, Bitmap& bitmap);

}  // namespace skin
