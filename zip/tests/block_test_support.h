// Test helpers for the engine's block-wise decoders (stream_decoder.h) and for data that packs
// poorly: shared by the method, bzip2 and decoding-ahead tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "stream_decoder.h"

namespace zip_test {

// Bytes that compress poorly, the same for the same seed.
inline std::string Noise(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 23);
  }
  return s;
}

// `data` handed out `piece` bytes at a time, each piece a copy of its own, so that a decoder
// reading a piece after the next was asked for reads freed memory (seen by the sanitizers).
struct PieceSource : zip::BlockSource {
  PieceSource(const std::string& d, size_t p) : data(d), piece(p) {}
  size_t Next(const uint8_t*& out) override {
    if (at >= data.size()) return 0;
    const size_t n = std::min(piece, data.size() - at);
    held = std::make_unique<uint8_t[]>(n);
    std::memcpy(held.get(), data.data() + at, n);
    out = held.get();
    at += n;
    return n;
  }
  const std::string& data;
  size_t piece;
  size_t at = 0;
  std::unique_ptr<uint8_t[]> held;
};

struct StringSink : zip::BlockSink {
  void Emit(const uint8_t* data, size_t count) override { out.append(reinterpret_cast<const char*>(data), count); }
  std::string out;
};

}  // namespace zip_test
