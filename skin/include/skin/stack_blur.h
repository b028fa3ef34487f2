// Blur of a TbsBitmap, used for the glow of text.
#pragma once

#include "skin/alpha_bitmap.h"

namespace skin {

// StackBlur of the red, green and blue channels (a triangular kernel of the given radius, edges
// repeated); linear in the number of pixels. Radius < 1 changes nothing; it is capped at 254.
void StackBlur(TbsBitmap& bitmap, int radius);

}  // namespace skin
