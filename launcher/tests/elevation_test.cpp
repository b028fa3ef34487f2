// Per-machine installs: where the update runs, the command line of the run with administrator
// rights, what the first launcher does with its end, the links it refuses, and the elevated run
// itself through the real engine (signed, unsigned, a link planted below the folder).
#include "launcher/elevation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "launcher/texts.h"
#include "platform/command_line.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "recording_host.h"
#include "signature/ed25519ph.h"
#include "signature/signature_file.h"
#include "test_support.h"
#include "zip/unzipper.h"

namespace {

namespace fs = std::filesystem;
using launcher::ElevationStep;
using launcher::RunMode;
using zip_test::EntryDef;
using zip_test::ReadFile;
using zip_test::WriteFile;
using zip_test::ZipBuilder;

TEST(Elevation, WhereTheUpdateRuns) {
  struct Case {
    bool elevated, present, writable, signed_update;
    ElevationStep step;
  };
  const Case cases[] = {
      // An ordinary run: a folder this user may write is updated here, signed or not.
      {false, true, true, false, ElevationStep::kRunHere},
      {false, true, true, true, ElevationStep::kRunHere},
      // A per-machine install: rights for a signed update only.
      {false, true, false, true, ElevationStep::kStartElevated},
      {false, true, false, false, ElevationStep::kRefuseUnsigned},
      // Nothing to apply: no prompt for it.
      {false, false, false, true, ElevationStep::kRunHere},
      {false, false, false, false, ElevationStep::kRunHere},
      // The run with rights never asks again and takes no one's word that the update is signed.
      {true, true, false, true, ElevationStep::kRunHere},
      {true, true, true, true, ElevationStep::kRunHere},
      {true, true, true, false, ElevationStep::kRefuseUnsigned},
      {true, false, false, false, ElevationStep::kRefuseUnsigned},
  };
  for (const Case& c : cases)
    EXPECT_EQ(launcher::DecideElevation({c.elevated, c.present, c.writable, c.signed_update}), c.step)
        << c.elevated << c.present << c.writable << c.signed_update;
}

// The first launcher builds the line, the system splits it, the elevated run parses it: the same
// paths and mode arrive, with the marker.
TEST(Elevation, TheElevatedCommandLineArrivesWhole) {
  struct Case {
    const char* application;
    const char* archive;
    RunMode mode;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Acme\\App.exe", "C:\\Users\\kim\\AppData\\Local\\Acme\\UPDATE.ZIP", RunMode::kNormal},
      {"C:\\Program Files (x86)\\노트 포지\\App.exe", "D:\\업데이트 폴더\\UPDATE.ZIP", RunMode::kSilent},
      {"\\\\server\\share\\App.exe", "\\\\server\\share\\a b\\UPDATE.ZIP", RunMode::kPassive},
  };
  for (const Case& c : cases) {
    const std::string line = launcher::JoinArguments(launcher::ElevatedArguments(c.application, c.archive, c.mode));
    ASSERT_FALSE(line.empty()) << c.application;
    std::vector<std::string> arguments = platform::SplitCommandLine("HalvexUpdate.exe " + line);
    arguments.erase(arguments.begin());
    const launcher::CommandLine parsed = launcher::ParseCommandLine(arguments);
    EXPECT_EQ(parsed.application, c.application);
    EXPECT_EQ(parsed.archive, c.archive);
    EXPECT_EQ(parsed.mode, c.mode);
    EXPECT_TRUE(parsed.elevated);
    EXPECT_TRUE(parsed.error.empty()) << parsed.error;
    EXPECT_TRUE(parsed.ignored.empty());
  }
  EXPECT_FALSE(launcher::ParseCommandLine({"C:\\App\\App.exe", "/archive=C:\\U.ZIP"}).elevated);
  EXPECT_TRUE(launcher::ParseCommandLine({"C:\\App\\App.exe", "/ELEVATED"}).elevated);
  EXPECT_EQ(launcher::ParseCommandLine({"C:\\App\\App.exe", "/elevatedx"}).ignored,
            std::vector<std::string>{"/elevatedx"});
  // What a quoted argument cannot carry is not sent at all.
  EXPECT_EQ(launcher::JoinArguments({"C:\\App\\App.exe", "/archive=C:\\a\"b.zip"}), "");
  EXPECT_EQ(launcher::JoinArguments({"C:\\App\\", "/elevated"}), "");
}

TEST(Elevation, TheArchivesPathIsMadeAbsolute) {
  const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
      {"", "C:\\Launcher\\", "C:\\Work", "C:\\Launcher\\UPDATE.ZIP"},
      {"C:\\Local\\U.ZIP", "C:\\Launcher\\", "D:\\Work", "C:\\Local\\U.ZIP"},
      {"\\Local\\U.ZIP", "C:\\Launcher\\", "D:\\Work", "\\Local\\U.ZIP"},
      {"\\\\server\\s\\U.ZIP", "C:\\Launcher\\", "D:\\Work", "\\\\server\\s\\U.ZIP"},
      {"sub\\U.ZIP", "C:\\Launcher\\", "D:\\Work", "D:\\Work\\sub\\U.ZIP"},
      {"U.ZIP", "C:\\Launcher\\", "D:\\", "D:\\U.ZIP"},
  };
  for (const auto& [archive, launcher_dir, current, want] : cases)
    EXPECT_EQ(launcher::AbsoluteArchivePath(archive, launcher_dir, current), want) << archive;
}

