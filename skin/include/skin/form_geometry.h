// The skinned window frame as plain geometry: where the frame's parts lie for a window of a given
// size, how thick the frame is, what a point on it means to the platform (the hit codes), and the
// placement rules of the window itself (minimum size, centring, magnetic edges). Everything here
// is a pure function of plain values, so the Win32 glue only translates messages into calls.
#pragma once

#include <span>

#include "skin/compose.h"
#include "skin/geometry.h"

namespace skin {

class TbsSkinData;

// The [FORMINFO] values the frame needs, in skin-picture coordinates (Pw x Ph the picture size).
struct FrameSkin {
  int Pw = 0, Ph = 0;
  Point LT, RT, LB, RB;
  Rect ClRect;
  Rect MaskRect;
  Point HitLT, HitRT, HitLB, HitRB;
  Rect CaptionRect;
  Rect ButtonsRect;
  int ButtonsOffset = 0;
  bool ButtonsInLeft = false;
  int BorderWidth = 0;
  int FormMinWidth = 0, FormMinHeight = 0;
  bool HasMask = false;

  SliceGeometry Slice() const { return SliceGeometry{LT, RT, LB, RB, ClRect}; }
  SliceGeometry MaskSlice() const { return SliceGeometry{LT, RT, LB, RB, MaskRect}; }
};

// The frame values of a loaded skin. Hit-test points the skin leaves unset fall back to the
// corner points, so that sizing works on skins without a mask too.
FrameSkin FrameSkinFrom(const TbsSkinData& data);

// The frame laid out for a W x H window, in window coordinates.
struct FrameGeometry {
  int W = 0, H = 0;
  Point NewLT, NewRT, NewLB, NewRB;
  Rect NewClRect;
  Rect NewCaptionRect;
  Rect NewButtonsRect;
  bool ButtonsLeftAnchored = false;
  int ButtonsOffset = 0;
  bool ButtonsInLeft = false;
  Point NewHitLT, NewHitRT, NewHitLB, NewHitRB;
  Rect NewMaskRect;

  SliceGeometry Slice() const { return SliceGeometry{NewLT, NewRT, NewLB, NewRB, NewClRect}; }
  SliceGeometry MaskSlice() const { return SliceGeometry{NewLT, NewRT, NewLB, NewRB, NewMaskRect}; }
};

FrameGeometry ComputeFrameGeometry(const FrameSkin& skin, int W, int H);

// ---- non-client size

// Caption strip of the plain (unskinned) frame.
constexpr int PlainCaptionHeight(bool toolWindow) { return toolWindow ? 15 : 19; }
constexpr int kPlainBorder = 3;

// The client rectangle the platform should use for a proposed window rectangle. Right and Bottom
// never fall below Left and Top.
Rect SkinnedClientArea(const Rect& window, const FrameSkin& skin);
Rect PlainClientArea(const Rect& window, bool toolWindow);

// ---- hit testing

// The platform's hit codes, with their Win32 values.
enum HitCode : int {
  kHitNowhere = 0,
  kHitClient = 1,
  kHitCaption = 2,
  kHitLeft = 10,
  kHitRight = 11,
  kHitTop = 12,
  kHitTopLeft = 13,
  kHitTopRight = 14,
  kHitBottom = 15,
  kHitBottomLeft = 16,
  kHitBottomRight = 17,
  kHitObject = 19,  // the platform leaves the press to the frame's own objects
};

constexpr bool IsSizingHit(int code) { return code >= kHitLeft && code <= kHitBottomRight; }

struct HitTestState {
  bool ObjectHovered = false;  // a frame object lies under the point
  bool InSizeMove = false;     // the platform's move-and-size loop is running
  bool Maximized = false;
  bool Resizable = false;      // sizeable border style, or AlwaysResize
  bool RolledUpOrMinimized = false;
  Rect CaptionTextArea;        // the caption object without its quick-button strip; may be empty
};

// Whether window point p lies inside the window's shape: inside the mask client rectangle, or on
// a pure black pixel of the mask border piece that covers it.
bool PointInMaskShape(Point p, const FrameGeometry& g, const FramePieces& mask);

// The hit code of window point p on a skinned frame. `mask` is null when the skin has no mask.
int SkinnedHitTest(Point p, const FrameGeometry& g, int borderWidth, const FramePieces* mask,
                   const HitTestState& s);
// The hit code of window point p on the plain 3-pixel frame of a W x H window.
int PlainHitTest(Point p, int W, int H, bool toolWindow, const HitTestState& s);

// ---- sizes and placement

struct SizeLimits {
  int MinWidth = 0;   // the component's MinWidth / MinHeight (0 = none)
  int MinHeight = 0;
};

// The frame's minimum width and height; `skin` is null without a skin.
int FrameMinWidth(const FrameSkin* skin, const SizeLimits& limits);
int FrameMinHeight(const FrameSkin* skin, const SizeLimits& limits, bool toolWindow);

struct Size {
  int Width = 0;
  int Height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// The size after a skin change: a side below its minimum is raised. `nudge` is set when both
// sides already fit, so that the caller nudges the width to make the platform recompute the
// non-client area.
Size EnforceMinimumSize(Size size, Size minimum, bool& nudge);
// The width step of the nudge: -1, or +1 when -1 would go below the minimum.
int WidthNudgeStep(int width, int minWidth);

// Top-left corner that centres a w x h window in the area.
Point CenterInArea(const Rect& area, int w, int h);

// Top-left corner of a non-main form shrunk to `size` by minimizing: the bottom-left corner of the
// work area, or else the first free place to the right of the forms already minimized there
// (`occupied`, their window rectangles), a row higher each time a row is full. When the whole
// area is taken, the bottom-left corner again.
Point MinimizedFormPlace(const Rect& workArea, Size size, std::span<const Rect> occupied);

// The magnetic edges' state of one drag.
struct MagneticState {
  bool StuckLeft = false, StuckTop = false, StuckRight = false, StuckBottom = false;
  int AnchorX = 0, AnchorY = 0;
  void ClearStuck() { StuckLeft = StuckTop = StuckRight = StuckBottom = false; }
};

// Adjusts a proposed window rectangle of a drag so that it snaps to the edges of the work area
// within `magneticSize` pixels, and stays there until the cursor has travelled more than that from
// where it snapped.
Rect MagneticMove(const Rect& proposed, const Rect& workArea, int magneticSize, Point cursor, MagneticState& state);

}  // namespace skin
