#include <algorithm>

#include "skin/frame_geometry.h"
#include "skin/skin_data.h"

namespace skin {

FrameSkin FrameSkinFrom(const TbsSkinData& data) {
  FrameSkin s;
  s.Pw = data.Picture.Width();
  s.Ph = data.Picture.Height();
  s.LT = data.lefttoppoint;
  s.RT = data.righttoppoint;
  s.LB = data.leftbottompoint;
  s.RB = data.rightbottompoint;
  s.ClRect = data.clientrect;
  s.MaskRect = data.maskrectarea;
  // The skin data defaults the hit-test points only for masked skins; without these fallbacks a
  // rectangular skin would have its sizing corners collapsed onto the window's origin.
  auto hit = [](Point p, Point corner) { return PointIsUnset(p) ? corner : p; };
  s.HitLT = hit(data.hittestlefttoppoint, s.LT);
  s.HitRT = hit(data.hittestrighttoppoint, s.RT);
  s.HitLB = hit(data.hittestleftbottompoint, s.LB);
  s.HitRB = hit(data.hittestrightbottompoint, s.RB);
  s.CaptionRect = data.captionrect;
  s.ButtonsRect = data.buttonsrect;
  s.ButtonsOffset = data.buttonsoffset;
  s.ButtonsInLeft = data.buttonsinleft;
  s.BorderWidth = data.borderwidth;
  s.FormMinWidth = data.formminwidth;
  s.FormMinHeight = data.formminheight;
  s.HasMask = !data.MaskPicture.Empty();
  return s;
}

FrameGeometry ComputeFrameGeometry(const FrameSkin& s, int W, int H) {
  FrameGeometry g;
  g.W = W;
  g.H = H;
  const int dx = W - s.Pw, dy = H - s.Ph;
  g.NewLT = s.LT;
  g.NewRT = {s.RT.X + dx, s.RT.Y};
  g.NewLB = {s.LB.X, s.LB.Y + dy};
  g.NewRB = {s.RB.X + dx, s.RB.Y + dy};
  g.NewClRect = {s.ClRect.Left, s.ClRect.Top, s.ClRect.Right + dx, s.ClRect.Bottom + dy};
  g.NewCaptionRect = s.CaptionRect;
  if (!RectIsEmpty(s.CaptionRect)) g.NewCaptionRect.Right += dx;
  g.NewButtonsRect = s.ButtonsRect;
  if (!RectIsEmpty(s.ButtonsRect)) {
    const int half = s.Pw / 2;
    if (s.ButtonsRect.Left > half) g.NewButtonsRect = OffsetRect(s.ButtonsRect, dx, 0);
    else if (s.ButtonsRect.Left < half) g.ButtonsLeftAnchored = true;
  }
  g.ButtonsOffset = s.ButtonsOffset;
  g.ButtonsInLeft = s.ButtonsInLeft;
  g.NewHitLT = s.HitLT;
  g.NewHitRT = {s.HitRT.X + dx, s.HitRT.Y};
  g.NewHitLB = {s.HitLB.X, s.HitLB.Y + dy};
  g.NewHitRB = {s.HitRB.X + dx, s.HitRB.Y + dy};
  g.NewMaskRect = {s.MaskRect.Left, s.MaskRect.Top, s.MaskRect.Right + dx, s.MaskRect.Bottom + dy};
  return g;
}

namespace {
Rect NotInverted(Rect r) {
  r.Right = std::max(r.Right, r.Left);
  r.Bottom = std::max(r.Bottom, r.Top);
  return r;
}
}  // namespace

Rect SkinnedClientArea(const Rect& window, const FrameSkin& s) {
  return NotInverted({window.Left + s.ClRect.Left, window.Top + s.ClRect.Top,
                      window.Right - (s.Pw - s.ClRect.Right), window.Bottom - (s.Ph - s.ClRect.Bottom)});
}

Rect PlainClientArea(const Rect& window, bool tool_window) {
  return NotInverted({window.Left + kPlainBorder, window.Top + kPlainBorder + PlainCaptionHeight(tool_window),
                      window.Right - kPlainBorder, window.Bottom - kPlainBorder});
}

}  // namespace skin
