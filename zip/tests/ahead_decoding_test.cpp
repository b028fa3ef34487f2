// Entries decoded ahead of their turn, on a thread of their own, while the files before them are
// written: the host sees exactly what it sees when each entry is decoded in its turn (as testing
// an archive does), a damaged entry included: the same progress before the same failure, the
// same verdict, and no file of the failed entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "block_test_support.h"
#include "test_support.h"
#include "zip/unzipper.h"

namespace zip {
namespace {

using zip_test::Noise;

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::RawDeflate;
using zip_test::ReadFile;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

std::vector<std::string> Events(TUnZipper& u) {
  std::vector<std::string> lines;
  u.OnStartUnZip = [&](TUnZipper* z, int i, std::string&, bool&) { lines.push_back("start " + z->Entry(i).Path()); };
  u.OnEndUnZip = [&](TUnZipper* z, int i, const std::string&) { lines.push_back("end " + z->Entry(i).Path()); };
  u.OnBadCRC = [&](TUnZipper* z, uint32_t, uint32_t, int i) { lines.push_back("badcrc " + z->Entry(i).Path()); };
  u.OnFilePercentDone = [&](TUnZipper*, int p) { lines.push_back("file " + std::to_string(p)); };
  u.OnTotalPercentDone = [&](TUnZipper*, int p) { lines.push_back("total " + std::to_string(p)); };
  u.OnEntryError = [&](TUnZipper*, int, const std::string& message, bool& abort) {
    lines.push_back("error " + message);
    abort = false;
  };
  u.OnUnZipComplete = [&](TUnZipper*, int n) { lines.push_back("complete " + std::to_string(n)); };
  u.UnZipSelected();
  return lines;
}

struct AheadCase {
  const char* name;
  // Made when the case runs, not when the table is: the data takes a moment to deflate, and the
  // table is built in every process of the suite.
  std::function<EntryDef()> damaged;  // named "damaged.bin"
  // The archive's bytes once built (the offset of damaged.bin's local header given).
  void (*edit)(std::string& bytes, uint64_t damaged_at) = nullptr;
};
void PrintTo(const AheadCase& c, std::ostream* os) { *os << c.name; }

EntryDef Damaged(std::string data, uint16_t method, uint16_t flags = 0) {
  EntryDef e{"damaged.bin", std::move(data), method};
  e.flags = flags;
  return e;
}

// Deflated data of `data` with bytes overwritten in its middle.
std::string Spoiled(const std::string& data) {
  std::string packed = RawDeflate(data);
  packed.replace(packed.size() / 2, 16, std::string(16, '\xAA'));
  return packed;
}

const std::string& Big() {
  static const std::string big = Noise(3 << 20, 7);  // three pieces and more
  return big;
}
const std::string& Small() {
  static const std::string small = Noise(100000, 8);
  return small;
}

std::vector<AheadCase> Cases() {
  // Names outlive the table: gtest keeps the cases for the whole run.
  static std::vector<std::string> names;
  std::vector<AheadCase> cases;
  auto add = [&](const std::string& name, std::function<EntryDef()> damaged) {
    names.push_back(name);
    cases.push_back(AheadCase{nullptr, std::move(damaged)});
  };
  // Whole (sizes before the data, small enough) and block by block (sizes after the data).
  for (const uint16_t flags : {0, 8}) {
    const std::string road = flags ? " blockwise" : " whole";
    add("spoiled" + road, [flags] {
      EntryDef e = Damaged(Big(), 8, flags);
      e.compressed = Spoiled(Big());
      return e;
    });
    add("small spoiled" + road, [flags] {
      EntryDef e = Damaged(Small(), 8, flags);
      e.compressed = Spoiled(Small());
      return e;
    });
    add("wrong crc" + road, [flags] {
      EntryDef e = Damaged(Big(), 8, flags);
      e.crc = 0x12345678;
      return e;
    });
    add("declared too short" + road, [flags] {
      EntryDef e = Damaged(Big(), 8, flags);
      e.usize = (2 << 20) + 5;  // the data goes on past it
      return e;
    });
    add("declared too long" + road, [flags] {
      EntryDef e = Damaged(Big(), 8, flags);
      e.usize = (3 << 20) + 70000;  // the data ends before it
      return e;
    });
    add("stored declared too short" + road, [flags] {
      EntryDef e = Damaged(Small(), 0, flags);
      e.usize = 40000;
      return e;
    });
    add("stream cut" + road, [flags] {
      EntryDef e = Damaged(Big(), 8, flags);
      e.compressed = RawDeflate(Big()).substr(0, 1 << 20);  // the stream ends too early
      return e;
    });
  }
  // Its local header is not where the directory says: left to its turn, which reports it.
  add("local header missing", [] { return Damaged(Small(), 8); });
  cases.back().edit = [](std::string& bytes, uint64_t at) { bytes[at] = 'X'; };
  // The compressed size reaches past the archive's end.
  add("data past the end", [] { return Damaged(Big(), 8); });
  cases.back().edit = [](std::string& bytes, uint64_t) {
    // The last entry's compressed size in the central directory (the last of three headers).
    const size_t central = bytes.rfind(std::string("PK\x01\x02", 4));
    bytes.replace(central + 20, 4, zip_test::Le32(0x7FFFFFF0));
  };
  for (size_t i = 0; i < cases.size(); ++i) cases[i].name = names[i].c_str();
  return cases;
}

class AheadDecoding : public testing::TestWithParam<AheadCase> {};

TEST_P(AheadDecoding, ReportsAsDecodingInTurn) {
  TempDir dir;
  ZipBuilder b;
  // A large entry first: the damaged one is decoded while it is written.
  b.Add(EntryDef{"first.bin", Noise(5 << 20, 1), 8});
  b.Add(EntryDef{"before.txt", "before", 8});
  b.Add(GetParam().damaged());
  if (std::string(GetParam().name) != "data past the end") b.Add(EntryDef{"after.txt", "after", 8});
  std::string bytes = b.Build();
  if (GetParam().edit) GetParam().edit(bytes, b.Offsets()[2]);
  WriteFile(dir / "a.zip", bytes);

  std::vector<std::string> tested, extracted;
  {
    TUnZipper u;
    u.SetZipName(dir.Engine("a.zip"));
    u.SetDoAll(true);
    u.SetTestOnly(true);
    tested = Events(u);
  }
  {
    TUnZipper u;
    u.SetZipName(dir.Engine("a.zip"));
    u.SetDestDir(dir.Engine("out"));
    u.SetDoAll(true);
    u.SetOverwriteMode(Always);
    extracted = Events(u);
  }
  EXPECT_EQ(extracted, tested);
  EXPECT_GT(std::count(tested.begin(), tested.end(), "end before.txt"), 0);
  // The damaged entry never ends well here, and leaves nothing.
  EXPECT_EQ(std::count(tested.begin(), tested.end(), "end damaged.bin"), 0);
  EXPECT_FALSE(fs::exists(dir / "out" / "damaged.bin"));
  EXPECT_EQ(ReadFile(dir / "out" / "first.bin"), Noise(5 << 20, 1));
  if (fs::exists(dir / "out" / "after.txt")) {
    EXPECT_EQ(ReadFile(dir / "out" / "after.txt"), "after");
  }
}

// Entries asked for ahead and then skipped in their turn: the run ends while they may still be
// decoding, and the archive they are read from is closed then. Under AddressSanitizer a decoder
// still reading it is a use after free.
TEST(AheadDecodingEndsEarly, EntriesSkippedInTheirTurnLeaveNothingReadingTheArchive) {
  TempDir dir;
  ZipBuilder b;
  b.Add(EntryDef{"first.txt", "first", 8});
  for (int i = 0; i < 6; ++i) b.Add(EntryDef{"later" + std::to_string(i) + ".bin", Noise(3 << 20, 20 + i), 8});
  WriteFile(dir / "a.zip", b.Build());
  for (int round = 0; round < 5; ++round) {
    TUnZipper u;
    u.SetZipName(dir.Engine("a.zip"));
    u.SetDestDir(dir.Engine("out"));
    u.SetDoAll(true);
    u.SetOverwriteMode(Always);
    u.OnStartUnZip = [](TUnZipper* z, int i, std::string&, bool& skip) { skip = z->Entry(i).Path() != "first.txt"; };
    EXPECT_EQ(u.UnZipSelected(), 1);
  }
  EXPECT_EQ(ReadFile(dir / "out" / "first.txt"), "first");
  EXPECT_FALSE(fs::exists(dir / "out" / "later0.bin"));
}

INSTANTIATE_TEST_SUITE_P(Cases, AheadDecoding, testing::ValuesIn(Cases()), [](const auto& info) {
  std::string name = info.param.name;
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});

}  // namespace
}  // namespace zip
