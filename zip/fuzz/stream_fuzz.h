// The driver shared by the fuzz targets of the stream decoders (fuzz_deflate64, fuzz_bzip2...).
// Input: one byte for the size of the input pieces (1 + byte), 4 bytes of the entry's declared
// size (little endian), one byte of general-purpose flags, then the compressed data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "stream_decoder.h"
#include "zip/errors.h"

namespace stream_fuzz {

class Source : public zip::BlockSource {
 public:
  Source(const std::uint8_t* data, std::size_t size, std::size_t piece) : data_(data), size_(size), piece_(piece) {}
  std::size_t Next(const std::uint8_t*& out) override {
    if (pos_ >= size_) return 0;
    const std::size_t n = size_ - pos_ < piece_ ? size_ - pos_ : piece_;
    // A block of its own, freed at the next call: a decoder that keeps a pointer too long is seen.
    held_ = std::make_unique<std::uint8_t[]>(n);
    for (std::size_t i = 0; i < n; ++i) held_[i] = data_[pos_ + i];
    pos_ += n;
    out = held_.get();
    return n;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t piece_;
  std::size_t pos_ = 0;
  std::unique_ptr<std::uint8_t[]> held_;
};

// Stops a decoder past the declared size, as the engine's size guard does.
class Sink : public zip::BlockSink {
 public:
  explicit Sink(std::uint64_t limit) : limit_(limit) {}
  void Emit(const std::uint8_t* data, std::size_t count) override {
    for (std::size_t i = 0; i < count; ++i) checksum_ += data[i];  // every byte must be defined
    total_ += count;
    if (total_ > limit_) throw zip::EBiggerThanUncompressed("too much");
  }

 private:
  std::uint64_t limit_;
  std::uint64_t total_ = 0;
  unsigned checksum_ = 0;
};

inline int Run(zip::Method method, const std::uint8_t* data, std::size_t size) {
  static std::unique_ptr<zip::StreamDecoder> decoder = zip::MakeStreamDecoder(method);
  if (size < 6 || !decoder) return 0;
  const std::size_t piece = std::size_t{data[0]} + 1;
  zip::StreamFacts facts;
  facts.uncompressed_size = data[1] | data[2] << 8 | data[3] << 16 | static_cast<std::uint32_t>(data[4]) << 24;
  facts.flags = data[5];
  Source source(data + 6, size - 6, piece);
  // What a damaged stream may produce is bounded by the declared size, kept small here.
  Sink sink(facts.uncompressed_size > (16u << 20) ? (16u << 20) : facts.uncompressed_size);
  try {
    decoder->Decode(source, sink, facts);
  } catch (const zip::EZCompressionError&) {
  } catch (const zip::EBiggerThanUncompressed&) {
  }
  return 0;
}

}  // namespace stream_fuzz
