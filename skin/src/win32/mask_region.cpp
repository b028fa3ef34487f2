#include <algorithm>
#include <optional>
#include <vector>

#include "platform/ui/gdi.h"
#include "skin/win32/mask_region.h"

namespace skin {

namespace {

// A region of the given rectangles. ExtCreateRegion takes the whole block at once; should the
// system refuse a very large block, the rectangles are added in batches instead.
platform::ui::UniqueRegion RegionOfRects(const std::vector<Rect>& rects, const Rect& bounds) {
  auto block = [&bounds](const Rect* first, size_t count) {
    std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(count);
    header->nRgnSize = 0;
    header->rcBound = {bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
    auto* out = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
    for (size_t i = 0; i < count; ++i) out[i] = {first[i].Left, first[i].Top, first[i].Right, first[i].Bottom};
    return platform::ui::UniqueRegion(
        ::ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<const RGNDATA*>(data.data())));
  };
  platform::ui::UniqueRegion whole = block(rects.data(), rects.size());
  if (whole || rects.empty()) return whole;
  constexpr size_t kBatch = 4000;
  platform::ui::UniqueRegion result(::CreateRectRgn(0, 0, 0, 0));
  for (size_t at = 0; result && at < rects.size(); at += kBatch) {
    platform::ui::UniqueRegion part = block(rects.data() + at, std::min(kBatch, rects.size() - at));
    if (!part) return {};
    ::CombineRgn(result.get(), result.get(), part.get(), RGN_OR);
  }
  return result;
}

}  // namespace

platform::ui::UniqueRegion RegionFromMask(const Bitmap& mask) {
  if (mask.Empty()) return {};
  return RegionOfRects(MaskRuns(mask, 0, 0), {0, 0, mask.Width(), mask.Height()});
}

platform::ui::UniqueRegion FrameRegionFromMask(const SliceGeometry& g, const SliceGeometry& n, const Bitmap& mask,
                                               int w) {
  const std::optional<std::vector<Rect>> rects = FrameRegionRects(g, n, mask, w);
  if (!rects) return {};
  // A frame without client rectangle and without black pixels still has a region: an empty one.
  if (rects->empty()) return platform::ui::UniqueRegion(::CreateRectRgn(0, 0, 0, 0));
  Rect bounds = rects->front();
  for (const Rect& r : *rects)
    bounds = {std::min(bounds.Left, r.Left), std::min(bounds.Top, r.Top), std::max(bounds.Right, r.Right),
              std::max(bounds.Bottom, r.Bottom)};
  return RegionOfRects(*rects, bounds);
}

}  // namespace skin
