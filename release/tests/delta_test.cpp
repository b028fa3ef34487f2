#include <gtest/gtest.h>
#include <lzma.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "delta_format.h"
#include "release/delta.h"

namespace {

using release::ApplyPatch;
using release::EDeltaError;
using release::MakePatch;
using Bytes = std::vector<uint8_t>;

// Bytes that look a little like code: short repeated phrases with noise, so that matches exist
// but are not trivial.
Bytes CodeLike(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes phrases(4096);
  for (auto& b : phrases) b = static_cast<uint8_t>(rng());
  Bytes out;
  out.reserve(size);
  while (out.size() < size) {
    const size_t at = rng() % (phrases.size() - 64), len = 4 + rng() % 60;
    out.insert(out.end(), phrases.begin() + at, phrases.begin() + at + len);
    out.push_back(static_cast<uint8_t>(rng()));
  }
  out.resize(size);
  return out;
}

Bytes Random(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Slice(const Bytes& b, size_t from, size_t to) { return Bytes(b.begin() + from, b.begin() + to); }

struct PatchCase {
  const char* name;
  std::function<Bytes()> base;
  std::function<Bytes(const Bytes&)> result;
  size_t max_patch;  // what a patch of this change may cost at most: about 300 bytes of header
                     // and stream framing, plus the new bytes
};
void PrintTo(const PatchCase& c, std::ostream* out) { *out << c.name; }

// A 20 MB base with a few hundred scattered edits (single bytes, short insertions and deletions).
Bytes ScatteredEdits(const Bytes& base) {
  std::mt19937 rng(7);
  Bytes out;
  out.reserve(base.size() + 4096);
  size_t at = 0;
  while (at < base.size()) {
    const size_t run = std::min<size_t>(base.size() - at, 40000 + rng() % 40000);
    out.insert(out.end(), base.begin() + at, base.begin() + at + run);
    at += run;
    switch (rng() % 3) {
      case 0: if (!out.empty()) out.back() ^= 0x5a; break;
      case 1: for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(rng())); break;
      default: at = std::min(base.size(), at + 8); break;
    }
  }
  return out;
}

const PatchCase kCases[] = {
    {"Identical", [] { return CodeLike(200000, 1); }, [](const Bytes& b) { return b; }, 300},
    {"Appended", [] { return CodeLike(200000, 2); },
     [](const Bytes& b) { return Concat({b, Random(1000, 3)}); }, 1400},
    {"InsertedInTheMiddle", [] { return CodeLike(200000, 4); },
     [](const Bytes& b) { return Concat({Slice(b, 0, 100000), Random(500, 5), Slice(b, 100000, b.size())}); }, 900},
    {"DeletedFromTheMiddle", [] { return CodeLike(200000, 6); },
     [](const Bytes& b) { return Concat({Slice(b, 0, 70000), Slice(b, 90000, b.size())}); }, 350},
    {"HalvesSwapped", [] { return CodeLike(200000, 8); },
     [](const Bytes& b) { return Concat({Slice(b, 100000, b.size()), Slice(b, 0, 100000)}); }, 350},
    {"EveryByteChanged", [] { return Random(100000, 9); },
     [](const Bytes& b) {
       Bytes r = b;
       for (auto& x : r) x = static_cast<uint8_t>(~x);
       return r;
     },
     101000},
    {"UnrelatedFiles", [] { return Random(50000, 10); }, [](const Bytes&) { return Random(50000, 11); }, 51000},
    {"EmptyBase", [] { return Bytes(); }, [](const Bytes&) { return CodeLike(100000, 12); }, 100000},
    {"EmptyResult", [] { return CodeLike(100000, 13); }, [](const Bytes&) { return Bytes(); }, 300},
    {"BothEmpty", [] { return Bytes(); }, [](const Bytes&) { return Bytes(); }, 300},
    {"OneByteEach", [] { return Bytes{1}; }, [](const Bytes&) { return Bytes{2}; }, 300},
    // Long runs of one byte with a change in them: the scan must not search the run again at
    // every byte (this took minutes before long matches were taken as they are).
    {"RunsWithEdits", [] { return Concat({Bytes(3000000, 0), Random(1000, 14), Bytes(3000000, 0)}); },
     [](const Bytes& b) {
       Bytes r = Concat({Bytes(10, 0), b});
       r[1500000] = 1;
       r[4500000] = 2;
       return r;
     },
     2000},
    // Two bytes in five changed at random: the differences are long and hard to pack, in
    // several blocks.
    {"TwoBytesInFiveChanged", [] { return CodeLike(9 << 20, 16); },
     [](const Bytes& b) {
       std::mt19937 rng(17);
       Bytes r = b;
       for (auto& x : r)
         if (rng() % 5 < 2) x = static_cast<uint8_t>(rng());
       return r;
     },
     6 << 20},
    {"TwentyMegabytesScatteredEdits", [] { return CodeLike(20 << 20, 15); }, ScatteredEdits, 40000},
};

class DeltaPatchCase : public testing::TestWithParam<PatchCase> {};

TEST_P(DeltaPatchCase, AppliesToTheResultAndStaysSmall) {
  const PatchCase& c = GetParam();
  const Bytes base = c.base();
  const Bytes result = c.result(base);
  const Bytes patch = MakePatch(base, result);
  EXPECT_LE(patch.size(), c.max_patch);

  const release::DeltaHeader header = release::ReadDeltaHeader(patch);
  EXPECT_EQ(header.base_size, base.size());
  EXPECT_EQ(header.result_size, result.size());

  Bytes applied;
  size_t pieces = 0;
  ApplyPatch(base, patch, [&](std::span<const uint8_t> piece) {
    EXPECT_GT(piece.size(), 0u);
    EXPECT_LE(piece.size(), release::kDeltaChunkSize);
    applied.insert(applied.end(), piece.begin(), piece.end());
    ++pieces;
  });
  EXPECT_TRUE(applied == result) << "the applied patch differs from the result";
  EXPECT_GE(pieces, result.size() / release::kDeltaChunkSize);
}

INSTANTIATE_TEST_SUITE_P(Delta, DeltaPatchCase, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PatchCase>& info) { return std::string(info.param.name); });

