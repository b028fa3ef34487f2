// The layout of a delta patch, shared by its maker and its applier (README.md, "Delta patches").
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace release::delta {

// "HXDELTA" and the format's version.
inline constexpr std::array<uint8_t, 8> kMagic = {'H', 'X', 'D', 'E', 'L', 'T', 'A', 1};
inline constexpr size_t kVersionOffset = 7;
// Magic, base size, result size, the three streams' packed lengths (all little-endian).
inline constexpr size_t kHeaderSize = 8 + 5 * 8;

// The streams follow the header in this order. Each is one .xz stream with one LZMA2 filter.
enum Stream { kRecords = 0, kDiff = 1, kExtra = 2, kStreamCount = 3 };
inline constexpr const char* kStreamNames[kStreamCount] = {"records", "differences", "new bytes"};

// The largest dictionary the maker uses per stream, and what the applier lets each stream's
// decoder allocate (the dictionary and the decoder's own state): together they bound the
// applier's memory whatever a patch declares.
inline constexpr uint32_t kMaxDictionary[kStreamCount] = {2u << 20, 16u << 20, 8u << 20};
inline constexpr uint64_t kDecoderMemory[kStreamCount] = {3u << 20, 17u << 20, 9u << 20};

inline void PutLe64(uint8_t* at, uint64_t value) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}
inline uint64_t GetLe64(const uint8_t* at) {
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value |= uint64_t{at[i]} << (8 * i);
  return value;
}

}  // namespace release::delta
