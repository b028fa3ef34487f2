// Extraction compared with the peers: the same trees as Info-ZIP unzip gives, and every legacy
// method archive judged good by its CRC-32 through the whole engine.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"
#include "zip/unzipper.h"

namespace zip {
namespace {

namespace fs = std::filesystem;
using zip_test::Quote;
using zip_test::Shell;
using zip_test::TempDir;
using zip_test::WriteFile;

int ExtractAll(const fs::path& archive, const fs::path& dest, const std::string& password = "") {
  TUnZipper u;
  u.SetZipName(zip_test::EnginePath(archive));
  u.SetDestDir(zip_test::EnginePath(dest));
  u.SetDoAll(true);
  u.SetRecreateDirs(true);
  u.SetOverwriteMode(Always);
  u.Password = password;
  return u.UnZipSelected();
}

struct PeerCase {
  const char* name;
  const char* make;      // shell command run in the source folder, writing ../t.zip
  const char* password;  // for both extractors
  int entries;           // what the run reports: four files and the folder entries the peer wrote
};

void PrintTo(const PeerCase& c, std::ostream* os) { *os << c.name; }

class SameTreeAsUnzip : public testing::TestWithParam<PeerCase> {};

TEST_P(SameTreeAsUnzip, ByteForByte) {
  const PeerCase& c = GetParam();
  if (!zip_test::HaveTool("zip") || !zip_test::HaveTool("unzip")) GTEST_SKIP() << "Info-ZIP is not available";
  if (std::string(c.make).find("7z") != std::string::npos && !zip_test::HaveTool("7z")) GTEST_SKIP();
  TempDir dir;
  const fs::path src = dir / "src";
  std::string mixed;
  for (int i = 0; i < 300000; ++i) mixed += static_cast<char>((i * 2654435761u) >> 24 & (i % 7 ? 0x3F : 0xFF));
  WriteFile(src / "bin" / "app.dll", mixed);
  WriteFile(src / "readme.txt", std::string(5000, 'r') + "\nend\n");
  WriteFile(src / "empty.dat", "");
  WriteFile(src / "sub" / "deeper" / "note.txt", "note");
  ASSERT_EQ(Shell("cd " + Quote(src) + " && " + c.make + " >/dev/null"), 0) << c.name;
  const std::string pw = c.password;
  ASSERT_EQ(Shell("unzip -qq -o " + (pw.empty() ? std::string() : "-P " + pw + " ") + Quote(dir / "t.zip") + " -d " +
                  Quote(dir / "peer")),
            0);
  EXPECT_EQ(ExtractAll(dir / "t.zip", dir / "ours", pw), c.entries) << c.name;
  EXPECT_EQ(zip_test::Tree(dir / "ours"), zip_test::Tree(dir / "peer")) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Archives, SameTreeAsUnzip,
    testing::Values(PeerCase{"deflated", "zip -qr ../t.zip .", "", 7}, PeerCase{"stored", "zip -qr0 ../t.zip .", "", 7},
                    PeerCase{"best", "zip -qr9 ../t.zip .", "", 7},
                    PeerCase{"encrypted", "zip -qr -P s3cret ../t.zip .", "s3cret", 7},
                    PeerCase{"encrypted stored", "zip -qr0 -P s3cret ../t.zip .", "s3cret", 7},
                    PeerCase{"zip64", "zip -qr -fz ../t.zip .", "", 7},
                    PeerCase{"7z deflate", "7z a -tzip ../t.zip . -bso0 -bsp0", "", 7},
                    PeerCase{"7z encrypted", "7z a -tzip -mem=ZipCrypto -ps3cret ../t.zip . -bso0 -bsp0", "s3cret", 7}));

TEST(SharedEncrypted, FixturesWithKnownPasswords) {
  struct Case {
    const char* file;
    const char* password;
    int entries;
  } cases[] = {{"edge/gen_zipcrypto_infozip_pw-secret123.zip", "secret123", 4},
               {"edge/zr_zipcrypto_test_pw-test.zip", "test", 1},
               {"edge/lz_encrypt.zip", "foo", 2},
               {"edge/lz_encrypt-1234.zip", "1234", 1},
               {"edge/la_read_format_zip_traditional_encryption_data.zip", "12345678", 2}};
  const bool unzip = zip_test::HaveTool("unzip");
  for (const Case& c : cases) {
    const fs::path path = zip_test::SharedFixture(c.file);
    TempDir dir;
    EXPECT_EQ(ExtractAll(path, dir / "out", c.password), c.entries) << c.file;
    if (unzip) {
      ASSERT_EQ(Shell("unzip -qq -o -P " + std::string(c.password) + " " + Quote(path) + " -d " + Quote(dir / "peer") +
                      " >/dev/null 2>&1"),
                0)
          << c.file;
      EXPECT_EQ(zip_test::Tree(dir / "out"), zip_test::Tree(dir / "peer")) << c.file;
    }
  }
  if (!unzip) GTEST_SKIP() << "unzip is not installed: the counts were checked, the trees not compared";
}

TEST(SharedSplit, PartsGiveTheSameTreeAsTheWholeArchive) {
  const char* sets[][2] = {
      {"edge/split_std_zip/split_zip_created_by_zip.zip", "edge/split_std_zip/zip_to_compare_created_by_zip.zip"},
      {"edge/split_std_winrar/split_zip_created_by_winrar.zip",
       "edge/split_std_winrar/zip_to_compare_created_by_winrar.zip"},
      {"edge/split_std_zip64/split_zip_created_by_zip_zip64.zip",
       "edge/split_std_zip64/zip_to_compare_created_by_zip_zip64.zip"}};
  for (const auto& set : sets) {
    const fs::path split = zip_test::SharedFixture(set[0]);
    const fs::path whole = zip_test::SharedFixture(set[1]);
    TempDir dir;
    EXPECT_GT(ExtractAll(split, dir / "split"), 0) << set[0];
    EXPECT_GT(ExtractAll(whole, dir / "whole"), 0) << set[1];
    EXPECT_EQ(zip_test::Tree(dir / "split"), zip_test::Tree(dir / "whole")) << set[0];
  }
}

TEST(SharedLegacy, EveryEntryPassesItsCrc) {
  for (const std::string& f : zip_test::LegacyArchives()) {
    const fs::path path = zip_test::SharedFixture("legacy/" + f);
    TempDir dir;
    TUnZipper u;
    u.SetZipName(zip_test::EnginePath(path));
    u.SetDestDir(dir.Engine("out"));
    u.SetDoAll(true);
    u.SetRecreateDirs(true);
    int bad = 0;
    u.OnBadCRC = [&](TUnZipper*, uint32_t, uint32_t, int) { ++bad; };
    const int extracted = u.UnZipSelected();
    EXPECT_EQ(bad, 0) << f;
    EXPECT_GT(extracted, 0) << f;
    EXPECT_EQ(extracted, u.EntryCount()) << f;
  }
}

}  // namespace
}  // namespace zip
