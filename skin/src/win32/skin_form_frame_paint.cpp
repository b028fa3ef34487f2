// TbsSkinForm's frame: layout for the window size, the four composed border pieces transferred
// in four blits, the inactive look, the window region from the mask, the client background and
// the plain 3-pixel frame used without a skin.
#include <algorithm>

#include "platform/text.h"
#include "platform/ui/font.h"
#include "platform/ui/gdi.h"
#include "skin/canvas_copy.h"
#include "skin/win32/bitmap_canvas.h"
#include "skin/win32/marks.h"
#include "skin/win32/mask_region.h"
#include "skin/resource_strings.h"
#include "skin/win32/skin_form.h"

namespace skin {
namespace {

template <typename List>
std::vector<FrameObjectInfo*> InfoPointersOf(const List& list) {
  std::vector<FrameObjectInfo*> out;
  for (const auto& o : list) out.push_back(o.get());
  return out;
}

void Blit(HDC dc, int x, int y, const Bitmap& b) {
  if (b.Empty()) return;
  BitmapCanvas canvas(const_cast<Bitmap&>(b));
  if (!canvas.dc()) return;
  ::BitBlt(dc, x, y, b.Width(), b.Height(), canvas.dc(), 0, 0, SRCCOPY);
}

void ApplyEffect(TbsEffectBmp& e, TbsImageEffect effect) {
  switch (effect) {
    case ieBrightness: e.Brighten(0.5); break;
    case ieDarkness: e.Darken(0.3); break;
    case ieGrayScale: e.Grayscale(); break;
    case ieNoise: e.AddNoise(50); break;
    case ieSplitBlur: e.SplitBlur(1); break;
    case ieInvert: e.Invert(); break;
  }
}

// Repeats src over the whole of dest.
void TileOver(Bitmap& dest, const Bitmap& src, const Rect& sr) {
  const int w = RectSpanX(sr), h = RectSpanY(sr);
  if (w <= 0 || h <= 0) return;
  for (int y = 0; y < dest.Height(); y += h)
    for (int x = 0; x < dest.Width(); x += w) CanvasCopy(dest, Rect{x, y, x + w, y + h}, src, sr);
}

}  // namespace

bool TbsSkinForm::PaintSize() const { return W_ >= FrameMinWidth() && H_ >= FrameMinHeight(); }

void TbsSkinForm::LayoutObjects() {
  if (skinned_) {
    geometry_ = ComputeFrameGeometry(frame_skin_, W_, H_);
    ButtonRowOptions options;
    options.ShowIcon = ShowIcon;
    options.SmallIcon = {::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)};
    LayoutFrameObjects(InfoPointersOf(objects_), frame_skin_, geometry_, options);
    return;
  }
  // The plain frame's buttons: a row at the right of the caption strip, the system menu at its left.
  const int ch = PlainCaptionHeight(ToolWindow());
  const int h = ch - 4, w = h + 2, y = kPlainBorder + 2;
  int x = W_ - kPlainBorder - 2;
  for (TbsStdCommand c : {cmClose, cmMaximize, cmMinimize, cmRollUp, cmMinimizeToTray}) {
    for (auto& b : default_buttons_) {
      if (b->Command != c || !b->Visible) continue;
      b->ObjectRect = {x - w, y, x, y + h};
      x -= w;
    }
  }
  for (auto& b : default_buttons_)
    if (b->Command == cmSysMenu) b->ObjectRect = {kPlainBorder + 2, y, kPlainBorder + 2 + w, y + h};
}

void TbsSkinForm::RelayoutFrame() {
  if (!hwnd_) return;
  UpdateSize();
  if (skinned_ && !PaintSize()) return;
  LayoutObjects();
  UpdateRegion(true);
  RepaintFrame();
}

void TbsSkinForm::UpdateRegion(bool rebuild) {
  if (!hwnd_) return;
  mask_pieces_ = FramePieces{};
  if (!skinnable_ || BorderNone()) {
    ::SetWindowRgn(hwnd_, nullptr, TRUE);
    return;
  }
  const bool child = (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) != 0;
  platform::ui::UniqueRegion region;
  if (skinned_ && !skin_data_->MaskPicture.Empty() && !(child && IsMaximized()) && rebuild) {
    ComposeMaskBorders(frame_skin_.MaskSlice(), geometry_.MaskSlice(), skin_data_->MaskPicture, mask_pieces_, W_);
    region = FrameRegionFromMask(frame_skin_.MaskSlice(), geometry_.MaskSlice(), skin_data_->MaskPicture, W_);
  }
  if (!region) region.reset(::CreateRectRgn(0, 0, W_, H_));
  if (region) platform::ui::SetWindowRegion(hwnd_, std::move(region), true);
}

