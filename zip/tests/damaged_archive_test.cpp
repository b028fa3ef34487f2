// Archives that are not as their writer left them, through halvex-unzip: a directory that had to
// be found again or repaired is read with a warning (exit 1), data that ends before its declared
// size fails its entry, a directory bomb is refused, and a file that is no zip at all says so.
// Each archive is also given to the peers installed here (unzip -t, 7z t, bsdtar -tf), whose exit
// codes stand beside ours in the table: where they refuse, we do not pass the archive for sound.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::Le16;
using zip_test::Le32;
using zip_test::Le64;
using zip_test::Quote;
using zip_test::Shell;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

constexpr int kAny = -1;  // a peer whose verdict is not part of the case

struct DamagedCase {
  const char* name;
  std::string archive;
  int test_code;                    // halvex-unzip -t
  int extract_code;                 // halvex-unzip -o -d out
  std::vector<std::string> said;    // parts of what -t prints
  std::vector<std::string> files;   // under out/ after extraction, with their content
  std::vector<std::string> absent;  // not under out/
  int unzip = kAny, sevenzip = kAny, bsdtar = kAny;
};

void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.name; }

// The archive of `entries`, changed by `edit` (bytes, builder) once built.
template <class Edit>
std::string Edited(const std::vector<EntryDef>& entries, Edit edit, const std::string& comment = "") {
  ZipBuilder b;
  for (const EntryDef& e : entries) b.Add(e);
  std::string bytes = b.Build(comment);
  edit(bytes, b);
  return bytes;
}

// The end record's fields, from the end of an archive without a comment.
void SetEndField(std::string& bytes, size_t offset_in_record, const std::string& value) {
  bytes.replace(bytes.size() - 22 + offset_in_record, value.size(), value);
}

// The archive's classic end record (no comment) replaced by a zip64 end record counting `total`
// entries, its locator, and a classic record counting `classic` (0xFFFF: see the zip64 one). With
// `offset` the zip64 record holds that directory offset and the classic one the marker.
std::string WithZip64End(std::string bytes, const ZipBuilder& b, uint64_t total, uint16_t classic,
                         std::optional<uint64_t> offset = std::nullopt) {
  const uint64_t central_size = bytes.size() - 22 - b.CentralOffset();
  bytes.resize(bytes.size() - 22);
  const uint64_t zip64_at = bytes.size();
  bytes += Le32(0x06064B50) + Le64(44) + Le16(45) + Le16(45) + Le32(0) + Le32(0) + Le64(total) + Le64(total) +
           Le64(central_size) + Le64(offset.value_or(b.CentralOffset()));
  bytes += Le32(0x07064B50) + Le32(0) + Le64(zip64_at) + Le32(1);
  bytes += Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(classic) + Le16(classic) +
           Le32(static_cast<uint32_t>(central_size)) +
           Le32(offset ? 0xFFFFFFFFu : static_cast<uint32_t>(b.CentralOffset())) + Le16(0);
  return bytes;
}

const std::vector<EntryDef> kTwo = {EntryDef{"a.txt", "alpha", 8}, EntryDef{"b.txt", "bravo", 0}};

