// TbsPngImageList: a list of same-sized pictures kept as the PNG bytes they were made from and
// decoded when first drawn. Status panels draw a leading image from one; the frame's quick
// buttons would take theirs from one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "skin/bitmap.h"

namespace skin {

class TbsPngImageList {
 public:
  struct Item {
    std::string Name;
    std::vector<uint8_t> PngData;
  };

  TbsPngImageList(int width = 16, int height = 16) : width_(width), height_(height) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return static_cast<int>(items_.size()); }
  const Item& Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  void Add(std::string name, std::vector<uint8_t> png);
  void Clear();

  // The decoded picture of an image, or null when the index addresses none or its bytes are not
  // a valid PNG picture (a damaged image draws nothing rather than failing the window).
  const Bitmap* Image(int index) const;

  // Draws an image at (x, y) over the canvas, blended by its alpha and clipped; a disabled image
  // is drawn grey and half transparent. Nothing for an index that addresses no image.
  void Draw(Bitmap& canvas, int x, int y, int index, bool enabled) const;

 private:
  int width_;
  int height_;
  std::vector<Item> items_;
  mutable std::vector<std::optional<Bitmap>> decoded_;  // empty Bitmap: the bytes were not valid
};

}  // namespace skin
