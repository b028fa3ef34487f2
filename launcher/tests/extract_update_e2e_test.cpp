// The update sequence driving the real engine on a real archive: the same handlers the window
// uses, recorded by a stand-in host.
#include "launcher/extract_update.h"
#include "launcher/texts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/exceptions.h"
#include "recording_host.h"
#include "test_support.h"
#include "zip/unzipper.h"

namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::ZipBuilder;

using launcher_test::RecordingHost;

class ExtractUpdateTest : public testing::Test {
 protected:
  void SetUp() override {
    launcher::State() = launcher::LaunchState{};
    fs::create_directories(app_ / "UPDATE");
    launcher::ConnectUnZipper(unzipper_, host_);
  }
  void Start(const std::string& description = "") {
    if (!description.empty()) zip_test::WriteFile(app_ / "UPDATE" / "VER_INFO.INF", description);
    launcher::FormCreate(host_, {app_.Engine("App.exe")});
  }
  void Extract() {
    launcher::ExtractUpdate(unzipper_, host_, launcher_dir_.Engine() + "\\", launcher::SystemEnvironment());
  }
  zip_test::TempDir app_, launcher_dir_;
  RecordingHost host_;
  zip::TUnZipper unzipper_;
};

TEST_F(ExtractUpdateTest, ExtractsEveryEntrySkipsTheConfiguredOneAndRestarts) {
  Start("EXE_FILENAME=App.exe\r\nCOPY_FILENAME=" + app_.Engine("sub\\keep.cfg") + "\r\n");
  zip_test::WriteFile(app_ / "sub" / "keep.cfg", "local");
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.dll", .data = std::string(100000, 'a'), .method = 8});
  zip.Add(EntryDef{.name = "sub/keep.cfg", .data = std::string(50000, 's'), .method = 8});
  zip.Add(EntryDef{.name = "sub/new.txt", .data = "new", .method = 0});
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", zip.Build());
  Extract();
  EXPECT_EQ(zip_test::ReadFile(app_ / "App.dll"), std::string(100000, 'a'));
  EXPECT_EQ(zip_test::ReadFile(app_ / "sub" / "keep.cfg"), "local");
  EXPECT_EQ(zip_test::ReadFile(app_ / "sub" / "new.txt"), "new");
  EXPECT_EQ(host_.labels, (std::vector<std::string>{"Extract Files.. " + app_.Engine("App.dll"),
                                                     "Extract Files.. " + app_.Engine("sub\\keep.cfg"),
                                                     "Extract Files.. " + app_.Engine("sub\\new.txt")}));
  ASSERT_FALSE(host_.percents.empty());
  EXPECT_TRUE(std::is_sorted(host_.percents.begin(), host_.percents.end()));
  EXPECT_LT(host_.percents.back(), 100) << "the skipped entry still counts in the total";
  EXPECT_EQ(host_.gauge_text, "압축 푸는중.. - ");
  EXPECT_EQ(host_.opened, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"});
  EXPECT_EQ(host_.terminates, 1);
}

TEST_F(ExtractUpdateTest, EmptyArchiveStillRestartsTheApplication) {
  Start();
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", ZipBuilder().Build());
  Extract();
  EXPECT_EQ(host_.opened.size(), 1u);
}

TEST_F(ExtractUpdateTest, MissingArchiveRaisesTheFileErrorAndDoesNotRestart) {
  Start();
  EXPECT_THROW(Extract(), platform::EFOpenError);
  EXPECT_TRUE(host_.opened.empty());
}

TEST_F(ExtractUpdateTest, FileWithoutEndRecordLoadsQuietlyThenTheRunRefusesIt) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.dll", .data = "new", .method = 0});
  const std::string whole = zip.Build();
  const struct {
    const char* name;
    std::string bytes;
    std::string error;
  } cases[] = {
      {"no zip at all", "<html><body>Service Unavailable</body></html>",
       launcher_dir_.Engine("UPDATE.ZIP") + " is not a zip archive"},
      {"a zip cut short", whole.substr(0, zip.CentralOffset() + 10), "Incomplete Zip File"},
  };
  Start();
  for (const auto& c : cases) {
    zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", c.bytes);
    try {
      Extract();
      ADD_FAILURE() << c.name << ": no error";
    } catch (const platform::Exception& e) {
      EXPECT_EQ(e.what(), c.error) << c.name;
    }
    EXPECT_TRUE(host_.opened.empty()) << c.name << ": refused before the run starts: no restart";
    EXPECT_FALSE(fs::exists(app_ / "App.dll")) << c.name;
    // The refused archive is still open (on Windows, against writing) until the engine lets go.
    unzipper_.ClearDirectory();
  }
}

// A directory the engine had to find again by the local headers is not the update the vendor
// built: nothing of it is written.
TEST_F(ExtractUpdateTest, ArchiveWhoseDirectoryHadToBeRepairedIsRefused) {
  Start();
  zip_test::WriteFile(app_ / "App.dll", "old");
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.dll", .data = "new", .method = 0});
  std::string bytes = zip.Build();
  bytes.replace(bytes.size() - 6, 4, zip_test::Le32(static_cast<uint32_t>(zip.CentralOffset() + 9)));
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", bytes);
  try {
    Extract();
    FAIL() << "no error";
  } catch (const platform::Exception& e) {
    EXPECT_STREQ(e.what(), "The central directory is damaged: the entries were found by their local headers");
  }
  EXPECT_EQ(zip_test::ReadFile(app_ / "App.dll"), "old");
  EXPECT_TRUE(host_.opened.empty());
}

TEST_F(ExtractUpdateTest, FailureMidwayRestartsAndLeavesTheFolderAsItWas) {
  Start();
  zip_test::WriteFile(app_ / "first.txt", "old");
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "first.txt", .data = "fine", .method = 8});
  zip.Add(EntryDef{.name = "new.txt", .data = "new", .method = 0});
  zip.Add(EntryDef{.name = "broken.bin", .data = std::string(5000, 'b'), .method = 8,
                    .compressed = std::string("\xff\xff\xff\xff\xff\xff\xff\xff", 8)});
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", zip.Build());
  try {
    Extract();
    FAIL() << "no error";
  } catch (const platform::Exception& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with(launcher::TextOf(launcher::Text::kNotApplied))) << e.what();
  }
  EXPECT_EQ(zip_test::ReadFile(app_ / "first.txt"), "old");
  EXPECT_FALSE(fs::exists(app_ / "new.txt"));
  EXPECT_FALSE(fs::exists(app_ / "broken.bin"));
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX")) << "the work folder is cleaned up";
  EXPECT_EQ(host_.opened.size(), 1u);
}

}  // namespace