std::vector<DamagedCase> Cases() {
  EntryDef short_stored{"short.txt", "12345", 0};
  short_stored.usize = 10;  // declared 10, holds 5
  EntryDef control{"\x01\x02\x03", "noise", 0};
  EntryDef page{"caf\x82\\menu.txt", "cafe", 0};  // a legacy code page name with a 0x5C byte
  EntryDef page2{"\x83\x5C.txt", "so", 0};        // Shift-JIS: 0x5C is the second byte of a character
  return {
      {"directory offset too large: found by scanning",
       Edited(kTwo, [](std::string& s, ZipBuilder& b) { SetEndField(s, 16, Le32(static_cast<uint32_t>(b.CentralOffset() + 9))); }),
       1, 1, {"The central directory is damaged: the entries were found by their local headers", "testing: b.txt"},
       {"a.txt", "b.txt"}, {}, 12, 2, 0},
      {"end record claims more entries than there are",
       Edited(kTwo, [](std::string& s, ZipBuilder&) { SetEndField(s, 8, Le16(0xFFFF) + Le16(0xFFFF)); }), 1, 1,
       {"The central directory is damaged"}, {"a.txt", "b.txt"}, {}, kAny, 2, kAny},
      // The count against what the directory holds. unzip -t refuses each (3, or 2 where only
      // the two end records disagree), 7z t all but the disagreement (2); we read what is there,
      // say the count is wrong (exit 1), and the launcher refuses the archive.
      {"end record counts fewer entries than the directory holds",
       Edited(kTwo, [](std::string& s, ZipBuilder&) { SetEndField(s, 8, Le16(1) + Le16(1)); }), 1, 1,
       {"it does not hold the number of entries its end record claims", "testing: b.txt"}, {"a.txt", "b.txt"}, {},
       3, 2},
      {"end record counts more than the directory's bytes can hold",
       Edited(kTwo, [](std::string& s, ZipBuilder&) { SetEndField(s, 8, Le16(3) + Le16(3)); }), 1, 1,
       {"The central directory is damaged", "testing: b.txt"}, {"a.txt", "b.txt"}, {}, 3, 2},
      {"zip64 end record claims 2^64-1 entries",
       Edited(kTwo, [](std::string& s, ZipBuilder& b) { s = WithZip64End(s, b, ~uint64_t{0}, 0xFFFF); }), 1, 1,
       {"The central directory is damaged", "testing: b.txt"}, {"a.txt", "b.txt"}, {}, 3, 2},
      {"zip64 end record counts fewer entries than the directory holds",
       Edited(kTwo, [](std::string& s, ZipBuilder& b) { s = WithZip64End(s, b, 1, 0xFFFF); }), 1, 1,
       {"it does not hold the number of entries its end record claims", "testing: b.txt"}, {"a.txt", "b.txt"}, {},
       3, 2},
      {"classic and zip64 end records disagree on the count",
       Edited(kTwo, [](std::string& s, ZipBuilder& b) { s = WithZip64End(s, b, 5, 2); }), 1, 1,
       {"it does not hold the number of entries its end record claims", "testing: b.txt"}, {"a.txt", "b.txt"}, {},
       2, 0},
      {"zip64 directory offset at the top of the range",
       Edited(kTwo, [](std::string& s, ZipBuilder& b) { s = WithZip64End(s, b, 2, 0xFFFF, ~uint64_t{0}); }), 1, 1,
       {"The central directory is damaged", "testing: b.txt"}, {"a.txt", "b.txt"}, {}, 12, 2},
      {"2^64-1 entries claimed and a name of control characters",
       Edited({EntryDef{"a.txt", "alpha", 8}, EntryDef{"\x01\x02\x03", "", 0}, EntryDef{"b.txt", "bravo", 0}},
              [](std::string& s, ZipBuilder& b) { s = WithZip64End(s, b, ~uint64_t{0}, 0xFFFF); }),
       2, 2, {"The central directory is damaged", "No file name", "testing: b.txt"}, {"a.txt", "b.txt"},
       {"\x01\x02\x03"}, 3, 2},
      {"archive comment runs past the end of the file",
       Edited(kTwo, [](std::string& s, ZipBuilder&) { s.resize(s.size() - 10); }, "a comment of some length"), 1, 1,
       {"The archive comment runs past the end of the file", "No errors detected"}, {"a.txt", "b.txt"}, {}, 1},
      {"stored entry holds less than declared, directory empty",
       Edited({EntryDef{"a.txt", "alpha", 8}, short_stored},
              [](std::string& s, ZipBuilder&) { SetEndField(s, 8, Le16(0) + Le16(0)); }),
       2, 2, {"The central directory is damaged", "short.txt: Premature end of file reached"}, {"a.txt"},
       {"short.txt"}, kAny, 2, kAny},
      {"a name of control characters", Edited({EntryDef{"a.txt", "alpha", 8}, control}, [](std::string&, ZipBuilder&) {}),
       2, 2, {"No file name", "testing: a.txt"}, {"a.txt"}, {}},
      {"two directory records on one local header",
       Edited(kTwo,
              [](std::string& s, ZipBuilder& b) {
                s.replace(b.CentralOffset() + 46 + 5 + 42, 4, Le32(0));
              }),
       12, 12, {"Invalid zip file with overlapped components (possible zip bomb)"}, {}, {"a.txt", "b.txt"}, 12},
      {"legacy code page names are no overlap",
       Edited({page, page2, EntryDef{"z.txt", "zz", 0}}, [](std::string&, ZipBuilder&) {}), 0, 0,
       {"No errors detected"}, {"z.txt"}, {}, 0, 0, 0},
      {"an error page saved as the archive", "<html><body>404 Not Found</body></html>\n", 2, 2,
       {"a.zip is not a zip archive"}, {}, {}, 9, 2, 1},
      {"a zip cut short", Edited(kTwo, [](std::string& s, ZipBuilder& b) { s.resize(b.CentralOffset() + 10); }), 2, 2,
       {"Incomplete Zip File"}, {}, {"a.txt", "b.txt"}, 9, 2},
  };
}

