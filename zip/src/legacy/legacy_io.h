// The bit reader and the output primitives shared by the legacy decoders.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "legacy/legacy_decoders.h"

namespace zip::legacy {

// Least-significant-bit-first reader. Past the end of the data it supplies zero bits; a decoder
// that actually consumes such a bit has read beyond its data, which `overrun()` reports so the
// decoder can stop instead of turning an endless run of zeros into output.
class BitReader {
 public:
  explicit BitReader(ByteReader& in) : in_(in) {}

  // Makes at least n bits (n <= 25) available when the data still holds them.
  void Need(int n) {
    if (count_ < n) Fill();
  }
  // The next n bits without consuming them (Need(n) first).
  std::uint32_t Peek(int n) const { return buffer_ & Mask(n); }
  void Drop(int n) {
    buffer_ >>= n;
    count_ -= n;
    if (count_ < 0) {
      overrun_ = true;
      count_ = 0;
    }
  }
  std::uint32_t Read(int n) {
    Need(n);
    std::uint32_t value = Peek(n);
    Drop(n);
    return value;
  }
  bool overrun() const { return overrun_; }

  static constexpr std::uint32_t Mask(int n) { return (std::uint32_t{1} << n) - 1; }

 private:
  void Fill() {
    std::uint8_t byte;
    while (count_ <= 24 && !ended_) {
      if (in_.NextByte(byte)) {
        buffer_ |= std::uint32_t{byte} << count_;
        count_ += 8;
      } else {
        ended_ = true;
      }
    }
  }

  ByteReader& in_;
  std::uint32_t buffer_ = 0;
  int count_ = 0;
  bool ended_ = false;
  bool overrun_ = false;
};

// Gathers decoded bytes in the sink's buffer and hands them on in blocks of kOutputBlockSize.
class BlockWriter {
 public:
  explicit BlockWriter(OutputSink& sink) : sink_(sink), buffer_(sink.Buffer()) {}

  void Put(std::uint8_t byte) {
    buffer_[fill_++] = byte;
    if (fill_ == kOutputBlockSize) Flush();
  }
  void Write(const std::uint8_t* data, std::size_t n) {
    if (n <= kOutputBlockSize - fill_) {
      // The common case of a short string: a plain loop beats a library call.
      std::uint8_t* to = buffer_ + fill_;
      if (n <= 16) {
        for (std::size_t i = 0; i < n; ++i) to[i] = data[i];
      } else {
        std::memcpy(to, data, n);
      }
      fill_ += n;
      if (fill_ == kOutputBlockSize) Flush();
      return;
    }
    while (n > 0) {
      std::size_t piece = std::min(n, kOutputBlockSize - fill_);
      std::memcpy(buffer_ + fill_, data, piece);
      fill_ += piece;
      data += piece;
      n -= piece;
      if (fill_ == kOutputBlockSize) Flush();
    }
  }
  void Flush() {
    if (fill_ == 0) return;
    std::size_t n = fill_;
    fill_ = 0;
    sink_.FlushBlock(n);
  }

 private:
  OutputSink& sink_;
  std::uint8_t* buffer_;
  std::size_t fill_ = 0;
};

// A sliding window whose oldest bytes leave through a BlockWriter whenever it is full. Until it
// has been full once, positions before the entry's first byte read as zeros.
template <std::size_t kSize>
class Window {
 public:
  Window(std::uint8_t* bytes, BlockWriter& out) : bytes_(bytes), out_(out) {}

  void Put(std::uint8_t byte) {
    bytes_[pos_++] = byte;
    if (pos_ == kSize) Wrap();
  }

  // Copies `length` bytes starting `distance` bytes back (1 <= distance <= kSize).
  void Copy(std::size_t distance, std::size_t length) {
    std::size_t from = (pos_ - distance) & (kSize - 1);
    while (length > 0) {
      std::size_t piece = std::min(length, kSize - std::max(from, pos_));
      if (first_pass_ && from >= pos_) {
        std::memset(bytes_ + pos_, 0, piece);
      } else if (pos_ > from && pos_ - from >= piece) {
        std::memcpy(bytes_ + pos_, bytes_ + from, piece);
      } else {
        // Source and destination overlap: a short distance repeats a pattern, so the copy has
        // to run front to back a byte at a time.
        for (std::size_t i = 0; i < piece; ++i) bytes_[pos_ + i] = bytes_[from + i];
      }
      pos_ += piece;
      from = (from + piece) & (kSize - 1);
      length -= piece;
      if (pos_ == kSize) Wrap();
    }
  }

  // Hands on what the window holds since its last wrap.
  void Finish() {
    out_.Write(bytes_, pos_);
    pos_ = 0;
  }

 private:
  void Wrap() {
    out_.Write(bytes_, kSize);
    pos_ = 0;
    first_pass_ = false;
  }

  std::uint8_t* bytes_;
  BlockWriter& out_;
  std::size_t pos_ = 0;
  bool first_pass_ = true;
};

}  // namespace zip::legacy