using How = launcher::ElevatedRunEnd::How;

launcher::ElevatedRunEnd Ended(uint32_t code, bool copy_rejected = false) {
  launcher::ElevatedRunEnd end;
  end.exit_code = code;
  end.copy_rejected = copy_rejected;
  return end;
}
launcher::ElevatedRunEnd NotEnded(How how, const std::string& error = "") {
  launcher::ElevatedRunEnd end;
  end.how = how;
  end.error = error;
  return end;
}

TEST(Elevation, WhatTheFirstLauncherDoesWhenTheElevatedRunEnds) {
  using Fate = launcher::ArchiveFateAfter;
  struct Case {
    const char* name;
    launcher::ElevatedRunEnd end;
    int exit_code;
    bool restart;
    Fate fate;
    bool report;  // the first launcher writes the result file and shows the box
  };
  const Case cases[] = {
      {"consent declined", NotEnded(How::kDeclined), launcher::kExitNotStarted, true, Fate::kKeep, true},
      {"not started", NotEnded(How::kNotStarted, "The file cannot be found."), launcher::kExitNotStarted, true, Fate::kKeep, true},
      {"applied", Ended(0), launcher::kExitApplied, true, Fate::kRemove, false},
      {"rolled back", Ended(1), launcher::kExitRolledBack, true, Fate::kKeep, false},
      {"refused, kept", Ended(2), launcher::kExitNotStarted, true, Fate::kKeep, false},
      {"refused, rejected", Ended(2, true), launcher::kExitNotStarted, true, Fate::kReject, false},
      {"nothing to do", Ended(3), launcher::kExitNothingToDo, true, Fate::kKeep, false},
      {"base differs", Ended(4), launcher::kExitBaseDiffers, true, Fate::kKeep, false},
      {"another launcher", Ended(5), launcher::kExitAlreadyRunning, false, Fate::kKeep, false},
      {"reverted", Ended(6), launcher::kExitReverted, true, Fate::kRemove, false},
      {"killed", Ended(0xC0000005u), launcher::kExitRolledBack, true, Fate::kKeep, true},
  };
  launcher::SetCurrentLanguage(launcher::Language::kEnglish);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const launcher::AfterElevatedRun after = launcher::AfterElevated(c.end);
    EXPECT_EQ(after.exit_code, c.exit_code);
    EXPECT_EQ(after.restart, c.restart);
    EXPECT_EQ(after.archive, c.fate);
    EXPECT_EQ(after.report, c.report);
    if (!c.report) continue;
    EXPECT_FALSE(after.cause.empty());
    EXPECT_TRUE(after.message.ends_with(after.cause)) << after.message;
  }
  EXPECT_EQ(launcher::AfterElevated(NotEnded(How::kDeclined)).message,
            "The update was not applied and the application is unchanged: the administrator rights the update needs "
            "were not given.");
  EXPECT_NE(launcher::AfterElevated(NotEnded(How::kNotStarted, "The file cannot be found.")).cause.find("The file cannot be found."),
            std::string::npos);
  launcher::SetCurrentLanguage(launcher::Language::kKorean);
  const launcher::AfterElevatedRun declined = launcher::AfterElevated(NotEnded(How::kDeclined));
  EXPECT_EQ(declined.message, launcher::TextOf(launcher::Text::kNotApplied) +
                                  launcher::TextOf(launcher::Text::kElevationDeclined));
  EXPECT_EQ(declined.cause, launcher::TextOf(launcher::Text::kElevationDeclined, launcher::Language::kEnglish))
      << "the result file is read by programs: English";
}

