// The portable half of the skinned gauge: percent and text, the filled part of the progress
// area, the progress area for a size, the animation strip's frames, and the bar image composed
// from the skin's progress rectangle with its two caps.
#pragma once

#include <string>
#include <string_view>

#include "skin/bitmap.h"
#include "skin/control_geometry.h"
#include "skin/geometry.h"

namespace skin {

// Whole percent of value within [minValue, maxValue], truncated; 0 for an empty range. Values
// outside the range are taken at the nearer end.
int GaugePercent(int minValue, int maxValue, int value);
// The progress text (when shown), then the percent and "%" (when shown).
std::string GaugeText(std::string_view progressText, bool showProgressText, bool showPercent, int percent);

// The filled part of area for value: a horizontal bar grows from the left, a vertical one from
// the bottom. The length is the exact integer part of the area's extent x (value - min) / range.
Rect GaugeFillRect(const Rect& area, int minValue, int maxValue, int value, bool vertical);

// The skin's progress area for a control whose composed size is w x h: it follows the width
// (the height for a vertical gauge) when the skin is sliced.
Rect GaugeProgressArea(const Rect& progressArea, int sliceMode, const Rect& skinRect, int w, int h, bool vertical);

// Frame k (1 ... count) of the animation strip: side by side when the progress rectangle is
// narrower than the strip, stacked otherwise. Empty for a count below 1 or k out of range.
Rect AnimationFrameRect(const Rect& strip, int progressRectWidth, int count, int k);

// Where the gauge's text goes in a w x h control; a vertical text is rotated a quarter turn
// counter-clockwise, so its origin is its bottom-left. The odd-height rule moves it up by one.
Point GaugeTextOrigin(int w, int h, int textWidth, int textHeight, int fontHeight, bool vertical);

struct GaugeBarSource {
  Rect ProgressRect{};   // the bar picture, its caps included
  Rect FrameRect{};      // an animation frame to use for the middle instead; empty for none
  int BeginOffset = 0;   // first columns (rows from the top for a vertical gauge): begin cap
  int EndOffset = 0;     // last columns (rows): end cap
  bool Stretch = false;  // middle stretched rather than tiled
  bool Vertical = false;
};

// Composes the bar bitmap for a fill of size w x h from picture: the middle (tiled from the
// start, or stretched), then both caps, which may overlap on a short bar. Returns false (bar
// empty) when the middle's source has no extent.
bool ComposeGaugeBar(Bitmap& bar, const Bitmap& picture, const GaugeBarSource& source, int w, int h);

// Draws bar at (x, y) of dest; with a transparent colour, bar pixels of that colour (0x00BBGGRR)
// are left out.
void DrawGaugeBar(Bitmap& dest, const Bitmap& bar, int x, int y, bool transparent, Color transparentColour);

}  // namespace skin
