// The Windows side of the mask regions: the same rectangles as an HRGN.
#pragma once

#include <windows.h>

#include "platform/ui/gdi.h"
#include "skin/mask_region.h"

namespace skin {

// The region of the mask's black pixels; empty for an empty mask.
platform::ui::UniqueRegion RegionFromMask(const Bitmap& mask);
// The region of a w-wide frame built from the mask pieces (the height follows from n); empty when
// there is none.
platform::ui::UniqueRegion FrameRegionFromMask(const SliceGeometry& g, const SliceGeometry& n, const Bitmap& mask,
                                               int w);

}  // namespace skin
