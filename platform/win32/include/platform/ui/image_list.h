// A list of same-sized images (32-bit top-down BGRA with straight alpha) drawn by index, e.g. the
// picture beside a control's hint. Whoever refers to a list can ask to be told when it goes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace platform::ui {

class ImageList {
 public:
  ImageList(int width, int height);
  ~ImageList();
  ImageList(const ImageList&) = delete;
  ImageList& operator=(const ImageList&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return static_cast<int>(images_.size()); }
  // Appends an image of Width() x Height() pixels; returns its index, or -1 when the pixel count
  // does not match the list's size.
  int Add(std::vector<uint32_t> pixels);
  // Draws image `index` with its top-left at (x, y), blended by its alpha; an index outside the
  // list draws nothing.
  void Draw(HDC dc, int x, int y, int index) const;

  // Reference holders register here and drop the reference when called.
  void AddFreeListener(const void* who, std::function<void()> on_free);
  void RemoveFreeListener(const void* who);

 private:
  int width_, height_;
  std::vector<std::vector<uint32_t>> images_;
  std::vector<std::pair<const void*, std::function<void()>>> listeners_;
};

}  // namespace platform::ui
