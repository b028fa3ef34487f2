// The engine's bzip2 decoder: the same bytes as libbz2 on streams libbz2 writes of many kinds of
// data and every block size, fed in any pieces; concatenated streams; and damaged streams, made
// by changing a field of a real one or written symbol by symbol, each refused with its cause.
#include <bzlib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "block_test_support.h"
#include "codecs/bzip2.h"
#include "stream_decoder.h"
#include "zip/errors.h"

namespace zip {
namespace {

using zip_test::PieceSource;
using zip_test::StringSink;

std::string Compress(const std::string& data, int level = 9, int work_factor = 0) {
  std::string out(data.size() + data.size() / 100 + 600, '\0');
  unsigned size = static_cast<unsigned>(out.size());
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(data.data()),
                                     static_cast<unsigned>(data.size()), level, 0, work_factor),
            BZ_OK);
  out.resize(size);
  return out;
}

// libbz2's verdict on one stream: its bytes, or false when it refuses it.
bool LibraryDecodes(const std::string& packed, std::string* out = nullptr) {
  bz_stream s{};
  if (BZ2_bzDecompressInit(&s, 0, 0) != BZ_OK) return false;
  s.next_in = const_cast<char*>(packed.data());
  s.avail_in = static_cast<unsigned>(packed.size());
  std::string got;
  int r = BZ_OK;
  char buf[4096];
  while (r == BZ_OK) {
    s.next_out = buf;
    s.avail_out = sizeof buf;
    r = BZ2_bzDecompress(&s);
    got.append(buf, sizeof buf - s.avail_out);
    if (r == BZ_OK && s.avail_in == 0 && s.avail_out == sizeof buf) r = BZ_UNEXPECTED_EOF;
  }
  BZ2_bzDecompressEnd(&s);
  if (out) *out = got;
  return r == BZ_STREAM_END;
}

std::string Decode(StreamDecoder& decoder, const std::string& packed, size_t piece = 1 << 20) {
  PieceSource source(packed, piece);
  StringSink sink;
  decoder.Decode(source, sink, StreamFacts{});
  return sink.out;
}

// The cause in brackets of the decoder's refusal, or "" when it decodes.
std::string Refusal(const std::string& packed) {
  std::unique_ptr<StreamDecoder> decoder = MakeBzip2Decoder();
  try {
    Decode(*decoder, packed);
  } catch (const EZCompressionError& e) {
    const std::string text = e.what();
    const size_t open = text.find('(');
    return open == std::string::npos ? text : text.substr(open + 1, text.size() - open - 2);
  }
  return "";
}

std::string Random(size_t size, uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(rng() % alphabet);
  return s;
}

// Runs of random lengths around the ones that matter (4 starts a counted run, 4 + 255 is the
// longest one count covers).
std::string Runs(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  const int lengths[] = {1, 2, 3, 4, 5, 8, 258, 259, 260, 1000, 70000};
  std::string s;
  while (s.size() < size) s.append(lengths[rng() % std::size(lengths)], static_cast<char>(rng() % 3));
  return s;
}

std::string Text(size_t size) {
  std::string s;
  for (int i = 0; s.size() < size; ++i) s += "entry " + std::to_string(i % 977) + " of the update\n";
  return s;
}

std::string AllBytes() {
  std::string s;
  for (int r = 0; r < 40; ++r)
    for (int b = 0; b < 256; ++b) s.append(1 + (b * 7 + r) % 6, static_cast<char>(b));
  return s;
}

TEST(Bzip2Decoder, CrcOfTheCheckString) {
  const char* check = "123456789";
  EXPECT_EQ(~Bzip2Crc(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(check), 9), 0xFC891918u);
  // Eight bytes at a time and one at a time agree.
  const std::string data = Random(1000, 9);
  uint32_t piecewise = 0xFFFFFFFFu;
  for (char c : data) piecewise = Bzip2Crc(piecewise, reinterpret_cast<const uint8_t*>(&c), 1);
  EXPECT_EQ(Bzip2Crc(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(data.data()), data.size()), piecewise);
}

