#include "platform/ui/image_list.h"

#include <algorithm>

#include "platform/ui/gdi.h"

namespace platform::ui {

ImageList::ImageList(int width, int height) : width_(std::max(width, 0)), height_(std::max(height, 0)) {}

ImageList::~ImageList() {
  auto listeners = std::move(listeners_);
  for (auto& l : listeners) l.second();
}

int ImageList::Add(std::vector<uint32_t> pixels) {
  if (width_ == 0 || height_ == 0 || pixels.size() != static_cast<size_t>(width_) * static_cast<size_t>(height_))
    return -1;
  images_.push_back(std::move(pixels));
  return Count() - 1;
}

void ImageList::Draw(HDC dc, int x, int y, int index) const {
  if (!dc || index < 0 || index >= Count()) return;
  BITMAPINFO info = TopDownDibInfo(width_, height_, 32);
  void* bits = nullptr;
  UniqueBitmap dib(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) return;
  // The blend wants premultiplied colour.
  auto* out = static_cast<uint32_t*>(bits);
  for (const uint32_t p : images_[static_cast<size_t>(index)]) {
    const uint32_t a = p >> 24;
    const uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, b = (p & 0xFF) * a / 255;
    *out++ = (a << 24) | (r << 16) | (g << 8) | b;
  }
  UniqueMemoryDc mem = CompatibleDc(dc);
  if (!mem) return;
  ScopedSelect select(mem.get(), dib.get());
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::GdiAlphaBlend(dc, x, y, width_, height_, mem.get(), 0, 0, width_, height_, blend);
}

void ImageList::AddFreeListener(const void* who, std::function<void()> on_free) {
  RemoveFreeListener(who);
  listeners_.emplace_back(who, std::move(on_free));
}

void ImageList::RemoveFreeListener(const void* who) {
  std::erase_if(listeners_, [who](const auto& l) { return l.first == who; });
}

}  // namespace platform::ui
