#include <gtest/gtest.h>

#include "zip/unzipper.h"

namespace zip {
namespace {

struct FolderCase {
  const char* dest;
  bool recreate;
  std::vector<std::string> relative;
  const char* folder_part;
  const char* expected;
};

class DestinationFolderTest : public testing::TestWithParam<FolderCase> {};

TEST_P(DestinationFolderTest, FollowsTheRule) {
  const FolderCase& c = GetParam();
  EXPECT_EQ(DestinationFolder(c.dest, c.recreate, c.relative, c.folder_part), c.expected)
      << c.dest << " | " << c.folder_part;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DestinationFolderTest,
    testing::Values(FolderCase{"C:\\App", false, {}, "sub\\", "C:\\App\\"},
                    FolderCase{"C:\\App", true, {}, "", "C:\\App\\"},
                    FolderCase{"C:\\App", true, {}, "sub\\a\\", "C:\\App\\sub\\a\\"},
                    FolderCase{"C:\\App", true, {}, "\\abs\\", "C:\\App\\abs\\"},
                    FolderCase{"C:\\App", true, {}, "C:\\x\\", "C:\\App\\x\\"},
                    // Drive-relative, and colons only: inside the destination, never beside it.
                    FolderCase{"C:\\App", true, {}, "C:x\\", "C:\\App\\x\\"},
                    FolderCase{"C:\\App", true, {}, ":::::\\", "C:\\App\\:::\\"},
                    FolderCase{"", true, {}, "C:\\x\\", "C:\\x\\"},
                    FolderCase{"", true, {}, "", "\\"},
                    FolderCase{"D", true, {"sub\\"}, "sub\\a\\", "D\\a\\"},
                    FolderCase{"D", true, {"sub\\"}, "SUB\\", "D\\"},
                    FolderCase{"D", true, {"sub\\"}, "other\\", "D\\other\\"},
                    FolderCase{"D", true, {"x\\", "a\\"}, "a\\b\\", "D\\b\\"},
                    FolderCase{"D", true, {""}, "a\\", "D\\a\\"},
                    FolderCase{"D", true, {}, "..\\..\\", "D\\..\\..\\"}));

TEST(StaysInside, DotDotMayNotClimbAboveTheDestination) {
  EXPECT_TRUE(StaysInside("D", "D\\a\\b.txt"));
  EXPECT_TRUE(StaysInside("D", "D\\a\\..\\b.txt"));
  EXPECT_TRUE(StaysInside("D", "D\\.\\b.txt"));
  EXPECT_FALSE(StaysInside("D", "D\\..\\b.txt"));
  EXPECT_FALSE(StaysInside("D", "D\\a\\..\\..\\b.txt"));
  EXPECT_FALSE(StaysInside("", "\\..\\x"));
  EXPECT_TRUE(StaysInside("", "a\\b"));
  // A sibling whose name begins with the destination's is not inside it.
  EXPECT_FALSE(StaysInside("C:\\App", "C:\\Apps\\x"));
  EXPECT_FALSE(StaysInside("C:\\App", "C:\\App:::\\x"));
  EXPECT_TRUE(StaysInside("C:\\", "C:\\x"));
}

TEST(Percent, RoundsTiesToEvenAndStopsAt100) {
  struct Case {
    int64_t a, b;
    int expected;
  } cases[] = {{1, 3, 33}, {2, 3, 67}, {3, 3, 100}, {1, 40, 2}, {3, 40, 8}, {5, 40, 12},
               {50, 40, 100}, {7, 0, 0}, {7, -1, 0}, {32768, 70000, 47}, {65536, 70000, 94}};
  for (const Case& c : cases) EXPECT_EQ(Percent(c.a, c.b), c.expected) << c.a << "/" << c.b;
}

TEST(Setters, DestDirAndRootDir) {
  TUnZipper u;
  u.SetDestDir("C:\\App\\");
  EXPECT_EQ(u.DestDir(), "C:\\App");
  u.SetDestDir("C:\\");
  EXPECT_EQ(u.DestDir(), "C:");
  u.SetRootDir("sub");
  EXPECT_EQ(u.RootDir(), "sub\\");
  EXPECT_EQ(u.RelativePathList(), std::vector<std::string>{"sub\\"});
  u.SetRootDir("");
  EXPECT_EQ(u.RelativePathList(), std::vector<std::string>{""});
}

}  // namespace
}  // namespace zip