TEST(Bzip2Decoder, SameBytesAsTheLibrary) {
  struct Case {
    const char* name;
    std::string data;
    int level;
  };
  const std::vector<Case> cases = {
      {"empty", "", 9},
      {"one byte", "x", 9},
      {"four equal bytes", "aaaa", 9},
      {"five equal bytes", "aaaaa", 1},
      {"random", Random(300000, 1), 9},
      {"random, blocks of 100k", Random(250000, 2), 1},
      {"random of 4 byte values", Random(200000, 3, 4), 5},
      {"runs", Runs(400000, 4), 9},
      {"runs, blocks of 100k", Runs(300000, 5), 1},
      {"one long run", std::string(2000000, 'z'), 1},
      {"every byte value", AllBytes(), 9},
      {"text", Text(1500000), 9},
      {"text, blocks of 300k", Text(700000), 3},
      {"zeros then random", std::string(100000, '\0') + Random(100000, 6), 2},
  };
  std::unique_ptr<StreamDecoder> decoder = MakeBzip2Decoder();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string packed = Compress(c.data, c.level);
    std::string library;
    ASSERT_TRUE(LibraryDecodes(packed, &library));
    ASSERT_TRUE(library == c.data);
    // The same decoder serves stream after stream, whatever the input's pieces.
    for (const size_t piece : {size_t{1}, size_t{7}, size_t{4096}, packed.size()}) {
      if (piece == 1 && c.data.size() > 400000) continue;  // slow and no different from 7
      EXPECT_TRUE(Decode(*decoder, packed, piece) == c.data) << "pieces of " << piece;
    }
  }
  // The slower sorting libbz2 falls back to for repetitive data changes nothing in the stream's
  // form, but its blocks start elsewhere.
  const std::string repetitive = Runs(200000, 7);
  EXPECT_TRUE(Decode(*decoder, Compress(repetitive, 9, 1)) == repetitive);
}

TEST(Bzip2Decoder, ConcatenatedStreamsAndWhatFollowsTheEnd) {
  const std::string a = Text(50000);
  const std::string b = Random(70000, 8);
  std::unique_ptr<StreamDecoder> decoder = MakeBzip2Decoder();
  // Streams of different block sizes one after the other, an empty one among them.
  EXPECT_TRUE(Decode(*decoder, Compress(a, 9) + Compress("", 9) + Compress(b, 1), 5) == a + b);
  // Bytes after the last stream that do not start another are left to the entry's size and CRC.
  EXPECT_TRUE(Decode(*decoder, Compress(a) + "trailing bytes") == a);
  EXPECT_TRUE(Decode(*decoder, Compress(a) + "BZ") == a);
  // Something that starts like a stream is one, and must be whole.
  EXPECT_EQ(Refusal(Compress(a) + "BZh9"), "unexpected end of data");
  EXPECT_EQ(Refusal(Compress(a) + "BZh91AY&SY"), "unexpected end of data");
}

// ---------------------------------------------------------------------------------------------
// Damaged streams.

// Bits written most significant first.
struct BitWriter {
  void Put(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (bits % 8 == 0) out.push_back('\0');
      if (value >> i & 1) out.back() = static_cast<char>(out.back() | 0x80 >> (bits % 8));
      ++bits;
    }
  }
  std::string out;
  size_t bits = 0;
};

// A stream of one block written symbol by symbol: `bytes` in use (or 0, 1, ... `used` - 1), every
// table of fixed-length codes `length` bits long unless `lengths` says otherwise.
struct BlockSpec {
  int used = 3;
  std::vector<uint8_t> bytes;
  std::vector<int> symbols;  // RUNA 0, RUNB 1, index + 1, end of block used + 1
  uint32_t origin = 0;
  uint32_t crc = 0;
  char level = '1';
  int groups = 2;
  int selectors = -1;  // -1: as many as the symbols need
  int length = 3;
  std::vector<int> lengths;  // per symbol of the first table
  int first_selector = 0;
  bool ended = true;  // the end-of-stream marker and CRC after the block
};

uint32_t BlockCrc(const std::string& plain) {
  return ~Bzip2Crc(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(plain.data()), plain.size());
}

