// One update run as the window drives it, natively: waiting for the application, files held by
// another program, refusals that leave the folder alone, and what the log and result file say.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <cctype>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>

#include "description/text_encoding.h"
#include "launcher/extract_update.h"
#include "launcher/texts.h"
#include "platform/text.h"
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
  std::string Run(const std::vector<std::string>& options = {}) {
    std::vector<std::string> arguments{app_.Engine("App.exe")};
    arguments.insert(arguments.end(), options.begin(), options.end());
    launcher::FormCreate(host_, arguments, launch_);
    zip::TUnZipper unzipper;
    launcher::ConnectUnZipper(unzipper, host_, launch_.request);
    outcome_ = launcher::ExtractUpdate(unzipper, host_, launch_.request, launcher_dir_.Engine() + "\\", env_);
    launcher::FinishRun(host_, launch_, outcome_);
    return outcome_.message;
  }
  std::string Log() { return zip_test::ReadFile(app_ / "UPDATE" / "HalvexUpdate.log"); }
  std::string Result() { return zip_test::ReadFile(app_ / "UPDATE" / "UPDATE_RESULT.INF"); }
  bool Untouched() {
    return zip_test::ReadFile(app_ / "App.exe") == "old program" && zip_test::ReadFile(app_ / "lib.dll") == "old lib" &&
           !fs::exists(app_ / "sub") && !fs::exists(app_ / "UPDATE" / "~HALVEX");
  }

  zip_test::TempDir app_, launcher_dir_;
  RecordingHost host_;
  launcher::Launch launch_;
  FaultOps ops_;
  FakeClock clock_;
  launcher::UpdateEnvironment env_;
  launcher::RunOutcome outcome_;
};

