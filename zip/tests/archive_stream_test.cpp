// An archive read from a stream the host opened: the engine reads those bytes only, never the
// file that ZipName names, and opens no other file for it.
#include <gtest/gtest.h>

#include "platform/stream.h"
#include "test_support.h"
#include "zip/unzipper.h"

namespace zip {
namespace {

using zip_test::EntryDef;
using zip_test::ReadFile;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

std::string Archive(const std::string& content) {
  ZipBuilder b;
  b.Add(EntryDef{.name = "sub/a.txt", .data = content, .method = 8});
  b.Add(EntryDef{.name = "b.txt", .data = "bee"});
  return b.Build();
}

TEST(ArchiveStream, ExtractsTheStreamsBytesNotTheNamedFile) {
  TempDir dir;
  // The file under ZipName holds another archive; the stream's one must be what lands.
  WriteFile(dir / "UPDATE.ZIP", Archive("from the file"));
  const std::string held = Archive("from the stream, held open");
  platform::MemoryStream stream(std::vector<uint8_t>(held.begin(), held.end()));
  stream.Seek(0, platform::SeekOrigin::End);  // where a verifier leaves it

  TUnZipper u;
  int completed = 0;
  u.OnUnZipComplete = [&](TUnZipper*, int n) { completed = n; };
  u.SetZipName(dir.Engine("UPDATE.ZIP"));
  u.SetArchiveStream(&stream);
  u.LoadDirectory();
  EXPECT_EQ(u.EntryCount(), 2);
  u.SetDoAll(true);
  u.SetRecreateDirs(true);
  u.SetOverwriteMode(Always);
  u.SetDestDir(dir.Engine("out"));
  EXPECT_EQ(u.UnZipSelected(), 2);
  EXPECT_EQ(completed, 2);
  EXPECT_EQ(ReadFile(dir / "out/sub/a.txt"), "from the stream, held open");
  EXPECT_EQ(ReadFile(dir / "out/b.txt"), "bee");

  // Back to the named file.
  u.SetArchiveStream(nullptr);
  u.LoadDirectory();
  EXPECT_EQ(u.UnZipSelected(), 2);
  EXPECT_EQ(ReadFile(dir / "out/sub/a.txt"), "from the file");
}

TEST(ArchiveStream, NeitherACentralDirectoryFileNorOtherPartsAreOpened) {
  TempDir dir;
  ZipBuilder b;
  b.Add(EntryDef{.name = "a.txt", .data = "aaa"});
  const std::string whole = b.Build();
  // The same entries with an end record that is found only in UPDATE.zfc beside it.
  WriteFile(dir / "UPDATE.zfc", whole.substr(b.CentralOffset()));
  // And the last part of a two-part archive whose directory starts on the first part.
  const std::string central = whole.substr(b.CentralOffset(), whole.size() - b.CentralOffset() - 22);
  const std::string last_part =
      central + zip_test::EndRecord(1, static_cast<uint32_t>(central.size()), 0, "", 1, 0);
  WriteFile(dir / "UPDATE.z01", whole.substr(0, b.CentralOffset()));

  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {{"no end record", whole.substr(0, b.CentralOffset())}, {"last part of two", last_part}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::MemoryStream stream(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
    TUnZipper u;
    bool completed = false;
    u.OnUnZipComplete = [&](TUnZipper*, int) { completed = true; };
    u.SetZipName(dir.Engine("UPDATE.ZIP"));
    u.SetArchiveStream(&stream);
    u.SetDoAll(true);
    u.SetDestDir(dir.Engine("out"));
    try {
      u.UnZipSelected();
      FAIL() << "extracted";
    } catch (const EZipException& e) {
      EXPECT_STREQ(e.what(), "Incomplete Zip File");
    }
    EXPECT_FALSE(completed);
    EXPECT_FALSE(std::filesystem::exists(dir / "out/a.txt"));
  }
}

}  // namespace
}  // namespace zip
