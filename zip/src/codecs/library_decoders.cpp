// LZMA, XZ and Zstandard entries through the libraries of those formats, each behind the
// same pull-and-emit loop.
#include <lzma.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "../stream_decoder.h"
#include "bzip2.h"
#include "deflate64.h"
#include "zip/errors.h"

namespace zip {

namespace {

constexpr size_t kOutSize = 64 * 1024;

// The compressed bytes of an entry as a library wants them: a pointer and a count that it
// moves on, refilled from the source when used up.
struct InputWindow {
  explicit InputWindow(BlockSource& source) : source_(source) {}
  // False once the source has nothing more.
  bool Refill() {
    if (ended_) return false;
    avail = source_.Next(next);
    if (avail == 0) ended_ = true;
    return avail > 0;
  }
  bool Ended() const { return ended_; }

  const uint8_t* next = nullptr;
  size_t avail = 0;

 private:
  BlockSource& source_;
  bool ended_ = false;
};

const char* LzmaErrorText(lzma_ret r) {
  switch (r) {
    case LZMA_MEM_ERROR:
    case LZMA_MEMLIMIT_ERROR: return "the stream needs more memory than allowed";
    case LZMA_FORMAT_ERROR: return "not an XZ stream";
    case LZMA_OPTIONS_ERROR: return "unsupported options";
    case LZMA_DATA_ERROR: return "invalid LZMA data";
    case LZMA_BUF_ERROR: return "unexpected end of data";
    default: return "LZMA decoder error";
  }
}

// Runs a liblzma decoder that `s` was set up for through the whole entry.
void RunLzma(lzma_stream& s, InputWindow& input, BlockSink& out, uint8_t* buf) {
  for (;;) {
    if (input.avail == 0) input.Refill();
    s.next_in = input.next;
    s.avail_in = input.avail;
    s.next_out = buf;
    s.avail_out = kOutSize;
    const lzma_ret r = lzma_code(&s, input.Ended() ? LZMA_FINISH : LZMA_RUN);
    input.next = s.next_in;
    input.avail = s.avail_in;
    if (s.avail_out < kOutSize) out.Emit(buf, kOutSize - s.avail_out);
    if (r == LZMA_STREAM_END) return;
    if (r != LZMA_OK) StreamFailed(LzmaErrorText(r));
  }
}

struct LzmaEnd {
  lzma_stream& s;
  ~LzmaEnd() { lzma_end(&s); }
};

// Method 14: a 2-byte version of the writer, a 2-byte size of the properties and the LZMA
// properties (5 bytes) before the raw stream. General-purpose bit 1 says the stream ends with
// an end marker; otherwise it ends after the entry's uncompressed size.
class LzmaDecoder final : public StreamDecoder {
 public:
  void Decode(BlockSource& in, BlockSink& out, const StreamFacts& facts) override {
    InputWindow input(in);
    uint8_t head[9];
    size_t have = 0;
    size_t need = 4;
    while (have < need) {
      if (input.avail == 0 && !input.Refill()) StreamFailed("unexpected end of data");
      const size_t take = std::min(input.avail, need - have);
      std::memcpy(head + have, input.next, take);
      input.next += take;
      input.avail -= take;
      have += take;
      if (have == 4 && need == 4) {
        const size_t props = head[2] | head[3] << 8;
        if (props != 5) StreamFailed("unsupported LZMA properties");
        need += props;
      }
    }
    lzma_options_lzma options{};
    if (head[4] > (4 * 5 + 4) * 9 + 8) StreamFailed("unsupported LZMA properties");
    options.lc = head[4] % 9;
    options.lp = head[4] / 9 % 5;
    options.pb = head[4] / 45;
    options.dict_size = head[5] | head[6] << 8 | head[7] << 16 | static_cast<uint32_t>(head[8]) << 24;
    // No match reaches further back than the entry's start: a dictionary larger than the entry
    // is never used, and a writer's 64 MiB default would otherwise be taken for a 1 KiB file.
    options.dict_size = static_cast<uint32_t>(
        std::clamp<uint64_t>(std::min<uint64_t>(options.dict_size, facts.uncompressed_size), LZMA_DICT_SIZE_MIN,
                             kDecoderMemoryLimit));
    const bool end_marker = facts.flags & 0x0002;
    options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    // With an end marker the stream says where it ends (and too much output is the sink's
    // error); without one the size decides.
    const uint64_t size = end_marker ? UINT64_MAX : facts.uncompressed_size;
    options.ext_size_low = static_cast<uint32_t>(size);
    options.ext_size_high = static_cast<uint32_t>(size >> 32);
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream s = LZMA_STREAM_INIT;
    LzmaEnd end{s};
    const lzma_ret r = lzma_raw_decoder(&s, filters);
    if (r != LZMA_OK) StreamFailed(LzmaErrorText(r));
    if (!end_marker && facts.uncompressed_size == 0) return;
    RunLzma(s, input, out, buf_);
  }

