// The halvex-unzip command line: its listing against Info-ZIP unzip -l, and its exit codes.
// Runs the tool built beside this test binary (native build).
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::Quote;
using zip_test::Shell;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

class Tool : public testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the command line is checked by the native build";
#else
    std::error_code ec;
    tool_ = fs::read_symlink("/proc/self/exe", ec).parent_path() / "halvex-unzip";
    // The build makes the tool with this binary: a missing one is a fault, not a reason to skip.
    ASSERT_FALSE(ec || !fs::exists(tool_)) << "halvex-unzip was not built beside this test: " << tool_;
#endif
  }
  std::string Capture(const std::string& command) {
    const fs::path out = dir_ / "captured.txt";
    Shell(command + " > " + Quote(out) + " 2>&1");
    return zip_test::ReadFile(out);
  }
  fs::path tool_;
  TempDir dir_;
};

TEST_F(Tool, ListingMatchesUnzip) {
  if (!zip_test::HaveTool("zip") || !zip_test::HaveTool("unzip")) GTEST_SKIP() << "Info-ZIP is not available";
  const fs::path src = dir_ / "src";
  WriteFile(src / "a.txt", "alpha");
  WriteFile(src / "dir" / "b.bin", std::string(123456, 'b'));
  WriteFile(src / "dir" / "empty", "");
  // A last second of a minute: the DOS time is rounded up into the next minute, the extended
  // timestamp (in ext.zip, made without -X) is not, and it is shown in the zone of whoever lists.
  ASSERT_EQ(Shell("touch -d '2020-01-02 03:04:59' " + Quote(src / "a.txt") + " " + Quote(src / "dir" / "b.bin")), 0);
  ASSERT_EQ(Shell("cd " + Quote(src) + " && zip -qrX ../one.zip a.txt && zip -qrX ../t.zip . && " +
                  "printf 'line one\\nline two\\n' | zip -qz ../t.zip && printf 'about a\\n' | zip -qc ../t.zip a.txt" +
                  " && zip -qr ../ext.zip ."),
            0);
  for (const char* zone : {"", "TZ=KST-9 "}) {
    for (const char* archive : {"t.zip", "one.zip", "ext.zip"}) {
      const std::string path = Quote(dir_ / archive);
      EXPECT_EQ(Capture(zone + Quote(tool_) + " -l " + path), Capture(zone + std::string("unzip -l ") + path))
          << zone << archive;
    }
  }
}

// The method column of a verbose listing: the second word of each entry line, between the
// first two rules of dashes.
std::vector<std::string> MethodColumn(const std::string& listing) {
  std::vector<std::string> methods;
  std::istringstream lines(listing);
  int rules = 0;
  for (std::string line; std::getline(lines, line) && rules < 2;) {
    if (line.rfind("--------", 0) == 0) {
      ++rules;
      continue;
    }
    if (rules != 1) continue;
    std::istringstream words(line);
    std::string length, method;
    words >> length >> method;
    methods.push_back(method);
  }
  return methods;
}

TEST_F(Tool, VerboseListingNamesMethodsAsUnzip) {
  if (!zip_test::HaveTool("zip") || !zip_test::HaveTool("unzip")) GTEST_SKIP() << "Info-ZIP is not available";
  // Shrink, reduce 1 to 4 and implode from the shared archives; stored and deflate at the levels
  // whose flags the column spells out, made here.
  std::vector<fs::path> archives;
  for (const std::string& name : zip_test::LegacyArchives()) archives.push_back(zip_test::SharedFixture("legacy/" + name));
  const fs::path src = dir_ / "src";
  WriteFile(src / "a.txt", std::string(20000, 'a') + "tail");
  for (const char* level : {"0", "1", "6", "9"}) {
    const fs::path made = dir_ / (std::string("level") + level + ".zip");
    ASSERT_EQ(Shell("cd " + Quote(src) + " && zip -qX -" + level + " " + Quote(made) + " a.txt"), 0);
    archives.push_back(made);
  }
  // Deflate64 (its level flags too), bzip2, LZMA and PPMd as 7-Zip, Info-ZIP and Python write them.
  if (zip_test::HaveTool("7z")) {
    const fs::path made = dir_ / "methods";
    ASSERT_EQ(Shell(Quote(fs::path(HALVEX_SOURCE_DIR) / "zip" / "tests" / "make_method_archives") + " " + Quote(made)),
              0);
    for (const char* name : {"7z-deflate64.zip", "7z-deflate64-fast.zip", "7z-bzip2.zip", "7z-lzma.zip", "7z-ppmd.zip",
                             "infozip-bzip2.zip", "python-lzma.zip"})
      archives.push_back(made / name);
  }
  int entries = 0;
  for (const fs::path& archive : archives) {
    const std::vector<std::string> ours = MethodColumn(Capture(Quote(tool_) + " -v " + Quote(archive)));
    EXPECT_EQ(ours, MethodColumn(Capture("unzip -v " + Quote(archive)))) << archive;
    entries += static_cast<int>(ours.size());
  }
  EXPECT_GT(entries, static_cast<int>(archives.size())) << "no entries listed";
}

