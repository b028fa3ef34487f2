// The placement rules of the skinned window: minimum size, centring, the place of a minimized form
// and magnetic edges, as pure functions of plain values.
#pragma once

#include <span>

#include "skin/frame_geometry.h"
#include "skin/geometry.h"

namespace skin {

struct SizeLimits {
  int MinWidth = 0;   // the component's MinWidth / MinHeight (0 = none)
  int MinHeight = 0;
};

// The frame's minimum width and height; `skin` is null without a skin.
int FrameMinWidth(const FrameSkin* skin, const SizeLimits& limits);
int FrameMinHeight(const FrameSkin* skin, const SizeLimits& limits, bool tool_window);

// The size after a skin change: a side below its minimum is raised. `nudge` is set when both
// sides already fit, so that the caller nudges the width to make the platform recompute the
// non-client area.
Size EnforceMinimumSize(Size size, Size minimum, bool& nudge);
// The width step of the nudge: -1, or +1 when -1 would go below the minimum.
int WidthNudgeStep(int width, int min_width);

// Top-left corner that centres a w x h window in the area.
Point CenterInArea(const Rect& area, int w, int h);

// Top-left corner of a non-main form shrunk to `size` by minimizing: the bottom-left corner of the
// work area, or else the first free place to the right of the forms already minimized there
// (`occupied`, their window rectangles), a row higher each time a row is full. When the whole
// area is taken, the bottom-left corner again.
Point MinimizedFormPlace(const Rect& work_area, Size size, std::span<const Rect> occupied);

// The magnetic edges' state of one drag.
struct MagneticState {
  bool StuckLeft = false, StuckTop = false, StuckRight = false, StuckBottom = false;
  int AnchorX = 0, AnchorY = 0;
  void ClearStuck() { StuckLeft = StuckTop = StuckRight = StuckBottom = false; }
};

// Adjusts a proposed window rectangle of a drag so that it snaps to the edges of the work area
// within `magnetic_size` pixels, and stays there until the cursor has travelled more than that from
// where it snapped.
Rect MagneticMove(const Rect& proposed, const Rect& work_area, int magnetic_size, Point cursor, MagneticState& state);

}  // namespace skin
