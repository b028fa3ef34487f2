// Hand-built implode streams: both dictionary sizes with and without a literal tree, the long
// length symbol, the lookup width rule and broken tree descriptions.
#include <gtest/gtest.h>

#include <string>

#include "legacy_test_support.h"

namespace zip::legacy::testing {
namespace {

constexpr std::uint16_t kLargeDictionary = 0x02;
constexpr std::uint16_t kLiteralTree = 0x04;

using Lengths = std::vector<std::uint8_t>;

// The run-length description of a tree: a count byte, then (length - 1) | (repeat - 1) << 4.
Bytes Describe(const Lengths& lengths) {
  Bytes pairs;
  for (std::size_t i = 0; i < lengths.size();) {
    std::size_t run = 1;
    while (i + run < lengths.size() && lengths[i + run] == lengths[i] && run < 16) ++run;
    pairs.push_back(static_cast<std::uint8_t>((lengths[i] - 1) | (run - 1) << 4));
    i += run;
  }
  pairs.insert(pairs.begin(), static_cast<std::uint8_t>(pairs.size() - 1));
  return pairs;
}

// Canonical codes of a set of lengths, shortest first, in symbol order within a length.
std::vector<std::uint32_t> CanonicalCodes(const Lengths& lengths) {
  std::vector<std::uint32_t> codes(lengths.size());
  std::uint32_t code = 0;
  for (int len = 1; len <= 16; ++len) {
    for (std::size_t s = 0; s < lengths.size(); ++s)
      if (lengths[s] == len) codes[s] = code++;
    code <<= 1;
  }
  return codes;
}

// Lengths 5 (symbols 0, 1), 6 (2..60), 7 (61) and 8 (62, 63): a complete code whose longest
// codes are wider than a 7-bit lookup.
Lengths MixedDistanceLengths() {
  Lengths lengths(64, 6);
  lengths[0] = lengths[1] = 5;
  lengths[61] = 7;
  lengths[62] = lengths[63] = 8;
  return lengths;
}

class ImplodeWriter {
 public:
  ImplodeWriter(std::uint16_t flags, Lengths distance_lengths = Lengths(64, 6))
      : flags_(flags), literal_lengths_(256, 8), length_lengths_(64, 6), distance_lengths_(std::move(distance_lengths)) {
    if (flags_ & kLiteralTree) Raw(Describe(literal_lengths_));
    Raw(Describe(length_lengths_));
    Raw(Describe(distance_lengths_));
  }
  ImplodeWriter& Raw(const Bytes& bytes) {
    for (std::uint8_t b : bytes) bits_.PutByte(b);
    return *this;
  }
  ImplodeWriter& Literal(std::uint8_t byte) {
    bits_.Put(1, 1);
    if (flags_ & kLiteralTree) {
      bits_.PutCode(CanonicalCodes(literal_lengths_)[byte], literal_lengths_[byte]);
    } else {
      bits_.PutByte(byte);
    }
    plain_.push_back(byte);
    return *this;
  }
  ImplodeWriter& Text(const std::string& text) {
    for (char c : text) Literal(static_cast<std::uint8_t>(c));
    return *this;
  }
  ImplodeWriter& Match(int distance, int length) {
    const int low_bits = (flags_ & kLargeDictionary) ? 7 : 6;
    bits_.Put(0, 1);
    bits_.Put(static_cast<std::uint32_t>(distance - 1) & ((1u << low_bits) - 1), low_bits);
    const std::size_t distance_symbol = static_cast<std::size_t>((distance - 1) >> low_bits);
    bits_.PutCode(CanonicalCodes(distance_lengths_)[distance_symbol], distance_lengths_[distance_symbol]);
    const int extra = length - ((flags_ & kLiteralTree) ? 3 : 2);
    const std::size_t length_symbol = static_cast<std::size_t>(std::min(extra, 63));
    bits_.PutCode(CanonicalCodes(length_lengths_)[length_symbol], length_lengths_[length_symbol]);
    if (length_symbol == 63) bits_.PutByte(static_cast<std::uint8_t>(extra - 63));
    for (int i = 0; i < length; ++i) {
      const std::ptrdiff_t from = static_cast<std::ptrdiff_t>(plain_.size()) - distance;
      plain_.push_back(from < 0 ? 0 : plain_[static_cast<std::size_t>(from)]);
    }
    return *this;
  }
  const Bytes& bytes() const { return bits_.bytes(); }
  // What the stream decodes to: before the entry's first byte a match reads zeros.
  const Bytes& plain() const { return plain_; }

