#include "bzip2.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace zip {

namespace {

constexpr uint32_t kBlockUnit = 100000;  // the header's digit counts blocks in these
constexpr int kMaxGroups = 6;
constexpr int kMinGroups = 2;
constexpr int kMaxAlphabet = 258;  // RUNA, RUNB, 255 move-to-front indexes, end of block
constexpr int kMaxCodeLength = 20;
constexpr int kGroupSize = 50;
// Enough selectors for the largest block; writers that send more have the rest ignored.
constexpr uint32_t kMaxSelectors = 9 * kBlockUnit / kGroupSize + 2;
constexpr int kFastBits = 10;  // bits looked up at once for a symbol
constexpr size_t kOutSize = 64 * 1024;

constexpr uint64_t kBlockMagic = 0x314159265359;
constexpr uint64_t kEndMagic = 0x177245385090;

struct CrcTables {
  uint32_t t[8][256];
  CrcTables() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i << 24;
      for (int k = 0; k < 8; ++k) c = c & 0x80000000u ? (c << 1) ^ 0x04C11DB7u : c << 1;
      t[0][i] = c;
    }
    // t[k][i]: the CRC of byte i followed by k zero bytes, for eight bytes in one step.
    for (int k = 1; k < 8; ++k)
      for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
  }
};

const CrcTables& Crc() {
  static const CrcTables tables;
  return tables;
}

inline uint32_t LoadBig32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

inline uint64_t LoadBig64(const uint8_t* p) {
  return uint64_t{LoadBig32(p)} << 32 | LoadBig32(p + 4);
}

// The stream's bits, most significant first, from the source's blocks. Past the data's end it
// reads zeros and counts them, so that decoding needs no check per bit: Overrun() tells later
// whether any of those zeros was taken.
class BitReader {
 public:
  explicit BitReader(BlockSource& source) : source_(source) {}

  // At least 57 bits in the buffer afterwards.
  void Refill() {
    while (count_ <= 56) {
      if (next_ == end_ && !NextBlock()) {
        count_ += 8;
        padding_ += 8;
        continue;
      }
      if (end_ - next_ >= 8) {
        // Whole bytes up to 57..63 bits; the bits loaded beyond the count are the next bytes'
        // own, loaded again at the same place later.
        bits_ |= LoadBig64(next_) >> count_;
        next_ += (63 - count_) >> 3;
        count_ |= 56;
        return;
      }
      bits_ |= uint64_t{*next_++} << (56 - count_);
      count_ += 8;
    }
  }
  // n <= 32 bits, with at least n in the buffer.
  uint32_t Peek(int n) const { return static_cast<uint32_t>(bits_ >> (64 - n)); }
  void Skip(int n) {
    bits_ <<= n;
    count_ -= n;
  }
  uint32_t Get(int n) {
    if (count_ < n) Refill();
    const uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  // Whether bits past the end of the data were taken.
  bool Overrun() const { return padding_ > count_; }
  // Drops the bits left of the current byte (a stream ends on a byte boundary).
  void AlignToByte() { Skip(count_ % 8); }
  // Whether whole bytes of data are still there (after AlignToByte).
  bool MoreData() {
    Refill();
    return count_ > padding_;
  }

  uint64_t bits_ = 0;  // the next bits at the top; below them zeros or the next bits again
  int count_ = 0;      // valid bits in bits_

 private:
  bool NextBlock() {
    if (ended_) return false;
    const uint8_t* data = nullptr;
    const size_t n = source_.Next(data);
    if (n == 0) {
      ended_ = true;
      return false;
    }
    next_ = data;
    end_ = data + n;
    return true;
  }

  BlockSource& source_;
  const uint8_t* next_ = nullptr;
  const uint8_t* end_ = nullptr;
  bool ended_ = false;
  int64_t padding_ = 0;
};

// One of a block's Huffman codes: a table of the first kFastBits bits (entry: symbol << 5 |
// length, 0 where no code of that length or shorter starts with those bits) and the canonical
// code's limits for the longer ones.
struct HuffmanCode {
  uint16_t fast[1 << kFastBits];
  uint32_t first[kMaxCodeLength + 1];  // the first code of each length
  uint16_t count[kMaxCodeLength + 1];  // how many codes of each length
  uint16_t offset[kMaxCodeLength + 1]; // where their symbols start in `sorted`
  uint16_t sorted[kMaxAlphabet];       // symbols by length, then by value
  int max_length;

