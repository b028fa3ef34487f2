// StackBlur: a triangular-kernel blur kept as running sums, so each pixel costs the same
// whatever the radius. Each line is blurred horizontally, then each column vertically; pixels
// beyond an edge repeat the edge pixel.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "skin/stack_blur.h"

namespace skin {

namespace {

// Blurs count values of one channel, spaced by step, in place.
void BlurLine(uint32_t* line, int count, ptrdiff_t step, int shift, int radius, std::vector<uint32_t>& stack,
              std::vector<uint8_t>& out) {
  const int div = 2 * radius + 1;
  const uint64_t weight = static_cast<uint64_t>(radius + 1) * static_cast<uint64_t>(radius + 1);
  auto at = [&](int i) -> uint32_t { return (line[std::clamp(i, 0, count - 1) * step] >> shift) & 0xFF; };
  uint64_t sum = 0, sum_in = 0, sum_out = 0;
  for (int i = -radius; i <= radius; ++i) {
    const uint32_t v = at(i);
    stack[static_cast<size_t>(i + radius)] = v;
    sum += static_cast<uint64_t>(v) * static_cast<uint64_t>(radius + 1 - std::abs(i));
    if (i > 0)
      sum_in += v;
    else
      sum_out += v;
  }
  int sp = radius;
  for (int x = 0; x < count; ++x) {
    out[static_cast<size_t>(x)] = static_cast<uint8_t>(sum / weight);
    sum -= sum_out;
    const int start = (sp + radius + 1) % div;  // the oldest entry, leaving the window
    sum_out -= stack[static_cast<size_t>(start)];
    const uint32_t incoming = at(x + radius + 1);
    stack[static_cast<size_t>(start)] = incoming;
    sum_in += incoming;
    sum += sum_in;
    sp = (sp + 1) % div;
    const uint32_t centre = stack[static_cast<size_t>(sp)];
    sum_out += centre;
    sum_in -= centre;
  }
  for (int x = 0; x < count; ++x) {
    uint32_t& px = line[x * step];
    px = (px & ~(0xFFu << shift)) | static_cast<uint32_t>(out[static_cast<size_t>(x)]) << shift;
  }
}

}  // namespace

void StackBlur(TbsBitmap& bitmap, int radius) {
  if (radius < 1 || bitmap.Empty()) return;
  radius = std::min(radius, 254);
  const int w = bitmap.Width(), h = bitmap.Height();
  std::vector<uint32_t> stack(static_cast<size_t>(2 * radius + 1));
  std::vector<uint8_t> out(static_cast<size_t>(std::max(w, h)));
  uint32_t* pixels = bitmap.Surface().Pixels();
  for (int shift = 0; shift <= 16; shift += 8) {
    for (int y = 0; y < h; ++y) BlurLine(pixels + static_cast<ptrdiff_t>(y) * w, w, 1, shift, radius, stack, out);
    for (int x = 0; x < w; ++x) BlurLine(pixels + x, h, w, shift, radius, stack, out);
  }
}

}  // namespace skin
