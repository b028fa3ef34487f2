// Extraction runs over byte-built archives: events and their order, progress, rejected
// entries, overwrite rules, placement and the run's error endings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "decode.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "test_support.h"
#include "zip/unzipper.h"

namespace zip {
namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::ReadFile;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

// Records every event of a run as one line.
struct Recorder {
  std::vector<std::string> log;
  std::vector<int> file_percent, total_percent;
  void Attach(TUnZipper& u) {
    u.OnStartUnZipInfo = [this](TUnZipper*, int n, int64_t bytes, bool&) {
      log.push_back("info " + std::to_string(n) + " " + std::to_string(bytes));
    };
    u.OnStartUnZip = [this](TUnZipper* z, int i, std::string&, bool&) { log.push_back("start " + z->Entry(i).Path()); };
    u.OnEndUnZip = [this](TUnZipper* z, int i, const std::string&) { log.push_back("end " + z->Entry(i).Path()); };
    u.OnBadCRC = [this](TUnZipper* z, uint32_t, uint32_t, int i) { log.push_back("badcrc " + z->Entry(i).Path()); };
    u.OnSkippingFile = [this](TUnZipper*, TSkipReason r, const std::string& name, int, bool&) {
      log.push_back("skip " + std::to_string(r) + " " + name);
    };
    u.OnUnZipComplete = [this](TUnZipper*, int n) { log.push_back("complete " + std::to_string(n)); };
    u.OnFilePercentDone = [this](TUnZipper*, int p) { file_percent.push_back(p); };
    u.OnTotalPercentDone = [this](TUnZipper*, int p) { total_percent.push_back(p); };
    u.OnHandleMessage = [this](TUnZipper*, int id, const std::string& m1, const std::string& m2, uint32_t flags,
                               int& answer) {
      log.push_back("message " + std::to_string(id) + " " + m1 + " / " + m2 + " " + std::to_string(flags));
      answer = 1;
    };
  }
};

class Extraction : public testing::Test {
 protected:
  // Writes the archive and prepares a run over all entries into <tmp>/out.
  void Prepare(ZipBuilder& b, const std::string& comment = "") {
    WriteFile(dir_ / "a.zip", b.Build(comment));
    u_.SetZipName(dir_.Engine("a.zip"));
    u_.SetDestDir(dir_.Engine("out"));
    u_.SetDoAll(true);
    u_.SetRecreateDirs(true);
    u_.SetOverwriteMode(Always);
    rec_.Attach(u_);
  }
  std::string Out(const std::string& relative) const { return dir_.Engine("out\\" + relative); }
  std::string OutFile(const std::string& relative) const { return ReadFile(dir_ / "out" / relative); }
  bool OutExists(const std::string& relative) const { return fs::exists(dir_ / "out" / relative); }