  // False when the lengths ask for more codes than there are bit patterns. An incomplete code
  // is taken; its unused patterns are refused where they occur.
  bool Build(const uint8_t* lengths, int alphabet) {
    std::fill(std::begin(count), std::end(count), 0);
    for (int i = 0; i < alphabet; ++i) ++count[lengths[i]];
    int64_t left = 1;
    uint32_t code = 0;
    uint16_t at = 0;
    max_length = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
      left = (left << 1) - count[len];
      if (left < 0) return false;
      first[len] = code;
      offset[len] = at;
      at = static_cast<uint16_t>(at + count[len]);
      code = (code + count[len]) << 1;
      if (count[len]) max_length = len;
    }
    uint16_t fill[kMaxCodeLength + 1];
    std::copy(std::begin(offset), std::end(offset), fill);
    for (int i = 0; i < alphabet; ++i) sorted[fill[lengths[i]]++] = static_cast<uint16_t>(i);
    std::fill(std::begin(fast), std::end(fast), 0);
    for (int len = 1; len <= std::min(max_length, kFastBits); ++len) {
      for (int k = 0; k < count[len]; ++k) {
        const uint32_t start = (first[len] + k) << (kFastBits - len);
        const uint32_t end = start + (1u << (kFastBits - len));
        const uint16_t entry = static_cast<uint16_t>(sorted[offset[len] + k] << 5 | len);
        for (uint32_t j = start; j < end; ++j) fast[j] = entry;
      }
    }
    return true;
  }
};

// Moves mtf[index] to the front and answers it. A far index is one memmove; a near one is moved
// in words, not bytes: a loop of bytes here is what a compiler turns into a call of memmove, which
// costs more than the move for the indexes most symbols have.
inline uint8_t MoveToFront(uint8_t* mtf, int index) {
  static_assert(std::endian::native == std::endian::little);
  const uint8_t b = mtf[index];
  int j = index;
  if (j >= 64) {
    std::memmove(mtf + 1, mtf, static_cast<size_t>(j));
    j = 0;
  }
  for (; j >= 16; j -= 16) {
    // mtf[j-16..j) one up, from the top down.
    uint8_t moved[16];
    std::memcpy(moved, mtf + j - 16, 16);
    std::memcpy(mtf + j - 15, moved, 16);
  }
  if (j > 0) {
    // mtf[0..j) one up within the first 16 bytes: bytes 0..j take their lower neighbour's value.
    uint64_t lo, hi;
    std::memcpy(&lo, mtf, 8);
    std::memcpy(&hi, mtf + 8, 8);
    const uint64_t up_lo = lo << 8;
    const uint64_t up_hi = hi << 8 | lo >> 56;
    const int n = j + 1;
    const uint64_t mask_lo = n >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * n)) - 1;
    const uint64_t mask_hi = n <= 8 ? 0 : n >= 16 ? ~uint64_t{0} : (uint64_t{1} << (8 * (n - 8))) - 1;
    lo = (up_lo & mask_lo) | (lo & ~mask_lo);
    hi = (up_hi & mask_hi) | (hi & ~mask_hi);
    std::memcpy(mtf, &lo, 8);
    std::memcpy(mtf + 8, &hi, 8);
  }
  mtf[0] = b;
  return b;
}

