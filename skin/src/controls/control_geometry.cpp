#include "skin/canvas_copy.h"
#include "skin/control_geometry.h"

#include <algorithm>

#include "skin/skin_data.h"
#include "skin/skin_schema.h"
#include "skin/strips.h"

namespace skin {

int ControlSliceMode(const Rect& skinRect, const SliceGeometry& g) {
  if (RectIsEmpty(skinRect)) return kSliceNone;
  if (g.RB.X != 0 && g.RB.Y != 0) return kSliceNine;
  if (g.RT.X != 0 || g.RT.Y != 0) return kSliceHorizontal;
  if (g.LB.X != 0 || g.LB.Y != 0) return kSliceVertical;
  return kSliceFixed;
}

Point ClampSkinPoint(const Point& p) {
  return {std::clamp(p.X, -kMaxSkinCoordinate, kMaxSkinCoordinate),
          std::clamp(p.Y, -kMaxSkinCoordinate, kMaxSkinCoordinate)};
}

Rect ClampSkinRect(const Rect& r) {
  const Point a = ClampSkinPoint({r.Left, r.Top}), b = ClampSkinPoint({r.Right, r.Bottom});
  return {a.X, a.Y, b.X, b.Y};
}

const TbsDataSkinControl* ControlDataAt(const TbsSkinData* data, int index) {
  if (!data || index < 0 || index >= static_cast<int>(data->SkinControls.size())) return nullptr;
  return data->SkinControls[static_cast<size_t>(index)].get();
}

int ResolveControlGeometry(const TbsSkinData* data, std::string_view name, ControlSkinGeometry& g) {
  if (!data || data->Empty) return -1;
  const int index = data->FindControlIndex(name);
  const auto* entry = dynamic_cast<const TbsDataSkinCustomControl*>(ControlDataAt(data, index));
  if (index < 0) return -1;
  // Keep the recomputed cut: it belongs to the control's size, not to the entry.
  const SliceGeometry kept = g.New;
  g = ControlSkinGeometry{};
  g.New = kept;
  if (!entry) return index;  // an entry without geometry: a fixed, picture-less image
  g.SkinPicture = data->ActivePicture(entry->pictureindex);
  g.SkinMask = data->ActivePicture(entry->maskpictureindex);
  g.SkinRect = ClampSkinRect(entry->skinrect);
  // The skin rectangle sizes bitmaps and even the control: keep it to what the picture holds,
  // so that a damaged skin cannot ask for more than its own pictures.
  if (g.SkinPicture) {
    g.SkinRect = IntersectRects(g.SkinRect, {0, 0, g.SkinPicture->Width(), g.SkinPicture->Height()});
  } else {
    g.SkinRect.Right = std::min(g.SkinRect.Right, g.SkinRect.Left + kMaxSkinRectExtent);
    g.SkinRect.Bottom = std::min(g.SkinRect.Bottom, g.SkinRect.Top + kMaxSkinRectExtent);
  }
  g.Skin = {ClampSkinPoint(entry->lefttoppoint), ClampSkinPoint(entry->righttoppoint),
            ClampSkinPoint(entry->leftbottompoint), ClampSkinPoint(entry->rightbottompoint),
            ClampSkinRect(entry->clientrect)};
  g.Stretch = {entry->leftstretch, entry->topstretch, entry->rightstretch, entry->bottomstretch};
  g.StretchEffect = entry->stretcheffect;
  g.StretchType = static_cast<int>(entry->stretchtype);
  g.SliceMode = ControlSliceMode(g.SkinRect, g.Skin);
  return index;
}

void CalcSkinSize(ControlSkinGeometry& g, int& w, int& h) {
  const Rect& r = g.SkinRect;
  const int dw = w - r.Width(), dh = h - r.Height();
  const SliceGeometry& s = g.Skin;
  SliceGeometry& n = g.New;
  switch (g.SliceMode) {
    case kSliceNine:
      n.LT = s.LT;
      n.RT = {s.RT.X + dw, s.RT.Y};
      n.LB = {s.LB.X, s.LB.Y + dh};
      n.RB = {s.RB.X + dw, s.RB.Y + dh};
      n.ClRect = {s.ClRect.Left, s.ClRect.Top, s.ClRect.Right + dw, s.ClRect.Bottom + dh};
      break;
    case kSliceHorizontal:
      h = r.Height();
      n.LT = s.LT;
      n.RT = {s.RT.X + dw, s.RT.Y};
      n.ClRect = {s.ClRect.Left, s.ClRect.Top, s.ClRect.Right + dw, s.ClRect.Bottom};
      break;
    case kSliceVertical:
      w = r.Width();
      n.LT = s.LT;
      n.LB = {s.LB.X, s.LB.Y + dh};
      n.ClRect = {s.ClRect.Left, s.ClRect.Top, s.ClRect.Right, s.ClRect.Bottom + dh};
      break;
    case kSliceFixed:
      w = r.Width();
      h = r.Height();
      n.ClRect = s.ClRect;
      break;
    default:
      break;
  }
}

void CalcLabelSkinSize(ControlSkinGeometry& g, bool useSkinSize, int& w, int& h) {
  if (useSkinSize || g.SliceMode == kSliceNine) {
    CalcSkinSize(g, w, h);
    return;
  }
  if (g.SliceMode == kSliceNone) return;
  const int dw = w - g.SkinRect.Width();
  g.New.LT = g.Skin.LT;
  g.New.RT = {g.Skin.RT.X + dw, g.Skin.RT.Y};
  g.New.ClRect = {g.Skin.ClRect.Left, g.Skin.ClRect.Top, g.Skin.ClRect.Right + dw, g.Skin.ClRect.Bottom};
}

void ComposeControlImage(const ControlSkinGeometry& g, Bitmap& dest, int w, int h) {
  if (!g.SkinPicture || g.SliceMode == kSliceNone) return;
  const Bitmap& pic = *g.SkinPicture;
  const Rect& r = g.SkinRect;
  switch (g.SliceMode) {
    case kSliceFixed:
      dest.SetSize(r.Width(), r.Height());
      CanvasCopy(dest, {0, 0, r.Width(), r.Height()}, pic, r);
      break;
    case kSliceNine:
      ComposeNineSlice(g.Skin, g.New, dest, pic, r, w, h, true, g.Stretch, g.StretchEffect, g.StretchType);
      break;
    case kSliceHorizontal: {
      // Caps outside the skin rectangle would only repeat pixels of the neighbouring artwork.
      const int left = std::clamp(g.Skin.LT.X, 0, r.Width());
      const int right = std::clamp(r.Width() - g.Skin.RT.X, 0, r.Width() - left);
      ComposeHorizontalStrip(left, right, dest, pic, r, w, g.StretchEffect);
      break;
    }
    case kSliceVertical: {
      const int top = std::clamp(g.Skin.LT.Y, 0, r.Height());
      const int bottom = std::clamp(r.Height() - g.Skin.LB.Y, 0, r.Height() - top);
      ComposeVerticalStrip(top, bottom, dest, pic, r, h, g.StretchEffect);
      break;
    }
  }
}

int CentredTextTop(int top, int height, int textHeight, int fontHeight) {
  const int y = top + height / 2 - textHeight / 2;
  return (fontHeight / 2) * 2 != fontHeight ? y - 1 : y;
}

int AlignedTextLeft(const Rect& r, int textWidth, TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return r.Right - textWidth;
    case taCenter:
      return r.Left + r.Width() / 2 - textWidth / 2;
    default:
      return r.Left;
  }
}

