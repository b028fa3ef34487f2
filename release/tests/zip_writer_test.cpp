// The ZIP writer's archives, read back by our engine and by the peers (Info-ZIP unzip, 7z):
// contents, names, attributes, times, incompressible data, streamed entries and zip64 records.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/stream.h"
#include "release/zip_writer.h"
#include "test_support.h"
#include "zip/unzipper.h"

namespace release {
namespace {

namespace fs = std::filesystem;
using zip_test::Quote;
using zip_test::Shell;
using zip_test::TempDir;

std::string Noise(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

std::string Text(size_t size) {
  std::string s;
  while (s.size() < size) s += "release manifest line " + std::to_string(s.size() % 977) + "\n";
  s.resize(size);
  return s;
}

struct Item {
  std::string name;
  std::string data;
  bool folder = false;
  bool streamed = false;
  uint32_t attributes = 0x20;
};

// 2024-06-01 10:20:30 local, and a Unix time of the same moment in UTC for the timestamp field.
constexpr uint32_t kDosTime = (44u << 25) | (6u << 21) | (1u << 16) | (10u << 11) | (20u << 5) | 15u;
constexpr int64_t kUnixTime = 1717237230;

std::vector<Item> Items() {
  return {
      {"bin\\app.exe", Text(300000)},
      {"bin\\random.pak", Noise(70000, 1)},  // deflate would grow it: stored
      {"empty.txt", ""},
      {"one.txt", "x"},
      {"docs\\", "", true},
      {"docs\\읽어보기 ümlaut.txt", "utf-8 name"},
      {"ro.ini", "read only", false, false, 0x21},
      {"hidden.dat", "hidden", false, false, 0x22},
      {"big\\streamed.bin", Text(3'500'000), false, true},
      {"big\\streamed-noise.bin", Noise(1'200'000, 2), false, true},
  };
}

fs::path WriteArchive(const TempDir& dir, ZipWriterOptions options) {
  const fs::path archive = dir / "t.zip";
  platform::FileStream out(zip_test::EnginePath(archive), platform::FileMode::Create);
  ZipWriter w(out, options);
  for (const Item& it : Items()) {
    ZipEntryInfo info{it.name, it.folder, it.attributes, kDosTime, kUnixTime};
    if (it.folder) {
      w.AddFolder(info);
    } else if (it.streamed) {
      zip_test::WriteFile(dir / "source.bin", it.data);
      platform::FileStream source(zip_test::EnginePath(dir / "source.bin"), platform::FileMode::OpenRead);
      size_t seen = 0;
      w.AddStream(info, source, it.data.size(), [&](const uint8_t*, size_t n) { seen += n; });
      EXPECT_EQ(seen, it.data.size()) << it.name << ": every byte passes the hook once";
    } else {
      w.AddPacked(info, PackBuffer({reinterpret_cast<const uint8_t*>(it.data.data()), it.data.size()}, 6));
    }
  }
  w.Finish();
  return archive;
}

class ZipWriterTest : public testing::TestWithParam<bool> {};

TEST_P(ZipWriterTest, OurEngineReadsEveryEntryAsWritten) {
  TempDir dir;
  const fs::path archive = WriteArchive(dir, {.always_zip64 = GetParam()});
  zip::TUnZipper u;
  u.SetZipName(zip_test::EnginePath(archive));
  u.SetDestDir(zip_test::EnginePath(dir / "out"));
  u.SetDoAll(true);
  u.SetRecreateDirs(true);
  u.SetOverwriteMode(zip::Always);
  u.LoadDirectory();
  ASSERT_EQ(u.EntryCount(), static_cast<int>(Items().size()));
  for (int i = 0; i < u.EntryCount(); ++i) {
    const zip::TZipHeaderInfo& h = u.Entry(i);
    EXPECT_EQ(h.FileDateTime, kDosTime) << h.Path();
    EXPECT_EQ(h.ModTime, std::optional<int64_t>(kUnixTime)) << h.Path();
    // Deflated unless that does not make the data smaller, whole or streamed.
    const std::map<std::string, uint16_t> methods = {{"bin\\app.exe", 8}, {"bin\\random.pak", 0},
                                                     {"big\\streamed.bin", 8}, {"big\\streamed-noise.bin", 0}};
    if (const auto it = methods.find(h.Path()); it != methods.end()) {
      EXPECT_EQ(h.CompressionMethod, it->second) << h.Path();
    }
    if (h.Path() == "ro.ini") {
      EXPECT_EQ(h.ExternalAttributes & 0xFF, 0x21u);
    }
    if (h.Path() == "docs\\") {
      EXPECT_EQ(h.ExternalAttributes & 0x10, 0x10u);
    }
    EXPECT_EQ(h.Zip64Values != nullptr, GetParam()) << h.Path();
  }
  u.UnZipSelected();
  for (const Item& it : Items())
    if (!it.folder) {
      std::string path = it.name;
      for (char& c : path)
        if (c == '\\') c = '/';
      EXPECT_EQ(zip_test::ReadFile(dir / "out" / fs::u8path(path)), it.data) << it.name;
    }
  EXPECT_TRUE(fs::is_directory(dir / "out" / "docs"));
}

TEST_P(ZipWriterTest, PeersTestAndExtractTheSameBytes) {
  if (!zip_test::HaveTool("unzip") || !zip_test::HaveTool("7z")) GTEST_SKIP() << "unzip or 7z is not installed";
  TempDir dir;
  const fs::path archive = WriteArchive(dir, {.always_zip64 = GetParam()});
  EXPECT_EQ(Shell("unzip -tqq " + Quote(archive)), 0);
  EXPECT_EQ(Shell("7z t -bso0 -bsp0 " + Quote(archive)), 0);
  ASSERT_EQ(Shell("7z x -y -bso0 -bsp0 -o" + Quote(dir / "7z") + " " + Quote(archive)), 0);
  ASSERT_EQ(Shell("cd " + Quote(dir.Path()) + " && mkdir unzip && cd unzip && unzip -qq ../t.zip"), 0);
  for (const Item& it : Items())
    if (!it.folder) {
      std::string path = it.name;
      for (char& c : path)
        if (c == '\\') c = '/';
      EXPECT_EQ(zip_test::ReadFile(dir / "7z" / fs::u8path(path)), it.data) << "7z " << it.name;
      EXPECT_EQ(zip_test::ReadFile(dir / "unzip" / fs::u8path(path)), it.data) << "unzip " << it.name;
    }
  // unzip restores the last change from the extended timestamp, and read-only as no write bits.
  const fs::path ro = dir / "unzip" / "ro.ini";
  EXPECT_EQ(fs::status(ro).permissions() & fs::perms::owner_write, fs::perms::none);
#ifndef _WIN32
  struct stat st {};
  ASSERT_EQ(::stat((dir / "unzip" / "one.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, kUnixTime);
#endif
}

INSTANTIATE_TEST_SUITE_P(Zip64, ZipWriterTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Always" : "WhenNeeded"; });

TEST(ZipWriterLimits, AStreamedFileThatChangesSizeIsAnError) {
  TempDir dir;
  zip_test::WriteFile(dir / "f", "12345");
  platform::MemoryStream out;
  ZipWriter w(out);
  platform::FileStream source(zip_test::EnginePath(dir / "f"), platform::FileMode::OpenRead);
  try {
    w.AddStream({"f", false, 0x20, kDosTime, {}}, source, 6);
    FAIL();
  } catch (const EZipWriterError& e) {
    EXPECT_EQ(e.Message(), "\"f\" changed while it was being packed.");
  }
}

TEST(ZipWriterLimits, ManyEntriesGetZip64EndRecords) {
  if (!zip_test::HaveTool("unzip")) GTEST_SKIP() << "unzip is not installed";
  TempDir dir;
  {
    platform::FileStream out(zip_test::EnginePath(dir / "many.zip"), platform::FileMode::Create);
    ZipWriter w(out);
    const PackedData empty = PackBuffer({}, 6);
    for (int i = 0; i < 70000; ++i) w.AddPacked({"f" + std::to_string(i), false, 0x20, kDosTime, {}}, empty);
    w.Finish();
  }
  EXPECT_EQ(Shell("unzip -tqq " + Quote(dir / "many.zip")), 0);
  zip::TUnZipper u;
  u.SetZipName(zip_test::EnginePath(dir / "many.zip"));
  u.LoadDirectory();
  EXPECT_EQ(u.EntryCount(), 70000);
}

// Files are packed on worker threads that end when the archive is written: each thread's
// compressor must go with it cleanly (under MinGW a thread's own objects with destructors were
// freed in an unspecified order at its end, which freed a compressor twice), and every packing
// gives the same bytes whatever thread and level it runs at.
TEST(ZipWriterLimits, ThreadsThatPackAndEndLeaveNothingBehind) {
  std::mt19937 random(7);
  std::string data(60000, '\0');
  for (char& c : data) c = static_cast<char>('a' + random() % 4);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  const PackedData want6 = PackBuffer(bytes, 6), want9 = PackBuffer(bytes, 9);
  ASSERT_EQ(want6.method, 8);
  for (int round = 0; round < 10; ++round) {
    std::vector<PackedData> got(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < got.size(); ++i)
      threads.emplace_back([&, i] {
        // A thread that changes level in between, as the manifest packed at 9 among files at 6.
        got[i] = PackBuffer(bytes, i % 2 ? 9 : 6);
        if (i % 4 == 0) got[i] = PackBuffer(bytes, 6);
      });
    for (std::thread& t : threads) t.join();
    for (size_t i = 0; i < got.size(); ++i) {
      const PackedData& want = i % 2 && i % 4 != 0 ? want9 : want6;
      EXPECT_EQ(got[i].bytes, want.bytes) << "round " << round << ", thread " << i;
      EXPECT_EQ(got[i].crc32, want.crc32);
    }
  }
}

}  // namespace
}  // namespace release