// A folder with a link in it, pointing out of it.
class PlantedLink : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "data");
    fs::create_directories(elsewhere_ / "deep");
    std::error_code ec;
    fs::create_directory_symlink(elsewhere_.Path(), root_ / "data" / "plugins", ec);
    if (ec || !platform::IsLink(Root() + "data\\plugins"))
      GTEST_SKIP() << "no link can be made here that the system shows as one";
  }
  std::string Root() const { return root_.Engine() + "\\"; }
  zip_test::TempDir root_, elsewhere_;
};

TEST_F(PlantedLink, TheFirstLinkBelowTheRootIsFound) {
  const std::string link = Root() + "data\\plugins";
  const std::pair<std::string, std::string> cases[] = {
      {Root() + "data\\plugins\\evil.dll", link},      // a file through the link
      {Root() + "data\\plugins\\deep\\x\\y.dll", link},
      {link, link},                                     // the link itself, replaced or removed
      {Root() + "data\\other.dll", ""},
      {Root() + "missing\\plugins\\a.dll", ""},         // nothing below what does not exist
      {Root() + "data", ""},
      {root_.Engine(), ""},                             // not below the root
      {elsewhere_.Engine() + "\\deep", ""},
  };
  for (const auto& [path, want] : cases) EXPECT_EQ(launcher::FirstLinkBelow(Root(), path), want) << path;
}

std::string Sign(const std::string& bytes, const signature::SecretKey& key) {
  platform::MemoryStream stream(bytes.data(), bytes.size());
  return signature::FormatSignatureFile({key.Public(), signature::SignStream(stream, key)});
}

// The run with administrator rights through the real engine, as the first launcher starts it.
class ElevatedRun : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(app_ / "UPDATE");
    launcher::ConnectUnZipper(unzipper_, host_, launch_.request);
    unzipper_.SetOverwriteMode(zip::Always);
    ZipBuilder zip;
    zip.Add(EntryDef{.name = "App.exe", .data = "new program"});
    zip.Add(EntryDef{.name = "data/plugins/net.dll", .data = "new plug-in"});
    archive_ = zip.Build();
    WriteFile(local_ / "UPDATE.ZIP", archive_);
    WriteFile(local_ / "UPDATE.ZIP.SIG", Sign(archive_, key_));
    launcher::SetCurrentLanguage(launcher::Language::kKorean);
  }
  void Start(const std::string& description) {
    WriteFile(app_ / "UPDATE" / "VER_INFO.INF", "EXE_FILENAME=App.exe\r\n" + description);
    launcher::FormCreate(host_,
                         launcher::ElevatedArguments(app_.Engine("App.exe"), local_.Engine("UPDATE.ZIP"), RunMode::kNormal),
                         launch_);
    ASSERT_TRUE(launch_.request.Elevated);
  }
  std::string KeyLine() const { return "PUBLIC_KEY=" + signature::FormatPublicKey(key_.Public()) + "\r\n"; }
  launcher::RunOutcome Run() {
    const launcher::RunOutcome outcome = launcher::ExtractUpdate(unzipper_, host_, launch_.request,
                                                                 launcher_dir_.Engine() + "\\", launcher::SystemEnvironment());
    launcher::FinishRun(host_, launch_, outcome);
    return outcome;
  }
  std::string Result() const { return ReadFile(app_ / "UPDATE" / "UPDATE_RESULT.INF"); }

  zip_test::TempDir app_, local_, launcher_dir_;
  launcher_test::RecordingHost host_;
  launcher::Launch launch_;
  zip::TUnZipper unzipper_;
  signature::SecretKey key_ = signature::SecretKey::Generate();
  std::string archive_;
};