  TempDir dir_;
  TUnZipper u_;
  Recorder rec_;
};

TEST_F(Extraction, EventsComeInOrderAndFoldersCountWithoutEvents) {
  ZipBuilder b;
  b.Add(EntryDef{"sub/", ""});
  b.Add(EntryDef{"sub/a.txt", "alpha", 8});
  b.Add(EntryDef{"b.txt", "bravo"});
  Prepare(b);
  EXPECT_EQ(u_.UnZipSelected(), 3);
  EXPECT_EQ(rec_.log, (std::vector<std::string>{"info 3 10", "start sub\\a.txt", "end sub\\a.txt", "start b.txt",
                                                 "end b.txt", "complete 3"}));
  EXPECT_EQ(OutFile("sub/a.txt"), "alpha");
  EXPECT_EQ(OutFile("b.txt"), "bravo");
  EXPECT_TRUE(u_.FilesList().empty());
}

TEST_F(Extraction, StoredEntryIsWrittenIn32KiBBlocks) {
  std::string data(70000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + (i >> 9));
  ZipBuilder b;
  b.Add(EntryDef{"big.bin", data});
  Prepare(b);
  EXPECT_EQ(u_.UnZipSelected(), 1);
  EXPECT_EQ(rec_.file_percent, (std::vector<int>{47, 94, 100}));
  EXPECT_EQ(OutFile("big.bin"), data);
}

TEST_F(Extraction, TotalPercentagesAndEmptyEntries) {
  ZipBuilder b;
  b.Add(EntryDef{"1", "a"});
  b.Add(EntryDef{"empty", ""});
  b.Add(EntryDef{"empty-deflated", "", 8});
  b.Add(EntryDef{"2", "b", 8});
  b.Add(EntryDef{"3", "c"});
  Prepare(b);
  EXPECT_EQ(u_.UnZipSelected(), 5);
  EXPECT_EQ(rec_.total_percent, (std::vector<int>{33, 67, 100}));
  EXPECT_TRUE(OutExists("empty"));
  EXPECT_EQ(fs::file_size(dir_ / "out" / "empty-deflated"), 0u);
}

TEST_F(Extraction, RejectedEntriesAreDeletedAndTheRunGoesOn) {
  ZipBuilder b;
  EntryDef bad_crc{"badcrc.txt", "content"};
  bad_crc.crc = 0x12345678;
  EntryDef longer{"longer.txt", std::string(1000, 'x'), 8};
  longer.usize = 999;  // the inflated data is one byte longer than declared
  EntryDef m98{"ppmd.bin", "some bytes", 98};
  EntryDef m97{"wavpack.bin", "more bytes", 97};
  m97.crc = 0;  // a stored CRC of 0 must not pass an entry whose data was never decoded
  b.Add(bad_crc);
  b.Add(longer);
  b.Add(m98);
  b.Add(m97);
  b.Add(EntryDef{"good.txt", "fine"});
  Prepare(b);
  EXPECT_EQ(u_.UnZipSelected(), 1);
  EXPECT_EQ(rec_.log, (std::vector<std::string>{
                          "info 5 1030", "start badcrc.txt", "badcrc badcrc.txt", "start longer.txt",
                          "badcrc longer.txt", "start ppmd.bin",
                          "message 197 Unknown Compression Method 98 (PPMd): ppmd.bin / Zip Error 0",
                          "badcrc ppmd.bin", "start wavpack.bin",
                          "message 197 Unknown Compression Method 97 (WavPack): wavpack.bin / Zip Error 0",
                          "badcrc wavpack.bin", "start good.txt", "end good.txt", "complete 1"}));
  for (const char* gone : {"badcrc.txt", "longer.txt", "ppmd.bin", "wavpack.bin"})
    EXPECT_FALSE(OutExists(gone)) << gone;
  EXPECT_EQ(OutFile("good.txt"), "fine");
}

// Encryption the engine cannot decrypt is named as such, never taken for a wrong password, and a
// method it cannot decode is named with its number and name.
TEST_F(Extraction, UnsupportedEncryptionAndMethodsAreNamed) {
  struct Case {
    EntryDef entry;
    std::string message;
  } cases[] = {
      {EntryDef{"aes.bin", "ciphertext", 99, 0x5A2B6000, 1}, "message 203 Unsupported Encryption Method (AES): aes.bin"},
      {EntryDef{"sub/strong.bin", "ciphertext", 8, 0x5A2B6000, 0x41},
       "message 203 Unsupported Encryption Method (PKWARE strong encryption): sub\\strong.bin"},
      {EntryDef{"ppmd.bin", "data", 98}, "message 197 Unknown Compression Method 98 (PPMd): ppmd.bin"},
      {EntryDef{"odd.bin", "data", 77}, "message 197 Unknown Compression Method 77: odd.bin"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ZipBuilder b;
    b.Add(c.entry);
    b.Add(EntryDef{"next.txt", "n"});
    WriteFile(dir / "a.zip", b.Build());
    TUnZipper u;
    Recorder rec;
    rec.Attach(u);
    u.SetZipName(dir.Engine("a.zip"));
    u.SetDestDir(dir.Engine("out"));
    u.SetDoAll(true);
    u.SetRecreateDirs(true);
    u.Password = "some password";
    EXPECT_EQ(u.UnZipSelected(), 1) << c.message;
    EXPECT_EQ(rec.log[2], c.message + " / Zip Error 0");
    EXPECT_EQ(rec.log[3], "badcrc " + zip_test::EnginePath(c.entry.name));
    EXPECT_FALSE(fs::exists(dir / "out" / c.entry.name)) << c.message;
    EXPECT_EQ(ReadFile(dir / "out" / "next.txt"), "n");
  }
}

// The data ends before the declared size (a stored entry's data cut short, a deflate stream
// that ends early, a size 4 GiB too large): the entry fails and leaves no file, a short one would
// look complete. Tested as well as extracted.
TEST_F(Extraction, DeclaredSizeLargerThanTheDataIsAnEntryError) {
  struct Case {
    const char* name;
    uint16_t method;
    uint32_t usize;
    std::string central_extra;
  } cases[] = {
      {"deflated, 7 bytes more", 8, 10, ""},
      {"stored, 7 bytes more", 0, 10, ""},
      {"deflated, 4 GiB more", 8, 0xFFFFFFFF, zip_test::Le16(1) + zip_test::Le16(8) + zip_test::Le64((1ull << 32) + 3)},
  };
  for (const Case& c : cases) {
    for (const bool test : {false, true}) {
      ZipBuilder b;
      EntryDef e{"short.txt", "abc", c.method};
      e.usize = c.usize;
      e.central_extra = c.central_extra;
      b.Add(e);
      b.Add(EntryDef{"next.txt", "next"});
      TUnZipper u;
      WriteFile(dir_ / "short.zip", b.Build());
      u.SetZipName(dir_.Engine("short.zip"));
      u.SetDestDir(dir_.Engine("out"));
      u.SetDoAll(true);
      u.SetOverwriteMode(Always);
      u.SetTestOnly(test);
      std::vector<std::string> errors;
      u.OnEntryError = [&](TUnZipper*, int, const std::string& message, bool& abort) {
        errors.push_back(message);
        abort = false;
      };
      EXPECT_EQ(u.UnZipSelected(), 1) << c.name;
      EXPECT_EQ(errors, std::vector<std::string>{"short.txt: Premature end of file reached"}) << c.name;
      EXPECT_FALSE(OutExists("short.txt")) << c.name;
      if (!test) EXPECT_EQ(OutFile("next.txt"), "next") << c.name;
    }
  }
}

TEST_F(Extraction, TruncatedDataEndsTheRun) {
  ZipBuilder b;
  b.Add(EntryDef{"a.txt", "one"});
  b.Add(EntryDef{"c.txt", "never"});
  EntryDef big{"b.bin", std::string(100, 'z')};
  big.usize = 1000000;
  b.Add(big);
  std::string bytes = b.Build();
  // The last entry claims far more data than the file holds; sorted by name it comes second.
  const size_t central_third = b.CentralOffset() + 46 + 5 + 46 + 5;
  bytes.replace(central_third + 20, 4, zip_test::Le32(1000000));
  WriteFile(dir_ / "a.zip", bytes);
  u_.SetSortMode(ByName);
  u_.SetZipName(dir_.Engine("a.zip"));
  u_.SetDestDir(dir_.Engine("out"));
  u_.SetDoAll(true);
  rec_.Attach(u_);
  try {
    u_.UnZipSelected();
    FAIL();
  } catch (const EFatalUnzipError& e) {
    EXPECT_STREQ(e.what(), "b.bin: Premature end of file reached");
  }
  EXPECT_EQ(rec_.log.back(), "complete 1");
  EXPECT_EQ(OutFile("a.txt"), "one");
  // Made at its declared length of a million bytes, it would look whole.
  EXPECT_FALSE(OutExists("b.bin"));
  EXPECT_FALSE(OutExists("c.txt"));
}

TEST_F(Extraction, DamagedDeflateDataEndsTheRun) {
  ZipBuilder b;
  b.Add(EntryDef{"first.txt", "one", 8});
  EntryDef broken{"broken.bin", "whatever it was", 8};
  broken.compressed = std::string("\xff\xff\xff\xff\xff\xff", 6);
  b.Add(broken);
  Prepare(b);
  try {
    u_.UnZipSelected();
    FAIL();
  } catch (const EZCompressionError& e) {
    EXPECT_STREQ(e.what(), "broken.bin: Invalid compressed data (invalid block)");
  }
  EXPECT_EQ(rec_.log.back(), "complete 1");
  EXPECT_EQ(OutFile("first.txt"), "one");
  EXPECT_FALSE(OutExists("broken.bin"));
}

TEST_F(Extraction, DeflateDataEndingBeforeItsStreamDoes) {
  ZipBuilder b;
  const std::string data(5000, 'q');
  EntryDef cut{"cut.bin", data, 8};
  cut.compressed = zip_test::RawDeflate(data).substr(0, 5);
  b.Add(cut);
  Prepare(b);
  EXPECT_THROW(u_.UnZipSelected(), EZCompressionError);
}

// Entries whose data fails in the middle of a run: with an OnEntryError handler that goes on, the
// failed entry leaves no file, the handler hears its name and cause, and the entries after it are
// still extracted.
struct DamagedEntryCase {
  const char* name;
  EntryDef entry;
  std::string message;
  uint32_t claimed_csize = 0;  // non-zero: the directory claims this much data for the entry
};

void PrintTo(const DamagedEntryCase& c, std::ostream* os) { *os << c.name; }

class DamagedEntry : public testing::TestWithParam<DamagedEntryCase> {};

TEST_P(DamagedEntry, HandlerGoesOnAndNothingOfTheEntryRemains) {
  const DamagedEntryCase& c = GetParam();
  TempDir dir;
  ZipBuilder b;
  // The damaged entry lies last, where its data may run into the end of the file; by name it is
  // extracted second.
  b.Add(EntryDef{"a-first.txt", "one", 8});
  b.Add(EntryDef{"z-after.txt", "two", 8});
  b.Add(c.entry);
  std::string bytes = b.Build();
  if (c.claimed_csize) bytes.replace(b.CentralOffset() + 2 * (46 + 11) + 20, 4, zip_test::Le32(c.claimed_csize));
  WriteFile(dir / "a.zip", bytes);
  TUnZipper u;
  u.SetSortMode(ByName);
  u.SetZipName(dir.Engine("a.zip"));
  u.SetDestDir(dir.Engine("out"));
  u.SetDoAll(true);
  u.SetRecreateDirs(true);
  u.SetOverwriteMode(Always);
  // An older version of the entry is replaced: the failure must not leave a truncated one.
  WriteFile(dir / "out" / c.entry.name, "old version");
  std::vector<std::string> failures;
  u.OnEntryError = [&](TUnZipper*, int index, const std::string& message, bool& abort) {
    EXPECT_TRUE(abort);
    EXPECT_FALSE(fs::exists(dir / "out" / c.entry.name)) << "removed before the event";
    failures.push_back(std::to_string(index) + " " + message);
    abort = false;
  };
  EXPECT_EQ(u.UnZipSelected(), 2) << c.name;
  EXPECT_EQ(failures, std::vector<std::string>{"1 " + c.message}) << c.name;
  EXPECT_FALSE(fs::exists(dir / "out" / c.entry.name)) << c.name;
  EXPECT_EQ(ReadFile(dir / "out" / "a-first.txt"), "one");
  EXPECT_EQ(ReadFile(dir / "out" / "z-after.txt"), "two") << c.name;
}

EntryDef WithData(EntryDef e, std::string compressed) {
  e.compressed = std::move(compressed);
  return e;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DamagedEntry,
    testing::Values(
        DamagedEntryCase{"bad block type", WithData(EntryDef{"broken.bin", std::string(70000, 'b'), 8}, "\xff\xff\xff"),
                         "broken.bin: Invalid compressed data (invalid block)"},
        // A valid beginning: two full output blocks are written before the data runs out.
        DamagedEntryCase{"deflate data ends early",
                         WithData(EntryDef{"sub/cut.bin", std::string(100000, 'c'), 8},
                                  zip_test::RawDeflate(std::string(100000, 'c'), 0).substr(0, 70000)),
                         "sub\\cut.bin: Invalid compressed data (unexpected end of data)"},
        DamagedEntryCase{"archive ends inside the entry",
                         [] {
                           EntryDef e{"big.bin", std::string(40000, 'z')};
                           e.usize = 1000000;
                           return e;
                         }(),
                         "big.bin: Premature end of file reached", 1000000}));

// Bytes put in front of an archive without adjusting its offsets (a self-extractor's program):
// the distance is found from where the central directory really lies, and every entry is read
// from its real place. A local header that is not at the corrected place fails its entry.
TEST_F(Extraction, ArchiveBehindBytesItsOffsetsDoNotCount) {
  const std::string decoy = zip_test::Le32(0x04034B50) + zip_test::Le16(20) + std::string(20, '\0') +
                            zip_test::Le16(5) + zip_test::Le16(0) + "decoy";
  struct Case {
    const char* name;
    std::string stub;
    bool misplaced;  // the last entry's recorded offset is off by one more byte
  } cases[] = {
      {"program stub", "MZ" + std::string(98, '\0'), false},
      {"stub holding a local header signature", std::string(300, 'M') + decoy + std::string(300, 'M'), false},
      {"one entry misplaced", std::string(64, 'S'), true},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ZipBuilder b;
    b.Add(EntryDef{"a.txt", "alpha", 8});
    b.Add(EntryDef{"sub/b.txt", std::string(5000, 'b'), 8});
    b.Add(EntryDef{"c.txt", "charlie"});
    std::string bytes = b.Build();
    if (c.misplaced) {
      // The third central header follows those of "a.txt" and "sub/b.txt" (no extra fields).
      const size_t at = b.CentralOffset() + 46 + 5 + 46 + 9;
      bytes.replace(at + 42, 4, zip_test::Le32(static_cast<uint32_t>(b.Offsets()[2] + 1)));
    }
    WriteFile(dir / "a.zip", c.stub + bytes);
    TUnZipper u;
    u.SetZipName(dir.Engine("a.zip"));
    u.SetDestDir(dir.Engine("out"));
    u.SetDoAll(true);
    u.SetRecreateDirs(true);
    std::vector<std::string> errors;
    u.OnEntryError = [&](TUnZipper*, int, const std::string& message, bool& abort) {
      errors.push_back(message);
      abort = false;
    };
    u.LoadDirectory();
    EXPECT_EQ(u.LeadingBytes(), static_cast<int64_t>(c.stub.size())) << c.name;
    ASSERT_EQ(u.EntryCount(), 3) << c.name;
    EXPECT_EQ(u.UnZipSelected(), c.misplaced ? 2 : 3) << c.name;
    EXPECT_EQ(ReadFile(dir / "out" / "a.txt"), "alpha") << c.name;
    EXPECT_EQ(ReadFile(dir / "out" / "sub" / "b.txt"), std::string(5000, 'b')) << c.name;
    if (!c.misplaced) {
      EXPECT_TRUE(errors.empty()) << c.name;
      EXPECT_EQ(ReadFile(dir / "out" / "c.txt"), "charlie") << c.name;
    } else {
      EXPECT_EQ(errors, std::vector<std::string>{"c.txt: Local header not found where the directory says"});
      EXPECT_FALSE(fs::exists(dir / "out" / "c.txt"));
    }
  }
}

// Overlapped entries are refused before anything is written, however much they declare; the
// declared total of the selection is there for a host to look at beforehand.
TEST_F(Extraction, OverlappedEntriesAreRefusedBeforeWriting) {
  WriteFile(dir_ / "bomb.zip", zip_test::OverlappedBomb(250, 1 << 20));
  u_.SetZipName(dir_.Engine("bomb.zip"));
  u_.SetDestDir(dir_.Engine("out"));
  u_.SetDoAll(true);
  u_.SetRecreateDirs(true);
  rec_.Attach(u_);
  u_.LoadDirectory();
  ASSERT_EQ(u_.EntryCount(), 250);
  EXPECT_GT(u_.SelectedUncompressedSize(), int64_t{250} << 20);
  for (const bool test_only : {false, true}) {
    u_.SetTestOnly(test_only);
    try {
      u_.UnZipSelected();
      FAIL();
    } catch (const EOverlappedEntries& e) {
      EXPECT_STREQ(e.what(), "Invalid zip file with overlapped components (possible zip bomb)");
    }
    EXPECT_FALSE(fs::exists(dir_ / "out"));
  }
  // No entry was begun, in either mode: not one inflated byte.
  EXPECT_EQ(rec_.log, (std::vector<std::string>{"complete 0", "complete 0"}));
}

TEST_F(Extraction, SelectedUncompressedSizeFollowsTheSelection) {
  ZipBuilder b;
  b.Add(EntryDef{"dir/", ""});
  b.Add(EntryDef{"dir/a.txt", std::string(1000, 'a'), 8});
  b.Add(EntryDef{"b.bin", std::string(30, 'b')});
  Prepare(b);
  u_.LoadDirectory();
  EXPECT_EQ(u_.SelectedUncompressedSize(), 1030);
  u_.SetDoAll(false);
  u_.SetFilesList({"*.bin"});
  EXPECT_EQ(u_.SelectedUncompressedSize(), 30);
  u_.SetFilesList({});
  EXPECT_EQ(u_.SelectedUncompressedSize(), 0);
}

TEST_F(Extraction, EntryWithoutANameIsAnError) {
  ZipBuilder b;
  b.Add(EntryDef{"a.txt", "a"});
  b.Add(EntryDef{"", "lost data"});
  b.Add(EntryDef{"b.txt", "b"});
  Prepare(b);
  try {
    u_.UnZipSelected();
    FAIL();
  } catch (const EBadZipFile& e) {
    EXPECT_STREQ(e.what(), "entry #2: No file name");
  }
  EXPECT_EQ(rec_.log.back(), "complete 1");
  // Handled: the run goes on. Without recreated folders the entry is still no folder entry.
  std::vector<std::string> errors;
  u_.OnEntryError = [&](TUnZipper*, int, const std::string& message, bool& abort) {
    errors.push_back(message);
    abort = false;
  };
  u_.SetRecreateDirs(false);
  EXPECT_EQ(u_.UnZipSelected(), 2);
  EXPECT_EQ(errors, std::vector<std::string>{"entry #2: No file name"});
  EXPECT_EQ(OutFile("b.txt"), "b");
}

TEST_F(Extraction, WrongPasswordPassingTheCheckByteLeavesNoFile) {
  ZipBuilder b;
  EntryDef secret{"secret.bin", std::string(50000, 's'), 8};
  secret.password = "right";
  b.Add(secret);
  b.Add(EntryDef{"plain.txt", "p"});
  Prepare(b);
  // Find a wrong password whose decrypted header ends with the check byte.
  const std::string bytes = ReadFile(dir_ / "a.zip");
  const uint8_t check = static_cast<uint8_t>(zip_test::Crc32(secret.data) >> 24);
  std::string wrong;
  for (int n = 0; wrong.empty(); ++n) {
    uint8_t head[12];
    std::memcpy(head, bytes.data() + 30 + secret.name.size(), 12);
    ZipCrypto crypto;
    crypto.Init("x" + std::to_string(n));
    crypto.Decrypt(head, 12);
    if (head[11] == check) wrong = "x" + std::to_string(n);
  }
  u_.Password = wrong;
  EXPECT_EQ(u_.UnZipSelected(), 1);
  EXPECT_FALSE(OutExists("secret.bin"));
  EXPECT_EQ(OutFile("plain.txt"), "p");
  EXPECT_NE(std::find(rec_.log.begin(), rec_.log.end(), "skip 0 secret.bin"), rec_.log.end());
}

TEST_F(Extraction, PathsLeavingTheDestinationAreRefused) {
  ZipBuilder b;
  b.Add(EntryDef{"../evil.txt", "x"});
  b.Add(EntryDef{"a/../../evil2.txt", "x"});
  b.Add(EntryDef{"../up/", ""});
  b.Add(EntryDef{"a/../fine.txt", "ok"});
  Prepare(b);
  EXPECT_EQ(u_.UnZipSelected(), 1);
  EXPECT_FALSE(fs::exists(dir_ / "evil.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "evil2.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "up"));
  EXPECT_EQ(OutFile("fine.txt"), "ok");
  EXPECT_EQ(rec_.log[1], "skip 3 " + Out("..\\evil.txt"));
}

// Where an entry name points when joined to the destination as it stands, '\\' taken as a separator.
fs::path NamedTarget(const fs::path& dest, std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return (dest / name).lexically_normal();
}

// A file as it stands, to see that a run left it alone.
struct FileState {
  bool exists = false;
  std::string content;
  fs::file_time_type time;
  bool operator==(const FileState&) const = default;
};

void PrintTo(const FileState& s, std::ostream* os) {
  *os << (s.exists ? "a file of " + std::to_string(s.content.size()) + " bytes" : std::string("nothing"));
}

FileState StateOf(const fs::path& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return {};
  return {true, fs::is_regular_file(path, ec) ? ReadFile(path) : std::string(), fs::last_write_time(path, ec)};
}

// The archives name a target forty levels up (/tmp/evil.txt, \Temp\evil.txt): nothing may appear
// in the sentinel folder around the destination, nor at the target the entry names.
TEST_F(Extraction, SharedTraversalArchivesWriteNothingOutside) {
  for (const char* name : {"edge/snyk_zip-slip.zip", "edge/snyk_zip-slip-win.zip"}) {
    SCOPED_TRACE(name);
    const fs::path path = zip_test::SharedFixture(name);
    TempDir sentinel;
    const fs::path dest = sentinel / "a" / "b" / "out";
    TUnZipper u;
    Recorder rec;
    rec.Attach(u);
    u.SetZipName(zip_test::EnginePath(path));
    u.SetDestDir(zip_test::EnginePath(dest));
    u.SetDoAll(true);
    u.SetRecreateDirs(true);
    u.SetOverwriteMode(Always);
    u.LoadDirectory();
    ASSERT_EQ(u.EntryCount(), 2);
    const std::string bad = u.Entry(1).Path();
    ASSERT_EQ(bad.rfind("..\\..\\", 0), 0u) << bad;
    const fs::path target = NamedTarget(dest, bad);
    ASSERT_EQ(target.lexically_relative(sentinel.Path()).generic_string().rfind("../", 0), 0u)
        << target << " lies inside the sentinel";
    const FileState before = StateOf(target);

    EXPECT_EQ(u.UnZipSelected(), 1);
    EXPECT_EQ(ReadFile(dest / "good.txt"), "this is a good one\n");
    EXPECT_EQ(StateOf(target), before) << target;
    for (const auto& item : fs::recursive_directory_iterator(sentinel.Path())) {
      if (item.is_regular_file()) {
        EXPECT_EQ(fs::relative(item.path(), sentinel.Path()).generic_string().rfind("a/b/out/", 0), 0u) << item.path();
      }
    }
    std::vector<std::string> skips;
    for (const std::string& line : rec.log)
      if (line.rfind("skip ", 0) == 0) skips.push_back(line);
    EXPECT_EQ(skips, std::vector<std::string>{"skip " + std::to_string(srCreateError) + " " +
                                              zip_test::EnginePath(dest) + "\\" + bad});
  }
}

#ifndef _WIN32
// Links already in the destination are never written through: one in an entry's place is
// replaced by the entry's file, a folder link leading outside is refused, one staying inside is
// followed.
TEST_F(Extraction, LinksInTheDestinationAreNotWrittenThrough) {
  struct Case {
    const char* name;
    std::string entry;                                  // its content is "new"
    std::vector<std::pair<std::string, std::string>> links;  // link (under out) -> target
    int extracted;
    std::string written;  // where the content lands, under out; empty: nowhere
  } cases[] = {
      {"link to an outside file", "a.txt", {{"a.txt", "../outside/file.txt"}}, 1, "a.txt"},
      {"dangling link to an outside path", "b.txt", {{"b.txt", "../outside/new.txt"}}, 1, "b.txt"},
      {"folder link leading outside", "sub/c.txt", {{"sub", "../outside"}}, 0, ""},
      {"folder link deeper down", "real/sub/d.txt", {{"real/sub", "../../outside"}}, 0, ""},
      {"folder entry below an outside link", "sub/deeper/", {{"sub", "../outside"}}, 0, ""},
      {"folder link staying inside", "in/e.txt", {{"in", "real"}}, 1, "real/e.txt"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFile(dir / "outside" / "file.txt", "outside content");
    fs::create_directories(dir / "out" / "real");
    for (const auto& [link, target] : c.links) {
      fs::create_directories((dir / "out" / link).parent_path());
      fs::create_symlink(target, dir / "out" / link);
    }
    ZipBuilder b;
    b.Add(EntryDef{c.entry, c.entry.back() == '/' ? "" : "new"});
    WriteFile(dir / "a.zip", b.Build());
    TUnZipper u;
    u.SetZipName(dir.Engine("a.zip"));
    u.SetDestDir(dir.Engine("out"));
    u.SetDoAll(true);
    u.SetRecreateDirs(true);
    u.SetOverwriteMode(Always);
    std::vector<TSkipReason> skipped;
    u.OnSkippingFile = [&](TUnZipper*, TSkipReason r, const std::string&, int, bool&) { skipped.push_back(r); };
    EXPECT_EQ(u.UnZipSelected(), c.extracted) << c.name;
    EXPECT_EQ(zip_test::Tree(dir / "outside"),
              (std::vector<std::pair<std::string, std::string>>{{"file.txt", "outside content"}}))
        << c.name;
    EXPECT_FALSE(fs::exists(dir / "outside" / "deeper")) << c.name;
    if (c.written.empty()) {
      EXPECT_EQ(skipped, std::vector<TSkipReason>{srCreateError}) << c.name;
    } else {
      EXPECT_FALSE(fs::is_symlink(dir / "out" / c.written)) << c.name;
      EXPECT_EQ(ReadFile(dir / "out" / c.written), "new") << c.name;
    }
  }
}

// A pipe in an entry's place cannot hold the entry: it is replaced by the entry's file, as a link
// is (it used to be removed without the file being written).
TEST_F(Extraction, PipeInAnEntrysPlaceIsReplacedByItsFile) {
  ZipBuilder b;
  b.Add(EntryDef{"pipe", "content", 8});
  Prepare(b);
  fs::create_directories(dir_ / "out");
  ASSERT_EQ(::mkfifo((dir_ / "out" / "pipe").c_str(), 0644), 0);
  EXPECT_EQ(u_.UnZipSelected(), 1);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "out" / "pipe"));
  EXPECT_EQ(ReadFile(dir_ / "out" / "pipe"), "content");
}
#endif

TEST_F(Extraction, StartEventMaySkipOrRedirect) {
  ZipBuilder b;
  b.Add(EntryDef{"skipped.txt", "12345678"});
  b.Add(EntryDef{"moved.txt", "m"});
  b.Add(EntryDef{"kept.txt", "k"});
  Prepare(b);
  const std::string target = dir_.Engine("elsewhere\\deep\\x.bin");
  std::string reported;
  u_.OnStartUnZip = [&](TUnZipper* z, int i, std::string& fname, bool& skip) {
    if (z->Entry(i).FileName() == "skipped.txt") skip = true;
    if (z->Entry(i).FileName() == "moved.txt") fname = target;
  };
  u_.OnEndUnZip = [&](TUnZipper*, int, const std::string& fname) { reported += fname + ";"; };
  EXPECT_EQ(u_.UnZipSelected(), 2);
  EXPECT_FALSE(OutExists("skipped.txt"));
  EXPECT_EQ(ReadFile(dir_ / "elsewhere" / "deep" / "x.bin"), "m");
  EXPECT_EQ(reported, target + ";" + Out("kept.txt") + ";");
  // The skipped entry's bytes stay in the total: the last percentage stays below 100.
  EXPECT_EQ(rec_.total_percent.back(), 20);
}

TEST_F(Extraction, SelectionByPatterns) {
  ZipBuilder b;
  b.Add(EntryDef{"docs/readme.txt", "r"});
  b.Add(EntryDef{"docs/other.md", "o"});
  b.Add(EntryDef{"bin/tool.exe", "t"});
  Prepare(b);
  u_.SetDoAll(false);
  u_.SetFilesList({"DOCS\\*.TXT", "bin\\*"});
  EXPECT_EQ(u_.UnZipSelected(), 2);
  EXPECT_TRUE(OutExists("docs/readme.txt"));
  EXPECT_FALSE(OutExists("docs/other.md"));
  EXPECT_TRUE(OutExists("bin/tool.exe"));
  EXPECT_TRUE(u_.FilesList().empty());
  // Nothing selected: the info and complete events only.
  rec_.log.clear();
  EXPECT_EQ(u_.UnZipSelected(), 0);
  EXPECT_EQ(rec_.log, (std::vector<std::string>{"info 0 0", "complete 0"}));
}

TEST_F(Extraction, WithoutRecreateDirsEverythingLandsInDestDir) {
  ZipBuilder b;
  b.Add(EntryDef{"folder/", ""});
  b.Add(EntryDef{"sub/a.txt", "first"});
  b.Add(EntryDef{"other/a.txt", "second"});
  Prepare(b);
  u_.SetRecreateDirs(false);
  u_.SetOverwriteMode(Never);
  EXPECT_EQ(u_.UnZipSelected(), 1);
  EXPECT_EQ(OutFile("a.txt"), "first");
  EXPECT_FALSE(OutExists("folder"));
  EXPECT_EQ(rec_.log.front(), "info 2 11");
  EXPECT_EQ(rec_.log[3], "start other\\a.txt");
  EXPECT_EQ(rec_.log[4], "skip 1 " + Out("a.txt"));
}

TEST_F(Extraction, RootDirRemovesALeadingFolder) {
  ZipBuilder b;
  b.Add(EntryDef{"sub/a/b.txt", "1"});
  b.Add(EntryDef{"SUB/x.txt", "2"});
  b.Add(EntryDef{"other/y.txt", "3"});
  Prepare(b);
  u_.SetRootDir("sub");
  EXPECT_EQ(u_.UnZipSelected(), 3);
  EXPECT_EQ(OutFile("a/b.txt"), "1");
  EXPECT_EQ(OutFile("x.txt"), "2");
  EXPECT_EQ(OutFile("other/y.txt"), "3");
}

struct OverwriteCase {
  const char* name;
  TUZOverwriteMode mode;
  int existing_age;  // existing file's time relative to the entry: -1 older, 0 equal, 1 newer
  int answer;        // prompt: 1 handler yes, 0 handler no, 6/7 message box yes/no
  bool replaced;
};

class OverwriteTest : public testing::TestWithParam<OverwriteCase> {};

TEST_P(OverwriteTest, DecidesByMode) {
  const OverwriteCase& c = GetParam();
  TempDir dir;
  ZipBuilder b;
  EntryDef e{"a.txt", "new"};
  e.dos_time = 0x5A2B6000;  // 2025-01-11 12:00:00
  b.Add(e);
  WriteFile(dir / "a.zip", b.Build());
  WriteFile(dir / "out" / "a.txt", "old");
  const uint32_t existing = c.existing_age < 0 ? 0x5A2B5000 : c.existing_age > 0 ? 0x5A2B7000 : 0x5A2B6000;
  ASSERT_TRUE(platform::SetFileDosTime(dir.Engine("out\\a.txt"), existing));
  TUnZipper u;
  u.SetZipName(dir.Engine("a.zip"));
  u.SetDestDir(dir.Engine("out"));
  u.SetDoAll(true);
  u.SetOverwriteMode(c.mode);
  std::vector<std::string> log;
  if (c.mode == Prompt && c.answer <= 1) {
    u.OnPromptForOverwrite = [&](TUnZipper*, bool& overwrite, int index, std::string& fname) {
      log.push_back("prompt " + std::to_string(index) + " " + std::to_string(overwrite) + " " + fname);
      overwrite = c.answer == 1;
    };
  } else {
    u.OnHandleMessage = [&](TUnZipper*, int id, const std::string& m1, const std::string& m2, uint32_t flags,
                            int& answer) {
      log.push_back("message " + std::to_string(id) + " " + m1 + " / " + m2 + " " + std::to_string(flags));
      answer = c.answer;
    };
  }
  u.OnSkippingFile = [&](TUnZipper*, TSkipReason r, const std::string& fname, int, bool&) {
    log.push_back("skip " + std::to_string(r) + " " + fname);
  };
  EXPECT_EQ(u.UnZipSelected(), c.replaced ? 1 : 0) << c.name;
  EXPECT_EQ(ReadFile(dir / "out" / "a.txt"), c.replaced ? "new" : "old") << c.name;
  const std::string dest = dir.Engine("out\\a.txt");
  if (c.mode == Prompt && c.answer <= 1) {
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "prompt 0 0 " + dest);
  }
  if (c.mode == Prompt && c.answer > 1) {
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "message 196 Replace existing file a.txt? / File Exists Alert 4");
  }
  if (!c.replaced) {
    EXPECT_EQ(log.back(), "skip 1 " + dest) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, OverwriteTest,
    testing::Values(OverwriteCase{"always", Always, 1, 0, true}, OverwriteCase{"never", Never, -1, 0, false},
                    OverwriteCase{"ifNewer, existing older", ifNewer, -1, 0, true},
                    OverwriteCase{"ifNewer, equal", ifNewer, 0, 0, false},
                    OverwriteCase{"ifNewer, existing newer", ifNewer, 1, 0, false},
                    OverwriteCase{"ifOlder, existing newer", ifOlder, 1, 0, true},
                    OverwriteCase{"ifOlder, equal", ifOlder, 0, 0, false},
                    OverwriteCase{"ifOlder, existing older", ifOlder, -1, 0, false},
                    OverwriteCase{"prompt handler yes", Prompt, 0, 1, true},
                    OverwriteCase{"prompt handler no", Prompt, 0, 0, false},
                    OverwriteCase{"prompt message yes", Prompt, 0, 6, true},
                    OverwriteCase{"prompt message no", Prompt, 0, 7, false}));