std::string Block(const BlockSpec& b) {
  BitWriter w;
  for (char c : std::string("BZh") + b.level) w.Put(static_cast<uint8_t>(c), 8);
  w.Put(0x314159, 24);
  w.Put(0x265359, 24);
  w.Put(b.crc, 32);
  w.Put(0, 1);
  w.Put(b.origin, 24);
  std::vector<uint8_t> bytes = b.bytes;
  if (bytes.empty())
    for (int i = 0; i < b.used; ++i) bytes.push_back(static_cast<uint8_t>(i));
  uint32_t ranges = 0;
  for (uint8_t c : bytes) ranges |= 0x8000u >> (c / 16);
  w.Put(ranges, 16);
  for (int r = 0; r < 16; ++r) {
    if (!(ranges & 0x8000u >> r)) continue;
    uint32_t map = 0;
    for (uint8_t c : bytes)
      if (c / 16 == r) map |= 0x8000u >> (c % 16);
    w.Put(map, 16);
  }
  w.Put(static_cast<uint32_t>(b.groups), 3);
  const int selectors = b.selectors >= 0 ? b.selectors : static_cast<int>((b.symbols.size() + 49) / 50);
  w.Put(static_cast<uint32_t>(selectors), 15);
  for (int i = 0; i < selectors; ++i) {
    const int unary = i == 0 ? b.first_selector : 0;
    for (int j = 0; j < unary; ++j) w.Put(1, 1);
    w.Put(0, 1);
  }
  const int alphabet = static_cast<int>(bytes.size()) + 2;
  for (int t = 0; t < b.groups; ++t) {
    std::vector<int> lengths(alphabet, b.length);
    if (t == 0 && !b.lengths.empty()) lengths = b.lengths;
    int len = lengths[0];
    w.Put(static_cast<uint32_t>(len), 5);
    for (int s = 0; s < alphabet; ++s) {
      for (; len < lengths[s]; ++len) w.Put(2, 2);
      for (; len > lengths[s]; --len) w.Put(3, 2);
      w.Put(0, 1);
    }
  }
  for (int sym : b.symbols) w.Put(static_cast<uint32_t>(sym), b.length);
  if (!b.ended) return w.out;
  // The end of the stream, its CRC that of the one block.
  w.Put(0x177245, 24);
  w.Put(0x385090, 24);
  w.Put(b.crc, 32);
  return w.out;
}

// Inverts bit `at` of a stream.
std::string Flip(std::string s, size_t at) {
  s[at / 8] = static_cast<char>(s[at / 8] ^ (0x80 >> (at % 8)));
  return s;
}

// Sets `count` bits at bit `at` of a stream.
std::string WithBits(std::string s, size_t at, int count, uint32_t value) {
  for (int i = 0; i < count; ++i) {
    const size_t bit = at + static_cast<size_t>(i);
    const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit % 8));
    if (value >> (count - 1 - i) & 1) {
      s[bit / 8] = static_cast<char>(s[bit / 8] | mask);
    } else {
      s[bit / 8] = static_cast<char>(s[bit / 8] & ~mask);
    }
  }
  return s;
}

// The symbols of a block holding `text` (before the expansion of runs), the textbook way:
// rotations sorted, the last column move-to-front coded, runs of the front byte in RUNA/RUNB
// digits.
BlockSpec Encode(const std::string& text) {
  const size_t n = text.size();
  std::vector<std::string> rotations;
  for (size_t i = 0; i < n; ++i) rotations.push_back(text.substr(i) + text.substr(0, i));
  std::vector<std::string> sorted = rotations;
  std::sort(sorted.begin(), sorted.end());
  BlockSpec b;
  for (int c = 0; c < 256; ++c)
    if (text.find(static_cast<char>(c)) != std::string::npos) b.bytes.push_back(static_cast<uint8_t>(c));
  b.length = 4;
  b.origin = static_cast<uint32_t>(std::find(sorted.begin(), sorted.end(), text) - sorted.begin());
  std::vector<int> mtf(b.bytes.begin(), b.bytes.end());
  uint32_t run = 0;
  auto flush = [&] {
    for (; run > 0; run = (run - 1) / 2) b.symbols.push_back(run % 2 == 1 ? 0 : 1);
  };
  for (const std::string& row : sorted) {
    const int c = static_cast<uint8_t>(row.back());
    const int index = static_cast<int>(std::find(mtf.begin(), mtf.end(), c) - mtf.begin());
    if (index == 0) {
      ++run;
      continue;
    }
    flush();
    b.symbols.push_back(index + 1);
    mtf.erase(mtf.begin() + index);
    mtf.insert(mtf.begin(), c);
  }
  flush();
  b.symbols.push_back(static_cast<int>(b.bytes.size()) + 1);
  return b;
}

