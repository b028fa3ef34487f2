// halvex-unzip on a full disk: a 64 KiB memory file system mounted in a private mount namespace
// (so nothing outside the test sees it) takes the first entry and runs out during the second.
// Native build only; needs the right to make a mount namespace (root, as the scripts run).
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::Quote;
using zip_test::ReadFile;
using zip_test::Shell;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

#ifndef _WIN32

// Bytes that deflate cannot shrink, so the output really needs its room.
std::string Noise(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return s;
}

class ToolOnAFullDisk : public testing::Test {
 protected:
  void SetUp() override {
    std::error_code ec;
    tool_ = fs::read_symlink("/proc/self/exe", ec).parent_path() / "halvex-unzip";
    ASSERT_TRUE(fs::exists(tool_)) << "halvex-unzip is built beside the tests: " << tool_;
    if (Shell("unshare -m true >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "no private mount namespace here (needs root): the full disk cannot be made";
    first_ = Noise(20000, 1);
    ZipBuilder b;
    b.Add(EntryDef{"first.bin", first_});
    b.Add(EntryDef{"sub/big.bin", Noise(200000, 2), 8});
    b.Add(EntryDef{"last.txt", "last"});
    WriteFile(dir_ / "a.zip", b.Build());
  }

  // Runs the tool into <mount>/out inside the namespace; afterwards out/ is copied back as
  // result/ with every file's size, because the mount ends with the namespace.
  int Run(const std::string& options) {
    const fs::path mnt = dir_ / "mnt";
    fs::create_directories(mnt);
    fs::create_directories(dir_ / "result");
    const std::string script = "set -u; mount -t tmpfs -o size=64k tmpfs " + Quote(mnt) + " || exit 99; " + Quote(tool_) +
                               " " + options + " -d " + Quote(mnt / "out") + " " + Quote(dir_ / "a.zip") + " > " +
                               Quote(dir_ / "stdout") + " 2> " + Quote(dir_ / "stderr") + " </dev/null; rc=$?; " +
                               "cp -a " + Quote(mnt / "out") + "/. " + Quote(dir_ / "result") + "; exit $rc\n";
    WriteFile(dir_ / "full.sh", script);
    return Shell("unshare -m sh " + Quote(dir_ / "full.sh"));
  }

  fs::path tool_;
  TempDir dir_;
  std::string first_;
};

TEST_F(ToolOnAFullDisk, WriteErrorEndsWithCode50TheEntryAndTheCauseAndLeavesNothingOfIt) {
  EXPECT_EQ(Run("-o"), 50);
  EXPECT_EQ(ReadFile(dir_ / "stderr"), "halvex-unzip: sub/big.bin: Cant write uncompressed file\n");
  // The entry written before the disk filled is whole; the one that could not be written does
  // not stay behind at its declared length (its tail would be zeros).
  EXPECT_EQ(ReadFile(dir_ / "result" / "first.bin"), first_);
  EXPECT_FALSE(fs::exists(dir_ / "result" / "sub" / "big.bin"));
}

#endif  // _WIN32

}  // namespace
