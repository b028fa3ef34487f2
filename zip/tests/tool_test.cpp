// The halvex-unzip command line: its listing against Info-ZIP unzip -l, and its exit codes.
// Runs the tool built beside this test binary (native build).
#include <gtest/gtest.h>

#include <filesystem>

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
  ASSERT_EQ(Shell("cd " + Quote(src) + " && zip -qrX ../one.zip a.txt && zip -qrX ../t.zip . && " +
                  "printf 'line one\\nline two\\n' | zip -qz ../t.zip && printf 'about a\\n' | zip -qc ../t.zip a.txt"),
            0);
  for (const char* archive : {"t.zip", "one.zip"}) {
    const std::string path = (dir_ / archive).string();
    EXPECT_EQ(Capture(Quote(tool_) + " -l " + Quote(path)), Capture("unzip -l " + Quote(path))) << archive;
  }
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
  const std::string sorted = Capture(Quote(tool_) + " -l --sort name " + Quote(dir_ / "a.zip"));
  EXPECT_LT(sorted.find("bin/tool.exe"), sorted.find("docs/readme.txt"));
}

}  // namespace
