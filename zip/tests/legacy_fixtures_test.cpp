// Real archives made by old PKZIP versions and other shrink/reduce/implode writers: every entry
// must decode to its stored CRC-32, to the known plain texts, and to what peer extractors give.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <map>
#include <string>

#include "legacy_test_support.h"

namespace zip::legacy::testing {
namespace {

// Plain copies of the entries, by archive and entry name: a file in expected/, or "*stored*" for
// the stored reference archive of the same files (entry "*": every entry).
const std::map<std::string, std::map<std::string, std::string>> kKnownContent = {
    {"zr_shrink.zip", {{"FIRST.TXT", "zr_first.txt"}}},
    {"d2a_HWSHRINK.ZIP",
     {{"TESTDAT1.TXT", "d2a_TESTDAT1.TXT"}, {"TESTDAT2.TXT", "d2a_TESTDAT2.TXT"}, {"TESTDAT3.TXT", "d2a_TESTDAT3.TXT"}}},
    {"d2s_PKZ80B1.ZIP", {{"*", "*stored*"}}},
    {"d2s_PKZ80B3.ZIP", {{"*", "*stored*"}}},
    {"zr_reduce.zip", {{"first.txt", "zr_first.txt"}}},
    {"d2a_HWREDUCE.ZIP",
     {{"TESTDAT1.TXT", "d2a_TESTDAT1.TXT"}, {"TESTDAT2.TXT", "d2a_TESTDAT2.TXT"}, {"TESTDAT3.TXT", "d2a_TESTDAT3.TXT"}}},
    {"zr_implode.zip", {{"first.txt", "zr_first.txt"}}},
    {"d2a_HWIMPODE.ZIP",
     {{"TESTDAT1.TXT", "d2a_TESTDAT1.TXT"}, {"TESTDAT2.TXT", "d2a_TESTDAT2.TXT"}, {"TESTDAT3.TXT", "d2a_TESTDAT3.TXT"}}},
};

// Output of a peer run through the shell, or nullopt when the peer fails.
std::optional<Bytes> RunPeer(const std::string& command) {
#ifdef _WIN32
  return std::nullopt;
#else
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  Bytes out;
  std::uint8_t chunk[65536];
  std::size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.insert(out.end(), chunk, chunk + n);
  if (pclose(pipe) != 0) return std::nullopt;
  return out;
#endif
}

class LegacyFixture : public ::testing::TestWithParam<std::string> {};

TEST_P(LegacyFixture, EveryEntryMatchesItsCrcAndKnownContent) {
  const std::string& archive = GetParam();
  const std::vector<LocalEntry> entries = WalkLocalHeaders(ReadLegacyFixture(archive));
  ASSERT_FALSE(entries.empty());
  const auto known = kKnownContent.find(archive);
  const std::map<std::string, std::string> expected =
      known == kKnownContent.end() ? std::map<std::string, std::string>{} : known->second;

  std::map<std::string, Bytes> stored_reference;
  if (expected.count("*") != 0) {
    for (const LocalEntry& e : WalkLocalHeaders(ReadLegacyFixture("expected/d2s_PKZ204E0_stored_reference.ZIP"))) {
      ASSERT_EQ(e.method, 0);
      stored_reference[e.name] = e.data;
    }
  }

  int legacy_entries = 0;
  for (const LocalEntry& entry : entries) {
    SCOPED_TRACE(entry.name);
    const DecodeResult result = DecodeEntry(entry.method, entry.data, entry.uncompressed_size, entry.flags);
    EXPECT_EQ(result.end, DecodeEnd::kComplete);
    EXPECT_EQ(result.data.size(), entry.uncompressed_size);
    EXPECT_EQ(Crc32(result.data), entry.crc);
    for (std::size_t i = 0; i + 1 < result.blocks.size(); ++i) EXPECT_EQ(result.blocks[i], kOutputBlockSize);
    if (entry.method != 0) ++legacy_entries;

    if (!stored_reference.empty()) {
      ASSERT_EQ(stored_reference.count(entry.name), 1u);
      EXPECT_TRUE(stored_reference[entry.name] == result.data);
    } else if (auto it = expected.find(entry.name); it != expected.end()) {
      EXPECT_TRUE(ReadLegacyFixture("expected/" + it->second) == result.data);
    }
  }
  EXPECT_GT(legacy_entries, 0);
}

// UnZip and 7-Zip decode shrink and implode (not reduce); for those entries our output must be
// theirs, byte for byte. The archives holding only reduce entries have nothing to compare.
class LegacyPeers : public ::testing::TestWithParam<std::string> {};

std::vector<std::string> ArchivesWithShrinkOrImplode() {
  std::vector<std::string> names;
  for (const std::string& name : zip_test::LegacyArchives())
    if (name != "zr_reduce.zip" && name != "d2a_HWREDUCE.ZIP" && name != "d2a_example-r.zip") names.push_back(name);
  return names;
}

TEST_P(LegacyPeers, MatchesPeerExtractors) {
  const std::string& archive = GetParam();
  const bool unzip = zip_test::HaveTool("unzip");
  const bool seven_zip = zip_test::HaveTool("7z");
#ifdef _WIN32
  GTEST_SKIP() << "the peer extractors are compared in the native build";
#endif
  if (!unzip && !seven_zip) GTEST_SKIP() << "neither unzip nor 7z is installed";
  const std::string path = zip_test::Quote(zip_test::SharedFixture("legacy/" + archive));
  int compared = 0;
  for (const LocalEntry& entry : WalkLocalHeaders(ReadLegacyFixture(archive))) {
    if (entry.method != 1 && entry.method != 6) continue;
    SCOPED_TRACE(entry.name);
    const Bytes ours = DecodeEntry(entry.method, entry.data, entry.uncompressed_size, entry.flags).data;
    if (unzip) {
      std::optional<Bytes> theirs = RunPeer("unzip -p " + path + " '" + entry.name + "' 2>/dev/null");
      ASSERT_TRUE(theirs.has_value()) << "unzip -p failed";
      EXPECT_TRUE(*theirs == ours) << "differs from unzip -p";
      ++compared;
    }
    if (seven_zip) {
      std::optional<Bytes> theirs = RunPeer("7z x -so " + path + " '" + entry.name + "' 2>/dev/null");
      ASSERT_TRUE(theirs.has_value()) << "7z x -so failed";
      EXPECT_TRUE(*theirs == ours) << "differs from 7z x -so";
      ++compared;
    }
  }
  EXPECT_GT(compared, 0) << "no shrink or implode entries";
  if (!unzip || !seven_zip) GTEST_SKIP() << (unzip ? "7z" : "unzip") << " is not installed: not compared with it";
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Archives, LegacyFixture, ::testing::ValuesIn(zip_test::LegacyArchives()), TestName);
INSTANTIATE_TEST_SUITE_P(Archives, LegacyPeers, ::testing::ValuesIn(ArchivesWithShrinkOrImplode()), TestName);

}  // namespace
}  // namespace zip::legacy::testing
