// A release that must confirm it starts (CONFIRM_SECONDS): the launcher starts it, watches it with
// a fake clock and a fake process, and keeps it or puts the previous version back.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "launcher/extract_update.h"
#include "launcher/update_journal.h"
#include "launcher/update_transaction.h"
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

// The started release: its exit code follows the script, asked on every poll.
class FakeProgram : public platform::StartedProgram {
 public:
  explicit FakeProgram(std::function<std::optional<uint32_t>()> script) : script_(std::move(script)) {}
  std::optional<uint32_t> ExitCode() override { return script_(); }

 private:
  std::function<std::optional<uint32_t>()> script_;
};

class UpdateConfirmTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(app_ / "UPDATE");
    zip_test::WriteFile(app_ / "App.exe", "old program");
    zip_test::WriteFile(app_ / "lib.dll", "old lib");
    zip_test::WriteFile(app_ / "UPDATE" / "VER_INFO.INF", "EXE_FILENAME=App.exe\r\nCONFIRM_SECONDS=5\r\n");
    env_.ops = &ops_;
    env_.clock = &clock_;
    env_.start = [this](const std::string& program, const std::string& parameters, std::string& error)
        -> std::unique_ptr<platform::StartedProgram> {
      started_.push_back(program + " " + parameters);
      if (!start_error_.empty()) {
        error = start_error_;
        return nullptr;
      }
      return std::make_unique<FakeProgram>([this]() -> std::optional<uint32_t> {
        // The release confirms, then perhaps ends, as the script's times say.
        if (confirm_at_ && clock_.now >= *confirm_at_ && !fs::exists(app_ / "UPDATE" / "CONFIRMED"))
          zip_test::WriteFile(app_ / "UPDATE" / "CONFIRMED", "");
        if (exit_at_ && clock_.now >= *exit_at_) return exit_code_;
        return std::nullopt;
      });
    };
  }
  void WriteArchive(const std::string& description = "") {
    ZipBuilder zip;
    zip.Add(EntryDef{.name = "App.exe", .data = "new program"});
    zip.Add(EntryDef{.name = "lib.dll", .data = "new lib"});
    zip.Add(EntryDef{.name = "sub/new.txt", .data = "new"});
    if (!description.empty()) zip.Add(EntryDef{.name = "UPDATE/VER_INFO.INF", .data = description});
    zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", zip.Build());
  }
  void Run() {
    launcher::FormCreate(host_, {app_.Engine("App.exe"), "/silent"}, launch_);
    zip::TUnZipper unzipper;
    launcher::ConnectUnZipper(unzipper, host_, launch_.request);
    outcome_ = launcher::ExtractUpdate(unzipper, host_, launch_.request, launcher_dir_.Engine() + "\\", env_);
    launcher::FinishRun(host_, launch_, outcome_, env_);
  }
  bool IsOld() {
    return zip_test::ReadFile(app_ / "App.exe") == "old program" && zip_test::ReadFile(app_ / "lib.dll") == "old lib" &&
           !fs::exists(app_ / "sub") && !fs::exists(app_ / "UPDATE" / "~HALVEX");
  }
  bool IsNew() {
    return zip_test::ReadFile(app_ / "App.exe") == "new program" && zip_test::ReadFile(app_ / "lib.dll") == "new lib" &&
           zip_test::ReadFile(app_ / "sub" / "new.txt") == "new" && !fs::exists(app_ / "UPDATE" / "~HALVEX");
  }
  std::string Log() { return zip_test::ReadFile(app_ / "UPDATE" / "HalvexUpdate.log"); }
  std::string Result() { return zip_test::ReadFile(app_ / "UPDATE" / "UPDATE_RESULT.INF"); }

  zip_test::TempDir app_, launcher_dir_;
  launcher_test::RecordingHost host_;
  launcher::Launch launch_;
  FaultOps ops_;
  FakeClock clock_;
  launcher::UpdateEnvironment env_;
  launcher::RunOutcome outcome_;
  std::vector<std::string> started_;
  std::optional<uint64_t> confirm_at_, exit_at_;
  uint32_t exit_code_ = 0;
  std::string start_error_;
};

