// The times extracted files and folders get, and folders marked by their DOS attribute alone.
// An entry's DOS time is its creator's local time; a UTC time in its extra field (the extended
// timestamp, the older Unix field, the NTFS field) is the real moment and wins, the most precise
// first. Folders are stamped once everything inside them is written.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/fs.h"
#include "test_support.h"
#include "zip/unzipper.h"

namespace zip {
namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::Le16;
using zip_test::Le32;
using zip_test::Le64;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

constexpr int64_t kUnixSeconds = 1623745820;  // 2021-06-15 08:30:20 UTC
constexpr int64_t kSeconds1601To1970 = 11644473600;
constexpr int64_t kFraction = 1234567;  // 0.1234567 s, in 100 ns steps

std::string ExtendedTimestamp(int64_t seconds) {
  return Le16(0x5455) + Le16(5) + std::string(1, '\x01') + Le32(static_cast<uint32_t>(seconds));
}
std::string OldUnixField(int64_t seconds) {
  return Le16(0x5855) + Le16(8) + Le32(0) + Le32(static_cast<uint32_t>(seconds));
}
std::string NtfsField(int64_t ticks) {
  return Le16(0x000A) + Le16(32) + Le32(0) + Le16(1) + Le16(24) + Le64(static_cast<uint64_t>(ticks)) +
         Le64(static_cast<uint64_t>(ticks)) + Le64(static_cast<uint64_t>(ticks));
}

// The last-write time of `path` in 100 ns steps since 1970 (UTC).
int64_t WriteTime(const fs::path& path) {
#ifdef _WIN32
  // The MinGW runtime's std::filesystem reads times to the second only.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.wstring().c_str(), GetFileExInfoStandard, &data)) return -1;
  const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                             data.ftLastWriteTime.dwLowDateTime);
  return ticks - kSeconds1601To1970 * 10000000;
#else
  const auto sys = std::chrono::file_clock::to_sys(fs::last_write_time(path));
  return std::chrono::duration_cast<std::chrono::nanoseconds>(sys.time_since_epoch()).count() / 100;
#endif
}

struct TimeCase {
  const char* name;
  std::string extra;
  int64_t expected;  // 100 ns steps since 1970; 0: the DOS time, as local time
};

TEST(EntryTimes, UtcTimesWinOverTheDosTimeForFilesAndFolders) {
  const int64_t whole = kUnixSeconds * 10000000;
  const int64_t ntfs_ticks = (kUnixSeconds + kSeconds1601To1970) * 10000000 + kFraction;
  const TimeCase cases[] = {
      {"extended timestamp", ExtendedTimestamp(kUnixSeconds), whole},
      {"old Unix field", OldUnixField(kUnixSeconds), whole},
      {"NTFS field, to 100 ns", NtfsField(ntfs_ticks), whole + kFraction},
      {"NTFS before a coarser extended timestamp", ExtendedTimestamp(kUnixSeconds + 60) + NtfsField(ntfs_ticks),
       whole + kFraction},
      {"DOS time only", "", 0},
  };
  for (const TimeCase& c : cases) {
    TempDir dir;
    ZipBuilder b;
    EntryDef folder{"dir/", ""};
    folder.external_attributes = 0x10;
    folder.local_extra = folder.central_extra = c.extra;
    EntryDef file{"dir/file.txt", "content", 8};
    file.local_extra = file.central_extra = c.extra;
    b.Add(folder);
    b.Add(file);
    b.Add(EntryDef{"dir/later.txt", "written after the folder's entry"});
    WriteFile(dir / "t.zip", b.Build());
    TUnZipper u;
    u.SetZipName(dir.Engine("t.zip"));
    u.SetDestDir(dir.Engine("out"));
    u.SetDoAll(true);
    u.SetRecreateDirs(true);
    ASSERT_EQ(u.UnZipSelected(), 3) << c.name;
    for (const char* path : {"dir", "dir/file.txt"}) {
      const fs::path p = dir / "out" / path;
      if (c.expected != 0)
        EXPECT_EQ(WriteTime(p), c.expected) << c.name << ": " << path;
      else
        EXPECT_EQ(platform::GetFileDosTime(zip_test::EnginePath(p)), file.dos_time) << c.name << ": " << path;
    }
  }
}

// unzip takes the extended timestamp as well: both give the file the same moment.
TEST(EntryTimes, SameMomentAsUnzip) {
  if (!zip_test::HaveTool("unzip")) GTEST_SKIP() << "unzip is not available";
  TempDir dir;
  ZipBuilder b;
  EntryDef file{"file.txt", "content", 8};
  file.local_extra = file.central_extra = ExtendedTimestamp(kUnixSeconds);
  b.Add(file);
  WriteFile(dir / "t.zip", b.Build());
  ASSERT_EQ(zip_test::Shell("unzip -qo " + zip_test::Quote(dir / "t.zip") + " -d " + zip_test::Quote(dir / "peer")), 0);
  TUnZipper u;
  u.SetZipName(dir.Engine("t.zip"));
  u.SetDestDir(dir.Engine("out"));
  u.SetDoAll(true);
  ASSERT_EQ(u.UnZipSelected(), 1);
  EXPECT_EQ(WriteTime(dir / "out" / "file.txt"), WriteTime(dir / "peer" / "file.txt"));
}

// Writers on DOS and Windows may mark a folder by its attribute alone, without a trailing slash.
TEST(DosAttributeFolders, AreFoldersWhateverTheirNameEndsWith) {
  struct Case {
    const char* name;
    uint16_t made_by;
    std::string data;
    bool folder;
  } cases[] = {
      {"DOS host", 20, "", true},
      {"NTFS host", (10 << 8) | 20, "", true},
      {"VFAT host", (14 << 8) | 20, "", true},
      {"DOS host, but with data", 20, "data", false},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ZipBuilder b;
    EntryDef marked{"dir", c.data};
    marked.made_by = c.made_by;
    marked.external_attributes = 0x10;
    b.Add(marked);
    if (c.folder) b.Add(EntryDef{"dir/inside.txt", "inside"});
    WriteFile(dir / "f.zip", b.Build());
    TUnZipper u;
    u.SetZipName(dir.Engine("f.zip"));
    u.SetDestDir(dir.Engine("out"));
    u.SetDoAll(true);
    u.SetRecreateDirs(true);
    u.LoadDirectory();
    EXPECT_EQ(u.Entry(0).FileName().empty(), c.folder) << c.name;
    EXPECT_EQ(u.UnZipSelected(), c.folder ? 2 : 1) << c.name;
    EXPECT_EQ(fs::is_directory(dir / "out" / "dir"), c.folder) << c.name;
    if (c.folder) EXPECT_EQ(zip_test::ReadFile(dir / "out" / "dir" / "inside.txt"), "inside") << c.name;
  }
}

}  // namespace
}  // namespace zip
