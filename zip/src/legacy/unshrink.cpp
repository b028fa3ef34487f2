// Shrink: LZW with codes of 9 to 13 bits. Code 256 escapes to a sub-code: 1 widens the codes
// by one bit, 2 frees every leaf code so that the table can learn new strings.
#include <cstring>

#include "legacy/legacy_decoders.h"
#include "legacy/legacy_io.h"

namespace zip::legacy {

namespace {

constexpr int kFirstFreeCode = 257;
constexpr int kCodeLimit = 8192;  // codes 0..8191; the tables keep one spare entry
constexpr int kMaxCodeSize = 13;
constexpr std::int16_t kFree = -1;

class Unshrinker {
 public:
  Unshrinker(ByteReader& in, OutputSink& out, WorkArea& work)
      : bits_(in), out_(out), prefix_(work.shrink.prefix), suffix_(work.shrink.suffix),
        stack_(work.shrink.stack) {}

  DecodeEnd Run() {
    for (int code = 0; code < 256; ++code) {
      prefix_[code] = 0;
      suffix_[code] = static_cast<std::uint8_t>(code);
    }
    for (int code = 256; code <= kCodeLimit; ++code) {
      prefix_[code] = kFree;
      suffix_[code] = 0;
    }

    int old_code = static_cast<int>(bits_.Read(code_size_));
    if (bits_.overrun()) return Finish(DecodeEnd::kComplete);
    std::uint8_t last_char = static_cast<std::uint8_t>(old_code);
    out_.Put(last_char);

    for (;;) {
      int code = static_cast<int>(bits_.Read(code_size_));
      if (bits_.overrun()) return Finish(DecodeEnd::kComplete);
      while (code == 256) {
        int sub_code = static_cast<int>(bits_.Read(code_size_));
        if (sub_code == 1) {
          // A 14-bit code would index past the tables.
          if (code_size_ == kMaxCodeSize) return Finish(DecodeEnd::kDamaged);
          ++code_size_;
        } else if (sub_code == 2) {
          PartialClear();
        }
        code = static_cast<int>(bits_.Read(code_size_));
        if (bits_.overrun()) return Finish(DecodeEnd::kComplete);
      }

      const int incoming = code;
      // Walks the string's chain backwards, pushing its bytes. A free code stands for the
      // previous string plus its own first byte (the code the encoder defined one step ahead of
      // us); after partial clears a damaged chain can loop, hence the stack limit. Locals keep
      // the tables in registers: the byte stores could otherwise alias the members.
      const std::int16_t* const prefix = prefix_;
      const std::uint8_t* const suffix = suffix_;
      std::uint8_t* const stack_end = stack_ + kCodeLimit;
      std::uint8_t* const stack_floor = stack_ + 1;  // room for the first byte
      std::uint8_t* top = stack_end;
      if (prefix[code] == kFree) {
        *--top = last_char;
        code = old_code;
      }
      while (code >= kFirstFreeCode) {
        if (top < stack_floor) return Finish(DecodeEnd::kDamaged);
        const int parent = prefix[code];
        if (parent == kFree) {
          *--top = last_char;
          code = old_code;
        } else {
          *--top = suffix[code];
          code = parent;
        }
      }
      last_char = suffix[code];
      *--top = last_char;
      out_.Write(top, static_cast<std::size_t>(stack_end - top));

      if (next_free_ < kCodeLimit) {
        prefix_[next_free_] = static_cast<std::int16_t>(old_code);
        suffix_[next_free_] = last_char;
        do {
          ++next_free_;
        } while (next_free_ < kCodeLimit && prefix_[next_free_] != kFree);
      }
      old_code = incoming;
    }
  }

 private:
  DecodeEnd Finish(DecodeEnd end) {
    out_.Flush();
    return end;
  }

  // Frees the leaves: codes that no other code continues. The whole table is scanned, not only
  // the codes below the next free one: after an earlier clear, codes above it may still be in
  // use, and a parent whose only child lives there must not be freed under it. The stack is
  // idle here and, at one byte per code, holds the "has a child" marks.
  void PartialClear() {
    std::uint8_t* const has_child = stack_;
    std::memset(has_child, 0, kCodeLimit);
    for (int code = kFirstFreeCode; code < kCodeLimit; ++code)
      if (prefix_[code] != kFree) has_child[prefix_[code] & (kCodeLimit - 1)] = 1;
    for (int code = kFirstFreeCode; code < kCodeLimit; ++code)
      if (has_child[code] == 0) prefix_[code] = kFree;
    next_free_ = kFirstFreeCode;
    while (next_free_ < kCodeLimit && prefix_[next_free_] != kFree) ++next_free_;
  }

  BitReader bits_;
  BlockWriter out_;
  std::int16_t* prefix_;
  std::uint8_t* suffix_;
  std::uint8_t* stack_;
  int code_size_ = 9;
  int next_free_ = kFirstFreeCode;
};

}  // namespace

DecodeEnd Unshrink(ByteReader& in, OutputSink& out, WorkArea& work) {
  return Unshrinker(in, out, work).Run();
}

}  // namespace zip::legacy
