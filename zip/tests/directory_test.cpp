// Loading archive directories: archives made by the peer tools, the shared real-world fixtures
// and byte-built damaged layouts.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/exceptions.h"
#include "test_support.h"
#include "zip/unzipper.h"

namespace zip {
namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::Quote;
using zip_test::Shell;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

std::map<std::string, TZipHeaderInfo*> ByPath(TUnZipper& u) {
  std::map<std::string, TZipHeaderInfo*> m;
  for (int i = 0; i < u.EntryCount(); ++i) m[u.Entry(i).Path()] = &u.Entry(i);
  return m;
}

std::string SimpleArchive(const std::vector<std::string>& names) {
  ZipBuilder b;
  for (const std::string& n : names) b.Add(EntryDef{n, "data of " + n});
  return b.Build();
}

// ---- archives of the peer tools ----

class PeerArchives : public testing::Test {
 protected:
  void SetUp() override {
    if (!zip_test::HaveTool("zip")) GTEST_SKIP() << "Info-ZIP zip is not available here";
    src_ = dir_ / "src";
    WriteFile(src_ / "top.txt", std::string(3000, 'a'));
    WriteFile(src_ / "sub" / "deep" / "leaf.bin", std::string("\x00\x01\x02", 3));
    WriteFile(src_ / "sub" / "empty.txt", "");
    fs::create_directories(src_ / "emptydir");
  }
  TempDir dir_;
  fs::path src_;
};

// The same tree through each peer's writer: every folder, the empty file and the method chosen.
struct PeerArchiveCase {
  const char* name;
  const char* tool;
  const char* make;  // run in the source folder, writing ../a.zip
  int top_method;    // of top.txt
};

class PeerMadeArchives : public PeerArchives, public testing::WithParamInterface<PeerArchiveCase> {};

TEST_P(PeerMadeArchives, FoldersEmptyFilesAndMethods) {
  const PeerArchiveCase& c = GetParam();
  if (!zip_test::HaveTool(c.tool)) GTEST_SKIP() << c.tool << " is not available here";
  ASSERT_EQ(Shell("cd " + Quote(src_) + " && " + c.make + " >/dev/null"), 0);
  TUnZipper u;
  u.SetZipName(dir_.Engine("a.zip"));
  u.LoadDirectory();
  auto m = ByPath(u);
  std::vector<std::string> paths;
  for (const auto& [path, entry] : m) paths.push_back(path);
  ASSERT_EQ(paths, (std::vector<std::string>{"emptydir\\", "sub\\", "sub\\deep\\", "sub\\deep\\leaf.bin",
                                             "sub\\empty.txt", "top.txt"}));
  EXPECT_EQ(m["top.txt"]->CompressionMethod, c.top_method);
  EXPECT_EQ(m["top.txt"]->UncompressedSize(), 3000u);
  EXPECT_EQ(m["sub\\deep\\leaf.bin"]->UncompressedSize(), 3u);
  EXPECT_EQ(m["sub\\empty.txt"]->UncompressedSize(), 0u);
  EXPECT_EQ(m["emptydir\\"]->FileName(), "");
  EXPECT_EQ(u.PartMode(), pmSingle);
}

INSTANTIATE_TEST_SUITE_P(
    Peers, PeerMadeArchives,
    testing::Values(PeerArchiveCase{"both_methods", "zip", "zip -qr -X ../a.zip . && zip -q0 -X ../a.zip top.txt", 0},
                    PeerArchiveCase{"forced_zip64", "zip", "zip -qr -fz -X ../a.zip .", 8},
                    PeerArchiveCase{"seven_zip", "7z", "7z a -tzip -bso0 -bsp0 ../a.zip .", 8}),
    [](const testing::TestParamInfo<PeerArchiveCase>& info) { return std::string(info.param.name); });

TEST_F(PeerArchives, CommentsAreReadOnDemand) {
  ASSERT_EQ(Shell("cd " + Quote(src_) + " && zip -q -X ../c.zip top.txt sub/empty.txt && " +
                "printf 'archive words\\n' | zip -qz ../c.zip && " +
                "printf 'first entry\\nsecond entry\\n' | zip -qc ../c.zip top.txt sub/empty.txt"),
            0);
  TUnZipper u;
  u.SetZipName(dir_.Engine("c.zip"));
  u.SetSortMode(ByName);
  u.LoadDirectory();
  ASSERT_EQ(u.EntryCount(), 2);
  EXPECT_EQ(u.ArchiveComment(), "archive words");
  EXPECT_EQ(u.EntryComment(0), "second entry");  // sub\empty.txt sorts first
  EXPECT_EQ(u.EntryComment(1), "first entry");
  try {
    u.EntryComment(5);
    FAIL();
  } catch (const platform::EListError& e) {
    EXPECT_STREQ(e.what(), "Index 5 is out of range");
  }
}

TEST_F(PeerArchives, EncryptedPipedAndUtf8Names) {
  WriteFile(src_ / "caf\xC3\xA9.txt", "utf8");
  ASSERT_EQ(Shell("cd " + Quote(src_) + " && zip -q -X -P pw ../e.zip top.txt && printf 'piped' | zip -q - - | cat > ../p.zip && " +
                "zip -q -X ../u.zip 'caf\xC3\xA9.txt'"),
            0);
  TUnZipper e;
  e.SetZipName(dir_.Engine("e.zip"));
  e.LoadDirectory();
  ASSERT_EQ(e.EntryCount(), 1);
  EXPECT_TRUE(e.Entry(0).IsEncrypted());
  TUnZipper p;
  p.SetZipName(dir_.Engine("p.zip"));
  p.LoadDirectory();
  ASSERT_EQ(p.EntryCount(), 1);
  EXPECT_TRUE(p.Entry(0).HasDataDescriptor());
  EXPECT_EQ(p.Entry(0).FileName(), "-");
  TUnZipper n;
  n.SetZipName(dir_.Engine("u.zip"));
  n.LoadDirectory();
  ASSERT_EQ(n.EntryCount(), 1);
  EXPECT_EQ(n.Entry(0).FileName(), "caf\xC3\xA9.txt");
}

TEST_F(PeerArchives, SplitArchivesInBothNamingSchemes) {
  WriteFile(src_ / "big.bin", std::string(200000, 'b'));
  ASSERT_EQ(Shell("cd " + Quote(src_) + " && zip -qr0 -X -s 64k ../s.zip ."), 0);
  ASSERT_TRUE(fs::exists(dir_ / "s.z01"));
  for (const bool engine_names : {false, true}) {
    if (engine_names) {
      // The scheme the engine names first: NAME.zip.z01, NAME.zip.z02 ... NAME.zip.
      for (int i = 1; fs::exists(dir_ / ("s.z0" + std::to_string(i))); ++i)
        fs::rename(dir_ / ("s.z0" + std::to_string(i)), dir_ / ("s.zip.z0" + std::to_string(i)));
    }
    TUnZipper u;
    u.SetZipName(dir_.Engine("s.zip"));
    u.LoadDirectory();
    EXPECT_EQ(u.PartMode(), pmFiles);
    EXPECT_GT(u.PartCount(), 2);
    auto m = ByPath(u);
    ASSERT_EQ(m.size(), 7u) << engine_names;
    EXPECT_EQ(m["big.bin"]->UncompressedSize(), 200000u);
    // Extraction walks the parts, the last one included.
    const std::string out = engine_names ? "out-engine" : "out-conventional";
    u.SetDestDir(dir_.Engine(out));
    u.SetDoAll(true);
    u.SetRecreateDirs(true);
    EXPECT_EQ(u.UnZipSelected(), 7);
    EXPECT_EQ(zip_test::Tree(dir_ / out), zip_test::Tree(src_));
  }
}

// ---- the shared real-world archives ----

struct FixtureCase {
  const char* file;
  int entries;         // -1: an exception is expected
  const char* error;   // its text
};

class SharedFixtures : public testing::TestWithParam<FixtureCase> {};

TEST_P(SharedFixtures, LoadAsExpected) {
  const FixtureCase& c = GetParam();
  const fs::path path = zip_test::SharedFixture(std::string("edge/") + c.file);
  TUnZipper u;
  u.SetZipName(zip_test::EnginePath(path));
  try {
    u.LoadDirectory();
    u.OpenArchive();
    u.CloseArchive();
    EXPECT_EQ(u.EntryCount(), c.entries) << c.file;
    for (int i = 0; i < u.EntryCount(); ++i) u.EntryComment(i);
    u.ArchiveComment();
  } catch (const platform::Exception& e) {
    EXPECT_EQ(c.entries, -1) << c.file << ": " << e.what();
    EXPECT_STREQ(e.what(), c.error) << c.file;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Edge, SharedFixtures,
    testing::Values(
        FixtureCase{"dn_empty.zip", 0, ""}, FixtureCase{"dn_emptyWith64KBComment.zip", 0, ""},
        FixtureCase{"gozip_readme.notzip", -1, "Incomplete Zip File"},
        FixtureCase{"gozip_test.zip", 2, ""}, FixtureCase{"lz_testcomment.zip", 4, ""},
        FixtureCase{"lz_zip-in-archive-comment.zip", 1, ""}, FixtureCase{"lz_zip64-in-archive-comment.zip", 1, ""},
        FixtureCase{"lz_junk-at-start.zip", 3, ""}, FixtureCase{"dn_nameDuplicates.zip", 2, ""},
        FixtureCase{"z4j_zip_with_duplicate_entries.zip", 4, ""}, FixtureCase{"la_read_format_zip_zip64b.zip", 1, ""},
        FixtureCase{"zr_comment_garbage.zip", 0, ""}, FixtureCase{"gozip_comment-truncated.zip", 1, ""},
        FixtureCase{"dn_numberOfEntriesDifferent.zip", 1, ""}, FixtureCase{"gen_sfx_pe_adjusted.exe", 3, ""},
        FixtureCase{"gen_sfx_pe_unadjusted.exe", 3, ""}, FixtureCase{"la_read_format_zip_7075_utf8_paths.zip", 4, ""},
        FixtureCase{"split_std_zip/split_zip_created_by_zip.zip", 272, ""},
        FixtureCase{"split_std_winrar/split_zip_created_by_winrar.zip", 279, ""},
        FixtureCase{"split_std_zip64/split_zip_created_by_zip_zip64.zip", 272, ""},
        FixtureCase{"gen_split_infozip/UPDATE.zip", 4, ""},
        FixtureCase{"libzip_incons/incons-eocd-magic-bad.zip", -1, "Incomplete Zip File"},
        FixtureCase{"libzip_incons/incons-file-count-overflow.zip", 1, ""},
        FixtureCase{"libzip_incons/incons-zip64-checkcons-overflow.zip", 1, ""}));

TEST(SharedFixtureNames, UnicodePathsAndUtf8Flags) {
  const fs::path path = zip_test::SharedFixture("edge/la_read_format_zip_7075_utf8_paths.zip");
  TUnZipper u;
  u.SetZipName(zip_test::EnginePath(path));
  u.LoadDirectory();
  ASSERT_EQ(u.EntryCount(), 4);
  EXPECT_EQ(u.Entry(1).FileName(), "File 2 - \xC3\xB6.txt");
  EXPECT_EQ(u.Entry(3).FileName(), "File 4 - \xC3\xA5.txt");
}

// ---- byte-built layouts ----

class BuiltArchives : public testing::Test {
 protected:
  TUnZipper& Load(const std::string& file, const std::string& bytes) {
    WriteFile(dir_ / file, bytes);
    u_.SetZipName(dir_.Engine(file));
    u_.LoadDirectory();
    return u_;
  }
  TempDir dir_;
  TUnZipper u_;
};

TEST_F(BuiltArchives, ZeroByteFileIsAnEmptyArchive) {
  EXPECT_EQ(Load("zero.zip", "").EntryCount(), 0);
}

TEST_F(BuiltArchives, MissingEndRecordByIncompleteMode) {
  std::string bytes = SimpleArchive({"a.txt", "b/c.txt"});
  bytes.resize(bytes.size() - 22);  // the end record is gone; central headers stay
  // izAssumeMulti: quiet load, then extraction reports the incomplete archive.
  EXPECT_EQ(Load("cut.zip", bytes).EntryCount(), 0);
  EXPECT_EQ(u_.ZipName(), dir_.Engine("cut.zip"));
  u_.SetDestDir(dir_.Engine("out"));
  try {
    u_.UnZipSelected();
    FAIL();
  } catch (const EIncompleteZip& e) {
    EXPECT_STREQ(e.what(), "Incomplete Zip File");
  }
  // izAssumeBad: rebuilt from local headers, names completed from the central headers after them.
  TUnZipper bad;
  bad.SetIncompleteZipMode(izAssumeBad);
  bad.SetZipName(dir_.Engine("cut.zip"));
  bad.LoadDirectory();
  ASSERT_EQ(bad.EntryCount(), 2);
  EXPECT_EQ(bad.Entry(1).Path(), "b\\c.txt");
  EXPECT_EQ(bad.Entry(1).ExternalAttributes, 0x20u);  // from the central header
  EXPECT_TRUE(bad.Rebuilt());
  // izAssumeNotAZip: refused, and the component forgets the name.
  TUnZipper not_zip;
  not_zip.SetIncompleteZipMode(izAssumeNotAZip);
  not_zip.SetZipName(dir_.Engine("cut.zip"));
  EXPECT_THROW(not_zip.LoadDirectory(), ENotAZipFile);
  EXPECT_EQ(not_zip.ZipName(), "");
  // The handler may choose the mode.
  TUnZipper asked;
  int calls = 0;
  asked.OnInCompleteZip = [&](TUnZipper*, TIncompleteZipMode& mode) {
    ++calls;
    mode = izAssumeBad;
  };
  asked.SetZipName(dir_.Engine("cut.zip"));
  asked.LoadDirectory();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(asked.EntryCount(), 2);
}

TEST_F(BuiltArchives, ShortFilesHaveNoEndRecord) {
  const std::string record = zip_test::EndRecord(0, 0, 0);
  for (size_t n = 1; n <= 21; ++n) {
    TUnZipper u;
    WriteFile(dir_ / "short.zip", record.substr(0, n));
    u.SetZipName(dir_.Engine("short.zip"));
    u.SetIncompleteZipMode(izAssumeNotAZip);
    EXPECT_THROW(u.LoadDirectory(), ENotAZipFile) << n;
  }
}

TEST_F(BuiltArchives, NoLocalHeaderToRebuildFrom) {
  WriteFile(dir_ / "text.zip", "just some text, no archive at all");
  TUnZipper u;
  u.SetIncompleteZipMode(izAssumeBad);
  u.SetZipName(dir_.Engine("text.zip"));
  try {
    u.LoadDirectory();
    FAIL();
  } catch (const EBadZipFile& e) {
    EXPECT_STREQ(e.what(), "Not a valid zip file!");
  }
}

TEST_F(BuiltArchives, SelfExtractorWithDamagedDirectoryIsScannedFromOffset14000) {
  // A local header signature inside the program part must not be taken for an entry.
  std::string stub(20000, 'M');
  const std::string decoy = zip_test::Le32(0x04034B50) + zip_test::Le16(20) + std::string(20, '\0') +
                            zip_test::Le16(5) + zip_test::Le16(0) + "decoy";
  stub.replace(100, decoy.size(), decoy);
  ZipBuilder b;
  b.SetPrefix(stub);
  b.Add(EntryDef{"real.txt", "hello"});
  std::string bytes = b.Build();
  bytes[b.CentralOffset()] = 'X';  // the central directory is damaged
  for (const char* name : {"setup.EXE", "setup.zip"}) {
    TUnZipper u;
    WriteFile(dir_ / name, bytes);
    u.SetZipName(dir_.Engine(name));
    u.LoadDirectory();
    ASSERT_EQ(u.EntryCount(), 1) << name;
    EXPECT_EQ(u.Entry(0).FileName(), std::string(name) == "setup.EXE" ? "real.txt" : "decoy") << name;
  }
}

TEST_F(BuiltArchives, CentralEntryClaimingAMissingExtraField) {
  ZipBuilder b;
  b.Add(EntryDef{"one.txt", "1"});
  b.Add(EntryDef{"two.txt", "2"});
  b.Add(EntryDef{"six.txt", "6"});
  std::string bytes = b.Build();
  EXPECT_TRUE(Load("sound.zip", bytes).Repairs().empty());
  // The first two central headers say they have a 4-byte extra field that is not there.
  bytes[b.CentralOffset() + 30] = 4;
  bytes[b.CentralOffset() + 46 + 7 + 30] = 4;
  EXPECT_EQ(Load("extra.zip", bytes).EntryCount(), 3);
  EXPECT_EQ(u_.Entry(1).FileName(), "two.txt");
  EXPECT_EQ(u_.Entry(2).FileName(), "six.txt");
  EXPECT_EQ(u_.Entry(0).ExtraFieldLength, 0);
  EXPECT_FALSE(u_.Rebuilt());
  // Read, but not as written: said once.
  EXPECT_EQ(u_.Repairs(),
            std::vector<std::string>{"A central directory record claims an extra field the archive does not hold"});
}

// Rebuilt from the local headers, such a directory would quietly lose all but one of its
// entries; it is the shape of an overlap bomb and refused as one (as unzip does).
TEST_F(BuiltArchives, TwoCentralEntriesOnOneLocalHeaderAreRefusedAsOverlapped) {
  ZipBuilder b;
  b.Add(EntryDef{"one.txt", "1"});
  b.Add(EntryDef{"two.txt", "2"});
  std::string bytes = b.Build();
  // Point the second central header at the first local header.
  const size_t second = b.CentralOffset() + 46 + 7;
  bytes.replace(second + 42, 4, zip_test::Le32(0));
  try {
    Load("dup.zip", bytes);
    FAIL();
  } catch (const EOverlappedEntries& e) {
    EXPECT_STREQ(e.what(), "Invalid zip file with overlapped components (possible zip bomb)");
  }
  EXPECT_EQ(u_.EntryCount(), 0);
  EXPECT_FALSE(u_.Rebuilt());
}

TEST_F(BuiltArchives, DirectoryFromASeparateZfcFile) {
  ZipBuilder b;
  b.Add(EntryDef{"x.txt", "xx"});
  b.Add(EntryDef{"y.txt", "yy"});
  const std::string bytes = b.Build();
  const size_t central = b.CentralOffset();
  std::string zfc = bytes.substr(central);
  // In the .zfc file the directory starts at offset 0.
  zfc.replace(zfc.size() - 6, 4, zip_test::Le32(0));
  WriteFile(dir_ / "set.zfc", zfc);
  EXPECT_EQ(Load("set.zip", bytes.substr(0, central)).EntryCount(), 2);
  EXPECT_EQ(u_.Entry(1).FileName(), "y.txt");
}

TEST_F(BuiltArchives, SortModeAppliesWhenTheDirectoryIsRead) {
  const std::string bytes = SimpleArchive({"b.txt", "A.txt", "c.txt"});
  u_.SetSortMode(ByName);
  Load("sort.zip", bytes);
  EXPECT_EQ(u_.Entry(0).FileName(), "A.txt");
  u_.SetSortMode(ByNone);
  EXPECT_EQ(u_.Entry(0).FileName(), "A.txt");  // no re-sort until the next read
  u_.Resort(ByNone);
  EXPECT_EQ(u_.Entry(0).FileName(), "b.txt");
}

TEST_F(BuiltArchives, SameNameInOtherLettersKeepsTheDirectory) {
  Load("keep.zip", SimpleArchive({"a", "b"}));
  u_.SetZipName(dir_.Engine("KEEP.ZIP"));
  EXPECT_EQ(u_.EntryCount(), 2);
  u_.SetZipName(dir_.Engine("other.zip"));
  EXPECT_EQ(u_.EntryCount(), 0);
}

TEST_F(BuiltArchives, ReloadsWhenTheFileChanges) {
  Load("change.zip", SimpleArchive({"a"}));
  EXPECT_EQ(u_.EntryCount(), 1);
  WriteFile(dir_ / "change.zip", SimpleArchive({"a", "b", "c"}));
  u_.OpenArchive();
  u_.CloseArchive();
  EXPECT_EQ(u_.EntryCount(), 3);
}

TEST_F(BuiltArchives, MissingArchiveClearsTheComponent) {
  TUnZipper u;
  u.SetZipName(dir_.Engine("absent.zip"));
  try {
    u.LoadDirectory();
    FAIL();
  } catch (const platform::EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file"), std::string::npos);
  }
  EXPECT_EQ(u.ZipName(), "");
}

TEST_F(BuiltArchives, CancelWhileReadingTheDirectory) {
  Load("cancel.zip", SimpleArchive({"a", "b"}));
  TUnZipper u;
  u.SetZipName(dir_.Engine("cancel.zip"));
  u.CancelRequested = true;
  try {
    u.LoadDirectory();
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User Aborted Operation");
  }
  EXPECT_FALSE(u.CancelRequested);
  EXPECT_EQ(u.EntryCount(), 0);
}

TEST(SplitNames, PartsAreNamedByTheBlockModeAndTheEvent) {
  TempDir dir;
  ZipBuilder b;
  b.Add(EntryDef{"a.txt", "a"});
  // A two-part archive: the entry on part 1, the central directory on part 2.
  std::string whole = b.Build();
  const size_t central = b.CentralOffset();
  const std::string part1 = whole.substr(0, central);
  std::string part2 = whole.substr(central, whole.size() - central - 22);
  part2 += zip_test::EndRecord(1, static_cast<uint32_t>(part2.size()), 0, "", 1, 1);
  struct Case {
    TBlockMode mode;
    const char* part1_name;
    const char* last_name;
  } cases[] = {{bmStandard, "UPDATE.zip.z01", "UPDATE.zip"},
               {bmStandard, "UPDATE.z01", "UPDATE.zip"},
               {bmClassic, "UPDATE.001", "UPDATE.002"}};
  for (const Case& c : cases) {
    TempDir d;
    WriteFile(d / c.part1_name, part1);
    WriteFile(d / c.last_name, part2);
    TUnZipper u;
    u.SetBlockMode(c.mode);
    u.SetZipName(d.Engine(c.last_name));
    u.LoadDirectory();
    ASSERT_EQ(u.EntryCount(), 1) << c.part1_name;
    u.SetDestDir(d.Engine("out"));
    u.SetDoAll(true);
    EXPECT_EQ(u.UnZipSelected(), 1) << c.part1_name;
    EXPECT_EQ(zip_test::ReadFile(d / "out" / "a.txt"), "a") << c.part1_name;
  }
  // The event names every part itself.
  TempDir d;
  WriteFile(d / "first.bin", part1);
  WriteFile(d / "last.bin", part2);
  TUnZipper u;
  std::vector<std::pair<int, TSplitPartType>> asked;
  u.OnFileNameForSplitPart = [&](TUnZipper*, std::string& name, int part, TSplitPartType type) {
    asked.emplace_back(part, type);
    name = d.Engine(part == 1 ? "first.bin" : "last.bin");
  };
  u.SetZipName(d.Engine("last.bin"));
  u.LoadDirectory();
  u.SetDestDir(d.Engine("out"));
  u.SetDoAll(true);
  EXPECT_EQ(u.UnZipSelected(), 1);
  EXPECT_EQ(asked, (std::vector<std::pair<int, TSplitPartType>>{{1, spFirst}}));

  // Parts on disks: the host names each one; an empty answer gives up.
  TUnZipper disks;
  disks.SetPartMode(pmDisks);
  disks.SetVerifyDiskLabels(false);
  std::vector<int> wanted;
  std::string answer = d.Engine("first.bin");
  disks.OnGetNextDisk = [&](TUnZipper*, int disk, std::string& name) {
    wanted.push_back(disk);
    name = answer;
  };
  disks.SetZipName(d.Engine("last.bin"));
  disks.LoadDirectory();
  EXPECT_EQ(disks.PartMode(), pmDisks);
  disks.SetDestDir(d.Engine("out-disks"));
  disks.SetDoAll(true);
  EXPECT_EQ(disks.UnZipSelected(), 1);
  EXPECT_EQ(wanted, std::vector<int>{1});
  EXPECT_EQ(zip_test::ReadFile(d / "out-disks" / "a.txt"), "a");
  answer.clear();
  TUnZipper refused;
  refused.SetPartMode(pmDisks);
  refused.SetVerifyDiskLabels(false);
  refused.OnGetNextDisk = disks.OnGetNextDisk;
  refused.SetZipName(d.Engine("last.bin"));
  refused.SetDestDir(d.Engine("out-refused"));
  refused.SetDoAll(true);
  try {
    refused.UnZipSelected();
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled loading new disk.");
  }
}

}  // namespace
}  // namespace zip
