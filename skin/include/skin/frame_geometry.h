// The skinned window frame as plain geometry: where the frame's parts lie for a window of a given
// size and how thick the frame is. Pure functions of plain values, so the Win32 glue only
// translates messages into calls.
#pragma once

#include "skin/geometry.h"
#include "skin/nine_slice.h"

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

// Caption strip of the plain (unskinned) frame.
constexpr int PlainCaptionHeight(bool tool_window) { return tool_window ? 15 : 19; }
constexpr int kPlainBorder = 3;

// The client rectangle the platform should use for a proposed window rectangle. Right and Bottom
// never fall below Left and Top.
Rect SkinnedClientArea(const Rect& window, const FrameSkin& skin);
Rect PlainClientArea(const Rect& window, bool tool_window);

}  // namespace skin
