// Tests every entry of an archive the way `unzip -t` does (decode, CRC-32 check), calling the
// legacy decoders directly; stored entries are checked too. With --repeat N the decoding is done
// N times and the decode rate is printed.
//   legacy_bench [--repeat N] ARCHIVE
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "legacy/legacy_decoders.h"

using namespace zip;
using namespace zip::legacy;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Entry {
  std::string name;
  std::uint16_t flags, method;
  std::uint32_t crc, size;
  const std::uint8_t* data;
  std::size_t length;
};

class Reader : public ByteReader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
  bool NextByte(std::uint8_t& byte) override {
    if (p_ == end_) return false;
    byte = *p_++;
    return true;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

class CrcSink : public OutputSink {
 public:
  std::uint8_t* Buffer() override { return buffer_; }
  void FlushBlock(std::size_t n) override {
    crc = static_cast<std::uint32_t>(crc32(crc, buffer_, static_cast<uInt>(n)));
    total += n;
  }
  std::uint32_t crc = 0;
  std::uint64_t total = 0;

 private:
  std::uint8_t buffer_[kOutputBlockSize];
};

std::uint32_t U16(const Bytes& b, std::size_t at) { return b[at] | b[at + 1] << 8; }
std::uint32_t U32(const Bytes& b, std::size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

std::vector<Entry> Walk(const Bytes& b) {
  std::vector<Entry> entries;
  std::size_t pos = 0;
  while (pos + 30 <= b.size() && U32(b, pos) == 0x04034b50) {
    Entry e;
    e.flags = static_cast<std::uint16_t>(U16(b, pos + 6));
    e.method = static_cast<std::uint16_t>(U16(b, pos + 8));
    e.crc = U32(b, pos + 14);
    e.length = U32(b, pos + 18);
    e.size = U32(b, pos + 22);
    const std::size_t name = U16(b, pos + 26), extra = U16(b, pos + 28);
    const std::size_t start = pos + 30 + name + extra;
    if (start + e.length > b.size()) break;
    e.name.assign(reinterpret_cast<const char*>(&b[pos + 30]), name);
    e.data = &b[start];
    e.length = e.length;
    pos = start + e.length;
    entries.push_back(e);
  }
  return entries;
}

WorkArea work;

bool Test(const Entry& e, std::uint64_t& produced) {
  Reader reader(e.data, e.length);
  CrcSink sink;
  switch (e.method) {
    case 0:
      sink.crc = static_cast<std::uint32_t>(crc32(0, e.data, static_cast<uInt>(e.length)));
      sink.total = e.length;
      break;
    case 1:
      Unshrink(reader, sink, work);
      break;
    case 2: case 3: case 4: case 5:
      Unreduce(reader, sink, work, e.method - 1, e.size);
      break;
    case 6:
      Explode(reader, sink, work, {e.size, static_cast<std::int64_t>(e.length), e.flags});
      break;
    default:
      return false;
  }
  produced += sink.total;
  return sink.crc == e.crc && sink.total == e.size;
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 1;
  int arg = 1;
  if (argc > 3 && std::strcmp(argv[1], "--repeat") == 0) {
    repeat = std::atoi(argv[2]);
    arg = 3;
  }
  if (arg >= argc) {
    std::fprintf(stderr, "usage: legacy_bench [--repeat N] ARCHIVE\n");
    return 2;
  }
  std::ifstream in(argv[arg], std::ios::binary);
  const Bytes archive((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::vector<Entry> entries = Walk(archive);
  if (entries.empty()) {
    std::fprintf(stderr, "%s: no entries\n", argv[arg]);
    return 2;
  }
  int failed = 0;
  std::uint64_t produced = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < repeat; ++r)
    for (const Entry& e : entries)
      if (!Test(e, produced) && r == 0) {
        std::fprintf(stderr, "%s: bad CRC\n", e.name.c_str());
        ++failed;
      }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (repeat > 1)
    std::printf("%s: %zu entries, %.1f MB decoded in %.3f s: %.1f MB/s\n", argv[arg], entries.size(),
                produced / 1e6, seconds, produced / 1e6 / seconds);
  return failed == 0 ? 0 : 1;
}