StatusPanelLayout LayoutSkinStatusPanel(const Rect& newClRect, int height, int skinRectHeight, bool useSkinSize,
                                        const LeadingPicture& picture) {
  StatusPanelLayout out;
  out.TextRect = newClRect;
  if (!useSkinSize) out.TextRect.Bottom += height - skinRectHeight;
  if (picture.Width > 0 && picture.Height > 0) {
    Rect& r = out.TextRect;
    out.HasPicture = true;
    out.PictureAt = {r.Left, r.Top + r.Height() / 2 - picture.Height / 2};
    r.Left += picture.Width + 2;
  }
  return out;
}

StatusPanelLayout LayoutDefaultStatusPanel(int width, int height, const LeadingPicture& picture) {
  StatusPanelLayout out;
  out.TextRect = {3, 3, width - 3, height - 3};
  if (picture.Width > 0 && picture.Height > 0) {
    out.HasPicture = true;
    out.PictureAt = picture.FromImageList
                        ? Point{3, out.TextRect.Top + out.TextRect.Height() / 2 - picture.Height / 2}
                        : Point{3, height / 2 - picture.Height / 2};
    out.TextRect.Left += picture.Width + 2;
  }
  return out;
}

Rect PanelClientArea(int w, int h, const PanelAreaOptions& o) {
  Rect area{0, 0, w, h};
  if (o.EmptyDrawing) return area;
  if (!o.HasData) {
    if (o.BorderStyle != bvNone) area = {1, 1, w - 1, h - 1};
  } else if (o.BorderStyle != bvNone || o.CaptionMode || o.SliceMode != kSliceNine) {
    area = o.NewClRect;
  }
  if (o.CaptionMode) {
    if (o.RibbonStyle)
      area.Bottom -= o.CaptionHeight;
    else
      area.Top += o.CaptionHeight;
  }
  return area;
}