TEST_F(UpdateRunTest, WaitsForTheApplicationToCloseThenApplies) {
  int polls = 0;
  env_.is_running = [&](const std::string& program) {
    EXPECT_EQ(program, app_.Engine("App.exe"));
    return ++polls < 5;
  };
  EXPECT_EQ(Run(), "");
  ASSERT_FALSE(host_.labels.empty());
  EXPECT_EQ(host_.labels.front(), launcher::TextOf(launcher::Text::kWaitingForProgram) + app_.Engine("App.exe"));
  EXPECT_EQ(host_.labels.back(), "Extract Files.. " + app_.Engine("sub\\new.txt")) << "the final path, not the staged one";
  EXPECT_EQ(zip_test::ReadFile(app_ / "App.exe"), "new program");
  EXPECT_NE(Log().find("closed after 750 ms"), std::string::npos) << Log();
  EXPECT_TRUE(Result().starts_with("RESULT=applied\r\nFILES=3\r\nERROR=\r\n")) << Result();
  EXPECT_EQ(host_.opened, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"});
}

// A launcher started once more after the update was applied finds no archive: it does not wait
// for the application the first run started again, nor start a second copy of it; with the
// application closed it is started, so the customer is never left without it.
TEST_F(UpdateRunTest, WithoutAnArchiveNothingIsWaitedForAndARunningApplicationIsNotStartedTwice) {
  fs::remove(launcher_dir_ / "UPDATE.ZIP");
  for (const bool running : {true, false}) {
    SCOPED_TRACE(running ? "the application runs" : "the application is closed");
    launch_ = launcher::Launch{};
    host_ = RecordingHost{};
    clock_.now = 0;
    env_.is_running = [&](const std::string&) { return running; };
    EXPECT_NE(Run(), "");
    EXPECT_EQ(clock_.now, 0u) << "nothing waited for";
    EXPECT_EQ(host_.exit_code, launcher::kExitNothingToDo);
    EXPECT_EQ(host_.opened.size(), running ? 0u : 1u);
    EXPECT_TRUE(Untouched());
  }
}

TEST_F(UpdateRunTest, AnApplicationThatNeverClosesIsWaitedForABoundedTime) {
  env_.is_running = [](const std::string&) { return true; };
  EXPECT_EQ(Run(), "");
  EXPECT_GE(clock_.now, env_.wait_ms);
  EXPECT_LT(clock_.now, env_.wait_ms + 1000);
  EXPECT_NE(Log().find("still runs: going on"), std::string::npos) << Log();
}

TEST_F(UpdateRunTest, ProgramsHoldingTheFilesToBeReplacedAreWaitedFor) {
  std::vector<std::vector<std::string>> asked;
  env_.holders = [&](const std::vector<std::string>& paths) {
    asked.push_back(paths);
    return asked.size() < 3   ? platform::FileHolders{true, {"Scanner.exe", "Scanner.exe"}, ""}
           : asked.size() < 5 ? platform::FileHolders{true, {"Indexer.exe"}, ""}
                              : platform::FileHolders{true, {}, ""};
  };
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(zip_test::ReadFile(app_ / "lib.dll"), "new lib");
  ASSERT_EQ(asked.size(), 5u);
  // The files the update replaces, programs first; not the new one.
  EXPECT_EQ(asked[0], (std::vector<std::string>{app_.Engine("App.exe"), app_.Engine("lib.dll")}));
  EXPECT_EQ(clock_.now, 2000u);
  ASSERT_GE(host_.labels.size(), 2u);
  EXPECT_EQ(host_.labels[0], launcher::TextOf(launcher::Text::kWaitingForHolders) + std::string("Scanner.exe"));
  EXPECT_EQ(host_.labels[1], launcher::TextOf(launcher::Text::kWaitingForHolders) + std::string("Indexer.exe"));
  const std::string log = Log();
  EXPECT_NE(log.find("Scanner.exe holds files the update replaces (2 watched) open: waiting up to 30 s"),
            std::string::npos) << log;
  EXPECT_NE(log.find("now Indexer.exe holds"), std::string::npos) << log;
  EXPECT_NE(log.find("were let go after 2000 ms"), std::string::npos) << log;
  EXPECT_LT(log.find("let go"), log.find("staging in")) << "before anything is written";
}

TEST_F(UpdateRunTest, HoldersAreWaitedForOnlyWhatIsLeftOfTheWaitTime) {
  env_.is_running = [&](const std::string&) { return clock_.now < 10000; };
  env_.holders = [&](const std::vector<std::string>&) { return platform::FileHolders{true, {"Scanner.exe"}, ""}; };
  EXPECT_EQ(Run(), "") << "a file still held is tried again when it is moved";
  EXPECT_GE(clock_.now, env_.wait_ms);
  EXPECT_LT(clock_.now, env_.wait_ms + 1000);
  EXPECT_NE(Log().find("waiting up to 20 s"), std::string::npos) << Log();
  EXPECT_NE(Log().find("Scanner.exe still holds files the update replaces (2 watched): going on"), std::string::npos)
      << Log();
}

TEST_F(UpdateRunTest, WhenTheSystemCannotTellWhoHoldsTheFilesTheUpdateGoesOn) {
  env_.holders = [&](const std::vector<std::string>&) { return platform::FileHolders{false, {}, "no way to ask"}; };
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(clock_.now, 0u);
  EXPECT_NE(Log().find("which programs hold files the update replaces (2 watched) cannot be told (no way to ask): "
                       "not waited for"),
            std::string::npos) << Log();
}

TEST_F(UpdateRunTest, AtMostABoundedNumberOfFilesIsWatchedProgramsFirst) {
  ZipBuilder zip;
  for (int i = 0; i < 100; ++i) {
    const std::string name = "data/f" + std::to_string(i) + ".txt";
    zip_test::WriteFile(app_ / name, "old");
    zip.Add(EntryDef{.name = name, .data = "new"});
  }
  zip.Add(EntryDef{.name = "sub/plugin.dll", .data = "new plugin"});  // new: nothing holds it yet
  zip.Add(EntryDef{.name = "lib.dll", .data = "new lib"});
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", zip.Build());
  std::vector<std::string> asked;
  env_.holders = [&](const std::vector<std::string>& paths) {
    asked = paths;
    return platform::FileHolders{true, {}, ""};
  };
  EXPECT_EQ(Run(), "");
  ASSERT_EQ(asked.size(), launcher::kMaxWatchedFiles);
  EXPECT_EQ(asked[0], app_.Engine("lib.dll"));
  EXPECT_EQ(asked[1], app_.Engine("data\\f0.txt"));
  EXPECT_NE(Log().find("no other program holds files the update replaces (64 watched) open"), std::string::npos);
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
  EXPECT_EQ(error, launcher::TextOf(launcher::Text::kNotApplied) + ("\"" + app_.Engine("lib.dll") + "\" could not be replaced: in use "
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
  EXPECT_EQ(error, launcher::TextOf(launcher::Text::kNotApplied) + ("\"" + app_.Engine("sub\\new.txt") +
                                                "\" is a folder, where the update has a file"));
  EXPECT_EQ(ops_.count, 0) << "nothing was written";
  EXPECT_TRUE(Result().starts_with("RESULT=not started\r\n")) << Result();
  EXPECT_EQ(host_.opened.size(), 1u);
}

// An archive with an entry the engine cannot decode (here PPMd, as 7-Zip writes with -mm=PPMd) is
// refused before anything is staged: no box from the engine in the middle of the update, the
// application restarted, the archive renamed aside so that it is not started on again.
TEST_F(UpdateRunTest, AnEntryTheEngineCannotDecodeIsRefusedBeforeAnythingIsWritten) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.exe", .data = "new program"});
  zip.Add(EntryDef{.name = "lib/big.txt", .data = std::string(100000, 'b'), .method = 98});
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", zip.Build());
  const std::string cause = "the archive's entry \"lib\\big.txt\" is compressed with method 98 (PPMd), which the "
                            "launcher cannot decode";
  EXPECT_EQ(Run(), launcher::TextOf(launcher::Text::kNotApplied) + cause);
  EXPECT_EQ(outcome_.outcome, launcher::UpdateOutcome::kNotStarted);
  EXPECT_TRUE(Untouched());
  EXPECT_EQ(ops_.count, 1) << "nothing written; the archive renamed aside";
  EXPECT_TRUE(Result().starts_with("RESULT=not started\r\nFILES=0\r\nERROR=" + cause + "\r\n")) << Result();
  EXPECT_NE(Log().find("refused: " + cause), std::string::npos) << Log();
  EXPECT_EQ(host_.errors, std::vector<std::string>{launcher::TextOf(launcher::Text::kNotApplied) + cause}) << "the one box, at the end";
  EXPECT_EQ(host_.opened.size(), 1u);
  EXPECT_EQ(host_.terminates, 1);
  EXPECT_FALSE(fs::exists(launcher_dir_ / "UPDATE.ZIP"));
  EXPECT_TRUE(fs::exists(launcher_dir_ / "UPDATE.ZIP.rejected"));
}

// A folder or a file this user may not change: found before anything is written, and never
// waited for as if a program held it. The archive stays for a try with the rights it needs.
TEST_F(UpdateRunTest, WhatThisUserMayNotChangeIsRefusedAndNeverRetried) {
  struct Case {
    const char* name;
    std::function<bool(const std::string&)> denied;
    std::string error;
    launcher::UpdateOutcome outcome;
  };
  const std::string app_exe = app_.Engine("App.exe");
  const Case cases[] = {
      {"the application's folder", [&](const std::string& p) { return p == app_.Engine(); },
       "the folder \"" + app_.Engine() + "\" cannot be written to: access denied (injected)",
       launcher::UpdateOutcome::kNotStarted},
      {"a file it replaces", [&](const std::string& p) { return p == app_exe; },
       "\"" + app_exe + "\" cannot be replaced: access denied (injected)", launcher::UpdateOutcome::kNotStarted},
      // Refused only once the moves have begun (its rights changed since the check): undone at once.
      {"a file refused during the moves", [&](const std::string& p) { return p == app_exe && ops_.count > 0; },
       "\"" + app_exe + "\" could not be replaced: access denied (injected)", launcher::UpdateOutcome::kRolledBack},
  };
  const std::string archive = zip_test::ReadFile(launcher_dir_ / "UPDATE.ZIP");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ops_.count = 0;
    clock_.now = 0;
    ops_.denied = c.denied;
    host_.opened.clear();
    const std::string error = Run();
    EXPECT_EQ(error, launcher::TextOf(launcher::Text::kNotApplied) + c.error);
    EXPECT_EQ(outcome_.outcome, c.outcome);
    EXPECT_TRUE(Untouched());
    if (c.outcome == launcher::UpdateOutcome::kNotStarted) {
      EXPECT_EQ(ops_.count, 0) << "nothing was written";
    }
    EXPECT_EQ(clock_.now, 0u) << "not waited for";
    EXPECT_EQ(Log().find("trying again"), std::string::npos) << Log();
    EXPECT_EQ(host_.opened.size(), 1u);
    EXPECT_EQ(zip_test::ReadFile(launcher_dir_ / "UPDATE.ZIP"), archive) << "kept for the next try";
  }
}

// The last part of a split archive: refused before anything is written, and renamed aside (it
// used to be staged until the first entry of another part, rolled back and kept, on every start).
TEST_F(UpdateRunTest, TheLastPartOfASplitArchiveIsRefused) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.exe", .data = "new program"});
  std::string bytes = zip.Build();
  bytes.replace(bytes.size() - 22 + 4, 2, std::string("\x02\x00", 2));  // the end record's own disk: the third
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", bytes);
  const std::string error = Run();
  EXPECT_EQ(error, launcher::TextOf(launcher::Text::kNotApplied) + ("\"" + launcher_dir_.Engine("UPDATE.ZIP") +
                                                "\" is the last part of an archive split into 3 parts; the launcher "
                                                "takes the archive whole"));
  EXPECT_EQ(outcome_.outcome, launcher::UpdateOutcome::kNotStarted);
  EXPECT_TRUE(Untouched());
  EXPECT_TRUE(fs::exists(launcher_dir_ / "UPDATE.ZIP.rejected"));
}

