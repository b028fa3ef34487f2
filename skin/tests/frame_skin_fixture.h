// The frame values of the launcher's default skin, shared by the frame's native tests.
#pragma once

#include "skin/frame_geometry.h"

namespace skin::testing {

// The frame values of the launcher's default skin: a 236 x 178 picture whose client rectangle
// leaves a 1-pixel border and a 24-pixel caption, hit corners 8 pixels in.
inline FrameSkin DefaultSkin() {
  FrameSkin s;
  s.Pw = 236;
  s.Ph = 178;
  s.LT = {40, 32};
  s.RT = {196, 32};
  s.LB = {40, 168};
  s.RB = {196, 168};
  s.ClRect = {1, 24, 235, 177};
  s.MaskRect = s.ClRect;
  s.HitLT = {8, 8};
  s.HitRT = {228, 8};
  s.HitLB = {8, 170};
  s.HitRB = {228, 170};
  s.CaptionRect = {2, 2, 234, 24};
  s.BorderWidth = 4;
  s.FormMinWidth = 200;
  return s;
}

}  // namespace skin::testing