TEST(Bzip2Decoder, WrittenBlocksDecodeAsTheLibraryDoes) {
  // Runs of 4 with their count byte (0, 1, 255), at the start, the end and back to back; 3 equal
  // bytes at the end.
  struct Case {
    std::string text;   // the block as written
    std::string plain;  // what it stands for
  } cases[] = {
      {std::string("\1\2\0\2\1", 5), std::string("\1\2\0\2\1", 5)},
      {std::string("\0\0\0\0\0\1", 6), std::string("\0\0\0\0\1", 5)},
      {std::string("\0\0\0\0\3\1\2", 7), std::string("\0\0\0\0\0\0\0\1\2", 9)},
      {std::string("\1\2\2\2\2\xFF", 6), "\1" + std::string(259, '\2')},
      {std::string("\1\1\1\1\0\1\1\1\1\1\2", 11), std::string("\1\1\1\1\1\1\1\1\1\2", 10)},
      {std::string("\2\1\1\1", 4), std::string("\2\1\1\1", 4)},
  };
  for (const Case& c : cases) {
    BlockSpec spec = Encode(c.text);
    spec.crc = BlockCrc(c.plain);
    SCOPED_TRACE(c.text.size());
    std::string library;
    EXPECT_TRUE(LibraryDecodes(Block(spec), &library));
    EXPECT_TRUE(library == c.plain);
    std::unique_ptr<StreamDecoder> decoder = MakeBzip2Decoder();
    EXPECT_EQ(Refusal(Block(spec)), "");
    EXPECT_TRUE(Decode(*decoder, Block(spec), 1) == c.plain);
  }
  // 4 equal bytes that end the block with no count after them: no writer makes them, libbz2
  // takes no CRC of what they could mean, and they are refused.
  const std::string no_count("\2\1\1\1\1", 5);
  for (const std::string& plain : {no_count, no_count + '\1', no_count + "\1\1", no_count.substr(0, 4)}) {
    BlockSpec spec = Encode(no_count);
    spec.crc = BlockCrc(plain);
    EXPECT_FALSE(LibraryDecodes(Block(spec)));
    EXPECT_EQ(Refusal(Block(spec)), "invalid bzip2 data: the block ends in a run without its count");
  }
}

