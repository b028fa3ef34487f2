// TbsSkinControl and TbsSkinCustomControl: data by name, off-screen painting, skin switches,
// default size and font, and the window shape from a mask picture.
#include <windowsx.h>

#include <algorithm>

#include "platform/ui/font.h"
#include "platform/ui/gdi.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/win32/mask_region.h"
#include "skin/resource_strings.h"
#include "skin/win32/skin_control.h"

namespace skin {

// On Windows the portable drawing asks the runtime, like every other colour of the skin engine.
Color ResolveSystemColour(Color c) { return static_cast<Color>(platform::ui::ResolveColor(c)); }

platform::ui::FontSpec SkinFontSpec(const std::string& name, int height, TFontStyles style, Color colour,
                                    int charset) {
  platform::ui::FontSpec f;
  f.face = name;
  f.height = height;
  f.style = style;
  f.color = colour;
  f.charset = charset;
  return f;
}

int ControlCharSet(const TbsSkinData* data, const platform::ui::FontSpec& default_font) {
  if (data && data->ResourceStrData()) return data->ResourceStrData()->CharSet;
  return default_font.charset;
}

void PresentBitmap(HDC dc, Bitmap& bitmap) {
  if (bitmap.Empty()) return;
  BitmapCanvas canvas(bitmap);
  if (!canvas.dc()) return;
  ::BitBlt(dc, 0, 0, bitmap.Width(), bitmap.Height(), canvas.dc(), 0, 0, SRCCOPY);
}

// ---- TbsSkinControl

TbsSkinControl::TbsSkinControl(platform::ui::Control* parent) : Control(parent) { SetParentColor(false); }

TbsSkinControl::~TbsSkinControl() {
  if (skin_data_) skin_data_->RemoveFreeListener(this);
  if (hint_image_list_) hint_image_list_->RemoveFreeListener(this);
}

void TbsSkinControl::SetHintImageList(platform::ui::ImageList* list) {
  if (hint_image_list_) hint_image_list_->RemoveFreeListener(this);
  hint_image_list_ = list;
  if (hint_image_list_) hint_image_list_->AddFreeListener(this, [this] { hint_image_list_ = nullptr; });
}

void TbsSkinControl::SetSkinData(TbsSkinData* value) {
  if (skin_data_ == value) {
    if (value && !value->Empty && !value->Designing) ApplySkinData();
    return;
  }
  if (skin_data_) skin_data_->RemoveFreeListener(this);
  skin_data_ = value;
  if (skin_data_) {
    // The skin data may go first: drop the reference and fall back to the default image.
    skin_data_->AddFreeListener(this, [this] {
      skin_data_ = nullptr;
      control_data_index_ = -1;
      Invalidate();
    });
    if (!skin_data_->Empty && !skin_data_->Designing) ApplySkinData();
  }
}

void TbsSkinControl::ResolveSkinData() {
  control_data_index_ =
      !skin_data_ || skin_data_->Empty ? -1 : skin_data_->FindControlIndex(skin_data_name_);
}

void TbsSkinControl::DrawDefaultImage(Bitmap& bitmap) {
  FillPixels(bitmap, {0, 0, Width(), Height()}, kSysBtnFace);
}

Bitmap TbsSkinControl::RenderImage() {
  Bitmap bitmap;
  if (Width() <= 0 || Height() <= 0) return bitmap;
  ResolveSkinData();
  bitmap.SetSize(Width(), Height());
  if (control_data_index_ == -1)
    DrawDefaultImage(bitmap);
  else
    DrawSkinImage(bitmap);
  return bitmap;
}

void TbsSkinControl::Paint(HDC dc) {
  if (Width() <= 0 || Height() <= 0) return;
  painting_ = true;
  try {
    Bitmap bitmap = RenderImage();
    PresentBitmap(dc, bitmap);
  } catch (...) {
    painting_ = false;
    throw;
  }
  painting_ = false;
}

void TbsSkinControl::Repaint() {
  Invalidate();
  Update();
}

void TbsSkinControl::NotifyChildren() {
  for (Control* child : Children()) {
    if (child->Handle())
      ::SendMessageW(child->Handle(), SKM_PARENTREDRAWN, 0, 0);
    else if (auto* skinned = dynamic_cast<TbsSkinControl*>(child))
      skinned->ParentRedrawn();
  }
}

void TbsSkinControl::SkinMessage(uint32_t message, TbsSkinData* sender) {
  if (!sender || sender != skin_data_) return;
  if (message == SKM_BEGINCHANGE)
    ResetSkinData();
  else if (message == SKM_CHANGED)
    ApplySkinData();
}

void TbsSkinControl::Broadcast(platform::ui::Control* root, uint32_t message, TbsSkinData* sender) {
  if (!root) return;
  if (auto* skinned = dynamic_cast<TbsSkinControl*>(root)) skinned->SkinMessage(message, sender);
  // Applying a skin may re-align children; walk a copy.
  const std::vector<Control*> children = root->Children();
  for (Control* child : children) Broadcast(child, message, sender);
}

bool TbsSkinControl::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (msg) {
    case SKM_PARENTREDRAWN:
      ParentRedrawn();
      result = 0;
      return true;
    case SKM_BEGINCHANGE:
    case SKM_CHANGED:
      if (lparam == kSkinMessageParam) SkinMessage(msg, reinterpret_cast<TbsSkinData*>(wparam));
      result = 0;
      return true;
    case WM_MOUSEMOVE:
      if (!mouse_inside_) {
        mouse_inside_ = true;
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd_, 0};
        ::TrackMouseEvent(&track);
        if (OnMouseEnter) OnMouseEnter(this);
      }
      return false;
    case WM_MOUSELEAVE:
      mouse_inside_ = false;
      if (OnMouseLeave) OnMouseLeave(this);
      return false;
  }
  return false;
}

