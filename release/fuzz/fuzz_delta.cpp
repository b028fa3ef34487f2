// The delta patch applier: patches from outside, applied to a base of the size their header
// names (bytes of a fixed pattern, which the seed patches were made against).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "release/delta.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> patch(data, size);
  release::DeltaHeader header;
  try {
    header = release::ReadDeltaHeader(patch);
  } catch (const release::EDeltaError&) {
    return 0;
  }
  // Larger sizes are sound but only make each run slower.
  if (header.base_size > (1u << 20) || header.result_size > (4u << 20)) return 0;
  std::vector<uint8_t> base(header.base_size);
  for (size_t i = 0; i < base.size(); ++i) base[i] = static_cast<uint8_t>(i * 31 + (i >> 9));
  uint64_t produced = 0;
  try {
    release::ApplyPatch(base, patch, [&](std::span<const uint8_t> piece) {
      if (piece.empty() || piece.size() > release::kDeltaChunkSize) __builtin_trap();
      produced += piece.size();
    });
  } catch (const release::EDeltaError&) {
    return 0;
  }
  if (produced != header.result_size) __builtin_trap();
  return 0;
}
