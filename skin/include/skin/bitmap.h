// The skin engine's picture: a 32-bit top-down BGRA pixel buffer. A pixel reads as 0xAARRGGBB in
// a uint32_t. On Windows the memory is a DIB section so that GDI can draw text into it and
// transfer it to a window; elsewhere it is plain memory.
#pragma once

#include <cstdint>
#include <memory>

namespace skin {

class Bitmap {
 public:
  Bitmap();  // empty; defined beside Storage so that holders need not see it
  Bitmap(int width, int height);  // all pixels 0
  ~Bitmap();
  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);

  // Sets a new size; the pixels become 0. A non-positive width or height makes it empty. More
  // than 2^27 pixels, or memory the system refuses, raise platform::EOutOfMemory "Out of memory".
  void SetSize(int width, int height);
  // The same for a caller that will write every pixel itself: at the current size the old
  // pixels are kept instead of being cleared (new memory is still 0).
  void SetSizeForOverwrite(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  uint32_t* Row(int y) { return pixels_ + static_cast<ptrdiff_t>(y) * width_; }
  const uint32_t* Row(int y) const { return pixels_ + static_cast<ptrdiff_t>(y) * width_; }
  uint32_t* Pixels() { return pixels_; }
  const uint32_t* Pixels() const { return pixels_; }
  uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
  void SetPixel(int x, int y, uint32_t argb) { Row(y)[x] = argb; }

  // Windows only: the DIB section (an HBITMAP) that holds the pixels; nullptr elsewhere.
  void* NativeHandle() const;

 private:
  struct Storage;
  void Allocate(int width, int height);
  int width_ = 0;
  int height_ = 0;
  uint32_t* pixels_ = nullptr;
  std::unique_ptr<Storage> storage_;
};

}  // namespace skin