class Bzip2Decoder final : public StreamDecoder {
 public:
  void Decode(BlockSource& in, BlockSink& out, const StreamFacts&) override {
    BitReader bits(in);
    out_ = &out;
    out_used_ = 0;
    bool first = true;
    for (;;) {
      DecodeStream(bits, first);
      first = false;
      // Another stream may follow (a writer that concatenates them); anything else after the
      // end is left alone, as the zip's own size and CRC decide about the entry.
      bits.AlignToByte();
      if (!bits.MoreData() || bits.count_ < 32) break;
      const uint32_t head = bits.Peek(32);
      if ((head >> 8) != 0x425A68 || (head & 0xFF) < '1' || (head & 0xFF) > '9') break;
    }
    Flush();
  }

 private:
  void DecodeStream(BitReader& bits, bool first) {
    const uint32_t head = bits.Get(32);
    if (bits.Overrun()) StreamFailed("unexpected end of data");
    if ((head >> 8) != 0x425A68) StreamFailed(first ? "not a bzip2 stream" : "invalid bzip2 data");
    const uint32_t level = head & 0xFF;
    if (level < '1' || level > '9') StreamFailed("invalid bzip2 data: block size");
    block_limit_ = (level - '0') * kBlockUnit;
    if (tt_.size() < block_limit_) tt_.resize(block_limit_);
    uint32_t stream_crc = 0;
    for (;;) {
      const uint64_t high = bits.Get(24);  // two statements: the order of the reads matters
      const uint64_t magic = high << 24 | bits.Get(24);
      const uint32_t stored = bits.Get(32);
      if (bits.Overrun()) StreamFailed("unexpected end of data");
      if (magic == kEndMagic) {
        if (stored != stream_crc) StreamFailed("bzip2 stream CRC error");
        return;
      }
      if (magic != kBlockMagic) StreamFailed("invalid bzip2 data");
      const uint32_t crc = DecodeBlock(bits);
      if (crc != stored) StreamFailed("bzip2 block CRC error");
      stream_crc = (stream_crc << 1 | stream_crc >> 31) ^ crc;
    }
  }