TEST_F(UpdateRunTest, ADamagedLastEntryRollsBack) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.exe", .data = "new program"});
  zip.Add(EntryDef{.name = "lib.dll", .data = "new lib", .crc = 1234});
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", zip.Build());
  const std::string error = Run();
  EXPECT_TRUE(Untouched());
  EXPECT_EQ(error, launcher::TextOf(launcher::Text::kNotApplied) + std::string("the archive's entry \"lib.dll\" is damaged (its CRC does not match)"));
}

#ifndef _WIN32
// A disk that fills while the update is staged: nothing of it reaches the application's folder,
// and the error names the file where it was to go, not where it was staged.
TEST_F(UpdateRunTest, ADiskThatFillsWhileStagingRollsBackAndNamesTheFile) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.exe", .data = "new program"});
  zip.Add(EntryDef{.name = "lib.dll", .data = std::string(1 << 20, 'L'), .method = 8});
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", zip.Build());
  std::string error;
  {
    zip_test::FileSizeLimit limit(256 << 10);  // writes past it fail as on a full disk
    error = Run();
  }
  EXPECT_TRUE(Untouched());
  EXPECT_EQ(error, launcher::TextOf(launcher::Text::kNotApplied) + ("\"" + app_.Engine("lib.dll") + "\" could not be written: ") +
                       std::strerror(EFBIG))
      << error;
  EXPECT_TRUE(Result().starts_with("RESULT=rolled back\r\n")) << Result();
}
#endif