// Applied from its own copy, which is gone afterwards; the archive it was named is the first
// launcher's to remove, and the application the first launcher's to start.
TEST_F(ElevatedRun, ASignedUpdateIsAppliedFromItsOwnCopyAndNothingIsStarted) {
  Start(KeyLine());
  const launcher::RunOutcome outcome = Run();
  EXPECT_EQ(outcome.outcome, launcher::UpdateOutcome::kApplied) << outcome.message;
  EXPECT_EQ(ReadFile(app_ / "App.exe"), "new program");
  EXPECT_EQ(ReadFile(app_ / "data" / "plugins" / "net.dll"), "new plug-in");
  EXPECT_TRUE(host_.opened.empty()) << "the application never runs with administrator rights";
  EXPECT_EQ(host_.exit_code, launcher::kExitApplied);
  EXPECT_EQ(ReadFile(local_ / "UPDATE.ZIP"), archive_) << "the first launcher's to remove";
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX.ARCHIVE" / "UPDATE.ZIP"));
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX.ARCHIVE" / "UPDATE.ZIP.SIG"));
  const std::string log = ReadFile(app_ / "UPDATE" / "HalvexUpdate.log");
  EXPECT_NE(log.find("copied \"" + local_.Engine("UPDATE.ZIP") + "\""), std::string::npos) << log;
  EXPECT_NE(log.find("signature was checked"), std::string::npos) << log;
  EXPECT_NE(Result().find("ARCHIVE=" + local_.Engine("UPDATE.ZIP") + "\r\n"), std::string::npos) << Result();
}

// A copy altered after the first launcher's check would be refused: the signature is checked on
// the copy, and its refusal renames the copy aside for the first launcher to see.
TEST_F(ElevatedRun, TheCopyIsCheckedAndARefusedOneRenamedAside) {
  Start(KeyLine());
  std::string altered = archive_;
  altered[altered.size() - 30] ^= 0x01;
  WriteFile(local_ / "UPDATE.ZIP", altered);
  const launcher::RunOutcome outcome = Run();
  EXPECT_EQ(outcome.outcome, launcher::UpdateOutcome::kNotStarted);
  EXPECT_NE(outcome.message.find("\"" + local_.Engine("UPDATE.ZIP") + "\" does not match its signature"),
            std::string::npos)
      << "named as the archive it was given: " << outcome.message;
  EXPECT_FALSE(fs::exists(app_ / "App.exe"));
  EXPECT_EQ(ReadFile(app_ / "UPDATE" / "~HALVEX.ARCHIVE" / "UPDATE.ZIP.rejected"), altered);
  EXPECT_EQ(ReadFile(local_ / "UPDATE.ZIP"), altered) << "the first launcher's to rename";
  EXPECT_TRUE(host_.opened.empty());
}

