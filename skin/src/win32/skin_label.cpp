// TbsSkinLabel and TbsSkinStatusPanel: skin font or default font, the text line with its
// ellipsis, alignment and odd-height rule, and the status panel's leading glyph.
#include <algorithm>

#include "platform/text.h"
#include "platform/ui/gdi.h"
#include "skin/canvas_copy.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/win32/skin_label.h"
#include "skin/skin_schema.h"
#include "skin/win32/text.h"
#include "skin/win32/window_helpers.h"

namespace skin {

using platform::ui::FontSpec;

namespace {
bool IsAlignedToFullWidth(platform::ui::Align a) {
  return a == platform::ui::Align::Top || a == platform::ui::Align::Bottom || a == platform::ui::Align::Client;
}

// A device context with the font selected, for measuring outside painting.
struct MeasureDc {
  explicit MeasureDc(const FontSpec& spec)
      : screen(platform::ui::WindowDc::Client(nullptr)),
        memory(platform::ui::CompatibleDc(screen.get())),
        font(platform::ui::CreateFontFrom(spec)),
        select(memory.get(), font.get()) {}
  HDC get() const { return memory.get(); }
  platform::ui::WindowDc screen;
  platform::ui::UniqueMemoryDc memory;
  platform::ui::UniqueFont font;
  platform::ui::ScopedSelect select;
};
}  // namespace

TbsSkinLabel::TbsSkinLabel(platform::ui::Control* parent) : TbsSkinCustomControl(parent) {
  SetSkinDataName("label");
  SetBounds(Left(), Top(), 75, 21);
}

void TbsSkinLabel::SetCaption(const std::string& caption) {
  TbsSkinCustomControl::SetCaption(caption);
  if (auto_size_) AdjustSize();
  Repaint();
}

void TbsSkinLabel::SetUseSkinSize(bool value) {
  use_skin_size_ = value;
  Repaint();
}
void TbsSkinLabel::SetUseSkinFontColor(bool value) {
  use_skin_font_color_ = value;
  Repaint();
}
void TbsSkinLabel::SetTransparent(bool value) {
  transparent_ = value;
  Repaint();
}
void TbsSkinLabel::SetBorderStyle(TbsSkinBorderStyle value) {
  border_style_ = value;
  if (ControlDataIndex() == -1) {
    if (auto_size_) AdjustSize();
    Repaint();
  }
}
void TbsSkinLabel::SetAlignment(TAlignment value) {
  alignment_ = value;
  Repaint();
}
void TbsSkinLabel::SetEllipsType(TbsEllipsType2 value) {
  ellips_type_ = value;
  Invalidate();
}
void TbsSkinLabel::SetAutoSize(bool value) {
  auto_size_ = value;
  if (auto_size_) AdjustSize();
  Repaint();
}

void TbsSkinLabel::ResolveSkinData() {
  TbsSkinCustomControl::ResolveSkinData();
  has_skin_font_ = false;
  if (ControlDataIndex() == -1) return;
  if (const auto* data = dynamic_cast<const TbsDataSkinLabelControl*>(ControlDataAt(SkinData(), ControlDataIndex()))) {
    has_skin_font_ = true;
    font_name_ = data->fontname;
    font_height_ = data->fontheight;
    font_style_ = data->fontstyle;
    font_colour_ = data->fontcolor;
  }
  if (geometry_.SliceMode == kSliceFixed) auto_size_ = false;
}

void TbsSkinLabel::CalcSkinSize(int& w, int& h) {
  if (ControlDataIndex() == -1) return;
  CalcLabelSkinSize(geometry_, use_skin_size_, w, h);
  if (auto_size_ && !IsAlignedToFullWidth(GetAlign())) {
    const int overflow = MeasureOverflow();
    if (overflow != 0) {
      w += overflow;
      CalcLabelSkinSize(geometry_, use_skin_size_, w, h);
    }
  }
}

void TbsSkinLabel::UpdateShape() {
  if (use_skin_size_) TbsSkinCustomControl::UpdateShape();
}

FontSpec TbsSkinLabel::TextFont() const {
  const bool has_data = ControlDataIndex() != -1;
  FontSpec f = DefaultFont();
  if (has_data && has_skin_font_) {
    if (UseSkinFont())
      f = SkinFontSpec(font_name_, font_height_, font_style_, font_colour_, f.charset);
    else
      f.color = font_colour_;
  }
  f.charset = ControlCharSet(SkinData(), DefaultFont());
  if (!use_skin_font_color_) f.color = DefaultFont().color;
  return f;
}

int TbsSkinLabel::MeasureOverflow() {
  const LeadingPicture picture = LeadingPictureSize();
  const int extra = picture.Width > 0 ? picture.Width + 3 : 0;
  MeasureDc m(TextFont());
  const int text_width = MeasureTextWidth(m.get(), Caption());
  if (ControlDataIndex() == -1) return text_width + 4 - Width() + extra;
  if (geometry_.SliceMode == kSliceFixed) return 0;
  return text_width - geometry_.New.ClRect.Width() + extra;
}

void TbsSkinLabel::AdjustSize() {
  if (IsAlignedToFullWidth(GetAlign())) return;
  ResolveSkinData();
  if (ControlDataIndex() != -1) {
    int w = Width(), h = Height();
    CalcSkinSize(w, h);  // includes the overflow
    SetSize(w, h);
  } else {
    SetSize(Width() + MeasureOverflow(), Height());
  }
}

void TbsSkinLabel::ParentRedrawn() {
  if (transparent_) Repaint();
}

void TbsSkinLabel::DrawLabelText(Bitmap& bitmap, const Rect& r) {
  const std::string& caption = Caption();
  if (caption.empty() || RectIsEmpty(r)) return;
  BitmapCanvas canvas(bitmap);
  HDC dc = canvas.dc();
  if (!dc) return;
  const FontSpec spec = TextFont();
  platform::ui::UniqueFont font = platform::ui::CreateFontFrom(spec);
  platform::ui::ScopedSelect select(dc, font.get());
  const std::string text = ellips_type_ == bsetEllips ? FitTextToWidth(dc, caption, r.Width()) : caption;
  const int text_width = MeasureTextWidth(dc, text);
  const int text_height = MeasureTextHeight(dc, text);
  const int y = CentredTextTop(r.Top, r.Height(), text_height, spec.height);
  const int x = AlignedTextLeft(r, text_width, alignment_);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, platform::ui::ResolveColor(spec.color));
  if (ShadowEffect) {
    skin::Color glow = ShadowColor;
    if (ControlDataIndex() != -1 && use_skin_font_color_)
      glow = DarkenColor(static_cast<skin::Color>(platform::ui::ResolveColor(SkinData()->SkinColors.cbtnface)), 70);
    const UINT format = DT_SINGLELINE | DT_NOPREFIX |
                        (alignment_ == taRightJustify ? DT_RIGHT : alignment_ == taCenter ? DT_CENTER : DT_LEFT);
    DrawGlowText(dc, RECT{r.Left, y, r.Right, r.Bottom}, text, ShadowSize, glow, ShadowOffset, format);
  } else if (ReflectionEffect && r.Width() > 0) {
    DrawReflectedText(dc, x, y, text, ReflectionOffset, RECT{r.Left, r.Top, r.Right, r.Bottom},
                      platform::ui::ResolveColor(spec.color));
  } else {
    const std::wstring wide = platform::Widen(text);
    const RECT clip{r.Left, r.Top, r.Right, r.Bottom};
    ::ExtTextOutW(dc, x, y, ETO_CLIPPED, &clip, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
  }
  ::GdiFlush();
}

void TbsSkinLabel::DrawDefaultImage(Bitmap& bitmap) {
  if (transparent_ && Handle()) {
    BitmapCanvas canvas(bitmap);
    if (canvas.dc()) PaintParentBackground(Handle(), canvas.dc());
    ::GdiFlush();
  } else {
    FillPixels(bitmap, {0, 0, Width(), Height()}, kSysBtnFace);
    skin::Color tl = 0, br = 0;
    if (BorderStyleColours(border_style_, tl, br)) DrawBevelPixels(bitmap, {0, 0, Width(), Height()}, tl, br);
  }
  const LeadingPicture picture = LeadingPictureSize();
  const StatusPanelLayout layout = LayoutDefaultStatusPanel(Width(), Height(), picture);
  if (layout.HasPicture) DrawLeadingPicture(bitmap, layout.PictureAt);
  DrawLabelText(bitmap, layout.TextRect);
}

void TbsSkinLabel::DrawSkinImage(Bitmap& bitmap) {
  const ControlSkinGeometry& g = geometry_;
  if (use_skin_size_) {
    TbsSkinCustomControl::DrawSkinImage(bitmap);
  } else if (g.SkinPicture && !RectIsEmpty(g.SkinRect)) {
    ComposeStretchedNineSlice(bitmap, *g.SkinPicture, g.SkinRect, true, g.Skin.ClRect);
  } else {
    FillPixels(bitmap, {0, 0, Width(), Height()}, kSysBtnFace);
  }
  const StatusPanelLayout layout =
      LayoutSkinStatusPanel(g.New.ClRect, Height(), g.SkinRect.Height(), use_skin_size_, LeadingPictureSize());
  if (layout.HasPicture) DrawLeadingPicture(bitmap, layout.PictureAt);
  DrawLabelText(bitmap, layout.TextRect);
}

// ---- TbsSkinStatusPanel

TbsSkinStatusPanel::TbsSkinStatusPanel(platform::ui::Control* parent) : TbsSkinLabel(parent) {
  SetSkinDataName("statuspanel");
  SetBounds(Left(), Top(), 120, Height());
}

void TbsSkinStatusPanel::SetGlyph(const Bitmap& glyph) {
  glyph_ = glyph;
  if (AutoSize()) AdjustSize();
  Repaint();
}

void TbsSkinStatusPanel::SetNumGlyphs(int value) {
  num_glyphs_ = std::clamp(value, 1, 2);
  if (AutoSize()) AdjustSize();
  Repaint();
}

void TbsSkinStatusPanel::SetEnabled(bool value) {
  enabled_ = value;
  if (Handle()) ::EnableWindow(Handle(), value ? TRUE : FALSE);
  Repaint();
}

void TbsSkinStatusPanel::SetImageList(TbsPngImageList* list) {
  image_list_ = list;
  if (AutoSize()) AdjustSize();
  Repaint();
}

void TbsSkinStatusPanel::SetImageIndex(int index) {
  image_index_ = index;
  if (AutoSize()) AdjustSize();
  Repaint();
}

const Bitmap* TbsSkinStatusPanel::ListImage() const {
  if (!glyph_.Empty() || !image_list_) return nullptr;
  return image_list_->Image(image_index_);
}

LeadingPicture TbsSkinStatusPanel::LeadingPictureSize() const {
  if (const Bitmap* image = ListImage()) return {image->Width(), image->Height(), true};
  if (glyph_.Empty()) return {};
  return {glyph_.Width() / num_glyphs_, glyph_.Height()};
}

void TbsSkinStatusPanel::DrawLeadingPicture(Bitmap& bitmap, const Point& at) {
  if (ListImage()) {
    image_list_->Draw(bitmap, at.X, at.Y, image_index_, enabled_);
    return;
  }
  const int cell = !enabled_ && num_glyphs_ > 1 ? 2 : 1;
  DrawGlyphCell(bitmap, at.X, at.Y, cell, num_glyphs_, glyph_);
}

void TbsSkinStatusPanel::DrawDefaultImage(Bitmap& bitmap) { TbsSkinLabel::DrawDefaultImage(bitmap); }
void TbsSkinStatusPanel::DrawSkinImage(Bitmap& bitmap) { TbsSkinLabel::DrawSkinImage(bitmap); }

}  // namespace skin