// The result file is read back by the application as it reads its description file: in that
// file's encoding, and never with a character turned into '?' (the archive here lies in a Korean
// folder).
TEST_F(UpdateRunTest, TheResultFileKeepsEveryCharacterInTheDescriptionFilesEncoding) {
  using description::TextEncoding;
  const std::string note = "\xEB\x85\xB8\xED\x8A\xB8";  // 노트
  struct Case {
    const char* what;
    unsigned ansi;                      // the system's ANSI code page
    std::optional<std::string> description;
    TextEncoding written;
  } cases[] = {
      {"no description file", 1252, std::nullopt, TextEncoding::kUtf8Bom},
      {"no description file, korean system", 949, std::nullopt, TextEncoding::kAnsi},
      {"ascii", 1252, "NAME=App\r\n", TextEncoding::kUtf8Bom},
      {"ascii, korean system", 949, "NAME=App\r\n", TextEncoding::kAnsi},
      {"korean ansi", 949, "NAME=\xB3\xEB\xC6\xAE\r\n", TextEncoding::kAnsi},
      {"utf-8", 1252, "NAME=" + note + "\r\n", TextEncoding::kUtf8},
      {"utf-8 with bom", 1252, "\xEF\xBB\xBFNAME=App\r\n", TextEncoding::kUtf8Bom},
      {"utf-16le", 949, std::string("\xFF\xFEN\0=\0x\0", 8), TextEncoding::kUtf16Le},
      {"utf-16be", 1252, std::string("\xFE\xFF\0N\0=\0x", 8), TextEncoding::kUtf16Be},
  };
  // 노트 앱 (시험), made from UTF-8 (a narrow path would be taken as ANSI on Windows)
  const std::u8string korean = u8"\uB178\uD2B8 \uC571 (\uC2DC\uD5D8)";
  const std::string folder(korean.begin(), korean.end());
  fs::create_directories(launcher_dir_.Path() / korean);
  const std::string archive = launcher_dir_.Engine() + "\\" + folder + "\\UPDATE.ZIP";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::OverrideCodePages(c.ansi == 949 ? 949 : 437, c.ansi);
    launch_ = launcher::Launch{};
    fs::remove(app_ / "UPDATE" / "VER_INFO.INF");
    if (c.description) zip_test::WriteFile(app_ / "UPDATE" / "VER_INFO.INF", *c.description);
    // An applied archive is removed: each run gets its own copy.
    fs::copy_file(launcher_dir_ / "UPDATE.ZIP", launcher_dir_.Path() / korean / "UPDATE.ZIP",
                  fs::copy_options::overwrite_existing);
    launcher::FormCreate(host_, {app_.Engine("App.exe")}, launch_);
    zip::TUnZipper unzipper;
    launcher::ConnectUnZipper(unzipper, host_, launch_.request);
    const launcher::RunOutcome outcome = launcher::ExtractUpdate(
        unzipper, host_, launch_.request, launcher_dir_.Engine() + "\\" + folder + "\\", env_);
    launcher::FinishRun(host_, launch_, outcome);
    const description::DecodedText result = description::DecodeText(Result());
    platform::OverrideCodePages(0, 0);
    EXPECT_EQ(result.encoding, c.written);
    EXPECT_TRUE(result.text.starts_with("RESULT=applied\r\n")) << result.text;
    EXPECT_TRUE(result.text.ends_with("\r\nARCHIVE=" + archive + "\r\n")) << result.text;
  }
}