TEST(Bzip2Decoder, DamagedStreamsAreRefusedWithTheirCause) {
  const std::string good = Compress(Text(20000));
  // Offsets of a block's fields in bits: magic at 32, CRC at 80, the randomised bit at 112, the
  // origin at 113, the map of the bytes in use at 137.
  const size_t ranges_at = 137;
  uint32_t ranges = 0;
  for (int i = 0; i < 16; ++i) ranges = ranges << 1 | (static_cast<uint8_t>(good[(ranges_at + i) / 8]) >> (7 - (ranges_at + i) % 8) & 1);
  const size_t groups_at = ranges_at + 16 + 16 * static_cast<size_t>(__builtin_popcount(ranges));
  // The last block's end: the stream's CRC sits after the end-of-stream magic.
  size_t end_at = 0;
  for (size_t bit = good.size() * 8 - 80; bit > 0 && !end_at; --bit) {
    uint64_t v = 0;
    for (int i = 0; i < 48; ++i) v = v << 1 | (static_cast<uint8_t>(good[(bit + i) / 8]) >> (7 - (bit + i) % 8) & 1);
    if (v == 0x177245385090) end_at = bit;
  }
  ASSERT_NE(end_at, 0u);

  BlockSpec valid;
  valid.symbols = {2, 3, 4};
  auto spec = [&](auto change) {
    BlockSpec b = valid;
    change(b);
    return Block(b);
  };
  // A run one byte over a block of 100k: 100001 is 1 + 2^k sums of RUNA/RUNB digits.
  auto run_of = [](uint32_t n) {
    std::vector<int> digits;
    while (n > 0) {
      if (n % 2 == 1) {
        digits.push_back(0);
        n = (n - 1) / 2;
      } else {
        digits.push_back(1);
        n = (n - 2) / 2;
      }
    }
    return digits;
  };
  struct Case {
    const char* name;
    std::string stream;
    std::string cause;
    bool library_too;  // libbz2 refuses it as well
  } cases[] = {
      {"no stream header", "PK\3\4" + good.substr(4), "not a bzip2 stream", true},
      {"block size 0", WithBits(good, 24, 8, '0'), "invalid bzip2 data: block size", true},
      {"a block's magic", WithBits(good, 40, 8, 0), "invalid bzip2 data", true},
      {"a block's CRC", Flip(good, 85), "bzip2 block CRC error", true},
      {"the stream's CRC", Flip(good, end_at + 60), "bzip2 stream CRC error", true},
      {"randomised", WithBits(good, 112, 1, 1), "randomised bzip2 blocks are not supported", false},
      {"origin past the block", WithBits(good, 113, 24, 0xFFFFFF), "invalid bzip2 data: origin pointer outside the block",
       true},
      {"no bytes in use", WithBits(good, ranges_at, 16, 0), "invalid bzip2 data: the block uses no bytes", true},
      {"one table", WithBits(good, groups_at, 3, 1), "invalid bzip2 data: number of Huffman tables", true},
      {"seven tables", WithBits(good, groups_at, 3, 7), "invalid bzip2 data: number of Huffman tables", true},
      {"no selectors", WithBits(good, groups_at + 3, 15, 0), "invalid bzip2 data: no selectors", true},
      {"cut in the headers", good.substr(0, 30), "unexpected end of data", true},
      {"cut in the symbols", good.substr(0, good.size() / 2), "unexpected end of data", true},
      {"cut before the stream's CRC", good.substr(0, end_at / 8 + 7), "unexpected end of data", true},
      {"origin equal to the block's size", spec([](BlockSpec& b) { b.origin = 2; }),
       "invalid bzip2 data: origin pointer outside the block", true},
      {"a selector names no table", spec([](BlockSpec& b) { b.first_selector = 2; }),
       "invalid bzip2 data: a selector names no table", true},
      {"fewer selectors than groups of symbols",
       spec([](BlockSpec& b) {
         b.symbols = std::vector<int>(60, 2);
         b.symbols.push_back(4);
         b.selectors = 1;
       }),
       "invalid bzip2 data: more symbols than selectors", true},
      {"code length 0", spec([](BlockSpec& b) { b.lengths = {0, 3, 3, 3, 3}; }),
       "invalid bzip2 data: code length out of range", true},
      {"code length 21", spec([](BlockSpec& b) { b.lengths = {3, 21, 3, 3, 3}; }),
       "invalid bzip2 data: code length out of range", true},
      {"oversubscribed code", spec([](BlockSpec& b) { b.lengths = {1, 1, 1, 3, 3}; }),
       "invalid bzip2 data: oversubscribed Huffman code", false},
      {"a bit pattern of no code", spec([](BlockSpec& b) { b.symbols = {2, 7, 4}; }),
       "invalid bzip2 data: no such Huffman code", true},
      {"no end of block", spec([](BlockSpec& b) {
         b.symbols = {2, 3};
         b.ended = false;
       }), "unexpected end of data", true},
      {"a run longer than the block",
       spec([&](BlockSpec& b) {
         b.symbols = run_of(100001);
         b.symbols.push_back(4);
       }),
       "invalid bzip2 data: run overflows the block", true},
      {"a run that fills the block, then a byte",
       spec([&](BlockSpec& b) {
         b.symbols = run_of(100000);
         b.symbols.push_back(2);
         b.symbols.push_back(4);
       }),
       "invalid bzip2 data: block too large", true},
      {"a byte, then a run past the block's end",
       spec([&](BlockSpec& b) {
         b.symbols = {2};
         for (int d : run_of(100000)) b.symbols.push_back(d);
         b.symbols.push_back(4);
       }),
       "invalid bzip2 data: run overflows the block", true},
      {"a run of 2^31", spec([&](BlockSpec& b) { b.symbols = std::vector<int>(40, 1); }),
       "invalid bzip2 data: run overflows the block", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Refusal(c.stream), c.cause);
    if (c.library_too) {
      EXPECT_FALSE(LibraryDecodes(c.stream));
    }
  }
  // The written block itself is sound, so that each case above fails for its own change only.
  EXPECT_EQ(Refusal(spec([](BlockSpec&) {})), "bzip2 block CRC error");
  BlockSpec sound = valid;
  std::string plain;
  LibraryDecodes(Block(sound), &plain);
  sound.crc = BlockCrc(plain);
  EXPECT_EQ(Refusal(Block(sound)), "");
  EXPECT_TRUE(LibraryDecodes(Block(sound)));
}

}  // namespace
}  // namespace zip
