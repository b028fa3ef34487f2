// The skinned controls' geometry from untrusted skin values: any skin rectangle, corner points,
// client rectangle, progress rectangle, offsets and value range, composed for any control size.
// Reads or writes outside a bitmap, overflow, or a bitmap larger than the control or its picture
// are faults.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <memory>

#include "skin/control_geometry.h"
#include "skin/gauge_geometry.h"
#include "skin/skin_data.h"
#include "skin/skin_schema.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  int Int() {  // small and large values alike, negative too
    int32_t v = 0;
    const size_t n = size < 4 ? size : 4;
    std::memcpy(&v, data, n);
    data += n;
    size -= n;
    return (v & 1) ? v >> 1 : static_cast<int8_t>(v >> 1);
  }
  skin::Rect RectValue() { return {Int(), Int(), Int(), Int()}; }
  skin::Point PointValue() { return {Int(), Int()}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  Reader in{bytes, size};
  skin::TbsSkinData data;
  data.Empty = false;
  const int pw = 1 + (in.Int() & 63), ph = 1 + (in.Int() & 63);
  data.ActivePictures.emplace_back(pw, ph);
  auto entry = std::make_unique<skin::TbsDataSkinGaugeControl>("gauge");
  entry->pictureindex = in.Int() & 1 ? 0 : -1;
  entry->skinrect = in.RectValue();
  entry->lefttoppoint = in.PointValue();
  entry->righttoppoint = in.PointValue();
  entry->leftbottompoint = in.PointValue();
  entry->rightbottompoint = in.PointValue();
  entry->clientrect = in.RectValue();
  entry->stretcheffect = in.Int() & 1;
  entry->stretchtype = static_cast<skin::TbsStretchType>(in.Int() & 3);
  // As the gauge takes them from its entry.
  const skin::Rect progressArea = skin::ClampSkinRect(in.RectValue());
  const skin::Rect progressRect = skin::ClampSkinRect(in.RectValue());
  const skin::Rect animation = skin::ClampSkinRect(in.RectValue());
  const int begin = std::clamp(in.Int(), 0, skin::kMaxSkinCoordinate);
  const int end = std::clamp(in.Int(), 0, skin::kMaxSkinCoordinate);
  const int frames = in.Int(), frame = in.Int();
  const int minValue = in.Int(), maxValue = in.Int(), value = in.Int();
  const bool vertical = in.Int() & 1;
  data.SkinControls.push_back(std::move(entry));

  skin::ControlSkinGeometry g;
  if (skin::ResolveControlGeometry(&data, "gauge", g) != 0) std::abort();
  int w = in.Int() & 511, h = in.Int() & 511;
  const int requestedW = w, requestedH = h;
  skin::CalcSkinSize(g, w, h);
  if (w > 4096 + requestedW || h > 4096 + requestedH) std::abort();
  skin::Bitmap image;
  skin::ComposeControlImage(g, image, w, h);
  if (image.Width() > (w > pw ? w : pw) || image.Height() > (h > ph ? h : ph)) std::abort();

  skin::Bitmap tiles(requestedW, requestedH);
  skin::DrawPanelTiles(tiles, data.ActivePictures[0], g.Skin.ClRect, g.StretchEffect, g.StretchType);

  const skin::Rect area = skin::GaugeProgressArea(progressArea, g.SliceMode, g.SkinRect, image.Width(),
                                                  image.Height(), vertical);
  const skin::Rect fill = skin::GaugeFillRect(area, minValue, maxValue, value, vertical);
  const int percent = skin::GaugePercent(minValue, maxValue, value);
  if (percent < 0 || percent > 100) std::abort();
  skin::GaugeBarSource source;
  source.ProgressRect = progressRect;
  source.FrameRect = skin::AnimationFrameRect(animation, progressRect.Width(), frames, frame);
  source.BeginOffset = begin;
  source.EndOffset = end;
  source.Vertical = vertical;
  // The bar is as large as the fill, which stays inside the control's own area when drawn.
  const skin::Rect visible = skin::IntersectRects(fill, {0, 0, image.Width(), image.Height()});
  skin::Bitmap bar;
  if (skin::ComposeGaugeBar(bar, data.ActivePictures[0], source, visible.Width(), visible.Height()))
    skin::DrawGaugeBar(image, bar, fill.Left, fill.Top, begin & 1, static_cast<skin::Color>(end));
  return 0;
}
