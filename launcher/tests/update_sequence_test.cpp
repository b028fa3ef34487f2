#include "launcher/update_sequence.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include "launcher/extract_update.h"
#include "launcher/texts.h"
#include "platform/exceptions.h"
#include "platform/folder_lock.h"

namespace {

namespace fs = std::filesystem;

// Records every call the sequence makes on the window, in order.
class RecordingHost : public launcher::UpdateHost {
 public:
  std::vector<std::string> calls;
  void SetShowMainForm(bool on) override { calls.push_back(std::string("show=") + (on ? "1" : "0")); }
  void RequestTerminate() override { calls.push_back("terminate"); }
  void SetProductName(const std::string& c) override { calls.push_back("corp=" + c); }
  void SetSkinIndex(int i) override { calls.push_back("skin=" + std::to_string(i)); }
  void SetStatusText(const std::string& c) override { calls.push_back("label=" + c); }
  void SetProgressText(const std::string& t) override { calls.push_back("text=" + t); }
  void SetProgressMax(int v) override { calls.push_back("max=" + std::to_string(v)); }
  void SetProgressValue(int v) override { calls.push_back("value=" + std::to_string(v)); }
  void ShellOpen(const std::string& f, const std::string& p) override { calls.push_back("open " + f + " " + p); }
  void ShowError(const std::string& t) override { calls.push_back("error " + t); }
  void SetExitCode(int code) override { calls.push_back("exit=" + std::to_string(code)); }
};

// A temporary application folder; paths handed to the launcher use '\' as on Windows.
class LauncherSequence : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(testing::TempDir()) / ("halvex_seq_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "_" + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "UPDATE");
    launch_ = launcher::Launch{};
    launcher::SetCurrentLanguage(launcher::Language::kKorean);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  std::string AppExe() const { return ToEngine(root_.string()) + "\\App.exe"; }
  std::string AppDir() const { return ToEngine(root_.string()) + "\\"; }
  static std::string ToEngine(std::string p) {
#ifndef _WIN32
    return p;  // POSIX: '/' stays; the engine-side '\' is mapped back at the system call
#else
    for (char& c : p) if (c == '/') c = '\\';
    return p;
#endif
  }
  void WriteDescription(const std::string& bytes) {
    std::ofstream(root_ / "UPDATE" / "VER_INFO.INF", std::ios::binary) << bytes;
  }
  fs::path root_;
  RecordingHost host_;
  launcher::Launch launch_;
};

TEST_F(LauncherSequence, NoArgumentHidesTheWindowAndTerminates) {
  launcher::FormCreate(host_, {}, launch_);
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"show=0", "terminate"}));
}

TEST_F(LauncherSequence, WithoutDescriptionFileEverythingKeepsItsDefault) {
  launcher::FormCreate(host_, {AppExe(), "ignored"}, launch_);
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"show=0", "show=1", "corp=", "skin=2"}));
  EXPECT_EQ(launch_.request.ExeFileName, AppExe());
  EXPECT_EQ(launch_.request.AppDir, AppDir());
  launcher::UnZipComplete(host_, launch_.request);
  EXPECT_EQ(host_.calls.back(), "terminate");
  EXPECT_EQ(host_.calls[host_.calls.size() - 2], "open " + AppExe() + " UPDATE_RUN");
}

TEST_F(LauncherSequence, DescriptionFileNamesProgramCaptionSkinAndSkips) {
  WriteDescription("exe_filename=New.exe\r\nNAME=Acme Tools\r\nNAME=second\r\nSKININDEX=$A\r\n"
                   "COPY_FILENAME=" + AppDir() + "App.exe\r\nVER_HISTORY=History.txt");
  launcher::FormCreate(host_, {AppExe()}, launch_);
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"show=0", "show=1", "corp=Acme Tools", "skin=10"}));
  EXPECT_EQ(launch_.request.ExeFileName, AppDir() + "New.exe");

  bool skip = false;
  launcher::StartUnZip(host_, launch_.request, AppDir() + "App.exe", skip);
  EXPECT_TRUE(skip);
  EXPECT_EQ(host_.calls.back(), "label=Extract Files.. " + AppDir() + "App.exe");
  skip = false;
  launcher::StartUnZip(host_, launch_.request, AppDir() + "History.txt", skip);  // relative to the application's folder
  EXPECT_TRUE(skip);
  skip = false;
  launcher::StartUnZip(host_, launch_.request, AppDir() + "APP.EXE", skip);  // Windows does not tell the case apart
  EXPECT_TRUE(skip);
  skip = false;
  launcher::StartUnZip(host_, launch_.request, AppDir() + "sub\\App.exe", skip);
  EXPECT_FALSE(skip);
  skip = true;
  launcher::StartUnZip(host_, launch_.request, AppDir() + "Other.dll", skip);  // the engine's value is left alone
  EXPECT_TRUE(skip);
}