// COPY_FILENAME keeps the user's file however its path is written, as long as it names that file
// on Windows; the other files are updated.
TEST_F(UpdateRunTest, TheUserFileNamedToBeKeptIsKeptHoweverItsPathIsWritten) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.exe", .data = "new program"});
  zip.Add(EntryDef{.name = "cfg/config.ini", .data = "shipped defaults"});
  const std::string archive = zip.Build();
  std::string upper = app_.Engine();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& value : {app_.Engine("cfg\\config.ini"), upper + "\\CFG\\CONFIG.INI",
                                   app_.Engine("cfg/./other/../config.ini"), std::string("cfg\\Config.ini"),
                                   std::string("cfg/config.ini. ")}) {
    SCOPED_TRACE(value);
    launch_ = launcher::Launch{};
    zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", archive);  // an applied archive is removed
    zip_test::WriteFile(app_ / "cfg" / "config.ini", "the user's settings");
    zip_test::WriteFile(app_ / "App.exe", "old program");
    zip_test::WriteFile(app_ / "UPDATE" / "VER_INFO.INF", "VER_HISTORY=" + value + "\r\n");
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(zip_test::ReadFile(app_ / "cfg" / "config.ini"), "the user's settings");
    EXPECT_EQ(zip_test::ReadFile(app_ / "App.exe"), "new program");
    EXPECT_TRUE(Result().starts_with("RESULT=applied\r\nFILES=1\r\n")) << Result();
  }
}

