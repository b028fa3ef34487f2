// Files made ahead of their turn: a file whose folder is not there yet is made once a folder is
// made, never after its entry's turn has come, and nothing is left of files no entry took.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "file_maker.h"
#include "platform/fs.h"
#include "test_support.h"

namespace zip {
namespace {

namespace fs = std::filesystem;
using zip_test::TempDir;

FileMaker MakerIn(const TempDir&) {
  return FileMaker(
      [](const std::string& name) {
        const size_t slash = name.rfind('\\');
        return slash != std::string::npos && platform::FolderExists(name.substr(0, slash));
      },
      [](const std::string& name) {
        return std::make_unique<TLFNFileStream>(name, 8192, false, platform::FileMode::CreateNew);
      });
}

// Waits up to five seconds for the maker to make `path`.
bool AppearsSoon(const fs::path& path) {
  for (int i = 0; i < 500 && !fs::exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return fs::exists(path);
}

TEST(FileMaker, MakesWhatWaitedForItsFolderOnlyBeforeItsTurn) {
  for (const bool folder_in_time : {true, false}) {
    SCOPED_TRACE(folder_in_time ? "folder made before the entry's turn" : "folder made after the entry's turn");
    TempDir dir;
    const std::string name = dir.Engine("sub/a.txt");
    {
      FileMaker maker = MakerIn(dir);
      maker.Ask(0, dir.Engine("first.txt"), 3);
      maker.Ask(1, name, 5);
      EXPECT_TRUE(AppearsSoon(dir / "first.txt"));
      EXPECT_TRUE(static_cast<bool>(maker.Take(0, dir.Engine("first.txt"))));
      if (folder_in_time) {
        platform::CreateFolder(dir.Engine("sub"));
        maker.FolderMade();
        EXPECT_TRUE(AppearsSoon(dir / "sub" / "a.txt"));
        EXPECT_TRUE(static_cast<bool>(maker.Take(1, name)));
      } else {
        EXPECT_FALSE(static_cast<bool>(maker.Take(1, name)));  // made in its turn instead
        platform::CreateFolder(dir.Engine("sub"));
        maker.FolderMade();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(fs::exists(dir / "sub" / "a.txt"));
      }
      EXPECT_EQ(maker.Outstanding(), 0u);
    }
    // Taken files were dropped here, which removes them; nothing else was made.
    EXPECT_FALSE(fs::exists(dir / "sub" / "a.txt"));
    EXPECT_FALSE(fs::exists(dir / "first.txt"));
  }
}

TEST(FileMaker, ClearsTheWayOfAFolderWhileMakingOtherFiles) {
  TempDir dir;
  FileMaker maker = MakerIn(dir);
  for (int i = 0; i < 200; ++i) maker.Ask(i, dir.Engine("f" + std::to_string(i)), 1);
  maker.Ask(200, dir.Engine("later"), 1);
  maker.ClearWayTo(dir.Engine("later\\inside"));
  platform::CreateFolder(dir.Engine("later"));
  EXPECT_FALSE(static_cast<bool>(maker.Take(200, dir.Engine("later"))));
  EXPECT_TRUE(fs::is_directory(dir / "later"));
  EXPECT_EQ(maker.Outstanding(), 0u);
}

}  // namespace
}  // namespace zip