// LANGUAGE picks the texts of the whole run; the next run without it is Korean again.
TEST_F(LauncherSequence, LanguageOfTheDescriptionFilePicksTheTexts) {
  const std::pair<const char*, const char*> runs[] = {
      {"LANGUAGE=en\r\n", "Extracting.. - "}, {"NAME=x\r\n", "압축 푸는중.. - "}, {"language=EN\r\n", "Extracting.. - "},
      {"LANGUAGE=ko\r\n", "압축 푸는중.. - "}, {"LANGUAGE=de\r\n", "압축 푸는중.. - "}};
  for (const auto& [description, extracting] : runs) {
    launch_ = launcher::Launch{};
    WriteDescription(description);
    launcher::FormCreate(host_, {AppExe()}, launch_);
    launcher::TotalPercentDone(host_, 5);
    EXPECT_EQ(host_.calls[host_.calls.size() - 3], std::string("text=") + extracting) << description;
  }
  launcher::SetCurrentLanguage(launcher::Language::kKorean);
}

TEST_F(LauncherSequence, EmptyOrMissingProgramNameRestartsTheFirstArgument) {
  // The shell would open the folder itself in Explorer instead of restarting the application.
  for (const char* description : {"EXE_FILENAME=\nSKININDEX=12\n", "NAME=x\nSKININDEX=12\n"}) {
    launch_ = launcher::Launch{};
    WriteDescription(description);
    launcher::FormCreate(host_, {AppExe()}, launch_);
    EXPECT_EQ(launch_.request.ExeFileName, AppExe()) << description;
    EXPECT_TRUE(launch_.request.ExeFromArgument) << description;
    EXPECT_EQ(host_.calls.back(), "skin=12");  // passed on; the skin data ignores it
  }
}

TEST_F(LauncherSequence, NulByteHidesTheLinesAfterIt) {
  WriteDescription(std::string("NAME=before\n\0SKININDEX=7\n", 25));
  launcher::FormCreate(host_, {AppExe()}, launch_);
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"show=0", "show=1", "corp=before", "skin=2"}));
}

TEST_F(LauncherSequence, ArgumentWithoutFolderPartLooksInTheCurrentFolder) {
  launcher::FormCreate(host_, {"App.exe"}, launch_);
  EXPECT_EQ(launch_.request.AppDir, "");
  EXPECT_EQ(launch_.request.ExeFileName, "App.exe");
}

TEST_F(LauncherSequence, VeryLongAndKoreanArgumentsAreTakenAsTheyAre) {
  const std::string korean = AppDir() + "업데이트 프로그램.exe";
  launcher::FormCreate(host_, {korean}, launch_);
  EXPECT_EQ(launch_.request.AppDir, AppDir());
  const std::string long_path = std::string(3990, 'a') + "\\App.exe";
  launcher::FormCreate(host_, {long_path}, launch_);
  EXPECT_EQ(launch_.request.AppDir, std::string(3990, 'a') + "\\");
  EXPECT_EQ(host_.calls.back(), "skin=2");
}

// A description file that nobody can read, root included: a socket in its place here, a file
// held open without sharing on Windows.
TEST_F(LauncherSequence, UnreadableDescriptionFileRaisesAndSkipsTheRest) {
#ifdef _WIN32
  WriteDescription("NAME=x\n");
  const HANDLE lock = ::CreateFileW((root_ / "UPDATE" / "VER_INFO.INF").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
#else
  {
    // Bound by its short name from inside the folder: socket paths are limited to about 100 bytes.
    const fs::path before = fs::current_path();
    fs::current_path(root_ / "UPDATE");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, "VER_INFO.INF");
    const int bound = ::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(sock);
    fs::current_path(before);
    ASSERT_EQ(bound, 0) << std::strerror(errno);
  }
#endif
  EXPECT_THROW(launcher::FormCreate(host_, {AppExe()}, launch_), platform::EFOpenError);
#ifdef _WIN32
  ::CloseHandle(lock);
#endif
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"show=0", "show=1"}));
  EXPECT_EQ(launch_.request.ExeFileName, AppExe());
}

