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
    fs::create_directories(app_ / "UPDATE");
    launcher::ConnectUnZipper(unzipper_, host_, launch_.request);
  }
  void Start(const std::string& description = "") {
    if (!description.empty()) zip_test::WriteFile(app_ / "UPDATE" / "VER_INFO.INF", description);
    launcher::FormCreate(host_, {app_.Engine("App.exe")}, launch_);
  }
  // Returns the error the user is shown ("" when the update was applied).
  std::string Extract() {
    const launcher::RunOutcome outcome =
        launcher::ExtractUpdate(unzipper_, host_, launch_.request, launcher_dir_.Engine() + "\\", launcher::SystemEnvironment());
    launcher::FinishRun(host_, launch_, outcome);
    return outcome.message;
  }
  zip_test::TempDir app_, launcher_dir_;
  RecordingHost host_;
  launcher::Launch launch_;
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

// Refused before anything is written: the error is shown after the application was started again,
// and the launcher ends. An archive refused for what it is goes aside, so it is not met again.
TEST_F(ExtractUpdateTest, AMissingOrBrokenArchiveRestartsTheApplicationAndEnds) {
  Start();
  const std::string missing = Extract();
  EXPECT_TRUE(missing.starts_with("Cannot open file \"" + launcher_dir_.Engine("UPDATE.ZIP") + "\". ")) << missing;
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", std::string(4000, 'z'));
  EXPECT_EQ(Extract(), launcher_dir_.Engine("UPDATE.ZIP") + " is not a zip archive");
  EXPECT_EQ(host_.opened, std::vector<std::string>(2, app_.Engine("App.exe") + " UPDATE_RUN"));
  EXPECT_EQ(host_.errors.size(), 2u);
  EXPECT_EQ(host_.terminates, 2);
  EXPECT_TRUE(zip_test::ReadFile(app_ / "UPDATE" / "UPDATE_RESULT.INF").starts_with("RESULT=not started\r\n"));
  EXPECT_FALSE(fs::exists(launcher_dir_ / "UPDATE.ZIP")) << "no archive: renamed aside";
  EXPECT_EQ(zip_test::ReadFile(launcher_dir_ / "UPDATE.ZIP.rejected"), std::string(4000, 'z'));
}

// A file that is no zip, a zip cut short, a directory the engine had to find again by the local
// headers and one that holds more entries than it counts (not the update the vendor built) are
// each refused with their own text, before anything is written.
TEST_F(ExtractUpdateTest, ArchivesThatAreNoZipCutShortOrRepairedAreRefusedByName) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.dll", .data = "new", .method = 0});
  const std::string whole = zip.Build();
  std::string repaired = whole;
  repaired.replace(repaired.size() - 6, 4, zip_test::Le32(static_cast<uint32_t>(zip.CentralOffset() + 9)));
  // Two entries, an end record that counts one: read whole, the second would be an entry the
  // vendor's tool never listed.
  ZipBuilder two;
  two.Add(EntryDef{.name = "App.dll", .data = "new", .method = 0});
  two.Add(EntryDef{.name = "Extra.dll", .data = "more", .method = 0});
  std::string undercounted = two.Build();
  undercounted.replace(undercounted.size() - 14, 4, zip_test::Le16(1) + zip_test::Le16(1));
  const struct {
    const char* name;
    std::string bytes;
    std::string error;
  } cases[] = {
      {"no zip at all", "<html><body>Service Unavailable</body></html>",
       launcher_dir_.Engine("UPDATE.ZIP") + " is not a zip archive"},
      {"a zip cut short", whole.substr(0, zip.CentralOffset() + 10), "Incomplete Zip File"},
      {"a repaired directory", repaired,
       "The central directory is damaged: the entries were found by their local headers"},
      {"an end record that undercounts its directory", undercounted,
       "The central directory is damaged: it does not hold the number of entries its end record claims"},
  };
  Start();
  zip_test::WriteFile(app_ / "App.dll", "old");
  for (const auto& c : cases) {
    zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", c.bytes);
    EXPECT_EQ(Extract(), c.error) << c.name;
    EXPECT_EQ(zip_test::ReadFile(app_ / "App.dll"), "old") << c.name;
    EXPECT_TRUE(zip_test::ReadFile(app_ / "UPDATE" / "UPDATE_RESULT.INF").starts_with("RESULT=not started\r\n"))
        << c.name;
    EXPECT_EQ(zip_test::ReadFile(launcher_dir_ / "UPDATE.ZIP.rejected"), c.bytes) << c.name;
    // The refused archive is still open (on Windows, against writing) until the engine lets go.
    unzipper_.ClearDirectory();
    fs::remove(launcher_dir_ / "UPDATE.ZIP.rejected");
  }
  EXPECT_EQ(host_.opened, std::vector<std::string>(4, app_.Engine("App.exe") + " UPDATE_RUN"));
  EXPECT_FALSE(fs::exists(app_ / "Extra.dll"));
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
  const std::string error = Extract();
  EXPECT_TRUE(error.starts_with(launcher::TextOf(launcher::Text::kNotApplied))) << error;
  EXPECT_EQ(zip_test::ReadFile(app_ / "first.txt"), "old");
  EXPECT_FALSE(fs::exists(app_ / "new.txt"));
  EXPECT_FALSE(fs::exists(app_ / "broken.bin"));
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX")) << "the work folder is cleaned up";
  EXPECT_EQ(host_.opened.size(), 1u);
}

}  // namespace