class DamagedArchives : public testing::TestWithParam<DamagedCase> {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the command line is checked by the native build";
#else
    std::error_code ec;
    tool_ = fs::read_symlink("/proc/self/exe", ec).parent_path() / "halvex-unzip";
    ASSERT_FALSE(ec || !fs::exists(tool_)) << "halvex-unzip was not built beside this test: " << tool_;
#endif
  }
  fs::path tool_;
  TempDir dir_;
};

TEST_P(DamagedArchives, WarnRefuseOrFailTheEntry) {
  const DamagedCase& c = GetParam();
  const fs::path archive = dir_ / "a.zip";
  WriteFile(archive, c.archive);
  const fs::path said_file = dir_ / "said.txt";
  EXPECT_EQ(Shell(Quote(tool_) + " -t " + Quote(archive) + " </dev/null >" + Quote(said_file) + " 2>&1"), c.test_code);
  const std::string said = zip_test::ReadFile(said_file);
  for (const std::string& words : c.said) EXPECT_NE(said.find(words), std::string::npos) << words << "\n" << said;
  // Messages name paths as this system writes them.
  EXPECT_EQ(said.find('\\'), std::string::npos) << said;

  const fs::path out = dir_ / "out";
  EXPECT_EQ(Shell(Quote(tool_) + " -qq -o -d " + Quote(out) + " " + Quote(archive) + " </dev/null >/dev/null 2>&1"),
            c.extract_code);
  for (const std::string& file : c.files) EXPECT_TRUE(fs::is_regular_file(out / file)) << file;
  for (const std::string& file : c.absent) EXPECT_FALSE(fs::exists(out / file)) << file;

  const struct {
    const char* tool;
    std::string command;
    int expected;
  } peers[] = {
      {"unzip", "unzip -t " + Quote(archive), c.unzip},  // -q would keep the comment's caution quiet
      {"7z", "7z t " + Quote(archive), c.sevenzip},
      {"bsdtar", "bsdtar -tf " + Quote(archive), c.bsdtar},
  };
  for (const auto& peer : peers) {
    if (peer.expected == kAny || !zip_test::HaveTool(peer.tool)) continue;
    EXPECT_EQ(Shell(peer.command + " </dev/null >/dev/null 2>&1"), peer.expected) << peer.tool;
  }
}

INSTANTIATE_TEST_SUITE_P(Archives, DamagedArchives, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<DamagedCase>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

}  // namespace