// Methods unzip has no name for are named as 7-Zip names them; a number nobody names stays a number.
TEST_F(Tool, VerboseListingNamesNewerMethodsAs7Zip) {
  ZipBuilder b;
  for (const uint16_t method : {93, 95, 20, 77}) b.Add(EntryDef{"m" + std::to_string(method), "data", method});
  WriteFile(dir_ / "t.zip", b.Build());
  EXPECT_EQ(MethodColumn(Capture(Quote(tool_) + " -v " + Quote(dir_ / "t.zip"))),
            (std::vector<std::string>{"zstd", "xz", "Unk:020", "Unk:077"}));
}

TEST_F(Tool, ExitCodes) {
  ZipBuilder b;
  b.Add(EntryDef{"ok.txt", "fine"});
  WriteFile(dir_ / "good.zip", b.Build());
  ZipBuilder c;
  EntryDef bad{"bad.txt", "data"};
  bad.crc = 7;
  c.Add(bad);
  WriteFile(dir_ / "crc.zip", c.Build());
  ZipBuilder p;
  EntryDef secret{"secret.txt", "data"};
  secret.password = "right";
  p.Add(secret);
  WriteFile(dir_ / "pw.zip", p.Build());
  WriteFile(dir_ / "text.zip", "not an archive at all, only text");
  const std::string t = Quote(tool_) + " -qq ";
  const std::string out = " -d " + Quote(dir_ / "out");
  struct Case {
    std::string args;
    int code;
  } cases[] = {
      {"-l " + Quote(dir_ / "good.zip"), 0},
      {"-o" + out + " " + Quote(dir_ / "good.zip"), 0},
      {"-t " + Quote(dir_ / "good.zip"), 0},
      {"-o" + out + " " + Quote(dir_ / "crc.zip"), 1},
      {"-n" + out + " " + Quote(dir_ / "good.zip"), 1},  // exists from the run above
      {"-l " + Quote(dir_ / "text.zip"), 2},
      {"-l " + Quote(dir_ / "missing.zip"), 9},
      {"-Z " + Quote(dir_ / "good.zip"), 10},
      {"--sort sideways -l " + Quote(dir_ / "good.zip"), 10},
      {"-o" + out + " " + Quote(dir_ / "good.zip") + " nothing*", 11},
      {"-o -P wrong" + out + " " + Quote(dir_ / "pw.zip"), 82},
      {"-o -P right" + out + " " + Quote(dir_ / "pw.zip"), 0},
  };
  for (const Case& k : cases) EXPECT_EQ(Shell(t + k.args + " </dev/null >/dev/null 2>&1"), k.code) << k.args;
  EXPECT_EQ(zip_test::ReadFile(dir_ / "out" / "secret.txt"), "data");
}

