#include "deflate64.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zip {

namespace {

constexpr size_t kHistory = 64 * 1024;   // the farthest a match reaches back
constexpr size_t kLongestMatch = 65538;  // length code 285: 3 + 16 extra bits
// Decoded bytes collect after the history until this much is there, then go to the sink; a
// match that starts just below the mark still fits, with room for copying in 8-byte steps.
constexpr size_t kFlushMark = kHistory + 256 * 1024;
constexpr size_t kWindowSize = kFlushMark + kLongestMatch + 16;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr uint32_t kDistanceBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                        49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                        2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistanceExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                        7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// The order in which a dynamic block lists the code lengths of the code-length code.
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr int kMaxCodeLength = 15;
constexpr int kLiteralBits = 10;  // bits looked up at once for a literal/length symbol
constexpr int kDistanceBits = 8;

// A decoding table entry: the symbol in the high 16 bits, the code's length (bits consumed) in
// the low 8, and kLink when it points to a second-level table for longer codes (the high bits
// then hold the table's start and bits 8..15 its index width).
constexpr uint32_t kInvalid = 0;  // length 0: no code has these bits
constexpr uint32_t kLink = 0x8000;

// A canonical Huffman code turned into a two-level lookup table indexed by the next input bits
// (deflate sends codes starting with their most significant bit, so indexes are bit-reversed).
class HuffmanTable {
 public:
  // False when the lengths do not make a prefix code (oversubscribed). An incomplete code is
  // allowed (deflate writers send one-code distance trees); its unused bit patterns are invalid.
  bool Build(const uint8_t* lengths, int count, int primary_bits) {
    primary_bits_ = primary_bits;
    int counts[kMaxCodeLength + 1] = {};
    for (int i = 0; i < count; ++i) ++counts[lengths[i]];
    counts[0] = 0;
    int left = 1;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
      left = (left << 1) - counts[len];
      if (left < 0) return false;
    }
    uint32_t next[kMaxCodeLength + 2] = {};
    for (int len = 1; len <= kMaxCodeLength; ++len) next[len + 1] = (next[len] + counts[len]) << 1;
    const uint32_t primary_size = 1u << primary_bits;
    table_.assign(primary_size, kInvalid);
    // The longest code behind each primary index sets the width of its second-level table.
    uint8_t longest[1 << kLiteralBits] = {};
    uint32_t codes[288];
    for (int sym = 0; sym < count; ++sym) {
      const int len = lengths[sym];
      if (len == 0) continue;
      codes[sym] = Reverse(next[len]++, len);
      if (len > primary_bits) {
        uint8_t& l = longest[codes[sym] & (primary_size - 1)];
        if (len > l) l = static_cast<uint8_t>(len);
      }
    }
    for (uint32_t i = 0; i < primary_size; ++i) {
      if (!longest[i]) continue;
      const uint32_t bits = longest[i] - primary_bits;
      table_[i] = static_cast<uint32_t>(table_.size()) << 16 | bits << 8 | kLink;
      table_.resize(table_.size() + (size_t{1} << bits), kInvalid);
    }
    for (int sym = 0; sym < count; ++sym) {
      const int len = lengths[sym];
      if (len == 0) continue;
      const uint32_t code = codes[sym];
      if (len <= primary_bits) {
        for (uint32_t i = code; i < primary_size; i += 1u << len) table_[i] = static_cast<uint32_t>(sym) << 16 | len;
      } else {
        const uint32_t link = table_[code & (primary_size - 1)];
        const uint32_t start = link >> 16;
        const uint32_t size = 1u << ((link >> 8) & 0x7F);
        const int sub_len = len - primary_bits;
        for (uint32_t i = code >> primary_bits; i < size; i += 1u << sub_len)
          table_[start + i] = static_cast<uint32_t>(sym) << 16 | sub_len;
      }
    }
    return true;
  }

  const uint32_t* Entries() const { return table_.data(); }
  int PrimaryBits() const { return primary_bits_; }

 private:
  static uint32_t Reverse(uint32_t code, int len) {
    uint32_t r = 0;
    for (int i = 0; i < len; ++i, code >>= 1) r = r << 1 | (code & 1);
    return r;
  }

  std::vector<uint32_t> table_;
  int primary_bits_ = 0;
};

class Deflate64Decoder final : public StreamDecoder {
 public:
  Deflate64Decoder() : window_(new uint8_t[kWindowSize]) {}