TEST(DeltaPatch, AFileAboveTheLimitGetsNoPatch) {
  const Bytes small(16);
  // Never read: the size is refused first.
  const std::span<const uint8_t> huge(small.data(), release::kMaxDeltaFileSize + 1);
  EXPECT_THROW(MakePatch(huge, small), EDeltaError);
  EXPECT_THROW(MakePatch(small, huge), EDeltaError);
}

// --- Damaged and hostile patches -----------------------------------------------------------

std::string ApplyError(const Bytes& base, const Bytes& patch) {
  try {
    ApplyPatch(base, patch, [](std::span<const uint8_t>) {});
  } catch (const EDeltaError& e) {
    return e.what();
  }
  return "";
}

struct Fixture {
  Bytes base = CodeLike(300000, 21);
  Bytes result = Concat({Slice(base, 0, 150000), Random(3000, 22), Slice(base, 150100, base.size())});
  Bytes patch = MakePatch(base, result);

  size_t StreamStart(int s) const {
    size_t at = release::delta::kHeaderSize;
    for (int i = 0; i < s; ++i) at += StreamLength(i);
    return at;
  }
  size_t StreamLength(int s) const { return release::delta::GetLe64(&patch[24 + 8 * s]); }
};

TEST(DeltaPatch, ACutShortPatchIsAnError) {
  const Fixture f;
  ASSERT_FALSE(ApplyError(f.base, f.patch) != "");
  std::vector<size_t> cuts = {0, 3, 8, release::delta::kHeaderSize - 1, release::delta::kHeaderSize, f.patch.size() - 1};
  for (int s = 0; s < release::delta::kStreamCount; ++s) cuts.push_back(f.StreamStart(s) + f.StreamLength(s) / 2);
  for (size_t cut : cuts) {
    const Bytes cut_patch(f.patch.begin(), f.patch.begin() + cut);
    EXPECT_NE(ApplyError(f.base, cut_patch), "") << "cut at " << cut;
  }
  EXPECT_EQ(ApplyError(f.base, Slice(f.patch, 0, release::delta::kHeaderSize - 1)), "Delta patch is cut short");
}

TEST(DeltaPatch, AFlippedByteInAnyStreamIsAnError) {
  const Fixture f;
  for (int s = 0; s < release::delta::kStreamCount; ++s) {
    const size_t start = f.StreamStart(s), length = f.StreamLength(s);
    // The stream's header, its packed data and its closing check and footer.
    for (size_t at : {start + 2, start + length / 3, start + length / 2, start + length - 20, start + length - 1}) {
      Bytes bad = f.patch;
      bad[at] ^= 0x10;
      const std::string error = ApplyError(f.base, bad);
      EXPECT_NE(error, "") << "byte " << at << " of stream " << s;
      // Garbled records may be refused as records before the stream's check is reached; the
      // other two streams are only ever caught by their decoder or check.
      if (s != release::delta::kRecords) {
        EXPECT_NE(error.find(std::string("the ") + release::delta::kStreamNames[s] + " stream"), std::string::npos)
            << "byte " << at << " of stream " << s << ": " << error;
      }
    }
  }
}