  // Reads one block after its magic and CRC, writes its bytes out and answers their CRC.
  uint32_t DecodeBlock(BitReader& bits) {
    if (bits.Get(1)) Damaged(bits, "randomised bzip2 blocks are not supported");
    const uint32_t origin = bits.Get(24);

    // The bytes the block uses, in a 16 x 16 map.
    uint8_t mtf[256] = {};
    int used = 0;
    const uint32_t ranges = bits.Get(16);
    for (int i = 0; i < 16; ++i) {
      if (!(ranges & (0x8000u >> i))) continue;
      const uint32_t map = bits.Get(16);
      for (int j = 0; j < 16; ++j)
        if (map & (0x8000u >> j)) mtf[used++] = static_cast<uint8_t>(i * 16 + j);
    }
    if (used == 0) Damaged(bits, "invalid bzip2 data: the block uses no bytes");
    const int alphabet = used + 2;
    const int end_of_block = used + 1;

    const int groups = static_cast<int>(bits.Get(3));
    if (groups < kMinGroups || groups > kMaxGroups) Damaged(bits, "invalid bzip2 data: number of Huffman tables");
    uint32_t selector_count = bits.Get(15);
    if (selector_count == 0) Damaged(bits, "invalid bzip2 data: no selectors");
    // Selectors, move-to-front coded in unary.
    uint8_t order[kMaxGroups];
    for (int i = 0; i < groups; ++i) order[i] = static_cast<uint8_t>(i);
    for (uint32_t i = 0; i < selector_count; ++i) {
      int j = 0;
      for (;;) {
        if (bits.count_ < 8) bits.Refill();
        if (!bits.Get(1)) break;
        if (++j >= groups) Damaged(bits, "invalid bzip2 data: a selector names no table");
      }
      const uint8_t t = order[j];
      for (; j > 0; --j) order[j] = order[j - 1];
      order[0] = t;
      if (i < kMaxSelectors) selectors_[i] = t;
    }
    selector_count = std::min(selector_count, kMaxSelectors);

    // Code lengths: a 5-bit start, then per symbol up and down steps.
    for (int t = 0; t < groups; ++t) {
      uint8_t lengths[kMaxAlphabet];
      int len = static_cast<int>(bits.Get(5));
      for (int s = 0; s < alphabet; ++s) {
        for (;;) {
          if (len < 1 || len > kMaxCodeLength) Damaged(bits, "invalid bzip2 data: code length out of range");
          if (bits.count_ < 2) bits.Refill();
          if (!bits.Get(1)) break;
          len += bits.Get(1) ? -1 : 1;
        }
        lengths[s] = static_cast<uint8_t>(len);
      }
      if (!codes_[t].Build(lengths, alphabet)) Damaged(bits, "invalid bzip2 data: oversubscribed Huffman code");
    }
    if (bits.Overrun()) StreamFailed("unexpected end of data");

    // Symbols: runs of the front byte and move-to-front indexes, into the low bytes of tt_.
    uint32_t* const tt = tt_.data();
    const uint32_t limit = block_limit_;
    uint32_t counts[256] = {};
    uint32_t size = 0;
    uint32_t run = 0;
    int run_shift = 0;
    uint32_t group = 0;
    for (;;) {
      if (group >= selector_count) Damaged(bits, "invalid bzip2 data: more symbols than selectors");
      const HuffmanCode& code = codes_[selectors_[group++]];
      int sym = 0;
      for (int k = 0; k < kGroupSize; ++k) {
        if (bits.count_ < kMaxCodeLength) bits.Refill();
        const uint32_t entry = code.fast[bits.bits_ >> (64 - kFastBits)];
        if (entry & 31) {
          bits.Skip(static_cast<int>(entry & 31));
          sym = static_cast<int>(entry >> 5);
        } else {
          sym = SlowSymbol(bits, code);
        }
        if (sym <= 1) {
          // RUNA and RUNB: digits 1 and 2 of a bijective base-2 number, least significant first.
          run += static_cast<uint32_t>(sym + 1) << run_shift;
          ++run_shift;
          if (run > limit) Damaged(bits, "invalid bzip2 data: run overflows the block");
          continue;
        }
        if (run) {
          if (run > limit - size) Damaged(bits, "invalid bzip2 data: run overflows the block");
          const uint8_t b = mtf[0];
          counts[b] += run;
          std::fill(tt + size, tt + size + run, uint32_t{b});
          size += run;
          run = 0;
          run_shift = 0;
        }
        if (sym == end_of_block) break;
        if (size >= limit) Damaged(bits, "invalid bzip2 data: block too large");
        const uint8_t b = MoveToFront(mtf, sym - 1);
        ++counts[b];
        tt[size++] = b;
      }
      if (bits.Overrun()) StreamFailed("unexpected end of data");
      if (sym == end_of_block) break;
    }
    if (origin >= size) Damaged(bits, "invalid bzip2 data: origin pointer outside the block");

    // The inverse transform. Row j of the sorted rotations ends with byte tt[j] & 0xFF; the row
    // of the rotation one byte further on is tt[j] >> 8 (the k-th row ending with a byte is the
    // k-th row starting with it), and the row one byte back is lf_[j] >> 8. The text is walked
    // from both ends at once: two independent chains of loads from memory instead of one.
    uint32_t start[256];
    uint32_t sum = 0;
    for (int b = 0; b < 256; ++b) {
      start[b] = sum;
      sum += counts[b];
    }
    if (lf_.size() < size) lf_.resize(block_limit_);
    if (block_.size() < size) block_.resize(block_limit_);
    uint32_t* const lf = lf_.data();
    for (uint32_t i = 0; i < size; ++i) {
      const uint32_t b = tt[i] & 0xFF;
      const uint32_t j = start[b]++;
      tt[j] |= i << 8;
      lf[i] = j << 8 | b;
    }
    uint8_t* const block = block_.data();
    uint32_t ahead = tt[origin] >> 8;  // the row of the text's second byte
    uint32_t back = origin;            // the row of the text itself, ending with its last byte
    const uint32_t half = size / 2;
    for (uint32_t i = 0; i < half; ++i) {
      const uint32_t f = tt[ahead];
      const uint32_t r = lf[back];
      block[i] = static_cast<uint8_t>(f);
      block[size - 1 - i] = static_cast<uint8_t>(r);
      ahead = f >> 8;
      back = r >> 8;
    }
    if (size % 2) block[half] = static_cast<uint8_t>(tt[ahead]);
    return ExpandRuns(block, size);
  }

