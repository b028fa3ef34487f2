// What a point on the skinned or plain window frame means to the platform (the hit codes), as pure
// functions of the frame's geometry.
#pragma once

#include "skin/frame_borders.h"
#include "skin/frame_geometry.h"
#include "skin/geometry.h"

namespace skin {

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
int SkinnedHitTest(Point p, const FrameGeometry& g, int border_width, const FramePieces* mask,
                   const HitTestState& s);
// The hit code of window point p on the plain 3-pixel frame of a W x H window.
int PlainHitTest(Point p, int W, int H, bool tool_window, const HitTestState& s);

}  // namespace skin
