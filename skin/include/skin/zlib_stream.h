// Streams that compress into, or decompress from, another stream with zlib (RFC 1950 format,
// 15-bit window). Skin packages are stored this way.
#pragma once

#include <cstdint>
#include <functional>

#include <zlib.h>

#include "platform/exceptions.h"
#include "platform/stream.h"

namespace skin {

class EZlibError : public platform::Exception {
  using platform::Exception::Exception;
};
class ECompressionError : public EZlibError {
  using EZlibError::EZlibError;
};
class EDecompressionError : public EZlibError {
  using EZlibError::EZlibError;
};

class TCustomZlibStream : public platform::Stream {
 public:
  static constexpr int kBufferSize = 4096;
  ~TCustomZlibStream() override = default;
  void SetSize(int64_t size) override;
  // Fired whenever a whole buffer went to, or came from, the underlying stream.
  std::function<void()> OnProgress;

 protected:
  explicit TCustomZlibStream(platform::Stream& strm);
  void Progress() {
    if (OnProgress) OnProgress();
  }
  platform::Stream& strm_;
  int64_t strm_pos_ = 0;
  z_stream zrec_{};
  uint8_t CompressionBuffer[kBufferSize];
};

enum class TCompressionLevel { clNone, clFastest, clDefault, clMax };

// Write-only. The zlib stream is finished by Finish() or, failing that, by the destructor
// (which cannot report errors: call Finish() when the result matters).
class TCompressionStream : public TCustomZlibStream {
 public:
  TCompressionStream(TCompressionLevel level, platform::Stream& dest);
  ~TCompressionStream() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Only (0, Current) is allowed: it returns the number of input bytes consumed so far.
  int64_t Seek(int64_t offset, platform::SeekOrigin origin) override;
  void Finish();

 private:
  void Reposition();
  bool finished_ = false;
};

// Read-only. Stops at the end of the zlib stream: bytes after it in the source are never read
// as compressed data, and a source that ends before the stream's end is an error.
class TDecompressionStream : public TCustomZlibStream {
 public:
  explicit TDecompressionStream(platform::Stream& source);
  ~TDecompressionStream() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Seeking to 0 from the beginning restarts; forward seeks skip by decompressing;
  // (0, Current) returns the bytes produced so far; anything else is an error.
  int64_t Seek(int64_t offset, platform::SeekOrigin origin) override;

 private:
  void Reposition();
  bool stream_end_ = false;
};

// Compresses the whole of `source` (from position 0) into `dest` at the best level.
void PackStream(platform::Stream& source, platform::Stream& dest);
// Decompresses `source` (from position 0) and appends the result to `dest`. A result larger than
// `max_output` bytes raises EDecompressionError: a corrupt or hostile package must not make us
// allocate without bound.
void UnpackStream(platform::Stream& dest, platform::Stream& source,
                  int64_t max_output = INT64_MAX);

}  // namespace skin
