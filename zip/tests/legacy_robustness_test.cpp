// Damaged data: the decoders end the entry (the CRC-32 judges it), produce output in proportion
// to their input however large the declared size, and let the caller's exceptions through.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <stdexcept>

#include "legacy_test_support.h"

namespace zip::legacy::testing {
namespace {

struct Sample {
  const char* archive;
  const char* entry;
};

std::ostream& operator<<(std::ostream& os, const Sample& s) { return os << s.archive; }

// The largest entry of each method (and each reduce factor the fixtures hold).
const Sample kSamples[] = {
    {"d2a_HWSHRINK.ZIP", "TESTDAT3.TXT"},
    {"d2s_PKZ80B1.ZIP", "TEST.JPG"},
    {"d2s_PKZ80B3.ZIP", "TEST.JPG"},
    {"d2a_HWREDUCE.ZIP", "TESTDAT3.TXT"},
    {"d2a_HWIMPODE.ZIP", "TESTDAT3.TXT"},
    {"cc_imploding-4Kdict-2trees.zip", "HEADER.TXT"},
};

LocalEntry FindEntry(const Sample& sample) {
  for (LocalEntry& e : WalkLocalHeaders(ReadLegacyFixture(sample.archive)))
    if (e.name == sample.entry) return e;
  throw std::runtime_error(std::string("no entry ") + sample.entry);
}

class DamagedData : public ::testing::TestWithParam<Sample> {};

// Cut at several points, the data ends the entry early and what came out is a prefix of the
// real content.
TEST_P(DamagedData, TruncatedDataEndsEarlyWithAPrefix) {
  const LocalEntry entry = FindEntry(GetParam());
  const Bytes whole = DecodeEntry(entry.method, entry.data, entry.uncompressed_size, entry.flags).data;
  ASSERT_EQ(Crc32(whole), entry.crc);
  for (std::size_t keep : {std::size_t{0}, std::size_t{1}, entry.data.size() / 3, entry.data.size() - 1}) {
    SCOPED_TRACE(keep);
    const Bytes cut(entry.data.begin(), entry.data.begin() + static_cast<std::ptrdiff_t>(keep));
    const DecodeResult result = DecodeEntry(entry.method, cut, entry.uncompressed_size, entry.flags);
    if (entry.method != 1) {
      EXPECT_EQ(result.end, DecodeEnd::kDataEnded);
    }
    ASSERT_LT(result.data.size(), whole.size());
    EXPECT_TRUE(std::equal(result.data.begin(), result.data.end(), whole.begin()));
  }
}

// Random bytes after the start of real data (its tree descriptions or follower sets), with a declared size of a
// terabyte: the decoder stops when the data does.
TEST_P(DamagedData, RandomDataWithHugeDeclaredSizeStaysBounded) {
  const LocalEntry entry = FindEntry(GetParam());
  std::mt19937 random(12345);
  for (int round = 0; round < 20; ++round) {
    Bytes data(entry.data.begin(), entry.data.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(entry.data.size() / 4, 2000)));
    for (int i = 0; i < 3000; ++i) data.push_back(static_cast<std::uint8_t>(random()));
    const DecodeResult result = DecodeEntry(entry.method, data, std::int64_t{1} << 40, entry.flags);
    if (entry.method != 1) {  // shrink has no size to reach
      EXPECT_NE(result.end, DecodeEnd::kComplete);
    }
    // The longest string one code can stand for, per bit of input, bounds any output.
    EXPECT_LE(result.data.size(), data.size() * 8 * 1024);
  }
}

// The sink's size guard and the reader's premature-end error come through unchanged.
TEST_P(DamagedData, CallerExceptionsPassThrough) {
  const LocalEntry entry = FindEntry(GetParam());
  WorkArea& work = DirtyWorkArea();
  auto run = [&](ByteReader& reader, OutputSink& sink) {
    if (entry.method == 1) {
      Unshrink(reader, sink, work);
    } else if (entry.method <= 5) {
      Unreduce(reader, sink, work, entry.method - 1, entry.uncompressed_size);
    } else {
      ExplodeParams params{entry.uncompressed_size, static_cast<std::int64_t>(entry.data.size()), entry.flags};
      Explode(reader, sink, work, params);
    }
  };
  {
    MemoryReader reader(entry.data);
    CollectingSink small_sink(entry.uncompressed_size / 2);
    EXPECT_THROW(run(reader, small_sink), std::length_error);
  }
  {
    struct FailingReader : ByteReader {
      bool NextByte(std::uint8_t&) override { throw std::runtime_error("Premature end of file reached"); }
    } reader;
    CollectingSink sink;
    EXPECT_THROW(run(reader, sink), std::runtime_error);
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, DamagedData, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<Sample>& info) {
                           std::string name = info.param.archive;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace zip::legacy::testing