TEST_F(UpdateRunTest, TheLogIsRotatedAtOneMebibyte) {
  zip_test::WriteFile(app_ / "UPDATE" / "HalvexUpdate.log", std::string(launcher::kLogRotateSize, 'x'));
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(fs::file_size(app_ / "UPDATE" / "HalvexUpdate.log.1"), launcher::kLogRotateSize);
  const std::string log = Log();
  EXPECT_LT(log.size(), 4000u);
  // One line per step, each beginning with its UTC time to the millisecond.
  EXPECT_TRUE(std::regex_search(log, std::regex(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} UTC  )"))) << log;
  EXPECT_NE(log.find(" UTC  ---- update of \"" + app_.Engine() + "\\\""), std::string::npos) << log;
}

// A folder is swapped whole with its staged copy only when nothing in it would be lost or changed
// that moving its files one by one would keep; a folder something holds is moved file by file.
TEST_F(UpdateRunTest, AFolderIsReplacedWholeOnlyWhenTheUpdateReplacesAllOfIt) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> old_files;  // beside lib/a.dll and lib/x/c.dll
    bool held;          // moving lib aside is refused, as when a program holds a file in it
    unsigned lib_mode;  // permission bits of the old lib folder
    bool lib_whole, x_whole;  // which folders are replaced whole (x inside lib, when lib is not)
    bool posix_only = false;  // names that differ in case only, and permission bits, are POSIX's
  };
  const Case cases[] = {
      {"every file replaced", {}, false, 0755, true, false},
      {"a file the update does not have", {{"lib/user.ini", "mine"}}, false, 0755, false, true},
      {"the same name in another case: another file here", {{"lib/A.DLL", "mine"}}, false, 0755, false, true,
       true},
      {"a folder the update does not have", {{"lib/x/cache/f", "mine"}}, false, 0755, false, false},
      {"other permissions", {}, false, 0700, false, true, true},
      {"held", {}, true, 0755, false, false},
  };
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "lib/a.dll", .data = "new a"});
  zip.Add(EntryDef{.name = "lib/x/c.dll", .data = "new c"});
  zip.Add(EntryDef{.name = "lib/y/d.dll", .data = "new d"});  // a folder the old version lacks
  const std::string archive = zip.Build();
  for (const Case& c : cases) {
    zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", archive);  // an applied one is removed
#ifdef _WIN32
    if (c.posix_only) continue;
#endif
    SCOPED_TRACE(c.name);
    fs::remove_all(app_ / "lib");
    fs::remove_all(app_ / "UPDATE");
    fs::create_directories(app_ / "UPDATE");
    zip_test::WriteFile(app_ / "lib" / "a.dll", "old a");
    zip_test::WriteFile(app_ / "lib" / "x" / "c.dll", "old c");
    for (const auto& [name, bytes] : c.old_files) {
      fs::create_directories((app_ / name).parent_path());
      zip_test::WriteFile(app_ / name, bytes);
    }
    fs::permissions(app_ / "lib", static_cast<fs::perms>(c.lib_mode));
    std::vector<std::string> aside;  // the folders moved aside whole
    ops_.busy = [&](const std::string& from, const std::string& to) {
      if (to.find("\\FOLDERS\\") == std::string::npos) return false;
      if (c.held && from == app_.Engine("lib")) return true;
      aside.push_back(from);
      return false;
    };
    EXPECT_EQ(Run(), "");
    std::vector<std::string> want;
    if (c.lib_whole) want.push_back(app_.Engine("lib"));
    if (c.x_whole) want.push_back(app_.Engine("lib\\x"));
    EXPECT_EQ(aside, want);
    if (c.held)
      EXPECT_NE(Log().find("cannot be replaced whole (in use (injected)): its files are moved one by one"),
                std::string::npos) << Log();
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"lib/a.dll", "new a"}, {"lib/x/c.dll", "new c"}, {"lib/y/d.dll", "new d"}})
      EXPECT_EQ(zip_test::ReadFile(app_ / name), bytes) << name;
    for (const auto& [name, bytes] : c.old_files) EXPECT_EQ(zip_test::ReadFile(app_ / name), bytes) << name << " kept";