// A second launcher for the same folder (a double click, an application that starts it twice)
// ends at once: no window, nothing read, no second restart. The first one's lock goes with it.
TEST_F(LauncherSequence, ASecondLauncherForTheSameFolderEndsAtOnce) {
  WriteDescription("NAME=Acme\r\n");
  std::unique_ptr<platform::FolderLock> first = platform::TryLockFolder(AppDir());
  ASSERT_NE(first, nullptr);
  launcher::FormCreate(host_, {AppExe()}, launch_);
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"show=0", "exit=5", "terminate"}));
  EXPECT_EQ(launch_.lock, nullptr);
  first.reset();
  host_.calls.clear();
  launcher::FormCreate(host_, {AppExe()}, launch_);
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"show=0", "show=1", "corp=Acme", "skin=2"}));
  EXPECT_NE(launch_.lock, nullptr);
  EXPECT_EQ(platform::TryLockFolder(AppDir()), nullptr) << "held by the running launcher";
  // Another spelling of the same folder is the same lock.
  EXPECT_EQ(platform::TryLockFolder(AppDir() + "."), nullptr);
}

// The window's end of a run: the application first, then the error, then the launcher ends; the
// lock is let go before the application comes back (it may start the next launcher).
TEST_F(LauncherSequence, AnEndedRunRestartsTheApplicationShowsTheErrorAndEnds) {
  struct Case {
    const char* mode;
    launcher::RunOutcome outcome;
    std::vector<std::string> calls;
  };
  const std::string restart = "open " + AppExe() + " UPDATE_RUN";
  launcher::RunOutcome nothing{launcher::UpdateOutcome::kNotStarted, 0, "no archive", true};
  nothing.nothing_to_do = true;
  const Case cases[] = {
      {"", {launcher::UpdateOutcome::kApplied, 3, "", true}, {restart, "exit=0", "terminate"}},
      {"", {launcher::UpdateOutcome::kNotStarted, 0, "refused", true}, {restart, "error refused", "exit=2", "terminate"}},
      {"", {launcher::UpdateOutcome::kRolledBack, 0, "undone", true}, {restart, "error undone", "exit=1", "terminate"}},
      {"", nothing, {restart, "error no archive", "exit=3", "terminate"}},
      // Unattended: the same, without the box.
      {"/passive", {launcher::UpdateOutcome::kRolledBack, 0, "undone", true}, {restart, "exit=1", "terminate"}},
      {"/silent", {launcher::UpdateOutcome::kNotStarted, 0, "refused", true}, {restart, "exit=2", "terminate"}},
      {"/silent", nothing, {restart, "exit=3", "terminate"}},
      {"/silent", {launcher::UpdateOutcome::kApplied, 3, "", true}, {restart, "exit=0", "terminate"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.outcome.message);
    launcher::FormCreate(host_, c.mode[0] ? std::vector<std::string>{AppExe(), c.mode} : std::vector<std::string>{AppExe()},
                         launch_);
    host_.calls.clear();
    launcher::FinishRun(host_, launch_, c.outcome);
    EXPECT_EQ(host_.calls, c.calls);
    EXPECT_NE(platform::TryLockFolder(AppDir()), nullptr) << "let go";
  }
}

// The command line as the pure function reads it: the application's path first, then the options
// in any order.
TEST(CommandLine, ReadsTheModeAndTheArchiveAfterTheApplicationsPath) {
  using launcher::RunMode;
  struct Case {
    std::vector<std::string> arguments;
    RunMode mode;
    std::string archive;
    std::string error;
    std::vector<std::string> ignored;
  };
  const Case cases[] = {
      {{}, RunMode::kNormal, "", "", {}},
      {{"C:\\App\\App.exe"}, RunMode::kNormal, "", "", {}},
      {{"C:\\App\\App.exe", "/silent"}, RunMode::kSilent, "", "", {}},
      {{"C:\\App\\App.exe", "/PASSIVE"}, RunMode::kPassive, "", "", {}},
      // The quieter of the two holds, in either order.
      {{"App.exe", "/passive", "/Silent"}, RunMode::kSilent, "", "", {}},
      {{"App.exe", "/silent", "/passive"}, RunMode::kSilent, "", "", {}},
      {{"App.exe", "/archive=C:\\Users\\u\\AppData\\Local\\Acme\\UPDATE.ZIP", "/silent"}, RunMode::kSilent,
       "C:\\Users\\u\\AppData\\Local\\Acme\\UPDATE.ZIP", "", {}},
      {{"App.exe", "/ARCHIVE=d:\\a b\\u=1.zip"}, RunMode::kNormal, "d:\\a b\\u=1.zip", "", {}},
      // The first argument is the application's even when it looks like an option.
      {{"/silent"}, RunMode::kNormal, "", "", {}},
      {{"App.exe", "/archive="}, RunMode::kNormal, "", "/archive= names no archive", {}},
      {{"App.exe", "/archive=a.zip", "/archive=a.zip"}, RunMode::kNormal, "a.zip",
       "the command line names the archive twice", {}},
      // Not an option of the launcher: passed over, the options around it hold.
      {{"App.exe", "/silentx", "-silent", "/silent", "ignored", "/archive"}, RunMode::kSilent, "", "",
       {"/silentx", "-silent", "ignored", "/archive"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments.back());
    const launcher::CommandLine line = launcher::ParseCommandLine(c.arguments);
    EXPECT_EQ(line.application, c.arguments.empty() ? "" : c.arguments.front());
    EXPECT_EQ(line.mode, c.mode);
    EXPECT_EQ(line.archive, c.archive);
    EXPECT_EQ(line.error, c.error);
    EXPECT_EQ(line.ignored, c.ignored);
  }
}

TEST(TotalPercentDone, WritesTextMaximumAndValueInThisOrder) {
  RecordingHost host;
  launcher::TotalPercentDone(host, 0);
  launcher::TotalPercentDone(host, 57);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"text=압축 푸는중.. - ", "max=100", "value=0",
                                                  "text=압축 푸는중.. - ", "max=100", "value=57"}));
}

