// A host that places the output itself: every file, folder, time and attribute of a run reaches
// it and nothing reaches the disk past it; a failed entry's file is removed through it, and its
// refusals are the run's (a file it cannot make is skipped, a write it fails ends the run).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "test_support.h"
#include "zip/unzipper.h"

namespace zip {
namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::TempDir;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

// Keeps every file in memory and every call in order.
class MemoryOutput : public TOutputFiles {
 public:
  struct File {
    std::string bytes;
    std::optional<TOutputStamp> stamp;  // once finished
  };
  std::map<std::string, File> files;
  std::vector<std::string> calls;
  std::string refuse_create;  // a name Create gives no file for
  std::string fail_writes;    // a name whose writes fail

  std::unique_ptr<TOutputFile> Create(int, const std::string& fname, uint64_t) override {
    calls.push_back("create " + fname);
    if (fname == refuse_create) return nullptr;
    struct Out : TOutputFile {
      MemoryOutput& owner;
      std::string name;
      Out(MemoryOutput& o, std::string n) : owner(o), name(std::move(n)) {}
      void Write(const uint8_t* data, size_t size) override {
        if (name == owner.fail_writes) throw ECantWriteUCF("the disk is full");
        owner.files[name].bytes.append(reinterpret_cast<const char*>(data), size);
      }
      void Finish(const TOutputStamp& stamp) override { owner.files[name].stamp = stamp; }
    };
    files[fname] = File{};
    return std::make_unique<Out>(*this, fname);
  }
  void Remove(const std::string& fname) override {
    calls.push_back("remove " + fname);
    files.erase(fname);
  }
  void MakeFolders(const std::string& folder) override { calls.push_back("folders " + folder); }
  void SetFolderAttributes(const std::string& folder, uint32_t attributes) override {
    calls.push_back("attributes " + folder + " " + std::to_string(attributes));
  }
  void SetFolderTime(const std::string& folder, std::optional<int64_t> utc, uint32_t dos) override {
    calls.push_back("time " + folder + (utc ? " utc" : " dos " + std::to_string(dos)));
  }
  bool Called(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }
};

struct HostedRun {
  TempDir dir;
  MemoryOutput output;
  TUnZipper unzipper;
  std::vector<std::string> skipped, bad_crc;

  explicit HostedRun(ZipBuilder& zip) {
    WriteFile(dir / "a.zip", zip.Build());
    fs::create_directories(dir / "out");
    unzipper.SetZipName(dir.Engine("a.zip"));
    unzipper.SetDestDir(dir.Engine("out"));
    unzipper.SetDoAll(true);
    unzipper.SetRecreateDirs(true);
    unzipper.SetOverwriteMode(Always);
    unzipper.SetOutputFiles(&output);
    unzipper.OnSkippingFile = [this](TUnZipper*, TSkipReason, const std::string& name, int, bool&) {
      skipped.push_back(name);
    };
    unzipper.OnBadCRC = [this](TUnZipper* z, uint32_t, uint32_t, int i) { bad_crc.push_back(z->Entry(i).Path()); };
  }
  std::string Out(const std::string& rel) const { return dir.Engine("out") + "\\" + rel; }
  // Nothing was written below the destination but by the host.
  bool DiskUntouched() const { return fs::is_empty(dir / "out"); }
};

TEST(HostedOutput, EveryFileFolderTimeAndAttributeGoesToTheHost) {
  ZipBuilder zip;
  const std::string big(300000, 'b');
  zip.Add(EntryDef{.name = "a.txt", .data = "alpha", .external_attributes = 0x21});
  zip.Add(EntryDef{.name = "sub/", .external_attributes = 0x10});
  zip.Add(EntryDef{.name = "sub/deep/big.bin", .data = big, .method = 8});
  zip.Add(EntryDef{.name = "unix.sh", .data = "#!/bin/sh\n", .made_by = 3 << 8 | 20,
                   .external_attributes = 0100750u << 16});
  zip.Add(EntryDef{.name = "bad.txt", .data = "damaged", .crc = 0x12345678});
  HostedRun run(zip);
  run.unzipper.UnZipSelected();
  EXPECT_TRUE(run.DiskUntouched());

  const auto& files = run.output.files;
  ASSERT_TRUE(files.count(run.Out("a.txt")));
  const MemoryOutput::File& a = files.at(run.Out("a.txt"));
  EXPECT_EQ(a.bytes, "alpha");
  ASSERT_TRUE(a.stamp);
  EXPECT_EQ(a.stamp->dos_time, std::optional<uint32_t>(0x5A2B6000));
  EXPECT_FALSE(a.stamp->utc);
  EXPECT_EQ(a.stamp->attributes, std::optional<uint32_t>(0x21));
  EXPECT_FALSE(a.stamp->unix_mode);

  ASSERT_TRUE(files.count(run.Out("sub\\deep\\big.bin")));
  EXPECT_EQ(files.at(run.Out("sub\\deep\\big.bin")).bytes, big);
  ASSERT_TRUE(files.count(run.Out("unix.sh")));
  ASSERT_TRUE(files.at(run.Out("unix.sh")).stamp);
  EXPECT_EQ(files.at(run.Out("unix.sh")).stamp->unix_mode, std::optional<uint32_t>(0750));

  // The folders the host was asked to make, the folder entry's attributes and its time at the end.
  EXPECT_TRUE(run.output.Called("folders " + run.Out("sub"))) << testing::PrintToString(run.output.calls);
  EXPECT_TRUE(run.output.Called("folders " + run.Out("sub\\deep"))) << testing::PrintToString(run.output.calls);
  EXPECT_TRUE(run.output.Called("attributes " + run.Out("sub") + " 16"));
  EXPECT_EQ(run.output.calls.back(), "time " + run.Out("sub") + " dos " + std::to_string(0x5A2B6000));

  // The damaged entry's file is removed through the host.
  EXPECT_EQ(run.bad_crc, std::vector<std::string>{"bad.txt"});
  EXPECT_TRUE(run.output.Called("remove " + run.Out("bad.txt")));
  EXPECT_FALSE(files.count(run.Out("bad.txt")));
}

TEST(HostedOutput, TheHostsRefusalsAreTheRuns) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "first.txt", .data = "first"});
  zip.Add(EntryDef{.name = "second.txt", .data = std::string(100000, 's'), .method = 8});
  zip.Add(EntryDef{.name = "third.txt", .data = "third"});
  {
    // A file the host cannot make is skipped; the run goes on.
    HostedRun run(zip);
    run.output.refuse_create = run.Out("second.txt");
    EXPECT_EQ(run.unzipper.UnZipSelected(), 2);
    EXPECT_EQ(run.skipped, std::vector<std::string>{run.Out("second.txt")});
    EXPECT_EQ(run.output.files.at(run.Out("third.txt")).bytes, "third");
    EXPECT_TRUE(run.DiskUntouched());
  }
  {
    // A write the host fails ends the run, naming the entry; what was begun is removed.
    HostedRun run(zip);
    run.output.fail_writes = run.Out("second.txt");
    try {
      run.unzipper.UnZipSelected();
      ADD_FAILURE() << "a failed write passed";
    } catch (const ECantWriteUCF& e) {
      EXPECT_EQ(std::string(e.what()), "second.txt: the disk is full");
    }
    EXPECT_TRUE(run.output.Called("remove " + run.Out("second.txt")));
    EXPECT_FALSE(run.output.files.count(run.Out("second.txt")));
    EXPECT_FALSE(run.output.files.count(run.Out("third.txt")));
    EXPECT_TRUE(run.DiskUntouched());
  }
}

}  // namespace
}  // namespace zip
