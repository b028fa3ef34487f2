// The Windows side of the mask regions: the same rectangles as an HRGN.
#pragma once

#include <windows.h>

#include "skin/mask_region.h"

namespace skin {

// Windows regions; the caller owns (and deletes) the returned handle. Null for an empty mask.
HRGN RegionFromMask(const Bitmap& Mask);
// The region of a W x H frame; false (and Region null) when there is none.
bool FrameRegionFromMask(HRGN& Region, const SliceGeometry& g, const SliceGeometry& n, const Bitmap& Mask, int W,
                         int H);

}  // namespace skin
