// Extraction runs that meet what the archive cannot fix: a wrong password that passes the
// one-byte check, and a file standing where a folder must go (or the reverse).
#include <gtest/gtest.h>

#include <filesystem>

#include "decode.h"
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

// Whether the 12-byte encryption header, decrypted with `password`, ends in the check byte.
bool PassesTheCheck(std::string header, const std::string& password, uint8_t check) {
  ZipCrypto crypto;
  crypto.Init(password);
  crypto.Decrypt(reinterpret_cast<uint8_t*>(header.data()), header.size());
  return static_cast<uint8_t>(header.back()) == check;
}

// A wrong password that passes the check: the engine cannot tell it from the right one before
// the data is decoded (one password in about 256 does).
std::string WrongPasswordPassingTheCheck(const std::string& header, uint8_t check) {
  for (int i = 0; i < 100000; ++i)
    if (PassesTheCheck(header, "wrong" + std::to_string(i), check)) return "wrong" + std::to_string(i);
  return {};
}

class WrongPasswordPassingCheck : public testing::Test {
 protected:
  // One encrypted entry between two plain ones. `method` 0: the wrong keys only garble the bytes;
  // 8: the garbled bytes reach the inflater.
  void Prepare(uint16_t method) {
    EntryDef secret{"sub/secret.txt", std::string(2000, 's'), method};
    secret.password = "right";
    ZipBuilder b;
    b.Add(EntryDef{"before.txt", "b"});
    b.Add(secret);
    b.Add(EntryDef{"after.txt", "a"});
    const std::string bytes = b.Build();
    WriteFile(dir_ / "a.zip", bytes);
    const uint8_t check = static_cast<uint8_t>(zip_test::Crc32(secret.data) >> 24);
    const size_t data = b.Offsets()[1] + 30 + secret.name.size();
    ASSERT_TRUE(PassesTheCheck(bytes.substr(data, 12), "right", check));
    wrong_ = WrongPasswordPassingTheCheck(bytes.substr(data, 12), check);
    ASSERT_FALSE(wrong_.empty());

    u_.SetZipName(dir_.Engine("a.zip"));
    u_.SetDestDir(dir_.Engine("out"));
    u_.SetDoAll(true);
    u_.SetRecreateDirs(true);
    u_.SetOverwriteMode(Always);
    u_.Password = wrong_;
    u_.OnStartUnZip = [this](TUnZipper* z, int i, std::string&, bool&) { log_.push_back("start " + z->Entry(i).Path()); };
    u_.OnEndUnZip = [this](TUnZipper* z, int i, const std::string&) { log_.push_back("end " + z->Entry(i).Path()); };
    u_.OnBadCRC = [this](TUnZipper* z, uint32_t, uint32_t, int i) { log_.push_back("badcrc " + z->Entry(i).Path()); };
    u_.OnSkippingFile = [this](TUnZipper*, TSkipReason r, const std::string& name, int, bool&) {
      log_.push_back("skip " + std::to_string(r) + " " + name);
    };
  }

  TempDir dir_;
  TUnZipper u_;
  std::string wrong_;
  std::vector<std::string> log_;
};

TEST_F(WrongPasswordPassingCheck, SameWrongPasswordHandedBackGivesTheEntryUp) {
  Prepare(0);
  std::vector<std::string> offered;
  u_.OnBadPassword = [&](TUnZipper*, int index, std::string& password) {
    offered.push_back(std::to_string(index) + " " + password);
    log_.push_back("badpassword");
  };
  EXPECT_EQ(u_.UnZipSelected(), 2);
  // Asked once, after the data was judged by its CRC-32, with the password that failed.
  EXPECT_EQ(offered, std::vector<std::string>{"1 " + wrong_});
  EXPECT_EQ(log_, (std::vector<std::string>{"start before.txt", "end before.txt", "start sub\\secret.txt", "badpassword",
                                            "skip 0 sub\\secret.txt", "start after.txt", "end after.txt"}));
  EXPECT_FALSE(fs::exists(dir_ / "out" / "sub" / "secret.txt")) << "the garbled file is deleted";
  EXPECT_EQ(ReadFile(dir_ / "out" / "after.txt"), "a");
  EXPECT_EQ(u_.Password, wrong_);
}

TEST_F(WrongPasswordPassingCheck, WithoutAHandlerTheEntryIsGivenUp) {
  Prepare(0);
  EXPECT_EQ(u_.UnZipSelected(), 2);
  EXPECT_EQ(log_, (std::vector<std::string>{"start before.txt", "end before.txt", "start sub\\secret.txt",
                                            "skip 0 sub\\secret.txt", "start after.txt", "end after.txt"}));
  EXPECT_FALSE(fs::exists(dir_ / "out" / "sub" / "secret.txt"));
}