TEST(DeltaPatch, LyingSizesAreErrors) {
  const Fixture f;
  struct Lie {
    size_t field;
    int64_t change;
    const char* error_part;
  };
  const Lie lies[] = {
      {8, 1, "for a base file of 300001 bytes, not 300000"},
      {8, -1, "for a base file of"},
      {16, 1, "ends before the records do"},
      {16, -1, "longer result than its header says"},
      {16, int64_t{1} << 40, "a file size above the limit"},
      {24, 1, "cut short"},
      {24, -1, "bytes after its last stream"},
      {32, int64_t{1} << 62, "cut short"},
  };
  for (const Lie& lie : lies) {
    Bytes bad = f.patch;
    release::delta::PutLe64(&bad[lie.field], release::delta::GetLe64(&bad[lie.field]) + lie.change);
    EXPECT_NE(ApplyError(f.base, bad).find(lie.error_part), std::string::npos)
        << "field " << lie.field << " changed by " << lie.change << ": " << ApplyError(f.base, bad);
  }
  // Lengths moved between two streams, their sum unchanged.
  Bytes moved = f.patch;
  release::delta::PutLe64(&moved[24], f.StreamLength(0) + 1);
  release::delta::PutLe64(&moved[32], f.StreamLength(1) - 1);
  EXPECT_NE(ApplyError(f.base, moved), "");
  // The right size, the wrong base: only the result's checksum can tell (the caller's).
  EXPECT_EQ(ApplyError(f.base, f.patch), "");
  EXPECT_NE(ApplyError(Bytes(f.base.size() + 1), f.patch), "");
}

TEST(DeltaPatch, NotAPatchOrAnotherVersion) {
  EXPECT_EQ(ApplyError({}, {}), "Not a delta patch");
  EXPECT_EQ(ApplyError({}, Random(100, 31)), "Not a delta patch");
  Bytes patch = MakePatch({}, {});
  EXPECT_EQ(patch[release::delta::kVersionOffset], release::delta::kVersion);
  for (const uint8_t version : {0, 3, 255}) {
    patch[release::delta::kVersionOffset] = version;
    EXPECT_EQ(ApplyError({}, patch), "Delta patch of an unsupported version (" + std::to_string(version) + ")");
  }
}

// A patch assembled from raw streams, to say what a maker of ours never would.
Bytes Pack(const Bytes& data, uint32_t dictionary = 1 << 16) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  options.dict_size = dictionary;
  lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  Bytes out(lzma_stream_buffer_bound(data.size()));
  size_t size = 0;
  EXPECT_EQ(lzma_stream_buffer_encode(filters, LZMA_CHECK_CRC32, nullptr, data.data(), data.size(), out.data(),
                                      &size, out.size()),
            LZMA_OK);
  out.resize(size);
  return out;
}

constexpr uint8_t kPlain = release::delta::kPlainDifferencesVersion, kRuns = release::delta::kVersion;

Bytes Assemble(uint8_t version, uint64_t base_size, uint64_t result_size, const Bytes& records, const Bytes& diff,
               const Bytes& extra, uint32_t diff_dictionary = 1 << 16) {
  const Bytes packed[] = {Pack(records), Pack(diff, diff_dictionary), Pack(extra)};
  Bytes patch(release::delta::kHeaderSize);
  std::copy(release::delta::kMagic.begin(), release::delta::kMagic.end(), patch.begin());
  patch[release::delta::kVersionOffset] = version;
  release::delta::PutLe64(&patch[8], base_size);
  release::delta::PutLe64(&patch[16], result_size);
  for (int s = 0; s < 3; ++s) {
    release::delta::PutLe64(&patch[24 + 8 * s], packed[s].size());
    patch.insert(patch.end(), packed[s].begin(), packed[s].end());
  }
  return patch;
}