void TbsSkinForm::RepaintFrame() {
  if (!hwnd_ || changing_skin_ || !skinnable_ || !::IsWindow(hwnd_)) return;
  const platform::ui::WindowDc dc = platform::ui::WindowDc::Whole(hwnd_);
  if (!dc) return;
  PaintFrame(dc.get());
}

void TbsSkinForm::PaintFrame(HDC dc) {
  UpdateSize();
  if (skinned_) PaintSkinnedFrame(dc);
  else PaintPlainFrame(dc);
}

void TbsSkinForm::DrawObjectsInto(FramePieces& pieces) {
  for (TbsActiveSkinObject* o : Items()) {
    if (!o->Visible) continue;
    if (o->ObjectRect.Bottom > geometry_.NewClRect.Top) o->Draw(pieces.Bottom, {0, geometry_.NewClRect.Bottom}, false);
    else o->Draw(pieces.Top, {0, 0}, false);
  }
}

void TbsSkinForm::PaintSkinnedFrame(HDC dc) {
  if (!PaintSize()) return;
  LayoutObjects();
  const TbsSkinData& d = *skin_data_;
  const Bitmap& source = (!active_ && !d.InactivePicture.Empty()) ? d.InactivePicture : d.Picture;
  FramePieces pieces;
  ComposeFrameBorders(frame_skin_.Slice(), geometry_.Slice(), pieces, source,
                      Rect{0, 0, source.Width(), source.Height()}, W_, H_,
                      EdgeStretch{d.leftstretch, d.topstretch, d.rightstretch, d.bottomstretch});
  frame_pieces_ = pieces;
  DrawObjectsInto(pieces);

  platform::ui::ScopedSavedDc saved(dc);
  const Rect& cl = geometry_.NewClRect;
  ::ExcludeClipRect(dc, cl.Left, cl.Top, cl.Right, cl.Bottom);
  const int top_height = pieces.Top.Height();
  const Point at[4] = {
      {0, 0}, {0, top_height}, {W_ - pieces.Right.Width(), top_height}, {0, H_ - pieces.Bottom.Height()}};
  Bitmap* order[4] = {&pieces.Top, &pieces.Left, &pieces.Right, &pieces.Bottom};
  const bool effect = !active_ && d.autorenderinginactiveimage;
  for (int i = 0; i < 4; ++i) {
    if (order[i]->Empty()) continue;
    if (effect) {
      TbsEffectBmp e(*order[i]);
      ApplyEffect(e, d.inactiveeffect);
      DrawTo(dc, e, at[i].X, at[i].Y);
    } else {
      Blit(dc, at[i].X, at[i].Y, *order[i]);
    }
  }
}

void TbsSkinForm::RepaintObject(TbsActiveSkinObject* o) {
  if (!hwnd_ || !o || changing_skin_ || !skinnable_) return;
  const int w = RectSpanX(o->ObjectRect), h = RectSpanY(o->ObjectRect);
  if (w <= 0 || h <= 0) return;
  if (skinned_ && !PaintSize()) return;
  Bitmap cell(w, h);
  const Point origin{o->ObjectRect.Left, o->ObjectRect.Top};
  // The frame under the object first, so that parts it leaves undrawn show the frame.
  if (skinned_) {
    const bool bottom = o->ObjectRect.Bottom > geometry_.NewClRect.Top;
    const Bitmap& piece = bottom ? frame_pieces_.Bottom : frame_pieces_.Top;
    const int dy = bottom ? geometry_.NewClRect.Bottom : 0;
    if (!piece.Empty())
      CanvasCopy(cell, Rect{0, 0, w, h}, piece, OffsetRect(o->ObjectRect, 0, -dy));
  }
  o->Draw(cell, origin, true);
  const platform::ui::WindowDc dc = platform::ui::WindowDc::Whole(hwnd_);
  if (!dc) return;
  if (skinned_ && !active_ && skin_data_->autorenderinginactiveimage) {
    TbsEffectBmp e(cell);
    ApplyEffect(e, skin_data_->inactiveeffect);
    DrawTo(dc.get(), e, origin.X, origin.Y);
  } else {
    Blit(dc.get(), origin.X, origin.Y, cell);
  }
}