  void Decode(BlockSource& in, BlockSink& out, const StreamFacts&) override {
    source_ = &in;
    sink_ = &out;
    next_ = end_ = nullptr;
    bits_ = 0;
    count_ = 0;
    padding_ = 0;
    pos_ = flushed_ = 0;
    window_base_ = 0;
    bool last = false;
    while (!last) {
      Need(3);
      last = Take(1);
      switch (Take(2)) {
        case 0: StoredBlock(); break;
        case 1:
          if (!fixed_built_) BuildFixed();
          DecodeBlock(fixed_literals_, fixed_distances_);
          break;
        case 2:
          ReadDynamicTables();
          DecodeBlock(literals_, distances_);
          break;
        default: Fail("invalid block type");
      }
    }
    // The zero bytes supplied past the data's end may fill up a byte, never more.
    if (padding_ * 8 > count_) Fail("unexpected end of data");
    Flush(0);
  }

 private:
  // A fault found after the data's end stood in with zero bytes is that end's.
  [[noreturn]] void Fail(const char* cause) {
    StreamFailed(padding_ * 8 > count_ ? "unexpected end of data" : cause);
  }

  // Makes at least `n` (<= 57) bits available. Past the data's end zero bytes stand in, so a
  // stream cut short is found where it ends; only a few such bytes are allowed.
  void Need(int n) {
    if (count_ >= n) return;
    if (end_ - next_ >= 8) {
      uint64_t word;
      std::memcpy(&word, next_, 8);
      bits_ |= word << count_;
      next_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    while (count_ < n) {
      if (next_ == end_ && !NextBlock()) {
        if (++padding_ > 8) StreamFailed("unexpected end of data");
        count_ += 8;
        continue;
      }
      bits_ |= static_cast<uint64_t>(*next_++) << count_;
      count_ += 8;
    }
  }
  bool NextBlock() {
    if (source_ == nullptr) return false;
    const uint8_t* data = nullptr;
    const size_t n = source_->Next(data);
    if (n == 0) {
      source_ = nullptr;
      return false;
    }
    next_ = data;
    end_ = data + n;
    return true;
  }
  uint32_t Take(int n) {
    const uint32_t v = static_cast<uint32_t>(bits_ & ((uint64_t{1} << n) - 1));
    bits_ >>= n;
    count_ -= n;
    return v;
  }
  // The next symbol of `table`; at least 15 bits must be available.
  uint32_t Symbol(const HuffmanTable& table) {
    const uint32_t* t = table.Entries();
    const int primary = table.PrimaryBits();
    uint32_t e = t[bits_ & ((1u << primary) - 1)];
    if (e & kLink) {
      bits_ >>= primary;
      count_ -= primary;
      e = t[(e >> 16) + (bits_ & ((1u << ((e >> 8) & 0x7F)) - 1))];
    }
    const int len = e & 0xFF;
    if (len == 0) Fail("invalid code");
    bits_ >>= len;
    count_ -= len;
    return e >> 16;
  }

  void BuildFixed() {
    uint8_t lengths[288 + 32];
    std::memset(lengths, 8, 144);
    std::memset(lengths + 144, 9, 112);
    std::memset(lengths + 256, 7, 24);
    std::memset(lengths + 280, 8, 8);
    std::memset(lengths + 288, 5, 32);
    fixed_literals_.Build(lengths, 288, kLiteralBits);
    fixed_distances_.Build(lengths + 288, 32, kDistanceBits);
    fixed_built_ = true;
  }

  void ReadDynamicTables() {
    Need(14);
    const int literal_count = static_cast<int>(Take(5)) + 257;
    const int distance_count = static_cast<int>(Take(5)) + 1;
    const int length_count = static_cast<int>(Take(4)) + 4;
    if (literal_count > 286) Fail("too many length or distance symbols");
    uint8_t code_lengths[19] = {};
    for (int i = 0; i < length_count; ++i) {
      Need(3);
      code_lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(Take(3));
    }
    HuffmanTable length_code;
    if (!length_code.Build(code_lengths, 19, 7)) Fail("invalid code lengths set");
    uint8_t lengths[286 + 32] = {};
    const int total = literal_count + distance_count;
    for (int i = 0; i < total;) {
      Need(15 + 7);
      const uint32_t sym = Symbol(length_code);
      if (sym < 16) {
        lengths[i++] = static_cast<uint8_t>(sym);
        continue;
      }
      uint8_t value = 0;
      int repeat;
      if (sym == 16) {
        if (i == 0) Fail("invalid bit length repeat");
        value = lengths[i - 1];
        repeat = 3 + static_cast<int>(Take(2));
      } else if (sym == 17) {
        repeat = 3 + static_cast<int>(Take(3));
      } else {
        repeat = 11 + static_cast<int>(Take(7));
      }
      if (i + repeat > total) Fail("invalid bit length repeat");
      std::memset(lengths + i, value, repeat);
      i += repeat;
    }
    if (lengths[256] == 0) Fail("missing end-of-block code");
    if (!literals_.Build(lengths, literal_count, kLiteralBits)) Fail("invalid literal/lengths set");
    if (!distances_.Build(lengths + literal_count, distance_count, kDistanceBits))
      Fail("invalid distances set");
  }

  void StoredBlock() {
    Take(count_ & 7);  // to the byte boundary
    Need(32);
    const uint32_t len = Take(16);
    if (Take(16) != (~len & 0xFFFF)) Fail("invalid stored block lengths");
    uint32_t left = len;
    // Whole bytes still in the bit buffer come first.
    while (left > 0 && count_ >= 8) {
      Room(1);
      window_[pos_++] = static_cast<uint8_t>(Take(8));
      --left;
    }
    // The bit buffer may hold copies of bytes beyond those it counts (a refill loads 8 at once);
    // the bytes copied straight from the input below must not come back through it.
    if (count_ == 0) bits_ = 0;
    while (left > 0) {
      if (next_ == end_ && !NextBlock()) Fail("unexpected end of data");
      const size_t n = std::min<size_t>({left, static_cast<size_t>(end_ - next_), kLongestMatch});
      Room(n);
      std::memcpy(window_.get() + pos_, next_, n);
      pos_ += n;
      next_ += n;
      left -= static_cast<uint32_t>(n);
    }
  }

  // Makes room for `n` (<= kLongestMatch) more bytes after pos_.
  void Room(size_t n) {
    if (pos_ + n > kFlushMark + kLongestMatch) Flush(kHistory);
  }

  // Hands the bytes not yet handed on to the sink and keeps the last `keep` as history.
  void Flush(size_t keep) {
    if (pos_ > flushed_) sink_->Emit(window_.get() + flushed_, pos_ - flushed_);
    if (keep == 0 || pos_ <= keep) {
      flushed_ = pos_;
      return;
    }
    std::memmove(window_.get(), window_.get() + pos_ - keep, keep);
    window_base_ += pos_ - keep;
    pos_ = flushed_ = keep;
  }

  void DecodeBlock(const HuffmanTable& literals, const HuffmanTable& distances) {
    uint8_t* const window = window_.get();
    size_t pos = pos_;
    for (;;) {
      if (pos >= kFlushMark) {
        pos_ = pos;
        Flush(kHistory);
        pos = pos_;
      }
      Need(15 + 16);
      const uint32_t sym = Symbol(literals);
      if (sym < 256) {
        window[pos++] = static_cast<uint8_t>(sym);
        continue;
      }
      if (sym == 256) break;
      const uint32_t code = sym - 257;
      if (code >= 29) Fail("invalid literal/length code");
      const uint32_t length = kLengthBase[code] + Take(kLengthExtra[code]);
      Need(15 + 14);
      const uint32_t dcode = Symbol(distances);
      if (dcode >= 32) Fail("invalid distance code");
      const uint32_t distance = kDistanceBase[dcode] + Take(kDistanceExtra[dcode]);
      if (distance > window_base_ + pos) Fail("invalid distance too far back");
      const uint8_t* from = window + pos - distance;
      uint8_t* to = window + pos;
      if (distance >= 8) {
        for (uint32_t i = 0; i < length; i += 8) std::memcpy(to + i, from + i, 8);
      } else {
        for (uint32_t i = 0; i < length; ++i) to[i] = from[i];
      }
      pos += length;
    }
    pos_ = pos;
  }

  std::unique_ptr<uint8_t[]> window_;
  BlockSource* source_ = nullptr;
  BlockSink* sink_ = nullptr;
  const uint8_t* next_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t bits_ = 0;
  int count_ = 0;
  int padding_ = 0;
  size_t pos_ = 0;
  size_t flushed_ = 0;
  uint64_t window_base_ = 0;  // bytes decoded before window_[0]
  bool fixed_built_ = false;
  HuffmanTable fixed_literals_, fixed_distances_, literals_, distances_;
};

}  // namespace

std::unique_ptr<StreamDecoder> MakeDeflate64Decoder() { return std::make_unique<Deflate64Decoder>(); }

}  // namespace zip
