#include "skin/hit_test.h"

namespace skin {
namespace {

// Rectangle tests of the hit test are half-open.
bool In(const Rect& r, Point p) { return r.Left <= p.X && p.X < r.Right && r.Top <= p.Y && p.Y < r.Bottom; }

bool BlackAt(const Bitmap& piece, int x, int y) {
  if (x < 0 || y < 0 || x >= piece.Width() || y >= piece.Height()) return false;
  return (piece.Pixel(x, y) & 0x00FFFFFFu) == 0;
}

// Client, caption or object: what a point away from the sizing border is.
int InnerHit(Point p, const FrameGeometry& g, const HitTestState& s) {
  if (In(g.NewClRect, p)) return kHitClient;
  if (In(s.CaptionTextArea, p)) return kHitCaption;
  return kHitObject;
}

int BorderHit(Point p, const FrameGeometry& g) {
  const int x = p.X, y = p.Y;
  if (x <= g.NewHitLT.X && y <= g.NewHitLT.Y) return kHitTopLeft;
  if (x >= g.NewHitRT.X && y <= g.NewHitRT.Y) return kHitTopRight;
  if (x <= g.NewHitLB.X && y >= g.NewHitLB.Y) return kHitBottomLeft;
  if (x >= g.NewHitRB.X && y >= g.NewHitRB.Y) return kHitBottomRight;
  if (In(Rect{g.NewHitLT.X, 0, g.NewHitRT.X, g.NewClRect.Top}, p)) return kHitTop;
  if (In(Rect{g.NewHitLB.X, g.NewClRect.Bottom, g.NewHitRB.X, g.H}, p)) return kHitBottom;
  if (In(Rect{0, g.NewHitLT.Y, g.NewClRect.Left, g.NewHitLB.Y}, p)) return kHitLeft;
  if (In(Rect{g.NewClRect.Right, g.NewHitRT.Y, g.W, g.NewHitRB.Y}, p)) return kHitRight;
  return kHitNowhere;
}

}  // namespace

bool PointInMaskShape(Point p, const FrameGeometry& g, const FramePieces& mask) {
  const Rect& m = g.NewMaskRect;
  if (In(m, p)) return true;
  if (p.Y <= m.Top) return BlackAt(mask.Top, p.X, p.Y);
  if (p.Y < m.Bottom) {
    if (p.X > m.Left) return BlackAt(mask.Right, p.X - m.Right, p.Y - m.Top);
    return BlackAt(mask.Left, p.X, p.Y - m.Top);
  }
  return BlackAt(mask.Bottom, p.X, p.Y - m.Bottom);
}

int SkinnedHitTest(Point p, const FrameGeometry& g, int b, const FramePieces* mask, const HitTestState& s) {
  if (s.ObjectHovered && !In(s.CaptionTextArea, p) && !In(g.NewClRect, p) && !s.InSizeMove) return kHitObject;
  if (!s.Maximized && s.Resizable && !s.RolledUpOrMinimized) {
    const Point probes[4] = {{p.X - b, p.Y}, {p.X, p.Y - b}, {p.X + b, p.Y}, {p.X, p.Y + b}};
    bool near_edge = false;
    if (!mask) {
      const Rect window{0, 0, g.W, g.H};
      for (const Point& q : probes) near_edge = near_edge || !In(window, q);
    } else if (!In(g.NewMaskRect, p)) {
      for (const Point& q : probes) near_edge = near_edge || !PointInMaskShape(q, g, *mask);
    }
    if (near_edge) {
      const int code = BorderHit(p, g);
      if (code != kHitNowhere) return code;
    }
  }
  return InnerHit(p, g, s);
}

int PlainHitTest(Point p, int W, int H, bool tool_window, const HitTestState& s) {
  if (s.ObjectHovered) return kHitObject;
  const int caption_height = PlainCaptionHeight(tool_window);
  if (s.Resizable && !s.Maximized && !s.RolledUpOrMinimized) {
    // The frame is kPlainBorder pixels wide on every side.
    const bool left = p.X < kPlainBorder, right = p.X >= W - kPlainBorder;
    const bool top = p.Y < kPlainBorder, bottom = p.Y >= H - kPlainBorder;
    if (top && left) return kHitTopLeft;
    if (top && right) return kHitTopRight;
    if (bottom && left) return kHitBottomLeft;
    if (bottom && right) return kHitBottomRight;
    if (left) return kHitLeft;
    if (right) return kHitRight;
    if (top) return kHitTop;
    if (bottom) return kHitBottom;
  }
  if (In(Rect{kPlainBorder, kPlainBorder, W - kPlainBorder, kPlainBorder + caption_height}, p)) return kHitCaption;
  if (In(Rect{kPlainBorder, caption_height + kPlainBorder, W - kPlainBorder, H - kPlainBorder}, p)) return kHitClient;
  return kHitObject;
}

}  // namespace skin