TEST_F(WrongPasswordPassingCheck, ARightPasswordFromTheHandlerRetriesTheWholeEntry) {
  Prepare(0);
  int asked = 0;
  u_.OnBadPassword = [&](TUnZipper*, int, std::string& password) {
    ++asked;
    log_.push_back("badpassword");
    password = "right";
  };
  EXPECT_EQ(u_.UnZipSelected(), 3);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(log_, (std::vector<std::string>{"start before.txt", "end before.txt", "start sub\\secret.txt", "badpassword",
                                            "start sub\\secret.txt", "end sub\\secret.txt", "start after.txt",
                                            "end after.txt"}));
  EXPECT_EQ(ReadFile(dir_ / "out" / "sub" / "secret.txt"), std::string(2000, 's'));
  EXPECT_EQ(u_.Password, "right");
}

// Deflated data decrypted with the wrong keys usually breaks the inflater before any CRC-32
// verdict. The outcome is the same as for stored data: the entry is given up, nothing of it
// stays, and the run goes on.
TEST_F(WrongPasswordPassingCheck, DeflatedEntryIsGivenUpAndTheRunGoesOn) {
  Prepare(8);
  EXPECT_EQ(u_.UnZipSelected(), 2);
  EXPECT_FALSE(fs::exists(dir_ / "out" / "sub" / "secret.txt"));
  EXPECT_EQ(ReadFile(dir_ / "out" / "after.txt"), "a");
}

// What stands in the destination before the run, and the entries that meet it.
struct ConflictCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> existing;  // path ('/' separated), content ("/" = a folder)
  std::vector<EntryDef> entries;
  int extracted;
  std::vector<std::string> skipped;  // destination paths given up with srCreateError, relative, '\'
  std::vector<std::pair<std::string, std::string>> after;  // every regular file under out/ afterwards
};

class FileAndFolderConflicts : public testing::TestWithParam<ConflictCase> {};

TEST_P(FileAndFolderConflicts, TheEntryIsGivenUpAndNothingElseIsTouched) {
  const ConflictCase& c = GetParam();
  TempDir dir;
  for (const auto& [path, content] : c.existing) {
    if (content == "/") fs::create_directories(dir / "out" / path);
    else WriteFile(dir / "out" / path, content);
  }
  ZipBuilder b;
  for (const EntryDef& e : c.entries) b.Add(e);
  WriteFile(dir / "a.zip", b.Build());
  TUnZipper u;
  u.SetZipName(dir.Engine("a.zip"));
  u.SetDestDir(dir.Engine("out"));
  u.SetDoAll(true);
  u.SetRecreateDirs(true);
  u.SetOverwriteMode(Always);
  std::vector<std::string> skipped;
  u.OnSkippingFile = [&](TUnZipper*, TSkipReason r, const std::string& name, int, bool&) {
    EXPECT_EQ(r, srCreateError) << name;
    skipped.push_back(name);
  };
  EXPECT_EQ(u.UnZipSelected(), c.extracted);
  std::vector<std::string> want_skipped;
  for (const std::string& s : c.skipped) want_skipped.push_back(dir.Engine("out\\" + s));
  EXPECT_EQ(skipped, want_skipped);
  EXPECT_EQ(zip_test::Tree(dir / "out"), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileAndFolderConflicts,
    testing::Values(
        ConflictCase{"a file where the entry's folder must go",
                     {{"sub", "a plain file"}},
                     {EntryDef{"sub/a.txt", "A"}, EntryDef{"b.txt", "B"}},
                     1,
                     {"sub\\a.txt"},
                     {{"b.txt", "B"}, {"sub", "a plain file"}}},
        ConflictCase{"a deeper folder of the path is a file",
                     {{"sub/deep", "a plain file"}},
                     {EntryDef{"sub/deep/er/a.txt", "A", 8}, EntryDef{"sub/fine.txt", "F"}},
                     1,
                     {"sub\\deep\\er\\a.txt"},
                     {{"sub/deep", "a plain file"}, {"sub/fine.txt", "F"}}},
        ConflictCase{"the archive itself writes a file, then a folder of that name",
                     {},
                     {EntryDef{"x", "file x"}, EntryDef{"x/y.txt", "Y"}, EntryDef{"z.txt", "Z"}},
                     2,
                     {"x\\y.txt"},
                     {{"x", "file x"}, {"z.txt", "Z"}}},
        ConflictCase{"a folder where the file must go",
                     {{"d/inside.txt", "kept"}},
                     {EntryDef{"d", "file d"}, EntryDef{"e.txt", "E"}},
                     1,
                     {"d"},
                     {{"d/inside.txt", "kept"}, {"e.txt", "E"}}}),
    [](const testing::TestParamInfo<ConflictCase>& info) { return "Case" + std::to_string(info.index); });

}  // namespace
}  // namespace zip
