// The layout of a delta patch, shared by its maker and its applier (README.md, "Delta patches").
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace release::delta {

// "HXDELTA" and the format's version: the maker writes version 2, the applier reads 1 and 2.
// They differ only in the differences stream: version 1 holds the differences as they are,
// version 2 codes them as runs (zeros, then bytes that are not zero), which packs about as small
// in a tenth of the time (the differences are mostly zeros, and LZMA2's best parse spends its
// time pricing every length of every short run of them).
inline constexpr uint8_t kVersion = 2;
inline constexpr uint8_t kPlainDifferencesVersion = 1;
inline constexpr std::array<uint8_t, 8> kMagic = {'H', 'X', 'D', 'E', 'L', 'T', 'A', kVersion};
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
