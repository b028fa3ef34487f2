// Time of the two compositions the main window repeats on every resize, against the floor of
// copying the same number of pixels with memcpy.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "skin/frame_borders.h"

namespace {

using namespace skin;

// A 236 x 178 frame picture with the main window skin's cut.
const SliceGeometry kCut{{40, 32}, {196, 32}, {40, 168}, {196, 168}, {1, 24, 235, 177}};

Bitmap Picture(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(x * 7 + y * 13));
  return b;
}

SliceGeometry CutFor(const SliceGeometry& c, int dw, int dh) {
  return {c.LT,
          {c.RT.X + dw, c.RT.Y},
          {c.LB.X, c.LB.Y + dh},
          {c.RB.X + dw, c.RB.Y + dh},
          {c.ClRect.Left, c.ClRect.Top, c.ClRect.Right + dw, c.ClRect.Bottom + dh}};
}

void MemcpyPixels(benchmark::State& state, size_t pixels) {
  std::vector<uint32_t> from(pixels, 0x12345678u), to(pixels);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), pixels * 4);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pixels * 4));
}

// The four border pieces of a 636 x 387 window.
constexpr int kWindowW = 636, kWindowH = 387;
size_t FramePixels() {
  const SliceGeometry n = CutFor(kCut, kWindowW - 236, kWindowH - 178);
  const int top = n.ClRect.Top, bottom = kWindowH - n.ClRect.Bottom;
  const int sides = kWindowH - top - bottom;
  return static_cast<size_t>(kWindowW) * (top + bottom) + static_cast<size_t>(n.ClRect.Left + kWindowW - n.ClRect.Right) * sides;
}

void BM_FrameBorders(benchmark::State& state) {
  const Bitmap picture = Picture(236, 178);
  const SliceGeometry n = CutFor(kCut, kWindowW - 236, kWindowH - 178);
  FramePieces pieces;
  for (auto _ : state) {
    ComposeFrameBorders(kCut, n, pieces, picture, {0, 0, 236, 178}, kWindowW, kWindowH, {});
    benchmark::DoNotOptimize(pieces.Top.Pixels());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FramePixels() * 4));
}
void BM_FrameBordersFloor(benchmark::State& state) { MemcpyPixels(state, FramePixels()); }

// A full nine-slice (centre tiled) of a 634 x 362 image from the same picture.
constexpr int kImageW = 634, kImageH = 362;
void BM_NineSlice(benchmark::State& state) {
  const Bitmap picture = Picture(236, 178);
  const SliceGeometry n = CutFor(kCut, kImageW - 236, kImageH - 178);
  Bitmap dest;
  for (auto _ : state) {
    ComposeNineSlice(kCut, n, dest, picture, {0, 0, 236, 178}, kImageW, kImageH, true, {}, false, 0);
    benchmark::DoNotOptimize(dest.Pixels());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageW * kImageH * 4);
}
void BM_NineSliceFloor(benchmark::State& state) { MemcpyPixels(state, static_cast<size_t>(kImageW) * kImageH); }

BENCHMARK(BM_FrameBorders);
BENCHMARK(BM_FrameBordersFloor);
BENCHMARK(BM_NineSlice);
BENCHMARK(BM_NineSliceFloor);

}  // namespace

BENCHMARK_MAIN();