 private:
  std::uint16_t flags_;
  Lengths literal_lengths_;
  Lengths length_lengths_;
  Lengths distance_lengths_;
  BitWriter bits_;
  Bytes plain_;
};

DecodeResult Decode(const Bytes& stream, std::uint16_t flags, std::int64_t uncompressed_size,
                    std::int64_t compressed_size) {
  WorkArea& work = DirtyWorkArea();
  MemoryReader reader(stream);
  CollectingSink sink;
  ExplodeParams params;
  params.uncompressed_size = uncompressed_size;
  params.compressed_size = compressed_size;
  params.flags = flags;
  DecodeResult result;
  result.end = Explode(reader, sink, work, params);
  result.data = std::move(sink.data);
  result.blocks = std::move(sink.blocks);
  return result;
}

class ExplodeLayout : public ::testing::TestWithParam<std::uint16_t> {};

// Literals, the shortest and longest plain lengths, the length symbol 63 with its extra byte,
// distances around the symbol boundaries of the dictionary, and matches that start before
// the entry's first byte.
TEST_P(ExplodeLayout, DecodesLiteralsAndMatches) {
  const std::uint16_t flags = GetParam();
  const int min_length = (flags & kLiteralTree) ? 3 : 2;
  const int step = (flags & kLargeDictionary) ? 128 : 64;
  ImplodeWriter writer(flags);
  writer.Text("Halvex\x90\xff").Match(3, min_length).Match(1, min_length + 62).Match(2, min_length + 63);
  writer.Match(1, min_length + 63 + 255);
  for (int i = 0; i < 300; ++i) writer.Literal(static_cast<std::uint8_t>(i * 13));
  writer.Match(step, 10).Match(step + 1, 10).Match(63 * step + step, 20).Match(5, 4);
  writer.Match(40 * step + 3, min_length + 100);  // reaches before the data
  DecodeResult result = Decode(writer.bytes(), flags, static_cast<std::int64_t>(writer.plain().size()), 1000);
  EXPECT_EQ(result.end, DecodeEnd::kComplete);
  EXPECT_EQ(result.data, writer.plain());
}

INSTANTIATE_TEST_SUITE_P(Flags, ExplodeLayout,
                         ::testing::Values(0, kLargeDictionary, kLiteralTree, kLargeDictionary | kLiteralTree),
                         [](const ::testing::TestParamInfo<std::uint16_t>& info) {
                           return std::string((info.param & kLargeDictionary) ? "Dict8K" : "Dict4K") +
                                  ((info.param & kLiteralTree) ? "ThreeTrees" : "TwoTrees");
                         });

// Above 200000 compressed bytes the distance table looks up 8 bits instead of 7; with codes of
// 8 bits that moves them out of sub-tables, and the output must not change.
TEST(Explode, DistanceLookupWidthDoesNotChangeTheOutput) {
  ImplodeWriter writer(0, MixedDistanceLengths());
  for (int i = 0; i < 4100; ++i) writer.Literal(static_cast<std::uint8_t>(i ^ (i >> 5)));
  writer.Match(62 * 64 + 1, 8).Match(63 * 64 + 64, 9).Match(61 * 64 + 7, 5).Match(1 * 64 + 2, 5).Match(3, 4);
  const auto size = static_cast<std::int64_t>(writer.plain().size());
  for (std::int64_t compressed : {200000, 200001}) {
    SCOPED_TRACE(compressed);
    DecodeResult result = Decode(writer.bytes(), 0, size, compressed);
    EXPECT_EQ(result.end, DecodeEnd::kComplete);
    EXPECT_EQ(result.data, writer.plain());
  }
}

// A window of exactly 32768 bytes is handed on whole, and after it a match may reach back over
// the wrap to real bytes.
TEST(Explode, WindowWrap) {
  ImplodeWriter writer(kLargeDictionary);
  for (int i = 0; i < 32768; ++i) writer.Literal(static_cast<std::uint8_t>(i * 31 + (i >> 8)));
  writer.Match(8000, 70);
  DecodeResult exact = Decode(writer.bytes(), kLargeDictionary, 32768, 50000);
  EXPECT_EQ(exact.blocks, std::vector<std::size_t>{32768});
  DecodeResult result = Decode(writer.bytes(), kLargeDictionary, 32768 + 70, 50000);
  EXPECT_EQ(result.data, writer.plain());
  EXPECT_EQ(result.blocks, (std::vector<std::size_t>{32768, 70}));
}

struct BadTree {
  const char* name;
  Bytes length_description;  // replaces the length tree of a 2-tree 4 KiB stream
  DecodeEnd end;
};

std::ostream& operator<<(std::ostream& os, const BadTree& c) { return os << c.name; }

// Every broken description ends the entry before anything is written.
const BadTree kBadTrees[] = {
    {"RepeatsPassTheCodeCount", {4, 0xF5, 0xF5, 0xF5, 0xF5, 0x05}, DecodeEnd::kDamaged},
    {"RepeatsFallShort", {2, 0xF5, 0xF5, 0xF5}, DecodeEnd::kDamaged},
    {"OverSubscribed", {3, 0xF4, 0xF4, 0xF4, 0xF4}, DecodeEnd::kDamaged},  // 64 codes of 5 bits
    {"Incomplete", {3, 0xF6, 0xF6, 0xF6, 0xF6}, DecodeEnd::kDamaged},      // 64 codes of 7 bits
    {"DataEndsInside", {3, 0xF5}, DecodeEnd::kDataEnded},
};

class ExplodeBadTree : public ::testing::TestWithParam<BadTree> {};

TEST_P(ExplodeBadTree, EndsWithoutOutput) {
  const BadTree& c = GetParam();
  Bytes stream = c.length_description;
  if (c.end != DecodeEnd::kDataEnded) {
    ImplodeWriter good(0);
    good.Text("some text that would otherwise be written");
    const Bytes& rest = good.bytes();
    stream.insert(stream.end(), rest.begin() + static_cast<std::ptrdiff_t>(Describe(Lengths(64, 6)).size()), rest.end());
  }
  DecodeResult result = Decode(stream, 0, 41, static_cast<std::int64_t>(stream.size()));
  EXPECT_EQ(result.end, c.end);
  EXPECT_TRUE(result.blocks.empty());
}

INSTANTIATE_TEST_SUITE_P(Descriptions, ExplodeBadTree, ::testing::ValuesIn(kBadTrees),
                         [](const ::testing::TestParamInfo<BadTree>& info) { return info.param.name; });

TEST(Explode, EmptyEntryProducesNothing) {
  ImplodeWriter writer(kLiteralTree);
  writer.Text("ignored");
  DecodeResult result = Decode(writer.bytes(), kLiteralTree, 0, 100);
  EXPECT_EQ(result.end, DecodeEnd::kComplete);
  EXPECT_TRUE(result.blocks.empty());
}

}  // namespace
}  // namespace zip::legacy::testing
