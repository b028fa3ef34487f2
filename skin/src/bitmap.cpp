#include <cstring>
#include <new>
#include <vector>

#include "platform/exceptions.h"
#include "skin/bitmap.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/ui/gdi.h"
#endif

namespace skin {

#ifdef _WIN32
struct Bitmap::Storage {
  platform::ui::UniqueBitmap handle;
};
#else
struct Bitmap::Storage {
  std::vector<uint32_t> memory;
};
#endif

Bitmap::Bitmap() = default;
Bitmap::Bitmap(int width, int height) { Allocate(width, height); }
Bitmap::~Bitmap() = default;

Bitmap::Bitmap(Bitmap&& other) noexcept
    : width_(other.width_), height_(other.height_), pixels_(other.pixels_), storage_(std::move(other.storage_)) {
  other.width_ = other.height_ = 0;
  other.pixels_ = nullptr;
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    storage_ = std::move(other.storage_);
    width_ = other.width_;
    height_ = other.height_;
    pixels_ = other.pixels_;
    other.width_ = other.height_ = 0;
    other.pixels_ = nullptr;
  }
  return *this;
}

Bitmap::Bitmap(const Bitmap& other) {
  Allocate(other.width_, other.height_);
  if (pixels_) std::memcpy(pixels_, other.pixels_, static_cast<size_t>(width_) * height_ * 4);
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this != &other) {
    Allocate(other.width_, other.height_);
    if (pixels_) std::memcpy(pixels_, other.pixels_, static_cast<size_t>(width_) * height_ * 4);
  }
  return *this;
}

void Bitmap::SetSize(int width, int height) {
  // Compositions resize their targets on every call: the same size keeps the memory.
  if (pixels_ && width == width_ && height == height_) {
    std::memset(pixels_, 0, static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
    return;
  }
  Allocate(width, height);
}

void Bitmap::SetSizeForOverwrite(int width, int height) {
  if (pixels_ && width == width_ && height == height_) return;
  Allocate(width, height);
}

void Bitmap::Allocate(int width, int height) {
  storage_.reset();
  pixels_ = nullptr;
  width_ = height_ = 0;
  if (width <= 0 || height <= 0) return;
  // Sizes come from skin files and window geometry; a nonsense size must not take the machine's
  // memory (512 MiB of pixels is far above any window).
  constexpr int64_t kMaxPixels = int64_t{1} << 27;
  if (static_cast<int64_t>(width) * height > kMaxPixels) throw platform::EOutOfMemory("Out of memory");
  auto storage = std::make_unique<Storage>();
#ifdef _WIN32
  BITMAPINFO info = platform::ui::TopDownDibInfo(width, height, 32);
  void* bits = nullptr;
  storage->handle.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!storage->handle || !bits) throw platform::EOutOfMemory("Out of memory");
  pixels_ = static_cast<uint32_t*>(bits);
  std::memset(pixels_, 0, static_cast<size_t>(width) * height * 4);
#else
  storage->memory.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
  pixels_ = storage->memory.data();
#endif
  storage_ = std::move(storage);
  width_ = width;
  height_ = height;
}

void* Bitmap::NativeHandle() const {
#ifdef _WIN32
  return storage_ ? storage_->handle.get() : nullptr;
#else
  return nullptr;
#endif
}

}  // namespace skin