 private:
  uint8_t buf_[kOutSize];
};

// Method 95: a whole XZ stream. Its blocks' own check (CRC-64 by default) is not computed: the
// engine's CRC-32 of the entry goes over every byte decoded all the same. The headers' and
// indexes' CRCs are still checked.
class XzDecoder final : public StreamDecoder {
 public:
  void Decode(BlockSource& in, BlockSink& out, const StreamFacts&) override {
    InputWindow input(in);
    lzma_stream s = LZMA_STREAM_INIT;
    LzmaEnd end{s};
    const lzma_ret r = lzma_stream_decoder(&s, kDecoderMemoryLimit, LZMA_CONCATENATED | LZMA_IGNORE_CHECK);
    if (r != LZMA_OK) StreamFailed(LzmaErrorText(r));
    RunLzma(s, input, out, buf_);
  }

 private:
  uint8_t buf_[kOutSize];
};

// Method 93: one or more Zstandard frames.
class ZstdDecoder final : public StreamDecoder {
 public:
  ~ZstdDecoder() override { ZSTD_freeDCtx(ctx_); }
  void Decode(BlockSource& in, BlockSink& out, const StreamFacts&) override {
    if (!ctx_) {
      ctx_ = ZSTD_createDCtx();
      if (!ctx_) StreamFailed("out of memory");
      int log = 10;
      while (log < 31 && (uint64_t{1} << (log + 1)) <= kDecoderMemoryLimit) ++log;
      ZSTD_DCtx_setParameter(ctx_, ZSTD_d_windowLogMax, log);
    }
    ZSTD_DCtx_reset(ctx_, ZSTD_reset_session_only);
    InputWindow input(in);
    size_t last = 1;  // 0 once a frame is complete
    bool any = false;
    bool out_full = false;
    for (;;) {
      if (input.avail == 0 && !input.Refill()) {
        // A finished frame is flushed whole, even when its last bytes filled the buffer.
        if (last == 0 && any) return;
        if (!out_full) StreamFailed("unexpected end of data");
      }
      ZSTD_inBuffer src{input.next, input.avail, 0};
      ZSTD_outBuffer dst{buf_, kOutSize, 0};
      last = ZSTD_decompressStream(ctx_, &dst, &src);
      input.next += src.pos;
      input.avail -= src.pos;
      any = true;
      if (ZSTD_isError(last)) {
        const ZSTD_ErrorCode code = ZSTD_getErrorCode(last);
        StreamFailed(code == ZSTD_error_frameParameter_windowTooLarge ? "the stream needs more memory than allowed"
                                                                       : "invalid Zstandard data");
      }
      out_full = dst.pos == dst.size;
      if (dst.pos > 0) out.Emit(buf_, dst.pos);
    }
  }

 private:
  ZSTD_DCtx* ctx_ = nullptr;
  uint8_t buf_[kOutSize];
};

}  // namespace

void StreamFailed(const char* detail) {
  std::string text = LoadMessage(kMsgInvalidCompressedData);
  if (detail && *detail) text += std::string(" (") + detail + ")";
  throw EZCompressionError(text);
}

std::unique_ptr<StreamDecoder> MakeStreamDecoder(Method method) {
  switch (method) {
    case Method::kDeflate64: return MakeDeflate64Decoder();
    case Method::kBzip2: return MakeBzip2Decoder();
    case Method::kLzma: return std::make_unique<LzmaDecoder>();
    case Method::kZstandard: return std::make_unique<ZstdDecoder>();
    case Method::kXz: return std::make_unique<XzDecoder>();
    default: return nullptr;
  }
}

}  // namespace zip