TEST_F(Tool, SelfExtractorWithoutAdjustedOffsets) {
  const fs::path sfx = zip_test::SharedFixture("edge/gen_sfx_pe_unadjusted.exe");
  if (!fs::exists(sfx)) GTEST_SKIP() << "no shared fixtures here";
  const std::string said = Capture(Quote(tool_) + " -t " + Quote(sfx));
  EXPECT_NE(said.find("14848 extra bytes at beginning or within zipfile"), std::string::npos) << said;
  EXPECT_NE(said.find("No errors detected"), std::string::npos) << said;
  EXPECT_EQ(Shell(Quote(tool_) + " -qq -d " + Quote(dir_ / "sfx") + " " + Quote(sfx) + " </dev/null"), 1);
  EXPECT_EQ(fs::file_size(dir_ / "sfx" / "sub" / "app.bin"), 300000u);
}

TEST_F(Tool, ExtractsSelectedEntriesAndJunksPaths) {
  ZipBuilder b;
  b.Add(EntryDef{"docs/readme.txt", "r"});
  b.Add(EntryDef{"bin/tool.exe", "t"});
  WriteFile(dir_ / "a.zip", b.Build());
  EXPECT_EQ(Shell(Quote(tool_) + " -qq -j -d " + Quote(dir_ / "flat") + " " + Quote(dir_ / "a.zip") +
                  " 'docs/*' </dev/null"),
            0);
  EXPECT_TRUE(fs::exists(dir_ / "flat" / "readme.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "flat" / "tool.exe"));
  // Without a terminal to ask, an existing file is kept.
  WriteFile(dir_ / "flat" / "readme.txt", "mine");
  EXPECT_EQ(Shell(Quote(tool_) + " -qq -j -d " + Quote(dir_ / "flat") + " " + Quote(dir_ / "a.zip") + " </dev/null"), 1);
  EXPECT_EQ(zip_test::ReadFile(dir_ / "flat" / "readme.txt"), "mine");
  // Without -d the entries land in the current folder.
  EXPECT_EQ(Shell("cd " + Quote(dir_.Path()) + " && " + Quote(tool_) + " -qq " + Quote(dir_ / "a.zip") + " </dev/null"), 0);
  EXPECT_TRUE(fs::exists(dir_ / "docs" / "readme.txt"));
  // Relative destinations with short first parts.
  for (const char* dest : {"o", "ab", "x/y"}) {
    EXPECT_EQ(Shell("cd " + Quote(dir_.Path()) + " && " + Quote(tool_) + " -qq -d " + dest + " " + Quote(dir_ / "a.zip") +
                    " </dev/null"),
              0)
        << dest;
    EXPECT_EQ(zip_test::ReadFile(dir_ / dest / "docs" / "readme.txt"), "r") << dest;
  }
  const std::string sorted = Capture(Quote(tool_) + " -l --sort name " + Quote(dir_ / "a.zip"));
  EXPECT_LT(sorted.find("bin/tool.exe"), sorted.find("docs/readme.txt"));
}

// How the tool reports archives and entries it cannot take as they are: the exit code, the words
// it prints and which files it leaves.
struct ReportCase {
  const char* name;
  std::string archive;  // bytes
  std::string args;     // before the archive; " -d <out>" follows for extraction
  int code;
  std::vector<std::string> said;    // lines (or parts of lines) of the output
  std::vector<std::string> files;   // present afterwards, relative to out
  std::vector<std::string> absent;  // not present afterwards
};

void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

class ToolReport : public Tool, public testing::WithParamInterface<ReportCase> {};

TEST_P(ToolReport, ExitCodeWordsAndFiles) {
  const ReportCase& c = GetParam();
  WriteFile(dir_ / "a.zip", c.archive);
  const bool extract = c.args.find("-t") == std::string::npos;
  const std::string said = Capture(Quote(tool_) + " " + c.args + (extract ? " -d " + Quote(dir_ / "out") : "") + " " +
                                   Quote(dir_ / "a.zip") + " </dev/null");
  EXPECT_EQ(Shell(Quote(tool_) + " -qq " + c.args + (extract ? " -d " + Quote(dir_ / "again") : "") + " " +
                  Quote(dir_ / "a.zip") + " </dev/null >/dev/null 2>&1"),
            c.code)
      << said;
  for (const std::string& words : c.said) EXPECT_NE(said.find(words), std::string::npos) << words << "\n" << said;
  for (const std::string& file : c.files) EXPECT_TRUE(fs::exists(dir_ / "out" / file)) << file << "\n" << said;
  for (const std::string& file : c.absent) EXPECT_FALSE(fs::exists(dir_ / "out" / file)) << file << "\n" << said;
}

std::string Archive(std::vector<EntryDef> entries) {
  ZipBuilder b;
  for (const EntryDef& e : entries) b.Add(e);
  return b.Build();
}

EntryDef Damaged(const std::string& name) {
  EntryDef e{name, std::string(5000, 'd'), 8};
  e.compressed = std::string("\xff\xff\xff\xff", 4);
  return e;
}

EntryDef WithData(EntryDef e, std::string compressed) {
  e.compressed = std::move(compressed);
  return e;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolReport,
    testing::Values(
        ReportCase{"damaged entry, extraction goes on",
                   Archive({EntryDef{"first.txt", "1", 8}, Damaged("sub/bad.bin"), EntryDef{"last.txt", "2", 8}}),
                   "-o", 2, {"  error:  sub/bad.bin: Invalid compressed data (invalid block)"},
                   {"first.txt", "last.txt"}, {"sub/bad.bin"}},
        ReportCase{"damaged entry, testing goes on",
                   Archive({EntryDef{"first.txt", "1", 8}, Damaged("bad.bin"), EntryDef{"last.txt", "2", 8}}),
                   "-t", 2,
                   {"  error:  bad.bin: Invalid compressed data", "testing: last.txt",
                    "At least one error was detected"}},
        ReportCase{"entry without a name",
                   Archive({EntryDef{"a.txt", "a"}, EntryDef{"", "lost"}, EntryDef{"b.txt", "b"}}), "-o", 2,
                   {"  error:  entry #2: No file name"}, {"a.txt", "b.txt"}},
        ReportCase{"AES entry",
                   Archive({EntryDef{"aes.bin", "ciphertext", 99, 0x5A2B6000, 1}, EntryDef{"b.txt", "b"}}),
                   "-o -P pw", 81, {"Zip Error: Unsupported Encryption Method (AES): aes.bin"}, {"b.txt"},
                   {"aes.bin"}},
        ReportCase{"PPMd entry, testing",
                   Archive({EntryDef{"ppmd.bin", "data", 98}, EntryDef{"b.txt", "b"}}), "-t", 81,
                   {"Zip Error: Unknown Compression Method 98 (PPMd): ppmd.bin", "testing: b.txt"}},
        ReportCase{"PPMd entry, extraction",
                   Archive({EntryDef{"ppmd.bin", "data", 98}, EntryDef{"b.txt", "b"}}), "-o", 81,
                   {"Zip Error: Unknown Compression Method 98 (PPMd): ppmd.bin"}, {"b.txt"}, {"ppmd.bin"}},
        ReportCase{"damaged bzip2 entry, testing",
                   Archive({WithData(EntryDef{"bad.bz", "data", 12}, "BZh9 not bzip2 data"), EntryDef{"b.txt", "b"}}),
                   "-t", 2, {"  error:  bad.bz: Invalid compressed data (invalid bzip2 data)", "testing: b.txt"}},
        ReportCase{"archive behind a stub", std::string(100, 'M') + Archive({EntryDef{"a.txt", "a", 8}}), "-o", 1,
                   {"warning [", "100 extra bytes at beginning or within zipfile"}, {"a.txt"}},
        ReportCase{"overlapped entries, testing", zip_test::OverlappedBomb(20, 1000), "-t", 12,
                   {"Invalid zip file with overlapped components (possible zip bomb)"}},
        ReportCase{"overlapped entries, extraction", zip_test::OverlappedBomb(20, 1000), "-o", 12, {}, {},
                   {"f0", "f19"}},
        ReportCase{"empty file, testing", "", "-t", 1, {"zipfile is empty"}},
        ReportCase{"empty file, extraction", "", "-o", 1, {"zipfile is empty"}},
        ReportCase{"archive without entries, testing", Archive({}), "-t", 1, {"zipfile is empty"}}));

}  // namespace
