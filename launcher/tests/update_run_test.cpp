// One update run as the window drives it, natively: waiting for the application, files held by
// another program, refusals that leave the folder alone, and what the log and result file say.
#include <gtest/gtest.h>

#include <filesystem>

#include "launcher/extract_update.h"
#include "recording_host.h"
#include "test_support.h"
#include "update_fault_ops.h"
#include "zip/unzipper.h"

namespace {

namespace fs = std::filesystem;
using update_test::FakeClock;
using update_test::FaultOps;
using zip_test::EntryDef;
using zip_test::ZipBuilder;

using launcher_test::RecordingHost;

class UpdateRunTest : public testing::Test {
 protected:
  void SetUp() override {
    launcher::State() = launcher::LaunchState{};
    fs::create_directories(app_ / "UPDATE");
    zip_test::WriteFile(app_ / "App.exe", "old program");
    zip_test::WriteFile(app_ / "lib.dll", "old lib");
    ZipBuilder zip;
    zip.Add(EntryDef{.name = "App.exe", .data = "new program"});
    zip.Add(EntryDef{.name = "lib.dll", .data = "new lib"});
    zip.Add(EntryDef{.name = "sub/new.txt", .data = "new"});
    zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", zip.Build());
    env_.ops = &ops_;
    env_.clock = &clock_;
  }
  // Returns the error the user is shown ("" when the update was applied).
  std::string Run() {
    launcher::FormCreate(host_, {app_.Engine("App.exe")});
    zip::TUnZipper unzipper;
    launcher::ConnectUnZipper(unzipper, host_);
    try {
      launcher::ExtractUpdate(unzipper, host_, launcher_dir_.Engine() + "\\", env_);
    } catch (const platform::Exception& e) {
      return e.what();
    }
    return {};
  }
  std::string Log() { return zip_test::ReadFile(app_ / "UPDATE" / "HalvexUpdate.log"); }
  std::string Result() { return zip_test::ReadFile(app_ / "UPDATE" / "UPDATE_RESULT.INF"); }
  bool Untouched() {
    return zip_test::ReadFile(app_ / "App.exe") == "old program" && zip_test::ReadFile(app_ / "lib.dll") == "old lib" &&
           !fs::exists(app_ / "sub") && !fs::exists(app_ / "UPDATE" / "~HALVEX");
  }

  zip_test::TempDir app_, launcher_dir_;
  RecordingHost host_;
  FaultOps ops_;
  FakeClock clock_;
  launcher::UpdateEnvironment env_;
};

TEST_F(UpdateRunTest, WaitsForTheApplicationToCloseThenApplies) {
  int polls = 0;
  env_.is_running = [&](const std::string& program) {
    EXPECT_EQ(program, app_.Engine("App.exe"));
    return ++polls < 5;
  };
  EXPECT_EQ(Run(), "");
  ASSERT_FALSE(host_.labels.empty());
  EXPECT_EQ(host_.labels.front(), launcher::kWaitingForProgramText + app_.Engine("App.exe"));
  EXPECT_EQ(host_.labels.back(), "Extract Files.. " + app_.Engine("sub\\new.txt")) << "the final path, not the staged one";
  EXPECT_EQ(zip_test::ReadFile(app_ / "App.exe"), "new program");
  EXPECT_NE(Log().find("closed after 750 ms"), std::string::npos) << Log();
  EXPECT_TRUE(Result().starts_with("RESULT=applied\r\nFILES=3\r\nERROR=\r\n")) << Result();
  EXPECT_EQ(host_.opened, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"});
}

TEST_F(UpdateRunTest, AnApplicationThatNeverClosesIsWaitedForABoundedTime) {
  env_.is_running = [](const std::string&) { return true; };
  EXPECT_EQ(Run(), "");
  EXPECT_GE(clock_.now, env_.wait_ms);
  EXPECT_LT(clock_.now, env_.wait_ms + 1000);
  EXPECT_NE(Log().find("still runs: going on"), std::string::npos) << Log();
}

TEST_F(UpdateRunTest, AFileHeldForAMomentIsTriedAgain) {
  int refusals = 0;
  ops_.busy = [&](const std::string& from, const std::string&) {
    return from == app_.Engine("lib.dll") && ++refusals <= 3;
  };
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(zip_test::ReadFile(app_ / "lib.dll"), "new lib");
  EXPECT_LT(clock_.now, 1000u) << "short pauses first";
  EXPECT_NE(std::find(host_.labels.begin(), host_.labels.end(),
                      "사용중인 파일 대기중.. " + app_.Engine("lib.dll") + " (Holder.exe)"),
            host_.labels.end());
  EXPECT_NE(Log().find("is in use (Holder.exe)"), std::string::npos) << Log();
  EXPECT_NE(Log().find("attempt 4 on"), std::string::npos) << Log();
}

TEST_F(UpdateRunTest, AFileHeldPastTheRetryTimeRollsEverythingBack) {
  ops_.busy = [&](const std::string& from, const std::string&) { return from == app_.Engine("lib.dll"); };
  const std::string error = Run();
  EXPECT_TRUE(Untouched());
  EXPECT_EQ(error, launcher::kNotAppliedText + ("\"" + app_.Engine("lib.dll") + "\" could not be replaced: in use "
                                                "(injected) (in use by Holder.exe)"));
  EXPECT_GE(clock_.now, env_.retry_ms);
  EXPECT_LT(clock_.now, env_.retry_ms + 2000);
  EXPECT_TRUE(Result().starts_with("RESULT=rolled back\r\nFILES=0\r\nERROR=\"" + app_.Engine("lib.dll"))) << Result();
  EXPECT_NE(Log().find("rolled back: the application's folder is as it was"), std::string::npos) << Log();
  EXPECT_EQ(host_.opened.size(), 1u) << "the application comes back";
}

TEST_F(UpdateRunTest, AFolderWhereTheUpdateHasAFileIsRefusedBeforeAnythingIsWritten) {
  fs::create_directories(app_ / "sub" / "new.txt");
  const std::string error = Run();
  EXPECT_EQ(error, launcher::kNotAppliedText + ("\"" + app_.Engine("sub\\new.txt") +
                                                "\" is a folder, where the update has a file"));
  EXPECT_EQ(ops_.count, 0) << "nothing was written";
  EXPECT_TRUE(Result().starts_with("RESULT=not started\r\n")) << Result();
  EXPECT_EQ(host_.opened.size(), 1u);
}

TEST_F(UpdateRunTest, ADamagedLastEntryRollsBack) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.exe", .data = "new program"});
  zip.Add(EntryDef{.name = "lib.dll", .data = "new lib", .crc = 1234});
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", zip.Build());
  const std::string error = Run();
  EXPECT_TRUE(Untouched());
  EXPECT_EQ(error, launcher::kNotAppliedText + std::string("the archive's entry \"lib.dll\" is damaged (its CRC does not match)"));
}

TEST_F(UpdateRunTest, TheLogIsRotatedAtOneMebibyte) {
  zip_test::WriteFile(app_ / "UPDATE" / "HalvexUpdate.log", std::string(launcher::kLogRotateSize, 'x'));
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(fs::file_size(app_ / "UPDATE" / "HalvexUpdate.log.1"), launcher::kLogRotateSize);
  const std::string log = Log();
  EXPECT_LT(log.size(), 4000u);
  // One line per step, each beginning with its UTC time.
  EXPECT_TRUE(log.starts_with("20")) << log;
  EXPECT_NE(log.find(" UTC  ---- update of \"" + app_.Engine() + "\\\""), std::string::npos) << log;
}

}  // namespace
