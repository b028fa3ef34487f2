// Decoders of the three oldest ZIP methods: shrink (1), reduce (2..5) and implode (6).
//
// How the entry decoder drives them:
//  - Hand each one the entry's ByteReader and the run's OutputSink (decoder_io.h).
//  - Give each call the run's WorkArea; nothing in it needs to survive between entries.
//  - Dispatch: method 1 -> Unshrink, methods 2..5 -> Unreduce(method - 1), method 6 -> Explode.
//    The returned DecodeEnd only says why decoding stopped; the entry's verdict stays with the
//    CRC-32 of what was flushed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "decoder_io.h"

namespace zip::legacy {

// The one block of memory a run lends to whichever method decodes the current entry.
union WorkArea {
  struct {
    std::int16_t prefix[8193];  // -1 marks a free code
    std::uint8_t suffix[8193];
    std::uint8_t stack[8192];  // filled from its end downwards
  } shrink;
  struct {
    std::uint8_t window[16384];
    std::uint8_t followers[256][64];
  } reduce;
  std::uint8_t window[32768];  // implode
  std::uint8_t bytes[32780];
};
static_assert(sizeof(WorkArea) == 32780);

// The engine's message routine: number in the engine's string table (the decoders pass no text
// of their own; the engine looks it up), caption, message-box flags; answers the button chosen.
using MessageHandler =
    std::function<int(int id, const std::string& text, const std::string& caption, std::uint32_t flags)>;

inline constexpr int kMsgInflateOutOfMemory = 193;
inline constexpr const char* kCaptionInflateOutOfMemory = "Error";

enum class DecodeEnd {
  kComplete,     // all the declared bytes were produced (shrink: its data ended cleanly)
  kDataEnded,    // the compressed data ran out before the declared size was reached
  kDamaged,      // the data cannot be decoded any further
  kOutOfMemory,  // implode's decoding tables could not be allocated (message 193 was shown)
};

// Dynamic LZW (9 to 13-bit codes with partial clearing); runs until its data ends.
DecodeEnd Unshrink(ByteReader& in, OutputSink& out, WorkArea& work);

// Reduce with compression factor 1..4 (method - 1); produces `uncompressed_size` bytes.
DecodeEnd Unreduce(ByteReader& in, OutputSink& out, WorkArea& work, int factor,
                   std::int64_t uncompressed_size);

struct ExplodeParams {
  std::int64_t uncompressed_size = 0;
  // Length of the entry's compressed data without an encryption header; above 200000 bytes the
  // distance table looks up 8 bits at once instead of 7.
  std::int64_t compressed_size = 0;
  // General-purpose flags: bit 1 selects the 8 KiB dictionary, bit 2 the literal tree.
  std::uint16_t flags = 0;
};

DecodeEnd Explode(ByteReader& in, OutputSink& out, WorkArea& work, const ExplodeParams& params,
                  const MessageHandler& message = {});

}  // namespace zip::legacy