// The run with rights believes no one that the update is signed: without a key it refuses,
// whoever started it with the marker.
TEST_F(ElevatedRun, AnUnsignedUpdateIsRefused) {
  Start("LANGUAGE=en\r\n");
  const launcher::RunOutcome outcome = Run();
  EXPECT_EQ(outcome.outcome, launcher::UpdateOutcome::kNotStarted);
  EXPECT_EQ(outcome.message, launcher::TextOf(launcher::Text::kNotApplied, launcher::Language::kEnglish) +
                                 launcher::TextOf(launcher::Text::kUnsignedPerMachine, launcher::Language::kEnglish));
  EXPECT_EQ(host_.exit_code, launcher::kExitNotStarted);
  EXPECT_FALSE(fs::exists(app_ / "App.exe"));
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX.ARCHIVE")) << "not even copied";
  EXPECT_TRUE(Result().starts_with("RESULT=not started\r\n")) << Result();
}

TEST_F(ElevatedRun, ALinkBelowTheFolderIsRefusedBeforeAnythingIsWrittenThroughIt) {
  zip_test::TempDir elsewhere;
  fs::create_directories(app_ / "data");
  std::error_code ec;
  fs::create_directory_symlink(elsewhere.Path(), app_ / "data" / "plugins", ec);
  if (ec || !platform::IsLink(app_.Engine("data\\plugins"))) GTEST_SKIP() << "no link can be made here";
  Start(KeyLine());
  const launcher::RunOutcome outcome = Run();
  EXPECT_EQ(outcome.outcome, launcher::UpdateOutcome::kNotStarted);
  EXPECT_EQ(outcome.message, launcher::TextOf(launcher::Text::kNotApplied) +
                                 launcher::LinkRefusal(app_.Engine("data\\plugins")));
  EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
  EXPECT_FALSE(fs::exists(app_ / "App.exe"));
  EXPECT_TRUE(fs::exists(local_ / "UPDATE.ZIP"));

  // The run's own report through a link: not even the log is written.
  fs::remove(app_ / "data" / "plugins");
  fs::remove_all(app_ / "UPDATE" / "~HALVEX.ARCHIVE");
  fs::create_directory_symlink(elsewhere.Path(), app_ / "UPDATE" / "~HALVEX.ARCHIVE");
  const launcher::RunOutcome refused = Run();
  EXPECT_EQ(refused.message, launcher::TextOf(launcher::Text::kNotApplied) +
                                 launcher::LinkRefusal(app_.Engine("UPDATE\\~HALVEX.ARCHIVE")));
  EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
}

// The first launcher's side, with the elevated run stood in for.
class FakeElevated : public platform::StartedProgram {
 public:
  explicit FakeElevated(uint32_t code) : code_(code) {}
  std::optional<uint32_t> ExitCode() override { return code_; }
  uint32_t Id() override { return 4242; }

 private:
  uint32_t code_;
};

class FirstLauncher : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(app_ / "UPDATE");
    WriteFile(app_ / "UPDATE" / "VER_INFO.INF", "EXE_FILENAME=App.exe\r\n");
    WriteFile(local_ / "UPDATE.ZIP", "the update");
    WriteFile(local_ / "UPDATE.ZIP.SIG", "its signature");
    launcher::FormCreate(host_, {app_.Engine("App.exe"), "/archive=" + local_.Engine("UPDATE.ZIP")}, launch_);
    launcher::SetCurrentLanguage(launcher::Language::kEnglish);
  }
  void TearDown() override { launcher::SetCurrentLanguage(launcher::Language::kKorean); }
  // Runs the first launcher's side against an elevated run that ends with `code`, or, without one,
  // is declined (or not started).
  void Run(std::optional<uint32_t> code, bool declined = true) {
    launcher::RunElevated(host_, launch_, "C:\\Launcher\\HalvexUpdate.exe", launcher_dir_.Engine() + "\\",
                          launcher::SystemEnvironment(),
                          [&](const std::string& program, const std::string& parameters, std::string& error,
                              bool& was_declined) -> std::unique_ptr<platform::StartedProgram> {
                            started_ = program + " " + parameters;
                            lock_free_ = platform::TryLockFolder(launcher::UpdateFolder(launch_.request.AppDir)) != nullptr;
                            if (code) return std::make_unique<FakeElevated>(*code);
                            was_declined = declined;
                            error = "The operation was canceled by the user.";
                            return nullptr;
                          });
  }
  std::string FirstLog() const { return ReadFile(local_ / "HalvexUpdate.log"); }

  zip_test::TempDir app_, local_, launcher_dir_;
  launcher_test::RecordingHost host_;
  launcher::Launch launch_;
  std::string started_;
  bool lock_free_ = false;
};