void DrawPanelTiles(Bitmap& dest, const Bitmap& picture, const Rect& tile, bool stretchEffect, int stretchType) {
  const int w = dest.Width(), h = dest.Height();
  const int cw = tile.Width(), ch = tile.Height();
  if (dest.Empty() || cw <= 0 || ch <= 0) return;
  if (stretchEffect && stretchType == kStretchFull) {
    CanvasCopy(dest, {0, 0, w, h}, picture, tile);
  } else if (stretchEffect && stretchType == kStretchHorizontal) {
    for (int x = 0; x < w; x += cw) CanvasCopy(dest, {x, 0, x + cw, h}, picture, tile);
  } else if (stretchEffect && stretchType == kStretchVertical) {
    for (int y = 0; y < h; y += ch) CanvasCopy(dest, {0, y, w, y + ch}, picture, tile);
  } else {
    // Whole tiles; CanvasCopy cuts the last row and column at the panel's edge.
    for (int y = 0; y < h; y += ch)
      for (int x = 0; x < w; x += cw) CanvasCopy(dest, {x, y, x + cw, y + ch}, picture, tile);
  }
}

void FillPixels(Bitmap& dest, const Rect& r, Color colour) {
  const Rect c = IntersectRects(r, {0, 0, dest.Width(), dest.Height()});
  if (RectIsEmpty(c)) return;
  const uint32_t px = ColorToPixel(ResolveSystemColour(colour));
  for (int y = c.Top; y < c.Bottom; ++y) std::fill(dest.Row(y) + c.Left, dest.Row(y) + c.Right, px);
}

void DrawBevelPixels(Bitmap& dest, const Rect& r, Color topLeft, Color bottomRight) {
  if (RectIsEmpty(r)) return;
  FillPixels(dest, {r.Left, r.Top, r.Right, r.Top + 1}, topLeft);
  FillPixels(dest, {r.Left, r.Top, r.Left + 1, r.Bottom}, topLeft);
  FillPixels(dest, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomRight);
  FillPixels(dest, {r.Right - 1, r.Top, r.Right, r.Bottom}, bottomRight);
}

bool BorderStyleColours(TbsSkinBorderStyle style, Color& topLeft, Color& bottomRight) {
  switch (style) {
    case bvFrame:
      topLeft = bottomRight = kSysBtnShadow;
      return true;
    case bvRaised:
      topLeft = kSysBtnHighlight;
      bottomRight = kSysBtnShadow;
      return true;
    case bvLowered:
      topLeft = kSysBtnShadow;
      bottomRight = kSysBtnHighlight;
      return true;
    default:
      return false;
  }
}

#ifndef _WIN32
// The classic scheme, so that drawings made off Windows look like the ones made on it.
Color ResolveSystemColour(Color c) {
  if ((c & 0xFF000000u) != 0xFF000000u) return c & 0x00FFFFFFu;
  switch (c & 0xFF) {
    case 5: return MakeColor(255, 255, 255);
    case 8: return MakeColor(0, 0, 0);
    case 13: return MakeColor(0, 120, 215);
    case 15: return MakeColor(240, 240, 240);
    case 16: return MakeColor(160, 160, 160);
    case 18: return MakeColor(0, 0, 0);
    case 20: return MakeColor(255, 255, 255);
    default: return MakeColor(0, 0, 0);
  }
}
#endif

}  // namespace skin
