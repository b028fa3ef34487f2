#include <cstring>

#include "skin/mask_region.h"
#include "skin/frame_borders.h"
#include "tiling.h"

namespace skin {

namespace {

void PutLe32(uint8_t* at, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
  at[2] = static_cast<uint8_t>(v >> 16);
  at[3] = static_cast<uint8_t>(v >> 24);
}

void PutRect(uint8_t* at, const Rect& r) {
  PutLe32(at, r.Left);
  PutLe32(at + 4, r.Top);
  PutLe32(at + 8, r.Right);
  PutLe32(at + 12, r.Bottom);
}

}  // namespace

TbsFBitmap::TbsFBitmap(const Bitmap& source) : width_(source.Width()), height_(source.Height()) {
  if (source.Empty()) {
    width_ = height_ = 0;
  }
  PutLe32(header_, 40);
  PutLe32(header_ + 4, width_);
  PutLe32(header_ + 8, -height_);
  header_[12] = 1;   // planes
  header_[14] = 24;  // bits per pixel; compression stays 0 (none)
  const size_t stride = static_cast<size_t>(Stride());
  memory_.assign(stride * static_cast<size_t>(height_), 0);
  rows_.resize(static_cast<size_t>(height_));
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = memory_.data() + stride * static_cast<size_t>(y);
    rows_[static_cast<size_t>(y)] = row;
    const uint32_t* in = source.Row(y);
    for (int x = 0; x < width_; ++x) {
      row[3 * x] = static_cast<uint8_t>(in[x]);
      row[3 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(in[x] >> 16);
    }
  }
}

std::vector<Rect> MaskRuns(const Bitmap& mask, int offset_x, int offset_y) {
  const int left = detail::Sane(offset_x), top = detail::Sane(offset_y);
  std::vector<Rect> runs;
  if (mask.Empty()) return runs;
  const TbsFBitmap scan(mask);
  const int w = scan.Width();
  for (int y = 0; y < scan.Height(); ++y) {
    const uint8_t* row = scan.Row(y);
    auto black = [row](int x) { return row[3 * x] + row[3 * x + 1] + row[3 * x + 2] == 0; };
    int x = 0;
    while (x < w) {
      if (!black(x)) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < w && black(x)) ++x;
      runs.push_back({left + start, top + y, left + x, top + y + 1});
    }
  }
  return runs;
}

std::vector<uint8_t> MaskToRegionData(const Bitmap& mask, int offset_x, int offset_y) {
  const int left = detail::Sane(offset_x), top = detail::Sane(offset_y);
  std::vector<uint8_t> block;
  if (mask.Empty()) return block;
  const std::vector<Rect> runs = MaskRuns(mask, left, top);
  block.assign(32 + 16 * runs.size(), 0);
  PutLe32(block.data(), 32);
  PutLe32(block.data() + 4, 1);
  PutLe32(block.data() + 8, static_cast<int32_t>(runs.size()));
  PutLe32(block.data() + 12, 0);
  PutRect(block.data() + 16, {left, top, left + mask.Width(), top + mask.Height()});
  for (size_t i = 0; i < runs.size(); ++i) PutRect(block.data() + 32 + 16 * i, runs[i]);
  return block;
}

std::optional<std::vector<Rect>> FrameRegionRects(const SliceGeometry& g, const SliceGeometry& new_cut,
                                                  const Bitmap& mask, int w) {
  const SliceGeometry n = detail::Sane(new_cut);
  if (n.RT.X < n.LT.X || n.LB.Y < n.LT.Y) return std::nullopt;
  FramePieces pieces;
  ComposeMaskBorders(g, n, mask, pieces, w);
  std::vector<Rect> rects;
  if (!RectIsEmpty(n.ClRect)) rects.push_back(n.ClRect);
  auto add = [&rects](const Bitmap& piece, int x, int y) {
    if (piece.Empty()) return;
    const std::vector<Rect> runs = MaskRuns(piece, x, y);
    rects.insert(rects.end(), runs.begin(), runs.end());
  };
  add(pieces.Top, 0, 0);
  add(pieces.Bottom, 0, n.ClRect.Bottom);
  add(pieces.Left, 0, n.ClRect.Top);
  add(pieces.Right, n.ClRect.Right, n.ClRect.Top);
  return rects;
}

}  // namespace skin