TEST_F(Extraction, ReadOnlyTargetNeedsReplaceReadOnly) {
  ZipBuilder b;
  b.Add(EntryDef{"ro.txt", "new"});
  Prepare(b);
  WriteFile(dir_ / "out" / "ro.txt", "old");
  ASSERT_TRUE(platform::SetPathAttributes(Out("ro.txt"), platform::kAttrReadOnly));
  EXPECT_EQ(u_.UnZipSelected(), 0);
  EXPECT_EQ(rec_.log[2], "skip 3 " + Out("ro.txt"));
  EXPECT_EQ(OutFile("ro.txt"), "old");
  u_.SetReplaceReadOnly(true);
  u_.SetRetainAttributes(false);
  EXPECT_EQ(u_.UnZipSelected(), 1);
  EXPECT_EQ(OutFile("ro.txt"), "new");
  EXPECT_FALSE(*platform::PathAttributes(Out("ro.txt")) & platform::kAttrReadOnly);
}

TEST_F(Extraction, TimeAndAttributesAreRestored) {
  ZipBuilder b;
  EntryDef ro{"ro.txt", "r"};
  ro.external_attributes = 0x21;  // archive + read-only
  ro.dos_time = 0x4A8F5B2C;       // 2017-04-15 11:25:24
  b.Add(ro);
  EntryDef unix_entry{"script.sh", "#!/bin/sh\n"};
  unix_entry.made_by = 0x031E;  // Unix host
  unix_entry.external_attributes = (0100750u << 16);
  b.Add(unix_entry);
  EntryDef hidden{"sub/hidden.txt", "h"};
  hidden.external_attributes = 0x26;  // archive + hidden + system
  hidden.dos_time = 0x4A8F5B2C;
  b.Add(hidden);
  Prepare(b);
  EXPECT_EQ(u_.UnZipSelected(), 3);
  EXPECT_EQ(platform::GetFileDosTime(Out("ro.txt")).value_or(0), 0x4A8F5B2Cu);
  EXPECT_TRUE(*platform::PathAttributes(Out("ro.txt")) & platform::kAttrReadOnly);
  EXPECT_EQ(platform::GetFileDosTime(Out("sub\\hidden.txt")).value_or(0), 0x4A8F5B2Cu);
#ifndef _WIN32
  EXPECT_EQ(fs::status(dir_ / "out" / "script.sh").permissions() & fs::perms::all,
            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  EXPECT_NE(fs::status(dir_ / "out" / "sub" / "hidden.txt").permissions() & fs::perms::owner_write, fs::perms::none);
#else
  // The bits Windows keeps; a Unix mode above them is not taken for attributes.
  EXPECT_EQ(*platform::PathAttributes(Out("sub\\hidden.txt")) & 0xFF,
            platform::kAttrArchive | platform::kAttrHidden | platform::kAttrSystem);
  EXPECT_FALSE(*platform::PathAttributes(Out("script.sh")) & platform::kAttrReadOnly);
#endif
}

TEST_F(Extraction, Passwords) {
  ZipBuilder b;
  b.Add(EntryDef{"plain.txt", "p"});
  EntryDef stored{"sub/stored.txt", "secret stored"};
  stored.password = "pw";
  EntryDef deflated{"deflated.txt", std::string(3000, 'd'), 8};
  deflated.password = "pw";
  EntryDef by_time{"bytime.txt", "time check", 8};
  by_time.password = "pw";
  by_time.flags = 8;  // the check byte comes from the time
  b.Add(stored);
  b.Add(deflated);
  b.Add(by_time);
  Prepare(b);
  // No password, no handler: skipped with the stored path, no file, the run goes on.
  EXPECT_EQ(u_.UnZipSelected(), 1);
  EXPECT_EQ(rec_.log[4], "skip 0 sub\\stored.txt");
  EXPECT_FALSE(OutExists("sub/stored.txt"));
  // The handler supplies the right password on the first refusal.
  int asked = 0;
  u_.OnBadPassword = [&](TUnZipper*, int, std::string& password) {
    ++asked;
    password = "pw";
  };
  EXPECT_EQ(u_.UnZipSelected(), 4);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(OutFile("sub/stored.txt"), "secret stored");
  EXPECT_EQ(OutFile("deflated.txt"), std::string(3000, 'd'));
  EXPECT_EQ(OutFile("bytime.txt"), "time check");
}

TEST_F(Extraction, CancelDuringARun) {
  ZipBuilder b;
  b.Add(EntryDef{"one.bin", std::string(100000, '1')});
  b.Add(EntryDef{"two.bin", std::string(100000, '2')});
  Prepare(b);
  u_.OnFilePercentDone = [](TUnZipper* z, int) { z->CancelRequested = true; };
  u_.SetFilesList({"*"});
  try {
    u_.UnZipSelected();
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User Aborted Operation");
  }
  EXPECT_EQ(rec_.log.back(), "complete 0");
  EXPECT_FALSE(u_.CancelRequested);
  EXPECT_TRUE(u_.FilesList().empty());
  EXPECT_FALSE(OutExists("two.bin"));
  // Without message processing the request is not looked at.
  u_.SetDoProcessMessages(false);
  EXPECT_EQ(u_.UnZipSelected(), 2);
}

TEST_F(Extraction, TestOnlyWritesNothing) {
  ZipBuilder b;
  b.Add(EntryDef{"dir/", ""});
  b.Add(EntryDef{"dir/a.txt", "aaa", 8});
  EntryDef bad{"bad.txt", "b"};
  bad.crc = 1;
  b.Add(bad);
  Prepare(b);
  u_.SetTestOnly(true);
  EXPECT_EQ(u_.UnZipSelected(), 2);
  EXPECT_FALSE(fs::exists(dir_ / "out"));
  EXPECT_NE(std::find(rec_.log.begin(), rec_.log.end(), "badcrc bad.txt"), rec_.log.end());
}

TEST_F(Extraction, StopNowEndsBeforeTheFirstEntry) {
  ZipBuilder b;
  b.Add(EntryDef{"a", "a"});
  Prepare(b);
  u_.OnStartUnZipInfo = [](TUnZipper*, int, int64_t, bool& stop) { stop = true; };
  EXPECT_EQ(u_.UnZipSelected(), 0);
  EXPECT_EQ(rec_.log, std::vector<std::string>{"complete 0"});
}

}  // namespace
}  // namespace zip
