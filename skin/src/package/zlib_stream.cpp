#include "skin/zlib_stream.h"

#include <algorithm>

namespace skin {
namespace {

constexpr const char* kInvalidOperation = "Invalid stream operation";

// The four steps of the level selector, as zlib levels.
constexpr int kZlibLevels[] = {0, 1, -1, 9};

}  // namespace

TCustomZlibStream::TCustomZlibStream(platform::Stream& strm) : strm_(strm), strm_pos_(strm.Position()) {}

void TCustomZlibStream::SetSize(int64_t) { throw EZlibError(kInvalidOperation); }

// ---- compression

TCompressionStream::TCompressionStream(TCompressionLevel level, platform::Stream& dest)
    : TCustomZlibStream(dest) {
  zrec_.next_out = CompressionBuffer;
  zrec_.avail_out = kBufferSize;
  const int rc = deflateInit2(&zrec_, kZlibLevels[static_cast<int>(level)], Z_DEFLATED, 15, 8,
                              Z_DEFAULT_STRATEGY);
  if (rc < 0) throw ECompressionError("error");
}

TCompressionStream::~TCompressionStream() {
  try {
    Finish();
  } catch (...) {
    // Nothing can be reported from here; Finish() was the place to see it.
  }
}

void TCompressionStream::Reposition() {
  if (strm_.Position() != strm_pos_) strm_.SetPosition(strm_pos_);
}

int64_t TCompressionStream::Read(void*, int64_t) { throw ECompressionError(kInvalidOperation); }

int64_t TCompressionStream::Write(const void* buffer, int64_t count) {
  if (finished_) throw ECompressionError(kInvalidOperation);
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  int64_t left = count;
  Reposition();
  while (left > 0) {
    // zlib counts in 32 bits; feed huge writes in slices.
    const uInt slice = static_cast<uInt>(std::min<int64_t>(left, 1 << 30));
    zrec_.next_in = const_cast<Bytef*>(in);
    zrec_.avail_in = slice;
    while (zrec_.avail_in > 0) {
      if (deflate(&zrec_, Z_NO_FLUSH) < 0) throw ECompressionError("error");
      if (zrec_.avail_out == 0) {
        strm_.WriteBuffer(CompressionBuffer, kBufferSize);
        zrec_.next_out = CompressionBuffer;
        zrec_.avail_out = kBufferSize;
        strm_pos_ = strm_.Position();
        Progress();
      }
    }
    in += slice;
    left -= slice;
  }
  return count;
}

int64_t TCompressionStream::Seek(int64_t offset, platform::SeekOrigin origin) {
  if (offset == 0 && origin == platform::SeekOrigin::Current) return static_cast<int64_t>(zrec_.total_in);
  throw ECompressionError(kInvalidOperation);
}

void TCompressionStream::Finish() {
  if (finished_) return;
  finished_ = true;
  struct EndGuard {
    z_stream* z;
    ~EndGuard() { deflateEnd(z); }
  } guard{&zrec_};
  zrec_.next_in = nullptr;
  zrec_.avail_in = 0;
  Reposition();
  for (;;) {
    const int rc = deflate(&zrec_, Z_FINISH);
    if (rc < 0 && rc != Z_BUF_ERROR) throw ECompressionError("error");
    if (rc != Z_STREAM_END && zrec_.avail_out == 0) {
      strm_.WriteBuffer(CompressionBuffer, kBufferSize);
      zrec_.next_out = CompressionBuffer;
      zrec_.avail_out = kBufferSize;
      continue;
    }
    break;
  }
  if (zrec_.avail_out < kBufferSize) strm_.WriteBuffer(CompressionBuffer, kBufferSize - zrec_.avail_out);
  strm_pos_ = strm_.Position();
}

// ---- decompression

TDecompressionStream::TDecompressionStream(platform::Stream& source) : TCustomZlibStream(source) {
  zrec_.next_in = CompressionBuffer;
  zrec_.avail_in = 0;
  if (inflateInit2(&zrec_, 15) < 0) throw EDecompressionError("compression error");
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(&zrec_); }

void TDecompressionStream::Reposition() {
  if (strm_.Position() != strm_pos_) strm_.SetPosition(strm_pos_);
}

int64_t TDecompressionStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || stream_end_) return 0;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  int64_t produced = 0;
  Reposition();
  while (produced < count) {
    const uInt room = static_cast<uInt>(std::min<int64_t>(count - produced, 1 << 30));
    zrec_.next_out = out + produced;
    zrec_.avail_out = room;
    if (zrec_.avail_in == 0) {
      const int64_t got = strm_.Read(CompressionBuffer, kBufferSize);
      // The source ended inside the zlib stream: the package was cut short.
      if (got <= 0) throw EDecompressionError("compression error");
      zrec_.next_in = CompressionBuffer;
      zrec_.avail_in = static_cast<uInt>(got);
      strm_pos_ = strm_.Position();
      Progress();
    }
    const int rc = inflate(&zrec_, Z_NO_FLUSH);
    produced += room - zrec_.avail_out;
    if (rc == Z_STREAM_END) {
      // Whatever follows the stream is not ours: stop here instead of waiting for more.
      stream_end_ = true;
      break;
    }
    // Anything but progress or a wait for more input is an error: a stream that asks for a preset
    // dictionary (Z_NEED_DICT) would otherwise be asked again forever.
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw EDecompressionError("compression error");
    if (rc == Z_BUF_ERROR && zrec_.avail_in > 0) throw EDecompressionError("compression error");
  }
  return produced;
}

int64_t TDecompressionStream::Write(const void*, int64_t) { throw EDecompressionError(kInvalidOperation); }

int64_t TDecompressionStream::Seek(int64_t offset, platform::SeekOrigin origin) {
  const int64_t here = static_cast<int64_t>(zrec_.total_out);
  if (offset == 0 && origin == platform::SeekOrigin::Begin) {
    if (inflateReset(&zrec_) < 0) throw EDecompressionError("compression error");
    zrec_.next_in = CompressionBuffer;
    zrec_.avail_in = 0;
    stream_end_ = false;
    strm_.SetPosition(0);
    strm_pos_ = 0;
    return 0;
  }
  int64_t skip = -1;
  if (origin == platform::SeekOrigin::Current && offset >= 0) skip = offset;
  else if (origin == platform::SeekOrigin::Begin && offset >= here) skip = offset - here;
  if (skip < 0) throw EDecompressionError(kInvalidOperation);
  uint8_t scratch[kBufferSize];
  while (skip > 0) {
    const int64_t got = Read(scratch, std::min<int64_t>(skip, kBufferSize));
    if (got <= 0) break;
    skip -= got;
  }
  return static_cast<int64_t>(zrec_.total_out);
}

void PackStream(platform::Stream& source, platform::Stream& dest) {
  TCompressionStream packer(TCompressionLevel::clMax, dest);
  source.SetPosition(0);
  uint8_t block[TCustomZlibStream::kBufferSize];
  for (;;) {
    const int64_t got = source.Read(block, sizeof block);
    if (got <= 0) break;
    packer.Write(block, got);
  }
  packer.Finish();
}

void UnpackStream(platform::Stream& dest, platform::Stream& source, int64_t max_output) {
  source.SetPosition(0);
  TDecompressionStream unpacker(source);
  uint8_t block[TCustomZlibStream::kBufferSize];
  int64_t total = 0;
  for (;;) {
    const int64_t got = unpacker.Read(block, sizeof block);
    if (got <= 0) break;
    total += got;
    if (total > max_output) throw EDecompressionError("compression error: the unpacked skin is too large");
    dest.WriteBuffer(block, got);
  }
}

}  // namespace skin
