// Hand-built shrink streams for the corners of the code table the fixtures do not reach on
// purpose: codes defined one step ahead, widening, and leaf-only clearing.
#include <gtest/gtest.h>

#include <string>

#include "legacy_test_support.h"

namespace zip::legacy::testing {
namespace {

// Writes codes at the width the decoder expects; Grow/Clear emit the escapes and track it.
class ShrinkWriter {
 public:
  ShrinkWriter& Code(int code) {
    bits_.Put(static_cast<std::uint32_t>(code), width_);
    return *this;
  }
  ShrinkWriter& Text(const std::string& text) {
    for (char c : text) Code(static_cast<std::uint8_t>(c));
    return *this;
  }
  ShrinkWriter& Grow() {
    Code(256).Code(1);
    ++width_;
    return *this;
  }
  ShrinkWriter& Clear() { return Code(256).Code(2); }
  const Bytes& bytes() const { return bits_.bytes(); }

 private:
  BitWriter bits_;
  int width_ = 9;
};

std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

struct ShrinkCase {
  const char* name;
  Bytes stream;
  DecodeEnd end;
  std::string output;
};

std::ostream& operator<<(std::ostream& os, const ShrinkCase& c) { return os << c.name; }

std::vector<ShrinkCase> Cases() {
  return {
      {"PlainBytes", ShrinkWriter().Text("hello").bytes(), DecodeEnd::kComplete, "hello"},
      // 257 is used before the decoder has defined it: the previous string plus its own first
      // byte ("a" + "a"), and likewise 258 right after.
      {"CodeEqualToNextFree", ShrinkWriter().Code('a').Code(257).Code(258).bytes(), DecodeEnd::kComplete,
       "a" "aa" "aaa"},
      {"GrowWidensCodes", ShrinkWriter().Code('a').Grow().Code('b').Code(257).bytes(), DecodeEnd::kComplete,
       "a" "b" "ab"},
      // After four widenings the codes are 13 bits; a fifth would index past the tables.
      {"GrowPastThirteenBits",
       ShrinkWriter().Code('a').Grow().Grow().Grow().Grow().Code('b').Grow().Code('c').bytes(),
       DecodeEnd::kDamaged, "ab"},
      // Builds 257 "ab", 258 "bc", 259 "cd", 260 "da", 261 "abc" (on 257), 262 "ca",
      // 263 "abca" (on 261). The first clear frees the leaves 258..260, 262, 263; the second
      // frees 261, which has become a leaf, but must keep 257 whose child 261 still lived when
      // the clear began. 257 then still reads "ab", and the next code takes the lowest free
      // number, 258 ("a" + "a").
      {"PartialClearFreesOnlyLeaves",
       ShrinkWriter().Text("abcd").Code(257).Code('c').Code(261).Code('a').Clear().Clear().Code(257).Code(258).bytes(),
       DecodeEnd::kComplete, "abcd" "ab" "c" "abc" "a" "ab" "aa"},
      // A clear that also frees the previous code leaves a chain that only loops through free
      // codes; the decoder gives up instead of filling its stack forever.
      {"ChainThroughFreedCodes", ShrinkWriter().Text("ab").Code(257).Clear().Code(300).bytes(), DecodeEnd::kDamaged,
       "a" "b" "ab"},
      {"NoData", {}, DecodeEnd::kComplete, ""},
  };
}

class UnshrinkCase : public ::testing::TestWithParam<ShrinkCase> {};

TEST_P(UnshrinkCase, Decodes) {
  const ShrinkCase& c = GetParam();
  DecodeResult result = DecodeEntry(1, c.stream, 0, 0);
  EXPECT_EQ(result.end, c.end);
  EXPECT_EQ(AsText(result.data), c.output);
}

INSTANTIATE_TEST_SUITE_P(Streams, UnshrinkCase, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<ShrinkCase>& info) { return info.param.name; });

// Strings longer than what is left of an output block are split over the flushes, never lost.
TEST(Unshrink, LongOutputLeavesInFullBlocks) {
  ShrinkWriter writer;
  writer.Code('x');
  // Each code repeats the string of the one before plus one byte: 1 + 2 + ... + n bytes.
  int total = 1;
  for (int code = 257; code < 700; ++code) {
    if (code == 512) writer.Grow();
    writer.Code(code);
    total += code - 255;
  }
  DecodeResult result = DecodeEntry(1, writer.bytes(), 0, 0);
  EXPECT_EQ(result.end, DecodeEnd::kComplete);
  ASSERT_EQ(result.data.size(), static_cast<std::size_t>(total));
  EXPECT_EQ(result.data, Bytes(result.data.size(), 'x'));
  ASSERT_GE(result.blocks.size(), 2u);
  for (std::size_t i = 0; i + 1 < result.blocks.size(); ++i) EXPECT_EQ(result.blocks[i], kOutputBlockSize);
}

}  // namespace
}  // namespace zip::legacy::testing