// The request from the command line and the description file alone: a table of launches, each
// with the file the reader holds (or none), and what the request must say.
TEST(ReadRequest, TakesTheCommandLineAndTheDescriptionFile) {
  using launcher::RunMode;
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    std::optional<std::string> description;  // at C:\App\UPDATE\VER_INFO.INF
    RunMode mode;
    std::string exe, app_dir, archive, error;
    bool read, exe_from_argument;
    std::string name;  // NAME of the description file
  } cases[] = {
      {"no description file", {"C:\\App\\App.exe"}, std::nullopt, RunMode::kNormal, "C:\\App\\App.exe", "C:\\App\\", "", "",
       false, false, ""},
      {"the description file names the program", {"C:\\App\\App.exe"}, "EXE_FILENAME=bin\\Main.exe\r\nNAME=Acme\r\n",
       RunMode::kNormal, "C:\\App\\bin\\Main.exe", "C:\\App\\", "", "", true, false, "Acme"},
      {"a description file without a program", {"C:\\App\\App.exe"}, "NAME=Acme\r\n", RunMode::kNormal,
       "C:\\App\\App.exe", "C:\\App\\", "", "", true, true, "Acme"},
      {"options", {"C:\\App\\App.exe", "/PASSIVE", "/archive=D:\\u.zip", "/silent"}, std::nullopt, RunMode::kSilent,
       "C:\\App\\App.exe", "C:\\App\\", "D:\\u.zip", "", false, false, ""},
      {"an option given wrongly", {"C:\\App\\App.exe", "/archive="}, "NAME=Acme\r\n", RunMode::kNormal,
       "C:\\App\\App.exe", "C:\\App\\", "", "/archive= names no archive", true, true, "Acme"},
      {"a program without a folder", {"App.exe"}, std::nullopt, RunMode::kNormal, "App.exe", "", "", "", false, false,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> asked;
    const launcher::UpdateRequest r = launcher::ReadRequest(c.arguments, [&](const std::string& path) {
      asked.push_back(path);
      return c.description;
    });
    EXPECT_EQ(asked, std::vector<std::string>{c.app_dir + "UPDATE\\VER_INFO.INF"});
    EXPECT_EQ(r.Mode, c.mode);
    EXPECT_EQ(r.ExeFileName, c.exe);
    EXPECT_EQ(r.FirstArgument, c.arguments.front());
    EXPECT_EQ(r.AppDir, c.app_dir);
    EXPECT_EQ(r.ArchivePath, c.archive);
    EXPECT_EQ(r.CommandLineError, c.error);
    EXPECT_EQ(r.DescriptionRead, c.read);
    EXPECT_EQ(r.ExeFromArgument, c.exe_from_argument);
    EXPECT_EQ(r.VerInfo.Value("NAME"), c.name);
  }
  // Nothing to read for a launch without arguments.
  bool asked = false;
  const launcher::UpdateRequest empty = launcher::ReadRequest({}, [&](const std::string&) {
    asked = true;
    return std::optional<std::string>();
  });
  EXPECT_FALSE(asked);
  EXPECT_TRUE(empty.ExeFileName.empty());
  // What the reader raises reaches the caller.
  EXPECT_THROW(launcher::ReadRequest({"C:\\App\\App.exe"},
                                     [](const std::string& path) -> std::optional<std::string> {
                                       throw platform::EFOpenError("cannot open " + path);
                                     }),
               platform::EFOpenError);
}

}  // namespace