#ifndef _WIN32
    EXPECT_EQ(static_cast<unsigned>(fs::status(app_ / "lib").permissions()) & 0777, c.lib_mode);
#endif
    EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
  }
}

// Unattended runs: how much is shown and the exit code a script reads, for each way a run ends.
// The application comes back in every mode; the result file is written as always.
TEST_F(UpdateRunTest, EachModeEndsWithItsExitCodeAndOnlyTheNormalOneShowsABox) {
  ZipBuilder damaged;  // fails while it is staged: undone
  damaged.Add(EntryDef{.name = "App.exe", .data = "new program"});
  damaged.Add(EntryDef{.name = "lib.dll", .data = std::string(5000, 'b'), .method = 8,
                       .compressed = std::string("\xff\xff\xff\xff\xff\xff\xff\xff", 8)});
  const std::string good = zip_test::ReadFile(launcher_dir_ / "UPDATE.ZIP");
  struct Case {
    const char* mode;   // the option, "" for none
    std::string archive;  // UPDATE.ZIP's bytes; empty: there is none
    int exit_code;
    const char* result;
  };
  const Case cases[] = {
      {"", good, launcher::kExitApplied, "RESULT=applied"},
      {"/silent", good, launcher::kExitApplied, "RESULT=applied"},
      {"/PASSIVE", good, launcher::kExitApplied, "RESULT=applied"},
      {"", damaged.Build(), launcher::kExitRolledBack, "RESULT=rolled back"},
      {"/passive", damaged.Build(), launcher::kExitRolledBack, "RESULT=rolled back"},
      {"", "no archive at all", launcher::kExitNotStarted, "RESULT=not started"},
      {"/Silent", "no archive at all", launcher::kExitNotStarted, "RESULT=not started"},
      {"", "", launcher::kExitNothingToDo, "RESULT=not started"},
      {"/silent", "", launcher::kExitNothingToDo, "RESULT=not started"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + ", " + c.result + (c.archive.empty() ? ", no archive" : ""));
    fs::remove_all(app_ / "UPDATE");
    fs::create_directories(app_ / "UPDATE");
    zip_test::WriteFile(app_ / "App.exe", "old program");
    zip_test::WriteFile(app_ / "lib.dll", "old lib");
    fs::remove_all(app_ / "sub");
    fs::remove(launcher_dir_ / "UPDATE.ZIP.rejected");
    fs::remove(launcher_dir_ / "UPDATE.ZIP");
    if (!c.archive.empty()) zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", c.archive);
    host_ = RecordingHost{};
    const std::string error = Run(c.mode[0] ? std::vector<std::string>{c.mode} : std::vector<std::string>{});
    EXPECT_EQ(host_.exit_code, c.exit_code);
    EXPECT_EQ(launcher::ExitCodeOf(outcome_), c.exit_code);
    EXPECT_TRUE(Result().starts_with(c.result)) << Result();
    EXPECT_EQ(error.empty(), c.exit_code == launcher::kExitApplied) << error;
    EXPECT_EQ(host_.errors, c.mode[0] || error.empty() ? std::vector<std::string>{} : std::vector<std::string>{error});
    EXPECT_EQ(host_.shown, std::string(c.mode) != "/silent" && std::string(c.mode) != "/Silent");
    EXPECT_EQ(host_.opened, std::vector<std::string>{app_.Engine("App.exe") + " UPDATE_RUN"});
    EXPECT_EQ(host_.terminates, 1);
  }
}