// ---- TbsSkinCustomControl

namespace {
platform::ui::FontSpec Tahoma13() {
  platform::ui::FontSpec f;
  f.face = "Tahoma";
  f.height = 13;
  return f;
}
}  // namespace

TbsSkinCustomControl::TbsSkinCustomControl(platform::ui::Control* parent)
    : TbsSkinControl(parent), default_font_(Tahoma13()) {}

TbsSkinCustomControl::~TbsSkinCustomControl() = default;

void TbsSkinCustomControl::SetDefaultFont(const platform::ui::FontSpec& font) {
  const bool changed = font.face != default_font_.face || font.height != default_font_.height ||
                       font.charset != default_font_.charset || font.color != default_font_.color ||
                       font.style != default_font_.style;
  default_font_ = font;
  DefaultFontChanged();
  if (changed && control_data_index_ == -1) Repaint();
}

void TbsSkinCustomControl::SetDefaultWidth(int value) {
  default_width_ = value;
  if (control_data_index_ == -1 && value > 0) SetSize(value, Height());
}

void TbsSkinCustomControl::SetDefaultHeight(int value) {
  default_height_ = value;
  if (control_data_index_ == -1 && value > 0) SetSize(Width(), value);
}

void TbsSkinCustomControl::SetUseSkinFont(bool value) {
  use_skin_font_ = value;
  Repaint();
}

void TbsSkinCustomControl::ResolveSkinData() {
  TbsSkinControl::ResolveSkinData();
  if (control_data_index_ == -1) return;
  ResolveControlGeometry(SkinData(), SkinDataName(), geometry_);
}

void TbsSkinCustomControl::DrawDefaultImage(Bitmap& bitmap) {
  FillPixels(bitmap, {0, 0, Width(), Height()}, kSysBtnFace);
}

void TbsSkinCustomControl::DrawSkinImage(Bitmap& bitmap) { ComposeControlImage(geometry_, bitmap, Width(), Height()); }

void TbsSkinCustomControl::CalcSkinSize(int& w, int& h) {
  if (control_data_index_ == -1) return;
  skin::CalcSkinSize(geometry_, w, h);
}

void TbsSkinCustomControl::SetSize(int w, int h) {
  if (w == Width() && h == Height()) return;
  SetBounds(Left(), Top(), w, h);
}

void TbsSkinCustomControl::ApplySkinData() {
  ResolveSkinData();
  if (control_data_index_ == -1) {
    SetSize(default_width_ > 0 ? default_width_ : Width(), default_height_ > 0 ? default_height_ : Height());
    UpdateShape();
    Repaint();
    return;
  }
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  if (w != Width() || h != Height()) {
    SetSize(w, h);  // the bounds change updates the shape and repaints
  } else {
    UpdateShape();
    Repaint();
  }
}

void TbsSkinCustomControl::Resized() {
  if (in_resize_) return;
  in_resize_ = true;
  ResolveSkinData();
  if (control_data_index_ != -1) {
    int w = Width(), h = Height();
    CalcSkinSize(w, h);
    if (geometry_.SliceMode == kSliceFixed) geometry_.New.ClRect = geometry_.Skin.ClRect;
    // An aligned control gets its size back from the parent's layout; the skin's rules have
    // already run for it above.
    if ((w != Width() || h != Height()) && GetAlign() == platform::ui::Align::None)
      SetBounds(Left(), Top(), w, h);
  }
  UpdateShape();
  Invalidate();
  if (control_data_index_ != -1 && geometry_.StretchEffect) NotifyChildren();
  in_resize_ = false;
}

void TbsSkinCustomControl::UpdateShape() {
  if (!Parent() || !Handle()) return;
  const ControlSkinGeometry& g = geometry_;
  if (control_data_index_ == -1 || !g.SkinMask || g.SkinMask->Empty()) {
    if (has_shape_) ::SetWindowRgn(Handle(), nullptr, TRUE);
    has_shape_ = false;
    return;
  }
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  platform::ui::UniqueRegion region;
  switch (g.SliceMode) {
    case kSliceFixed:
      region = RegionFromMask(*g.SkinMask);
      break;
    case kSliceNine:
      region = FrameRegionFromMask(g.Skin, g.New, *g.SkinMask, w);
      break;
    case kSliceHorizontal:
    case kSliceVertical: {
      // A strip's mask is stretched like the strip itself, then scanned.
      ControlSkinGeometry mask_cut = g;
      mask_cut.SkinPicture = g.SkinMask;
      mask_cut.SkinRect = {0, 0, g.SkinMask->Width(), g.SkinMask->Height()};
      Bitmap mask;
      ComposeControlImage(mask_cut, mask, w, h);
      region = RegionFromMask(mask);
      break;
    }
    default:
      break;
  }
  if (region) {
    if (platform::ui::SetWindowRegion(Handle(), std::move(region), true)) has_shape_ = true;
  } else if (has_shape_) {
    ::SetWindowRgn(Handle(), nullptr, TRUE);
    has_shape_ = false;
  }
}

}  // namespace skin