// The records, with the differences as they are (the first version of the format, which
// patches made before the differences were coded as runs still use).
TEST(DeltaPatch, HostileRecordsAreErrors) {
  const Bytes base(100, 7);
  // Records: seek (zigzag), add, copy — each a little-endian base-128 number.
  struct Hostile {
    const char* what;
    Bytes records, diff, extra;
    uint64_t result_size;
    const char* error_part;
  };
  const Hostile cases[] = {
      {"a sound patch", {0, 4, 2, 4, 2, 1}, Bytes(6, 0), Bytes(3, 9), 9, ""},
      {"seek before the start", {1, 1, 0}, Bytes(1, 0), {}, 1, "moves outside the base file"},
      {"seek past the end", {0xca, 0x01, 1, 0}, Bytes(1, 0), {}, 1, "moves outside the base file"},
      {"add past the end", {0xc6, 0x01, 2, 0}, Bytes(2, 0), {}, 2, "reads past the base file's end"},
      {"an empty record", {0, 0, 0, 0, 1, 0}, Bytes(1, 0), {}, 1, "an empty record"},
      {"more than the result", {0, 5, 0}, Bytes(5, 0), {}, 4, "longer result than its header says"},
      {"a huge copy", {0, 0, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01}, {}, {}, 4,
       "longer result than its header says"},
      {"a number too large", {0, 0, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x02}, {}, {}, 4,
       "too large"},
      {"records cut short", {0, 2}, Bytes(2, 0), {}, 2, "records stream: it ends before the records do"},
      {"differences cut short", {0, 4, 0}, Bytes(3, 0), {}, 4, "differences stream: it ends before"},
      {"new bytes left over", {0, 0, 2}, {}, Bytes(3, 1), 2, "new bytes stream: it holds more"},
      {"records left over", {0, 0, 2, 0, 0, 1}, {}, Bytes(3, 1), 2, "records follow the result's end"},
  };
  for (const Hostile& c : cases) {
    const std::string error =
        ApplyError(base, Assemble(kPlain, base.size(), c.result_size, c.records, c.diff, c.extra));
    if (*c.error_part == 0) {
      EXPECT_EQ(error, "") << c.what;
    } else {
      EXPECT_NE(error.find(c.error_part), std::string::npos) << c.what << ": " << error;
    }
  }
  // Seek 0, add 4, copy 2; seek +2, add 2, copy 1.
  const Bytes sound = ApplyPatch(base, Assemble(kPlain, base.size(), 9, {0, 4, 2, 4, 2, 1}, Bytes{0, 1, 0, 0, 2, 0},
                                                Bytes(3, 9)));
  EXPECT_EQ(sound, (Bytes{7, 8, 7, 7, 9, 9, 9, 7, 9}));
}

// The differences coded as runs: a number of zeros, a number of bytes, the bytes.
TEST(DeltaPatch, HostileRunsAreErrors) {
  const Bytes base(100, 7);
  struct Hostile {
    const char* what;
    Bytes records, diff;
    uint64_t result_size;
    const char* error_part;
  };
  // Seek 0, add 4, copy 1; seek +2, add 3, copy 0.
  const Bytes records = {0, 4, 1, 4, 3, 0};
  const Hostile cases[] = {
      {"runs across records", records, {1, 2, 1, 2, 3, 1, 5}, 8, ""},
      {"a run of zeros only at the end", records, {0, 1, 1, 6, 0}, 8, ""},
      {"an empty run", records, {0, 1, 1, 0, 0, 5, 0}, 8, "differences stream: an empty run"},
      {"zeros past the records", records, {0, 1, 1, 7, 0}, 8, "differences stream: it holds more than the records use"},
      {"bytes past the records", records, {6, 2, 1, 3}, 8, "differences stream: it holds more than the records use"},
      {"a run after the records", records, {7, 0, 0, 1, 2}, 8, "differences stream: it holds more"},
      {"runs cut short", records, {1, 2, 1, 2, 3}, 8, "differences stream: it ends before the records do"},
      {"bytes cut short", records, {0, 9, 1, 2, 3}, 8, "differences stream: it ends before the records do"},
      {"a number too large", records, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x02, 0}, 8,
       "a number in the differences is too large"},
      // Far more zeros than any result: taken as far as the records go, then refused.
      {"a huge run", records, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01, 0}, 8,
       "it holds more than the records use"},
  };
  for (const Hostile& c : cases) {
    const std::string error = ApplyError(base, Assemble(kRuns, base.size(), c.result_size, c.records, c.diff, {9}));
    if (*c.error_part == 0) {
      EXPECT_EQ(error, "") << c.what;
    } else {
      EXPECT_NE(error.find(c.error_part), std::string::npos) << c.what << ": " << error;
    }
  }
  EXPECT_EQ(ApplyPatch(base, Assemble(kRuns, base.size(), 8, records, {1, 2, 1, 2, 3, 1, 5}, {9})),
            (Bytes{7, 8, 9, 7, 9, 7, 7, 12}));
  EXPECT_EQ(ApplyPatch(base, Assemble(kRuns, base.size(), 8, records, {0, 1, 1, 6, 0}, {9})),
            (Bytes{8, 7, 7, 7, 9, 7, 7, 7}));
}

TEST(DeltaPatch, AStreamAskingForAHugeDictionaryIsRefusedBeforeItIsAllocated) {
  const Bytes base(10, 0);
  const Bytes patch = Assemble(kPlain, base.size(), 1, {0, 1, 0}, Bytes(1, 0), {}, uint32_t{1} << 30);
  EXPECT_NE(ApplyError(base, patch).find("more memory than a patch may use"), std::string::npos);
}

}  // namespace
