// TbsSkinPanel: the content tiles of a borderless nine-slice skin, the nine-slice frame
// otherwise, the plain frame by border style without a skin, and the area its children fill.
#include <algorithm>

#include "platform/text.h"
#include "platform/ui/gdi.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/win32/skin_panel.h"
#include "skin/skin_schema.h"
#include "skin/win32/text.h"
#include "skin/win32/window_helpers.h"

namespace skin {

TbsSkinPanel::TbsSkinPanel(platform::ui::Control* parent) : TbsSkinCustomControl(parent) {
  SetSkinDataName("panel");
  SetBounds(Left(), Top(), 150, 150);
}

void TbsSkinPanel::SetBorderStyle(TbsSkinBorderStyle value) {
  border_style_ = value;
  AlignChildren();
  Repaint();
}
void TbsSkinPanel::SetCaptionMode(bool value) {
  caption_mode_ = value;
  AlignChildren();
  Repaint();
}
void TbsSkinPanel::SetRibbonStyle(bool value) {
  ribbon_style_ = value;
  AlignChildren();
  Repaint();
}
void TbsSkinPanel::SetDefaultCaptionHeight(int value) {
  default_caption_height_ = value;
  AlignChildren();
  Repaint();
}
void TbsSkinPanel::SetDefaultAlignment(TAlignment value) {
  default_alignment_ = value;
  Repaint();
}
void TbsSkinPanel::SetEmptyDrawing(bool value) {
  empty_drawing_ = value;
  AlignChildren();
  Repaint();
}
void TbsSkinPanel::SetTransparentMode(bool value) {
  transparent_mode_ = value;
  Repaint();
}

Rect TbsSkinPanel::PanelClientRect() {
  ResolveSkinData();
  PanelAreaOptions o;
  o.EmptyDrawing = empty_drawing_;
  o.HasData = ControlDataIndex() != -1;
  o.BorderStyle = border_style_;
  o.CaptionMode = caption_mode_;
  o.RibbonStyle = ribbon_style_;
  o.CaptionHeight = default_caption_height_;
  o.SliceMode = geometry_.SliceMode;
  o.NewClRect = geometry_.New.ClRect;
  return PanelClientArea(Width(), Height(), o);
}

// The runtime lays children out over the whole client area; a panel with a frame or a caption
// band moves them into its own area afterwards.
void TbsSkinPanel::AlignChildren() {
  Realign();
  const Rect area = PanelClientRect();
  if (area == Rect{0, 0, Width(), Height()}) return;
  for (Control* child : Children()) {
    const auto align = child->GetAlign();
    if (align == platform::ui::Align::None || !child->Visible()) continue;
    int l = child->Left(), t = child->Top(), w = child->Width(), h = child->Height();
    // Shift into the area and cut at its far edges.
    l = std::max(l, area.Left);
    t = std::max(t, area.Top);
    if (align == platform::ui::Align::Top || align == platform::ui::Align::Bottom ||
        align == platform::ui::Align::Client)
      w = area.Width();
    if (align == platform::ui::Align::Left || align == platform::ui::Align::Right ||
        align == platform::ui::Align::Client)
      h = area.Height();
    if (align == platform::ui::Align::Bottom) t = std::min(child->Top(), area.Bottom - h);
    if (align == platform::ui::Align::Right) l = std::min(child->Left(), area.Right - w);
    if (l + w > area.Right) w = area.Right - l;
    if (t + h > area.Bottom) h = area.Bottom - t;
    if (child->Handle())
      ::SetWindowPos(child->Handle(), nullptr, l, t, std::max(w, 0), std::max(h, 0), SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TbsSkinPanel::ApplySkinData() {
  TbsSkinCustomControl::ApplySkinData();
  AlignChildren();
}

void TbsSkinPanel::Resized() {
  TbsSkinCustomControl::Resized();
  AlignChildren();
}

void TbsSkinPanel::ParentRedrawn() {
  if (!transparent_mode_) return;
  Repaint();
  NotifyChildren();
}

Bitmap TbsSkinPanel::RenderImage() {
  if (empty_drawing_) {
    // Nothing of its own: what lies behind shows through.
    Bitmap bitmap(Width(), Height());
    if (!bitmap.Empty() && Handle()) {
      BitmapCanvas canvas(bitmap);
      if (canvas.dc()) PaintParentBackground(Handle(), canvas.dc());
      ::GdiFlush();
    }
    return bitmap;
  }
  return TbsSkinCustomControl::RenderImage();
}

void TbsSkinPanel::DrawCaptionBand(Bitmap& bitmap, const TbsDataSkinPanelControl* data) {
  if (!caption_mode_ || Caption().empty()) return;
  const int h = default_caption_height_;
  Rect band = ribbon_style_ ? Rect{0, Height() - h, Width(), Height()} : Rect{0, 0, Width(), h};
  if (ControlDataIndex() == -1 || !data) {
    skin::Color tl = 0, br = 0;
    if (BorderStyleColours(border_style_, tl, br)) DrawBevelPixels(bitmap, band, tl, br);
  }
  BitmapCanvas canvas(bitmap);
  HDC dc = canvas.dc();
  if (!dc) return;
  platform::ui::FontSpec spec = DefaultFont();
  if (data && UseSkinFont()) spec = SkinFontSpec(data->fontname, data->fontheight, data->fontstyle, data->fontcolor, spec.charset);
  spec.charset = ControlCharSet(SkinData(), DefaultFont());
  platform::ui::UniqueFont font = platform::ui::CreateFontFrom(spec);
  platform::ui::ScopedSelect select(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, platform::ui::ResolveColor(spec.color));
  RECT r{band.Left + 4, band.Top, band.Right - 4, band.Bottom};
  const UINT align = default_alignment_ == taCenter ? DT_CENTER : default_alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT;
  DrawTextAuto(dc, Caption(), r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | align);
  ::GdiFlush();
}

void TbsSkinPanel::DrawDefaultImage(Bitmap& bitmap) {
  FillPixels(bitmap, {0, 0, Width(), Height()}, kSysBtnFace);
  skin::Color tl = 0, br = 0;
  if (BorderStyleColours(border_style_, tl, br)) DrawBevelPixels(bitmap, {0, 0, Width(), Height()}, tl, br);
  DrawCaptionBand(bitmap, nullptr);
}

void TbsSkinPanel::DrawSkinImage(Bitmap& bitmap) {
  const ControlSkinGeometry& g = geometry_;
  const auto* data = dynamic_cast<const TbsDataSkinPanelControl*>(ControlDataAt(SkinData(), ControlDataIndex()));
  if (!g.SkinPicture) {
    FillPixels(bitmap, {0, 0, Width(), Height()}, kSysBtnFace);
  } else if (border_style_ == bvNone && g.SliceMode == kSliceNine && !caption_mode_) {
    const Rect& r = g.SkinRect;
    const Rect tile{r.Left + g.Skin.ClRect.Left, r.Top + g.Skin.ClRect.Top, r.Left + g.Skin.ClRect.Right,
                    r.Top + g.Skin.ClRect.Bottom};
    DrawPanelTiles(bitmap, *g.SkinPicture, tile, g.StretchEffect, g.StretchType);
  } else {
    TbsSkinCustomControl::DrawSkinImage(bitmap);
  }
  DrawCaptionBand(bitmap, data);
}

}  // namespace skin
