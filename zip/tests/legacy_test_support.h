// Helpers for the legacy decoder tests: an in-memory byte reader and output sink, a bit writer
// to build compressed streams by hand, and a minimal walker over an archive's local headers.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "legacy/legacy_decoders.h"
#include "test_support.h"

namespace zip::legacy::testing {

using Bytes = std::vector<std::uint8_t>;

class MemoryReader : public ByteReader {
 public:
  explicit MemoryReader(const Bytes& data) : data_(data) {}
  bool NextByte(std::uint8_t& byte) override {
    ++calls_;
    if (pos_ >= data_.size()) return false;
    byte = data_[pos_++];
    return true;
  }
  std::size_t consumed() const { return pos_; }
  std::size_t calls() const { return calls_; }

 private:
  const Bytes& data_;
  std::size_t pos_ = 0;
  std::size_t calls_ = 0;
};

// Collects the flushed blocks. With a limit it throws once the output would pass it, as the
// entry decoder's size guard does.
class CollectingSink : public OutputSink {
 public:
  explicit CollectingSink(std::size_t limit = SIZE_MAX) : limit_(limit) {}
  std::uint8_t* Buffer() override { return buffer_.data(); }
  void FlushBlock(std::size_t count) override {
    if (count == 0 || count > kOutputBlockSize) throw std::logic_error("bad block size");
    if (data.size() + count > limit_) throw std::length_error("larger than declared");
    data.insert(data.end(), buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
    blocks.push_back(count);
  }

  Bytes data;
  std::vector<std::size_t> blocks;

 private:
  std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(kOutputBlockSize);
  std::size_t limit_;
};

// Writes bits least significant first, the order the decoders read them.
class BitWriter {
 public:
  void Put(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
      if (bit_ == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<std::uint8_t>(1 << bit_);
      bit_ = (bit_ + 1) & 7;
    }
  }
  // A prefix code as implode stores it: complemented, most significant bit first.
  void PutCode(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Put(((~code) >> i) & 1, 1);
  }
  void PutByte(std::uint8_t byte) { Put(byte, 8); }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  int bit_ = 0;
};

inline Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file of the shared legacy fixtures (legacy/<relative>); a missing one throws with its path.
inline Bytes ReadLegacyFixture(const std::string& relative) {
  return ReadFileBytes(zip_test::SharedFixture("legacy/" + relative).string());
}

inline std::uint32_t Crc32(const Bytes& data) {
  return static_cast<std::uint32_t>(crc32(0L, data.data(), static_cast<uInt>(data.size())));
}

struct LocalEntry {
  std::string name;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::uint32_t uncompressed_size = 0;
  Bytes data;
};

// Walks the local headers from the start of an archive. Entries whose sizes follow the data
// (flag bit 3 with zero sizes) cannot be walked this way and are refused.
inline std::vector<LocalEntry> WalkLocalHeaders(const Bytes& archive) {
  auto u16 = [&](std::size_t at) { return static_cast<std::uint32_t>(archive.at(at) | archive.at(at + 1) << 8); };
  auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  std::vector<LocalEntry> entries;
  std::size_t pos = 0;
  while (pos + 30 <= archive.size() && u32(pos) == 0x04034b50) {
    LocalEntry entry;
    entry.flags = static_cast<std::uint16_t>(u16(pos + 6));
    entry.method = static_cast<std::uint16_t>(u16(pos + 8));
    entry.crc = u32(pos + 14);
    const std::uint32_t compressed = u32(pos + 18);
    entry.uncompressed_size = u32(pos + 22);
    const std::size_t name_length = u16(pos + 26);
    const std::size_t extra_length = u16(pos + 28);
    if ((entry.flags & 0x08) != 0 && compressed == 0) throw std::runtime_error("sizes follow the data");
    const std::size_t data_start = pos + 30 + name_length + extra_length;
    if (data_start + compressed > archive.size()) throw std::runtime_error("entry runs past the archive");
    entry.name.assign(archive.begin() + static_cast<std::ptrdiff_t>(pos + 30),
                      archive.begin() + static_cast<std::ptrdiff_t>(pos + 30 + name_length));
    entry.data.assign(archive.begin() + static_cast<std::ptrdiff_t>(data_start),
                      archive.begin() + static_cast<std::ptrdiff_t>(data_start + compressed));
    pos = data_start + compressed;
    if ((entry.flags & 0x08) != 0) pos += u32(pos) == 0x08074b50 ? 16 : 12;
    entries.push_back(std::move(entry));
  }
  return entries;
}

// The run's work area as a decoder finds it between entries: full of an earlier entry's bytes.
// Decoders must not depend on it being clear (the window's first pass reads zeros regardless).
inline WorkArea& DirtyWorkArea() {
  static WorkArea work;
  std::memset(&work, 0xA5, sizeof work);
  return work;
}

struct DecodeResult {
  DecodeEnd end = DecodeEnd::kComplete;
  Bytes data;
  std::vector<std::size_t> blocks;
};

// Runs the decoder of `method` (0 = stored, copied as is) over the entry's data.
inline DecodeResult DecodeEntry(int method, const Bytes& data, std::int64_t uncompressed_size,
                                std::uint16_t flags) {
  DecodeResult result;
  if (method == 0) {
    result.data = data;
    return result;
  }
  WorkArea& work = DirtyWorkArea();
  MemoryReader reader(data);
  CollectingSink sink;
  if (method == 1) {
    result.end = Unshrink(reader, sink, work);
  } else if (method >= 2 && method <= 5) {
    result.end = Unreduce(reader, sink, work, method - 1, uncompressed_size);
  } else if (method == 6) {
    ExplodeParams params;
    params.uncompressed_size = uncompressed_size;
    params.compressed_size = static_cast<std::int64_t>(data.size());
    params.flags = flags;
    result.end = Explode(reader, sink, work, params);
  } else {
    throw std::runtime_error("method " + std::to_string(method) + " is not a legacy method");
  }
  result.data = std::move(sink.data);
  result.blocks = std::move(sink.blocks);
  return result;
}

}  // namespace zip::legacy::testing
