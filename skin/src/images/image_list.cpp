#include "skin/image_list.h"

#include "skin/alpha_bitmap.h"
#include "skin/png_image.h"

namespace skin {

void TbsPngImageList::Add(std::string name, std::vector<uint8_t> png) {
  items_.push_back(Item{std::move(name), std::move(png)});
  decoded_.emplace_back();
}

void TbsPngImageList::Clear() {
  items_.clear();
  decoded_.clear();
}

const Bitmap* TbsPngImageList::Image(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  std::optional<Bitmap>& slot = decoded_[static_cast<size_t>(index)];
  if (!slot) {
    try {
      slot = DecodePng(items_[static_cast<size_t>(index)].PngData);
    } catch (const EInvalidGraphic&) {
      slot = Bitmap();
    }
  }
  return slot->Empty() ? nullptr : &*slot;
}

void TbsPngImageList::Draw(Bitmap& canvas, int x, int y, int index, bool enabled) const {
  const Bitmap* image = Image(index);
  if (!image) return;
  for (int j = 0; j < image->Height(); ++j) {
    const int ty = y + j;
    if (ty < 0 || ty >= canvas.Height()) continue;
    const uint32_t* in = image->Row(j);
    uint32_t* out = canvas.Row(ty);
    for (int i = 0; i < image->Width(); ++i) {
      const int tx = x + i;
      if (tx < 0 || tx >= canvas.Width()) continue;
      uint32_t s = in[i];
      if (!enabled) {
        const uint32_t r = s >> 16 & 0xFF, g = s >> 8 & 0xFF, b = s & 0xFF;
        const uint32_t grey = (r * 77 + g * 151 + b * 28) >> 8;
        s = ((s >> 24) / 2) << 24 | grey << 16 | grey << 8 | grey;
      }
      out[tx] = BlendPixel(s, out[tx]);
    }
  }
}

}  // namespace skin
