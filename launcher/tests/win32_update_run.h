// The end-to-end tests' common ground under Windows (Wine here): an application folder with the
// stand-in program, the launcher started as the companion application starts it, its boxes,
// windows, exit code, log and result file.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/text.h"
#include "test_support.h"

namespace e2e_test {

namespace fs = std::filesystem;
using platform::Narrow;
using platform::Widen;
using zip_test::WaitFor;

inline std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

struct Box {
  HWND hwnd = nullptr;
  std::string text;
};

// A message box (dialog class) of the given process, with its text.
inline Box FindBox(DWORD pid) {
  Box box;
  struct Ctx {
    DWORD pid;
    Box* box;
  } ctx{pid, &box};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        wchar_t cls[32] = {};
        ::GetClassNameW(hwnd, cls, 32);
        if (owner != c->pid || std::wstring(cls) != L"#32770" || !::IsWindowVisible(hwnd)) return TRUE;
        c->box->hwnd = hwnd;
        ::EnumChildWindows(
            hwnd,
            [](HWND child, LPARAM lp2) -> BOOL {
              wchar_t text[1024] = {};
              ::GetWindowTextW(child, text, 1024);
              wchar_t cls2[32] = {};
              ::GetClassNameW(child, cls2, 32);
              if (std::wstring(cls2) == L"Static" && text[0]) reinterpret_cast<Box*>(lp2)->text = Narrow(text);
              return TRUE;
            },
            reinterpret_cast<LPARAM>(c->box));
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return box;
}

// The launcher's window, of the process `pid` or (0) of any.
inline HWND FindLauncherWindow(DWORD pid) {
  struct Ctx {
    DWORD pid;
    HWND found;
  } ctx{pid, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        wchar_t title[64] = {};
        ::GetWindowTextW(hwnd, title, 64);
        if ((c->pid == 0 || owner == c->pid) && ::IsWindowVisible(hwnd) &&
            std::wstring(title) == L"Halvex Update (Ver 0303.03)") {
          c->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

class UpdateRun : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    // A parameterised test's name holds a '/', which would be a folder of its own.
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    root_ = fs::path(base) / ("halvex_e2e_" + std::to_string(::GetCurrentProcessId()) + "_" + name);
    fs::remove_all(root_);
    app_ = root_ / (korean_folder_ ? L"노트 포지 앱 (시험)" : L"App Folder");
    launcher_ = root_ / "Launcher";
    fs::create_directories(app_);
    fs::create_directories(launcher_);
    fs::copy_file(HALVEX_STANDIN_EXE, app_ / "App.exe");
    fs::copy_file(HALVEX_LAUNCHER_EXE, launcher_ / "HalvexUpdate.exe");
  }
  void TearDown() override {
    if (pi_.hProcess) {
      ::TerminateProcess(pi_.hProcess, 99);
      ::WaitForSingleObject(pi_.hProcess, 5000);
      ::CloseHandle(pi_.hProcess);
      ::CloseHandle(pi_.hThread);
    }
    for (auto& e : fs::recursive_directory_iterator(root_, fs::directory_options::skip_permission_denied))
      ::SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  std::string AppPath(const std::string& rel = "") const { return Narrow((app_ / rel).wstring()); }
  // Whether the update has extracted `rel` (a path with '/'): into the staging area, or already
  // into place (a new folder arrives whole when the update is committed).
  bool Extracted(const std::string& rel) const {
    return fs::exists(app_ / "UPDATE" / "~HALVEX" / "STAGE" / rel) || fs::exists(app_ / rel);
  }
  // Starts the launcher in launcher_ as the companion application does, with the application's
  // path as `argument` (its own by default) and `options` after it. A `locale` (a Linux one, such as "ko_KR.UTF-8") is
  // what Wine makes the process's code pages of: 949 for Korean, as on a Korean Windows. A process
  // started from Wine inherits its parent's Unix environment whatever Windows environment it is
  // given, so the launcher is started through env(1) then, which Wine runs as a Unix program; the
  // launcher is then the process of the window that appears.
  void StartLauncher(const std::wstring& argument = {}, const std::string& locale = {},
                     const std::wstring& options = {}) {
    std::wstring command = L"\"" + (launcher_ / "HalvexUpdate.exe").wstring() + L"\" \"" +
                           (argument.empty() ? (app_ / "App.exe").wstring() : argument) + L"\"";
    if (!options.empty()) command += L" " + options;
    if (!locale.empty()) {
      command = L"/usr/bin/env LC_ALL=" + Widen(locale) + L" LANG=" + Widen(locale) + L" wine " + command;
    }
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_));
    if (locale.empty()) return;
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindLauncherWindow(0)) != nullptr; }, 30000)) << "no window";
    ::CloseHandle(pi_.hProcess);
    ::CloseHandle(pi_.hThread);
    pi_ = {};
    ::GetWindowThreadProcessId(window, &pi_.dwProcessId);
    pi_.hProcess = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                                 pi_.dwProcessId);
    ASSERT_NE(pi_.hProcess, nullptr);
  }
  // Closes the handles of a launcher that has ended, for the next start.
  void Forget() {
    ::CloseHandle(pi_.hProcess);
    ::CloseHandle(pi_.hThread);
    pi_ = {};
  }
  bool Exited(DWORD ms) { return ::WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }
  void ForgetProcess() {
    ::CloseHandle(pi_.hProcess);
    ::CloseHandle(pi_.hThread);
    pi_ = {};
  }
  std::string RestartLog() const { return fs::exists(app_ / "standin.log") ? ReadAll(app_ / "standin.log") : ""; }
  std::string Log() const { return ReadAll(app_ / "UPDATE" / "HalvexUpdate.log"); }
  std::string Result() const { return ReadAll(app_ / "UPDATE" / "UPDATE_RESULT.INF"); }

  bool korean_folder_ = false;
  fs::path root_, app_, launcher_;
  PROCESS_INFORMATION pi_ = {};
};

// A file held open, by default without sharing; with FILE_FLAG_BACKUP_SEMANTICS a folder.
class Held {
 public:
  explicit Held(const fs::path& p, DWORD share = 0, DWORD flags = FILE_ATTRIBUTE_NORMAL)
      : h_(::CreateFileW(p.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr)) {}
  ~Held() { Release(); }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  void Release() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

}  // namespace e2e_test
