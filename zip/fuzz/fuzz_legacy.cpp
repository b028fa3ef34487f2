// Drives the shrink, reduce and implode decoders on arbitrary bytes.
// Input: method selector (1..6 after modulo), flags (bit 1: 8 KiB dictionary, bit 2: literal
// tree, bit 7: pretend a compressed size above 200000), declared size (4 bytes, little endian),
// then the compressed data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "legacy/legacy_decoders.h"

namespace {

using namespace zip;
using namespace zip::legacy;

class Reader : public ByteReader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool NextByte(std::uint8_t& byte) override {
    if (pos_ >= size_) return false;
    byte = data_[pos_++];
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

class Sink : public OutputSink {
 public:
  std::uint8_t* Buffer() override { return buffer_; }
  void FlushBlock(std::size_t count) override {
    if (count == 0 || count > kOutputBlockSize) std::abort();
    // Touch every byte handed over, so a sanitizer sees any that were never written.
    for (std::size_t i = 0; i < count; ++i) checksum_ += buffer_[i];
    total += count;
  }
  std::uint64_t total = 0;

 private:
  std::uint8_t buffer_[kOutputBlockSize];
  unsigned checksum_ = 0;
};

WorkArea work;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  const int method = data[0] % 6 + 1;
  const std::uint16_t flags = data[1] & 0x06;
  const std::int64_t declared = static_cast<std::int64_t>(data[2] | data[3] << 8 | data[4] << 16 |
                                                          static_cast<std::uint32_t>(data[5]) << 24);
  Reader reader(data + 6, size - 6);
  Sink sink;
  for (auto& b : work.bytes) b = static_cast<std::uint8_t>(size);
  std::uint64_t limit = 0;
  if (method == 1) {
    Unshrink(reader, sink, work);
    limit = UINT64_MAX;
  } else if (method <= 5) {
    Unreduce(reader, sink, work, method - 1, declared);
    limit = static_cast<std::uint64_t>(declared) + 385;  // the last match may run past the size
  } else {
    ExplodeParams params;
    params.uncompressed_size = declared;
    params.compressed_size = (data[1] & 0x80) ? 200001 : static_cast<std::int64_t>(size - 6);
    params.flags = flags;
    Explode(reader, sink, work, params);
    limit = static_cast<std::uint64_t>(declared) + 321;
  }
  // Output grows with the input, never with the declared size alone: one 13-bit shrink code
  // stands for at most 8192 bytes.
  const std::uint64_t per_input = static_cast<std::uint64_t>(size) * 8 * 1024 + 65536;
  if (sink.total > limit || sink.total > per_input) std::abort();
  return 0;
}
