// DLLs planted beside the shipped programs: a version.dll and a uxtheme.dll (neither is a
// KnownDLL, so Windows looks for them in the program's folder first) must never be loaded into
// the launcher or a tool. Under Wine, scripts/wine-run tells it to prefer a DLL it finds over its
// own for these two (WINEDLLOVERRIDES=version,uxtheme=n,b), as Windows does. Wine's own user32
// imports version.dll and loads uxtheme.dll as it starts: the programs load user32 only after
// they narrowed the search (cmake/DelayImports.cmake), and these tests fail otherwise.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using zip_test::EntryDef;
using zip_test::WaitFor;
using zip_test::ZipBuilder;

const char* const kPlanted[] = {"version.dll", "uxtheme.dll"};

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class PlantedDlls : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    root_ = fs::path(base) / ("halvex_planted_" + std::to_string(::GetCurrentProcessId()) + "_" +
                              testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    folder_ = root_ / "Launcher";
    app_ = root_ / "App";
    fs::create_directories(folder_);
    fs::create_directories(app_);
    fs::copy_file(HALVEX_STANDIN_EXE, app_ / "App.exe");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  void Plant(std::initializer_list<const char*> dlls) const {
    for (const char* dll : kPlanted) fs::remove(folder_ / dll);
    for (const char* dll : dlls) fs::copy_file(fs::path(HALVEX_PLANTED_DIR) / dll, folder_ / dll);
  }
  // Runs `exe` (copied into the folder with the planted DLLs) with `args`; its exit code, or
  // STILL_ACTIVE when it did not end in time.
  DWORD Run(const fs::path& exe, const std::wstring& args, DWORD ms = 60000) {
    const fs::path copy = folder_ / exe.filename();
    if (!fs::exists(copy)) fs::copy_file(exe, copy);
    std::wstring command = L"\"" + copy.wstring() + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si,
                          &pi)) {
      ADD_FAILURE() << "cannot start " << copy.string();
      return 1;
    }
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
    else ::TerminateProcess(pi.hProcess, 99);
    ::WaitForSingleObject(pi.hProcess, 5000);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    return code;
  }
  // The programs each planted DLL was loaded into, one a line ("" when none).
  std::string Loaded(const char* dll) const { return ReadAll(folder_ / (std::string(dll) + ".loaded")); }
  void ForgetLoads() const {
    for (const char* dll : kPlanted) fs::remove(folder_ / (std::string(dll) + ".loaded"));
  }
  void ExpectNoneLoaded(const std::string& program) const {
    for (const char* dll : kPlanted) EXPECT_EQ(Loaded(dll), "") << "the planted " << dll << " ran inside " << program;
  }

  fs::path root_, folder_, app_;
};

// Without the narrowed search a program takes the planted DLLs, so their absence from the shipped
// programs below means something (under Wine: the override reached the programs started here).
// With it, it does not.
TEST_F(PlantedDlls, AreTakenByAProgramThatDoesNotNarrowTheSearch) {
  Plant({"version.dll", "uxtheme.dll"});
  EXPECT_EQ(Run(HALVEX_CARELESS_EXE, L""), 0u);
  for (const char* dll : kPlanted) EXPECT_NE(Loaded(dll).find("careless.exe"), std::string::npos) << dll;
  ForgetLoads();
  EXPECT_EQ(Run(HALVEX_CARELESS_EXE, L"--restricted"), 0u) << "the system's own DLLs still load";
  ExpectNoneLoaded("careless.exe --restricted");
}

TEST_F(PlantedDlls, NeverRunInsideTheLauncherThroughAWholeUpdate) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8});
  {
    std::ofstream(folder_ / "UPDATE.ZIP", std::ios::binary) << zip.Build();
  }
  Plant({"version.dll", "uxtheme.dll"});
  EXPECT_EQ(Run(HALVEX_LAUNCHER_EXE, L"\"" + (app_ / "App.exe").wstring() + L"\""), 0u);
  EXPECT_EQ(ReadAll(app_ / "readme.txt"), "new read-me");
  EXPECT_TRUE(WaitFor([&] { return ReadAll(app_ / "standin.log") == "UPDATE_RUN\r\n"; }, 10000));
  ExpectNoneLoaded("HalvexUpdate.exe");
}

TEST_F(PlantedDlls, NeverRunInsideTheTools) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "a.txt", .data = "a", .method = 8});
  {
    std::ofstream(folder_ / "UPDATE.ZIP", std::ios::binary) << zip.Build();
  }
  const fs::path skin = fs::path(HALVEX_SOURCE_DIR) / "assets" / "skins" / "packed" / "Office2013_Green.skn";
  struct Case {
    const char* exe;
    std::wstring args;
    DWORD code;
  } cases[] = {
      {HALVEX_UNZIP_EXE, L"-l UPDATE.ZIP", 0},
      {HALVEX_SIGN_EXE, L"verify nothing.inf UPDATE.ZIP", 2},
      {HALVEX_PACK_EXE, L"show UPDATE.ZIP", 2},  // no release manifest in it
      {HALVEX_SKIN_TOOL_EXE, L"preview \"" + skin.wstring() + L"\" preview.png", 0},  // makes a window
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exe);
    Plant({"version.dll", "uxtheme.dll"});
    EXPECT_EQ(Run(c.exe, c.args), c.code);
    ExpectNoneLoaded(fs::path(c.exe).filename().string());
    ForgetLoads();
  }
  EXPECT_TRUE(fs::exists(folder_ / "preview.png"));
}

}  // namespace