TEST_F(UpdateConfirmTest, TheReleaseIsKeptOnlyWhenItConfirmsBeforeItEndsAndInTime) {
  struct Case {
    const char* name;
    std::optional<uint64_t> confirm_at, exit_at;
    uint32_t exit_code;
    const char* start_error;
    bool kept;
    const char* cause;  // in the result file and the log when reverted
  };
  const Case cases[] = {
      {"confirmed in time", 1000, std::nullopt, 0, "", true, ""},
      {"confirmed at the last poll", 5000, std::nullopt, 0, "", true, ""},
      {"confirmed, then ended", 500, 500, 0, "", true, ""},
      {"ended with 0 before confirming", std::nullopt, 500, 0, "", false,
       "the new version ended with exit code 0 before it confirmed it starts"},
      {"crashed before confirming", std::nullopt, 750, 0xC0000005, "", false,
       "the new version ended with exit code 3221225477 before it confirmed it starts"},
      {"ended with 3 at once", std::nullopt, 0, 3, "", false,
       "the new version ended with exit code 3 before it confirmed it starts"},
      {"confirmed after it ended", 1000, 500, 0, "", false,
       "the new version ended with exit code 0 before it confirmed it starts"},
      {"never confirmed", std::nullopt, std::nullopt, 0, "", false,
       "the new version did not confirm it starts within 5 s"},
      {"confirmed too late", 5250, std::nullopt, 0, "", false, "the new version did not confirm it starts within 5 s"},
      {"could not be started", std::nullopt, std::nullopt, 0, "no such program", false,
       "the new version could not be started: no such program"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    WriteArchive();
    confirm_at_ = c.confirm_at;
    exit_at_ = c.exit_at;
    exit_code_ = c.exit_code;
    start_error_ = c.start_error;
    Run();
    EXPECT_EQ(started_, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"});
    EXPECT_FALSE(fs::exists(launcher_dir_ / "UPDATE.ZIP")) << "never applied again";
    EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "CONFIRMED"));
    EXPECT_FALSE(launch_.lock) << "let go at the end";
    EXPECT_EQ(host_.terminates, 1);
    if (c.kept) {
      EXPECT_TRUE(IsNew());
      EXPECT_EQ(host_.exit_code, launcher::kExitApplied);
      EXPECT_TRUE(Result().starts_with("RESULT=applied\r\nFILES=3\r\nERROR=\r\n")) << Result();
      EXPECT_TRUE(host_.opened.empty()) << "started once, by the watch";
      EXPECT_NE(Log().find("confirmed it starts after " + std::to_string(*c.confirm_at) + " ms"), std::string::npos)
          << Log();
    } else {
      EXPECT_TRUE(IsOld());
      EXPECT_EQ(host_.exit_code, launcher::kExitReverted);
      EXPECT_TRUE(Result().starts_with(std::string("RESULT=reverted\r\nFILES=0\r\nERROR=") + c.cause + "\r\n"))
          << Result();
      EXPECT_NE(Log().find(std::string("outcome: reverted; ") + c.cause), std::string::npos) << Log();
      EXPECT_EQ(host_.opened, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"})
          << "the previous version is started to read why";
    }
    EXPECT_NE(Log().find("waiting up to 5 s for it to confirm"), std::string::npos) << Log();
    for (const fs::path& p : {app_.Path(), launcher_dir_.Path()}) {
      fs::remove_all(p);
      fs::create_directories(p);
    }
    host_ = {};
    started_.clear();
    clock_.now = 0;
  }
}

TEST_F(UpdateConfirmTest, TheKeyOfTheReleaseBeingAppliedDecides) {
  struct Case {
    const char* installed;  // CONFIRM_SECONDS in the description file in place ("": none)
    const char* brought;    // the update's own description file (nullptr: it brings none)
    unsigned seconds;       // waited for
  };
  const Case cases[] = {
      {"5", nullptr, 5},         {"", "EXE_FILENAME=App.exe\r\nCONFIRM_SECONDS=7\r\n", 7},
      {"5", "EXE_FILENAME=App.exe\r\n", 0},  {"9999", nullptr, launcher::kMaxConfirmSeconds},
      {"0", nullptr, 0},         {"five", nullptr, 0},
      {"-5", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.installed) + " / " + (c.brought ? c.brought : "none"));
    fs::remove_all(app_ / "UPDATE" / "~HALVEX");
    zip_test::WriteFile(app_ / "App.exe", "old program");
    zip_test::WriteFile(app_ / "lib.dll", "old lib");
    fs::remove_all(app_ / "sub");
    zip_test::WriteFile(app_ / "UPDATE" / "VER_INFO.INF",
                        std::string("EXE_FILENAME=App.exe\r\n") +
                            (*c.installed ? std::string("CONFIRM_SECONDS=") + c.installed + "\r\n" : ""));
    WriteArchive(c.brought ? c.brought : "");
    host_ = {};
    started_.clear();
    clock_.now = 0;
    confirm_at_ = std::nullopt;
    exit_at_ = std::nullopt;
    Run();
    EXPECT_EQ(outcome_.confirm_seconds, c.seconds);
    if (c.seconds) {
      EXPECT_EQ(started_.size(), 1u);
      EXPECT_EQ(clock_.now, uint64_t{c.seconds} * 1000) << "a release that never confirms is waited for N s";
      EXPECT_TRUE(IsOld());
    } else {
      EXPECT_TRUE(started_.empty()) << "restarted as before, not watched";
      EXPECT_EQ(host_.opened, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"});
      EXPECT_TRUE(IsNew());
      EXPECT_EQ(host_.exit_code, launcher::kExitApplied);
    }
  }
}

TEST_F(UpdateConfirmTest, AStopDuringTheWaitKeepsTheNewReleaseAndTheNextRunFinishesTheCleanup) {
  WriteArchive();
  // The launcher is killed while it waits: the release is in place, the old one still aside.
  env_.start = [](const std::string&, const std::string&, std::string&) -> std::unique_ptr<platform::StartedProgram> {
    throw update_test::Stopped{};
  };
  EXPECT_THROW(Run(), update_test::Stopped);
  EXPECT_EQ(zip_test::ReadFile(app_ / "App.exe"), "new program");
  EXPECT_EQ(zip_test::ReadFile(app_ / "UPDATE" / "~HALVEX" / "BACKUP" / "App.exe"), "old program");
  const auto read = launcher::ParseJournal(zip_test::ReadFile(app_ / "UPDATE" / "~HALVEX" / "JOURNAL"));
  EXPECT_TRUE(read.committed && read.awaiting && !read.reverting);

  launch_.lock.reset();
  launcher::UpdateLog log(platform::SystemFileOps(), app_.Engine() + "\\");
  launcher::UpdateTransaction next(platform::SystemFileOps(), clock_, log, app_.Engine() + "\\");
  EXPECT_NE(next.Recover().find("the new version stays"), std::string::npos);
  EXPECT_TRUE(IsNew()) << "never reverted on a guess";
}

TEST_F(UpdateConfirmTest, ASecondLauncherDuringTheWaitEndsAtOnce) {
  WriteArchive();
  int second_exit = -1;
  env_.start = [&](const std::string&, const std::string&, std::string&) -> std::unique_ptr<platform::StartedProgram> {
    launcher_test::RecordingHost other;
    launcher::Launch other_launch;
    launcher::FormCreate(other, {app_.Engine("App.exe")}, other_launch);
    second_exit = other.exit_code;
    return std::make_unique<FakeProgram>([] { return std::nullopt; });
  };
  Run();
  EXPECT_EQ(second_exit, launcher::kExitAlreadyRunning);
  EXPECT_TRUE(IsOld()) << "the first one's revert is not disturbed";
}

}  // namespace
