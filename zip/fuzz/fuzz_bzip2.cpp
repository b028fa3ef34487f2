// Drives the bzip2 decoder on arbitrary bytes (input layout in stream_fuzz.h), and where both the
// engine's decoder and libbz2 accept the data, their bytes must be the same.
#include <bzlib.h>

#include <string>

#include "stream_fuzz.h"

namespace {

constexpr std::size_t kMostOutput = 16u << 20;

// libbz2's bytes for the streams one after the other (as the engine decodes them), or false
// when it refuses the data or it decodes to more than kMostOutput.
bool Reference(const std::uint8_t* data, std::size_t size, std::string& out) {
  std::size_t at = 0;
  bool first = true;
  while (first || (size - at >= 4 && data[at] == 'B' && data[at + 1] == 'Z' && data[at + 2] == 'h' &&
                   data[at + 3] >= '1' && data[at + 3] <= '9')) {
    first = false;
    bz_stream s{};
    if (BZ2_bzDecompressInit(&s, 0, 0) != BZ_OK) return false;
    s.next_in = const_cast<char*>(reinterpret_cast<const char*>(data + at));
    s.avail_in = static_cast<unsigned>(size - at);
    int r = BZ_OK;
    char buf[65536];
    while (r == BZ_OK) {
      s.next_out = buf;
      s.avail_out = sizeof buf;
      r = BZ2_bzDecompress(&s);
      out.append(buf, sizeof buf - s.avail_out);
      if (out.size() > kMostOutput) r = BZ_MEM_ERROR;
      if (r == BZ_OK && s.avail_in == 0 && s.avail_out == sizeof buf) r = BZ_UNEXPECTED_EOF;
    }
    at = size - s.avail_in;
    BZ2_bzDecompressEnd(&s);
    if (r != BZ_STREAM_END) return false;
    // A stream ends on a byte boundary.
  }
  return true;
}

struct Collect : zip::BlockSink {
  void Emit(const std::uint8_t* data, std::size_t count) override {
    out.append(reinterpret_cast<const char*>(data), count);
    if (out.size() > kMostOutput) throw zip::EBiggerThanUncompressed("too much");
  }
  std::string out;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  stream_fuzz::Run(zip::Method::kBzip2, data, size);
  if (size < 6) return 0;
  static std::unique_ptr<zip::StreamDecoder> decoder = zip::MakeStreamDecoder(zip::Method::kBzip2);
  stream_fuzz::Source source(data + 6, size - 6, std::size_t{data[0]} + 1);
  Collect ours;
  try {
    decoder->Decode(source, ours, zip::StreamFacts{});
  } catch (const zip::EZCompressionError&) {
    return 0;
  } catch (const zip::EBiggerThanUncompressed&) {
    return 0;
  }
  std::string theirs;
  if (Reference(data + 6, size - 6, theirs) && theirs != ours.out) std::abort();
  return 0;
}