  // Zeros read past the data's end may look like a run or a code: the end is the cause then.
  [[noreturn]] static void Damaged(const BitReader& bits, const char* cause) {
    StreamFailed(bits.Overrun() ? "unexpected end of data" : cause);
  }

  // A symbol whose code is longer than the fast table's bits.
  static int SlowSymbol(BitReader& bits, const HuffmanCode& code) {
    for (int len = kFastBits + 1; len <= code.max_length; ++len) {
      const uint32_t index = bits.Peek(len) - code.first[len];
      if (index < code.count[len]) {
        bits.Skip(len);
        return code.sorted[code.offset[len] + index];
      }
    }
    Damaged(bits, "invalid bzip2 data: no such Huffman code");
  }

  // After 4 equal bytes comes a count (0 to 255) of more of them. Answers the CRC of the output.
  uint32_t ExpandRuns(const uint8_t* block, uint32_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    uint8_t* const out = out_buf_;
    size_t used = out_used_;
    size_t unchecked = used;  // where the bytes not yet in the CRC start
    int last = -1;
    int same = 0;
    uint32_t i = 0;
    while (i < size) {
      // Room for one byte and the longest run it may start.
      if (kOutSize - used < 256 + 1) {
        crc = Bzip2Crc(crc, out + unchecked, used - unchecked);
        out_used_ = used;
        Flush();
        used = unchecked = 0;
      }
      const uint8_t b = block[i++];
      out[used++] = b;
      if (b != last) {
        last = b;
        same = 1;
        continue;
      }
      if (++same < 4) continue;
      // Writers always follow 4 equal bytes with their count, and libbz2 refuses a block
      // without it.
      if (i == size) StreamFailed("invalid bzip2 data: the block ends in a run without its count");
      const uint32_t n = block[i++];
      std::memset(out + used, b, n);
      used += n;
      last = -1;
      same = 0;
    }
    crc = Bzip2Crc(crc, out + unchecked, used - unchecked);
    out_used_ = used;
    return ~crc;
  }

  void Flush() {
    if (out_used_ == 0) return;
    const size_t n = out_used_;
    out_used_ = 0;
    out_->Emit(out_buf_, n);
  }

  HuffmanCode codes_[kMaxGroups];
  uint8_t selectors_[kMaxSelectors];
  std::vector<uint32_t> tt_;
  std::vector<uint32_t> lf_;
  std::vector<uint8_t> block_;
  uint32_t block_limit_ = 0;
  BlockSink* out_ = nullptr;
  size_t out_used_ = 0;
  uint8_t out_buf_[kOutSize];
};

}  // namespace

uint32_t Bzip2Crc(uint32_t crc, const uint8_t* data, size_t size) {
  const auto& t = Crc().t;
  while (size >= 8) {
    const uint32_t a = crc ^ LoadBig32(data);
    const uint32_t b = LoadBig32(data + 4);
    crc = t[7][a >> 24] ^ t[6][(a >> 16) & 0xFF] ^ t[5][(a >> 8) & 0xFF] ^ t[4][a & 0xFF] ^ t[3][b >> 24] ^
          t[2][(b >> 16) & 0xFF] ^ t[1][(b >> 8) & 0xFF] ^ t[0][b & 0xFF];
    data += 8;
    size -= 8;
  }
  while (size-- > 0) crc = (crc << 8) ^ t[0][(crc >> 24) ^ *data++];
  return crc;
}

std::unique_ptr<StreamDecoder> MakeBzip2Decoder() { return std::make_unique<Bzip2Decoder>(); }

}  // namespace zip