// An option given wrongly touches nothing, not even an interrupted run's work folder, and keeps
// the archive; a silent run stays silent. An argument that is no option is logged and ignored.
TEST_F(UpdateRunTest, AnArchiveOptionGivenWronglyRefusesTheRunBeforeAnythingIsTouched) {
  const std::string cause = "/archive= names no archive";
  EXPECT_EQ(Run({"/archive="}), launcher::TextOf(launcher::Text::kNotApplied) + cause);
  EXPECT_EQ(host_.exit_code, launcher::kExitNotStarted);
  EXPECT_EQ(ops_.count, 0);
  EXPECT_TRUE(Untouched());
  EXPECT_TRUE(fs::exists(launcher_dir_ / "UPDATE.ZIP"));
  EXPECT_TRUE(Result().starts_with("RESULT=not started\r\nFILES=0\r\nERROR=" + cause + "\r\n")) << Result();
  EXPECT_EQ(host_.errors.size(), 1u);
  host_ = RecordingHost{};
  Run({"/archive=a.zip", "/slient", "/silent", "/archive=b.zip"});
  EXPECT_EQ(host_.exit_code, launcher::kExitNotStarted);
  EXPECT_TRUE(host_.errors.empty());
  EXPECT_FALSE(host_.shown);
  EXPECT_TRUE(Untouched());
  EXPECT_NE(Log().find("the command line's \"/slient\" is no option of the launcher: ignored"), std::string::npos)
      << Log();
  EXPECT_NE(Log().find("refused: the command line names the archive twice"), std::string::npos) << Log();
}

// An archive named on the command line (a per-machine install whose folder the application cannot
// write keeps it in the user's own folders): applied from there and removed with its signature
// file; one refused for what it is is renamed aside where it is. UPDATE.ZIP beside the launcher
// is not looked at.
TEST_F(UpdateRunTest, AnArchiveGivenByPathIsAppliedFromThere) {
  zip_test::TempDir elsewhere;
  fs::rename(launcher_dir_ / "UPDATE.ZIP", elsewhere / "Acme update.zip");
  zip_test::WriteFile(launcher_dir_ / "UPDATE.ZIP", "not this one");
  zip_test::WriteFile(elsewhere / "Acme update.zip.SIG", "its signature file");
  const std::string archive = elsewhere.Engine("Acme update.zip");
  EXPECT_EQ(Run({"/archive=" + archive}), "");
  EXPECT_EQ(host_.exit_code, launcher::kExitApplied);
  EXPECT_EQ(zip_test::ReadFile(app_ / "sub" / "new.txt"), "new");
  EXPECT_FALSE(fs::exists(elsewhere / "Acme update.zip"));
  EXPECT_FALSE(fs::exists(elsewhere / "Acme update.zip.SIG"));
  EXPECT_EQ(zip_test::ReadFile(launcher_dir_ / "UPDATE.ZIP"), "not this one");
  EXPECT_NE(Result().find("ARCHIVE=" + archive + "\r\n"), std::string::npos) << Result();

  zip_test::WriteFile(elsewhere / "Acme update.zip", "no archive at all");
  zip_test::WriteFile(elsewhere / "Acme update.zip.SIG", "its signature file");
  host_ = RecordingHost{};
  EXPECT_NE(Run({"/silent", "/ARCHIVE=" + archive}), "");
  EXPECT_EQ(host_.exit_code, launcher::kExitNotStarted);
  EXPECT_TRUE(fs::exists(elsewhere / "Acme update.zip.rejected"));
  EXPECT_TRUE(fs::exists(elsewhere / "Acme update.zip.SIG.rejected"));
  EXPECT_EQ(zip_test::ReadFile(launcher_dir_ / "UPDATE.ZIP"), "not this one");

  host_ = RecordingHost{};
  Run({"/archive=" + elsewhere.Engine("missing.zip")});
  EXPECT_EQ(host_.exit_code, launcher::kExitNothingToDo);
}

}  // namespace