TEST_F(FirstLauncher, StartsTheElevatedRunWithTheFolderLetGoAndRestartsTheApplicationAfterIt) {
  Run(0);
  EXPECT_EQ(started_, "C:\\Launcher\\HalvexUpdate.exe \"" + app_.Engine("App.exe") + "\" \"/elevated\" \"/archive=" +
                          local_.Engine("UPDATE.ZIP") + "\"");
  EXPECT_TRUE(lock_free_) << "the elevated run takes the folder's lock itself";
  EXPECT_EQ(host_.opened, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"});
  EXPECT_EQ(host_.exit_code, launcher::kExitApplied);
  EXPECT_TRUE(host_.errors.empty());
  EXPECT_FALSE(fs::exists(local_ / "UPDATE.ZIP")) << "applied: removed";
  EXPECT_FALSE(fs::exists(local_ / "UPDATE.ZIP.SIG"));
  EXPECT_FALSE(fs::exists(local_ / "UPDATE_RESULT.INF")) << "the elevated run wrote its own";
  EXPECT_NE(FirstLog().find("runs as process 4242"), std::string::npos) << FirstLog();
}

TEST_F(FirstLauncher, ADeclinedPromptIsReportedBesideTheArchiveAndTheApplicationRestarted) {
  Run(std::nullopt);
  EXPECT_EQ(host_.exit_code, launcher::kExitNotStarted);
  EXPECT_EQ(host_.opened, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"});
  EXPECT_EQ(host_.errors, std::vector<std::string>{launcher::AfterElevated(NotEnded(How::kDeclined)).message});
  EXPECT_EQ(ReadFile(local_ / "UPDATE.ZIP"), "the update") << "kept for the next try";
  EXPECT_TRUE(ReadFile(local_ / "UPDATE_RESULT.INF")
                  .starts_with("RESULT=not started\r\nFILES=0\r\nERROR=the administrator rights the update needs were "
                               "not given.\r\n"))
      << ReadFile(local_ / "UPDATE_RESULT.INF");
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "UPDATE_RESULT.INF"));
}

TEST_F(FirstLauncher, ARefusedCopyRenamesTheGivenArchiveAsideAndAnotherLauncherRestartsNothing) {
  WriteFile(app_ / "UPDATE" / "~HALVEX.ARCHIVE" / "UPDATE.ZIP.rejected", "the update");
  Run(2);
  EXPECT_EQ(host_.exit_code, launcher::kExitNotStarted);
  EXPECT_TRUE(host_.errors.empty()) << "the elevated run showed its own box";
  EXPECT_EQ(ReadFile(local_ / "UPDATE.ZIP.rejected"), "the update");
  EXPECT_TRUE(fs::exists(local_ / "UPDATE.ZIP.SIG.rejected"));

  WriteFile(local_ / "UPDATE.ZIP", "another update");  // not the refused one: its size differs
  launcher::FormCreate(host_, {app_.Engine("App.exe"), "/archive=" + local_.Engine("UPDATE.ZIP")}, launch_);
  Run(2);
  EXPECT_EQ(ReadFile(local_ / "UPDATE.ZIP"), "another update") << "kept";

  host_.opened.clear();
  launcher::FormCreate(host_, {app_.Engine("App.exe"), "/archive=" + local_.Engine("UPDATE.ZIP")}, launch_);
  Run(launcher::kExitAlreadyRunning);
  EXPECT_TRUE(host_.opened.empty()) << "the other launcher restarts it";
  EXPECT_EQ(host_.exit_code, launcher::kExitAlreadyRunning);
}

}  // namespace
