// The decoders of the methods that other archivers write (Deflate64, bzip2, LZMA, Zstandard, XZ):
// each pulls an entry's compressed bytes in blocks and hands its decoded bytes on as it goes, so
// an entry of any size decodes in the same small memory.
//
//  - BlockSource::Next gives the next block of compressed bytes (valid until the next call) and
//    answers its size; 0 at the end of the entry's data, and on every later call. It may throw
//    (premature end of the archive, a cancel); the exception passes through the decoder.
//  - BlockSink::Emit takes decoded bytes (any number, valid only during the call). It may throw
//    (more bytes than the entry's size, a write failure); the decoder then stops at once.
//  - Decode throws EZCompressionError, with the engine's text and a few words of cause, when the
//    data is damaged, ends before the stream does, or asks for more memory than a decoder may
//    take (kDecoderMemoryLimit).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "zip/methods.h"

namespace zip {

class BlockSource {
 public:
  virtual ~BlockSource() = default;
  virtual size_t Next(const uint8_t*& data) = 0;
};

class BlockSink {
 public:
  virtual ~BlockSink() = default;
  virtual void Emit(const uint8_t* data, size_t count) = 0;
};

// What a decoder may know of the entry beyond its bytes.
struct StreamFacts {
  uint64_t uncompressed_size = 0;  // as the directory states it
  uint16_t flags = 0;              // the general-purpose bits
};

// The most memory one decoder may take for an entry (its dictionary or window); a stream that
// asks for more is refused as damaged rather than allocated.
inline constexpr uint64_t kDecoderMemoryLimit = 128u << 20;

class StreamDecoder {
 public:
  virtual ~StreamDecoder() = default;
  // Decodes one entry from `in` to `out`. A decoder is reused for the next entry of its method.
  virtual void Decode(BlockSource& in, BlockSink& out, const StreamFacts& facts) = 0;
};

// A decoder for `method`, or none when it is not one of the methods above.
std::unique_ptr<StreamDecoder> MakeStreamDecoder(Method method);

// The exception of a damaged stream: the engine's text for invalid compressed data, with
// `detail` in brackets.
[[noreturn]] void StreamFailed(const char* detail);

}  // namespace zip
