// What a method's decoder reads its compressed bytes from and writes its decoded bytes to, the
// same for every method that decodes byte by byte.
//
//  - ByteReader::NextByte hands out the entry's compressed data (after any 12-byte encryption
//    header) one byte at a time, already decrypted, and answers false once the data is used up
//    (and on every later call). Exceptions (premature end of the archive, cancel at the
//    checkpoint) may be thrown from it; they pass through the decoders unchanged.
//  - OutputSink lends the run's 32768-byte output buffer: Buffer() gives its start (the same
//    address for the whole entry); FlushBlock(n) writes the first n bytes (0 < n <= 32768), adds
//    them to the CRC-32 and reports progress. It may throw (the size guard's
//    EBiggerThanUncompressed, a write failure); the decoder then stops at once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zip {

inline constexpr std::size_t kOutputBlockSize = 32768;

class ByteReader {
 public:
  virtual ~ByteReader() = default;
  // Stores the next compressed byte in `byte` and answers true, or answers false at the end of
  // the entry's data.
  virtual bool NextByte(std::uint8_t& byte) = 0;
};

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // The output buffer of kOutputBlockSize bytes that the decoders fill from its start.
  virtual std::uint8_t* Buffer() = 0;
  // Takes the first `count` bytes of Buffer(); afterwards the whole buffer is free again.
  virtual void FlushBlock(std::size_t count) = 0;
};

}  // namespace zip