void TbsSkinForm::EraseClient(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  const TbsSkinData& d = *skin_data_;
  Bitmap bg(client.right, client.bottom);
  const Rect all{0, 0, client.right, client.bottom};
  const Bitmap* src = &d.Picture;
  Rect sr = d.clientrect;
  if (d.bgpictureindex != -1) {
    src = d.ActivePicture(d.bgpictureindex);
    if (src) sr = Rect{0, 0, src->Width(), src->Height()};
  }
  if (!src || RectIsEmpty(sr)) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  if (d.stretcheffect) {
    switch (d.stretchtype) {
      case bsstFull: CanvasCopy(bg, all, *src, sr); break;
      case bsstHorz: {
        // Stretched across, repeated downwards.
        for (int y = 0; y < bg.Height(); y += RectSpanY(sr))
          CanvasCopy(bg, Rect{0, y, bg.Width(), y + RectSpanY(sr)}, *src, sr);
        break;
      }
      case bsstVert: {
        for (int x = 0; x < bg.Width(); x += RectSpanX(sr))
          CanvasCopy(bg, Rect{x, 0, x + RectSpanX(sr), bg.Height()}, *src, sr);
        break;
      }
    }
  } else {
    TileOver(bg, *src, sr);
  }
  Blit(dc, 0, 0, bg);
}

void TbsSkinForm::PaintPlainFrame(HDC dc) {
  if (W_ <= 0 || H_ <= 0) return;
  LayoutObjects();
  Bitmap frame(W_, H_);
  const int ch = PlainCaptionHeight(ToolWindow());
  {
    BitmapCanvas canvas(frame);
    HDC c = canvas.dc();
    if (!c) return;
    RECT all{0, 0, W_, H_};
    ::FillRect(c, &all, ::GetSysColorBrush(COLOR_BTNFACE));
    // Three nested one-pixel bevels, outside in.
    RECT r = all;
    DrawBevelFrame(c, r, ::GetSysColor(COLOR_3DLIGHT), ::GetSysColor(COLOR_3DDKSHADOW));
    ::InflateRect(&r, -1, -1);
    DrawBevelFrame(c, r, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
    ::InflateRect(&r, -1, -1);
    DrawBevelFrame(c, r, ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNFACE));

    // Grip lines between the left and right button groups.
    int left = kPlainBorder + 2, right = W_ - kPlainBorder - 2;
    for (auto& b : default_buttons_) {
      if (!b->Visible) continue;
      if (b->Command == cmSysMenu) left = std::max(left, b->ObjectRect.Right + 2);
      else right = std::min(right, b->ObjectRect.Left - 2);
    }
    for (int row = 2; row <= ch - 4; ++row) {
      const platform::ui::UniquePen pen(
          ::CreatePen(PS_SOLID, 1, ::GetSysColor(row % 2 ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW)));
      platform::ui::ScopedSelect select_pen(c, pen.get());
      ::MoveToEx(c, left, kPlainBorder + row, nullptr);
      ::LineTo(c, right, kPlainBorder + row);
    }

    const RECT strip{left, kPlainBorder, right, kPlainBorder + ch};
    if (OnCaptionPaint) {
      OnCaptionPaint(c, strip, active_);
    } else {
      const std::string caption = Caption();
      if (!caption.empty() && strip.right > strip.left) {
        platform::ui::FontSpec spec = active_ ? DefCaptionFont : DefInActiveCaptionFont;
        if (skin_data_ && skin_data_->ResourceStrData()) spec.charset = skin_data_->ResourceStrData()->CharSet;
        const platform::ui::UniqueFont font = platform::ui::CreateFontFrom(spec);
        platform::ui::ScopedSelect select_font(c, font.get());
        std::wstring text = platform::Widen(caption);
        RECT calc{0, 0, 0, 0};
        ::DrawTextW(c, text.c_str(), static_cast<int>(text.size()), &calc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        const int tw = std::min<int>(calc.right, strip.right - strip.left - 4), th = calc.bottom;
        const int x = strip.left + (strip.right - strip.left) / 2 - tw / 2;
        const int y = strip.top + (strip.bottom - strip.top) / 2 - th / 2;
        RECT clear{x - 2, y - 2, x + tw + 2, y + th + 2};
        ::IntersectRect(&clear, &clear, &strip);
        ::FillRect(c, &clear, ::GetSysColorBrush(COLOR_BTNFACE));
        ::SetBkMode(c, TRANSPARENT);
        ::SetTextColor(c, platform::ui::ResolveColor(spec.color));
        RECT tr{x, y, x + tw, y + th};
        ::DrawTextW(c, text.c_str(), static_cast<int>(text.size()), &tr,
                    DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
      }
    }
    BitmapCanvas::Flush();
  }
  for (auto& b : default_buttons_)
    if (b->Visible) b->Draw(frame, {0, 0}, false);

  platform::ui::ScopedSavedDc saved(dc);
  const Rect cl = PlainClientRect();
  ::ExcludeClipRect(dc, cl.Left, cl.Top, cl.Right, cl.Bottom);
  Blit(dc, 0, 0, frame);
}

void TbsSkinForm::RenderFrame(Bitmap& out) {
  UpdateSize();
  out.SetSize(W_, H_);
  BitmapCanvas canvas(out);
  if (!canvas.dc()) return;
  PaintFrame(canvas.dc());
  BitmapCanvas::Flush();
}

}  // namespace skin
