// Hand-built reduce streams: the DLE escape, match lengths and distances of each factor, the
// follower sets, and the window at its start and at its wrap.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "legacy_test_support.h"

namespace zip::legacy::testing {
namespace {

// Emits a reduce stream: the follower sets first, then each character coded against the set
// of the character before it.
class ReduceWriter {
 public:
  explicit ReduceWriter(std::map<std::uint8_t, std::string> sets = {}) : sets_(std::move(sets)) {
    for (int x = 255; x >= 0; --x) {
      const std::string& set = sets_[static_cast<std::uint8_t>(x)];
      bits_.Put(static_cast<std::uint32_t>(set.size()), 6);
      for (char c : set) bits_.PutByte(static_cast<std::uint8_t>(c));
    }
  }
  // One raw character of the stream (escapes are the caller's business).
  ReduceWriter& Char(std::uint8_t c) {
    const std::string& set = sets_[last_];
    if (!set.empty()) {
      const std::size_t at = set.find(static_cast<char>(c));
      if (at != std::string::npos) {
        bits_.Put(0, 1);
        bits_.Put(static_cast<std::uint32_t>(at), IndexBits(set.size()));
        last_ = c;
        return *this;
      }
      bits_.Put(1, 1);
    }
    bits_.PutByte(c);
    last_ = c;
    return *this;
  }
  ReduceWriter& Chars(std::initializer_list<int> chars) {
    for (int c : chars) Char(static_cast<std::uint8_t>(c));
    return *this;
  }
  // A plain byte, escaping the DLE.
  ReduceWriter& Literal(std::uint8_t c) {
    Char(c);
    if (c == 144) Char(0);
    return *this;
  }
  const Bytes& bytes() const { return bits_.bytes(); }

 private:
  static int IndexBits(std::size_t n) {
    int bits = 1;
    while ((std::size_t{1} << bits) < n) ++bits;
    return bits;
  }

  std::map<std::uint8_t, std::string> sets_;
  BitWriter bits_;
  std::uint8_t last_ = 0;
};

struct ReduceCase {
  const char* name;
  int factor;
  Bytes stream;
  std::string output;
};

std::ostream& operator<<(std::ostream& os, const ReduceCase& c) { return os << c.name; }

std::vector<ReduceCase> Cases() {
  using namespace std::string_literals;
  return {
      {"EscapeThenZeroIsTheByte144", 4, ReduceWriter().Chars({'A', 144, 0, 'B'}).bytes(), "A\x90" "B"},
      // 144, V=1, 2: length 1 + 3, distance 2 + 1.
      {"EscapeThenValueStartsMatch", 4, ReduceWriter().Chars({'a', 'b', 'c', 144, 1, 2}).bytes(), "abc" "abca"},
      // Factor 1: V=127 fills the 7 length bits, so the next character (255) is added:
      // 127 + 255 + 3 = 385 copies at distance 1.
      {"LongestMatchOfFactor1", 1, ReduceWriter().Chars({'x', 144, 127, 255, 0}).bytes(), std::string(386, 'x')},
      // Factor 2: the top two bits of V give the distance's high byte: 0x42 = length 2,
      // distance 1 * 256 + 0 + 1 = 257 back from position 2, entirely before the data: zeros.
      {"HighDistanceBitsOfFactor2", 2, ReduceWriter().Chars({'p', 'q', 144, 0x42, 0}).bytes(), "pq" + std::string(5, '\0')},
      // Distance 4 from position 2 starts two bytes before the data: those read as zeros, the
      // rest is copied from the start of the window.
      {"MatchBeforeTheStartReadsZeros", 4, ReduceWriter().Chars({'a', 'b', 144, 2, 3}).bytes(), "ab\0\0ab\0"s},
      // Followers of 'a' are "bcd" (2 index bits); 'a' and 'z' are not among them.
      {"FollowerSets", 3, ReduceWriter({{'a', "bcd"}, {'z', "a"}}).Chars({'a', 'b', 'a', 'c', 'a', 'd', 'a', 'a', 'z', 'a'}).bytes(),
       "abacadaaza"},
  };
}

class UnreduceCase : public ::testing::TestWithParam<ReduceCase> {};

TEST_P(UnreduceCase, Decodes) {
  const ReduceCase& c = GetParam();
  DecodeResult result = DecodeEntry(c.factor + 1, c.stream, static_cast<std::int64_t>(c.output.size()), 0);
  EXPECT_EQ(result.end, DecodeEnd::kComplete);
  EXPECT_EQ(std::string(result.data.begin(), result.data.end()), c.output);
}

INSTANTIATE_TEST_SUITE_P(Streams, UnreduceCase, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<ReduceCase>& info) { return info.param.name; });

// The window fills exactly, is handed on at once and its first pass ends: a match that reaches
// back over the wrap now copies real bytes instead of zeros.
TEST(Unreduce, MatchAcrossTheWindowWrap) {
  ReduceWriter writer;
  Bytes expected;
  for (int i = 0; i < 16384; ++i) {
    const auto byte = static_cast<std::uint8_t>(i * 7 + i / 256);
    writer.Literal(byte);
    expected.push_back(byte);
  }
  writer.Chars({144, 1, 2});  // length 4, distance 3
  for (int i = 0; i < 4; ++i) expected.push_back(expected[expected.size() - 3]);

  DecodeResult exact = DecodeEntry(5, writer.bytes(), 16384, 0);
  EXPECT_EQ(exact.end, DecodeEnd::kComplete);
  EXPECT_EQ(exact.data, Bytes(expected.begin(), expected.begin() + 16384));

  DecodeResult result = DecodeEntry(5, writer.bytes(), static_cast<std::int64_t>(expected.size()), 0);
  EXPECT_EQ(result.end, DecodeEnd::kComplete);
  EXPECT_EQ(result.data, expected);
}

TEST(Unreduce, EmptyEntryProducesNothing) {
  const Bytes stream = ReduceWriter().Chars({'a', 'b'}).bytes();
  DecodeResult result = DecodeEntry(2, stream, 0, 0);
  EXPECT_EQ(result.end, DecodeEnd::kComplete);
  EXPECT_TRUE(result.data.empty());
  EXPECT_TRUE(result.blocks.empty());
}

}  // namespace
}  // namespace zip::legacy::testing
