// The launcher on Windows (run under Wine here): the program as the companion application starts
// it, the restart through the real shell, and the default exception handler.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "../win32/main_form.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using platform::Narrow;
using platform::Widen;
using zip_test::WaitFor;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    path_ = fs::path(base) / ("halvex_" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(counter_++));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  std::string str() const { return Narrow(path_.wstring()); }

 private:
  static inline int counter_ = 0;
  fs::path path_;
};

struct Process {
  PROCESS_INFORMATION pi = {};
  ~Process() {
    if (pi.hProcess) {
      ::TerminateProcess(pi.hProcess, 99);
      ::WaitForSingleObject(pi.hProcess, 5000);
      ::CloseHandle(pi.hProcess);
      ::CloseHandle(pi.hThread);
    }
  }
  bool Start(const std::wstring& exe, const std::wstring& args) {
    std::wstring command = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    return ::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  }
  DWORD Wait(DWORD ms) {
    if (::WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
};

HWND FindWindowOf(DWORD pid, const std::wstring& title) {
  struct Search {
    DWORD pid;
    const std::wstring* title;
    HWND found;
  } search{pid, &title, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        wchar_t text[256] = {};
        ::GetWindowTextW(hwnd, text, 256);
        if (owner == s->pid && *s->title == text && ::IsWindowVisible(hwnd)) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<std::string> ChildTexts(HWND parent) {
  std::vector<std::string> texts;
  ::EnumChildWindows(
      parent,
      [](HWND hwnd, LPARAM lp) -> BOOL {
        wchar_t text[512] = {};
        ::GetWindowTextW(hwnd, text, 512);
        reinterpret_cast<std::vector<std::string>*>(lp)->push_back(Narrow(text));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

TEST(LauncherProgram, WithoutArgumentExitsAtOnceWithCodeZero) {
  Process p;
  ASSERT_TRUE(p.Start(Widen(HALVEX_LAUNCHER_EXE), L""));
  EXPECT_EQ(p.Wait(15000), 0u);
}

TEST(LauncherProgram, WithTheApplicationsPathShowsTheDesignedWindow) {
  TempFolder app;
  fs::copy_file(HALVEX_STANDIN_EXE, app.path() / "App.exe");
  TempFolder launcher_dir;  // no UPDATE.ZIP: the window must show all the same
  fs::copy_file(HALVEX_LAUNCHER_EXE, launcher_dir.path() / "HalvexUpdate.exe");
  Process p;
  ASSERT_TRUE(p.Start((launcher_dir.path() / "HalvexUpdate.exe").wstring(),
                      L"\"" + (app.path() / "App.exe").wstring() + L"\""));
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (window = FindWindowOf(p.pi.dwProcessId, L"Halvex Update (Ver 0303.03)")) != nullptr; },
                      15000));
  RECT client;
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right - client.left, 634);
  EXPECT_EQ(client.bottom - client.top, 362);
  EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  const auto texts = ChildTexts(window);
  EXPECT_NE(std::find(texts.begin(), texts.end(), " 자동으로 업데이트가 되지 않으면 관리자에게 연락 바랍니다."), texts.end());
  // No description file: pnCorp's design caption is replaced by the empty NAME value.
  EXPECT_EQ(std::find(texts.begin(), texts.end(), " Halvex Auto Update"), texts.end());
}

TEST(LauncherProgram, VeryLongArgumentStillShowsTheWindow) {
  TempFolder launcher_dir;
  fs::copy_file(HALVEX_LAUNCHER_EXE, launcher_dir.path() / "HalvexUpdate.exe");
  Process p;
  ASSERT_TRUE(p.Start((launcher_dir.path() / "HalvexUpdate.exe").wstring(),
                      L"C:\\" + std::wstring(4000, L'a') + L"\\App.exe"));
  EXPECT_TRUE(WaitFor([&] { return FindWindowOf(p.pi.dwProcessId, L"Halvex Update (Ver 0303.03)") != nullptr; }, 15000));
  EXPECT_EQ(p.Wait(0), static_cast<DWORD>(STILL_ACTIVE));
}

class LauncherInProcess : public testing::Test {
 protected:
  void SetUp() override {
    auto& app = platform::ui::Application::Instance();
    app.SetTitle("Halvex UPDATE");
    app.OnException = [this](const std::string& text, const std::string& caption) {
      shown_.push_back(caption + ": " + text);
    };
    fs::copy_file(HALVEX_STANDIN_EXE, app_.path() / "App.exe");
  }
  void TearDown() override {
    platform::ui::Application::Instance().OnException = nullptr;
    // The completion handler asked to terminate: take the quit request out of this thread's
    // queue, or it would end the next modal loop (a message box) at once.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  std::string AppExe() const { return app_.str() + "\\App.exe"; }
  TempFolder app_;
  std::vector<std::string> shown_;
};

// The components the launcher never opens still come with the window, with their settings and
// pictures: two PNG image lists whose every picture decodes at the list's size, the frame's quick
// button list linked, the message box and skin chooser tied to the window's skin data.
TEST_F(LauncherInProcess, WindowHoldsItsImageListsAndDialogSettings) {
  launcher::TfmMain form({AppExe()});
  struct ListCase {
    const skin::TbsPngImageList* list;
    int count, size;
  } lists[] = {{form.bsPngImageList16.get(), 16, 16}, {form.bsPngImageList24.get(), 1, 24}};
  for (const ListCase& c : lists) {
    ASSERT_NE(c.list, nullptr);
    ASSERT_EQ(c.list->Count(), c.count);
    for (int i = 0; i < c.count; ++i) {
      SCOPED_TRACE(c.list->Items(i).Name);
      EXPECT_EQ(c.list->Items(i).Name, "PngImage" + std::to_string(i));
      const skin::Bitmap* image = c.list->Image(i);
      ASSERT_NE(image, nullptr);
      EXPECT_EQ(image->Width(), c.size);
      EXPECT_EQ(image->Height(), c.size);
      int transparent = 0, opaque = 0;
      for (int y = 0; y < c.size; ++y)
        for (int x = 0; x < c.size; ++x) {
          const uint32_t alpha = image->Pixel(x, y) >> 24;
          transparent += alpha == 0;
          opaque += alpha == 255;
        }
      EXPECT_GT(transparent, 0) << "a picture with a clear background";
      EXPECT_GT(opaque, 0);
    }
  }
  EXPECT_EQ(form.bsSkinForm->QuickImageList, form.bsPngImageList16.get());
  EXPECT_EQ(form.bsSkinMessage->SkinData, form.bsSkinData.get());
  EXPECT_EQ(form.bsSkinMessage->MessageLabelSkinDataName, "stdlabel");
  EXPECT_TRUE(form.bsSkinMessage->AlphaBlendAnimation);
  EXPECT_EQ(form.bsSelectSkinDialog->SkinList, form.bsCompressedSkinList.get());
  EXPECT_EQ(form.bsSelectSkinDialog->Title, "윈도우스킨 선택");
}

// The completion starts the program through the shell with UPDATE_RUN: the application itself, or
// the one the description file names. The stand-in records its start in its own folder.
struct CompletionCase {
  const char* name;
  const char* description;  // VER_INFO.INF, or nullptr for none
  const char* program;      // copied beside App.exe when it is another one
  const char* caption;      // of the corporate panel
};

class LauncherCompletion : public LauncherInProcess, public testing::WithParamInterface<CompletionCase> {};

TEST_P(LauncherCompletion, StartsTheProgramWithUpdateRun) {
  const CompletionCase& c = GetParam();
  if (c.description) {
    fs::create_directories(app_.path() / "UPDATE");
    std::ofstream(app_.path() / "UPDATE" / "VER_INFO.INF", std::ios::binary) << c.description;
  }
  const fs::path program = app_.path() / c.program;
  if (!fs::exists(program)) {
    fs::create_directories(program.parent_path());
    fs::copy_file(HALVEX_STANDIN_EXE, program);
  }
  launcher::TfmMain form({AppExe()});
  form.Create();
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(form.pnCorp->Caption(), c.caption);
  launcher::UnZipComplete(form, form.Request());
  const fs::path log = program.parent_path() / "standin.log";
  ASSERT_TRUE(WaitFor([&] { return fs::exists(log); }, 15000));
  EXPECT_TRUE(WaitFor([&] { return ReadFile(log) == "UPDATE_RUN\r\n"; }, 5000)) << ReadFile(log);
  if (program != app_.path() / "App.exe") EXPECT_FALSE(fs::exists(app_.path() / "standin.log")) << "App.exe started";
}

INSTANTIATE_TEST_SUITE_P(
    Programs, LauncherCompletion,
    testing::Values(CompletionCase{"TheApplication", nullptr, "App.exe", ""},
                    CompletionCase{"TheNamedProgram", "EXE_FILENAME=bin\\New App.exe\r\nNAME=Acme\r\n",
                                   "bin/New App.exe", "Acme"}),
    [](const testing::TestParamInfo<CompletionCase>& info) { return std::string(info.param.name); });

TEST_F(LauncherInProcess, LockedDescriptionFileIsReportedAndCreationGoesOn) {
  fs::create_directories(app_.path() / "UPDATE");
  const fs::path inf = app_.path() / "UPDATE" / "VER_INFO.INF";
  std::ofstream(inf, std::ios::binary) << "NAME=Acme\r\nSKININDEX=7\r\n";
  HANDLE lock = ::CreateFileW(inf.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  launcher::TfmMain form({AppExe()});
  form.Create();
  ::CloseHandle(lock);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].rfind("Halvex UPDATE: Cannot open file \"" + app_.str() + "\\UPDATE\\VER_INFO.INF\". ", 0), 0u)
      << shown_[0];
  EXPECT_EQ(form.pnCorp->Caption(), " Halvex Auto Update");  // the rest of FormCreate was skipped
  EXPECT_EQ(form.SkinIndex(), 2);
  EXPECT_EQ(form.Request().ExeFileName, AppExe());
}

// The window keeps the outer bounds of its design in every skin; the client area is what each
// skin's frame leaves of it, and the strip and the panel follow by their alignment. The border
// sizes the window, and a skin change reaches the controls only after the frame took it.
TEST_F(LauncherInProcess, KeepsItsBoundsAcrossSkinsAndStaysSizeable) {
  launcher::TfmMain form({AppExe()});
  form.Create();
  const HWND window = form.Handle();
  const LONG style = ::GetWindowLongW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  std::vector<int> controls_at_frame_change;
  form.bsSkinForm->OnChangeSkinData = [&] { controls_at_frame_change.push_back(form.pgMeter->ControlDataIndex()); };
  for (int index : {2, 0, 5, 11, 2}) {
    SCOPED_TRACE(index);
    form.SetSkinIndex(index);
    ASSERT_FALSE(form.bsSkinData->Empty);
    RECT outer{}, client{};
    ::GetWindowRect(window, &outer);
    ::GetClientRect(window, &client);
    EXPECT_EQ(outer.right - outer.left, 636);
    EXPECT_EQ(outer.bottom - outer.top, 387);
    const skin::FrameSkin frame = skin::FrameSkinFrom(*form.bsSkinData);
    const int client_width = 636 - (frame.Pw - frame.ClRect.Width());
    const int client_height = 387 - (frame.Ph - frame.ClRect.Height());
    EXPECT_EQ(client.right, client_width);
    EXPECT_EQ(client.bottom, client_height);
    EXPECT_EQ(form.bsSkinPanel2->Width(), client_width);
    EXPECT_EQ(form.bsSkinPanel2->Top() + form.bsSkinPanel2->Height(), client_height);
    EXPECT_EQ(form.Panel1->Height(), client_height - form.bsSkinPanel2->Height());
    // Halfway down the left border, and the bottom-right corner.
    const LPARAM left = MAKELPARAM(outer.left, outer.top + 193), corner = MAKELPARAM(outer.right - 1, outer.bottom - 1);
    EXPECT_EQ(::SendMessageW(window, WM_NCHITTEST, 0, left), HTLEFT);
    EXPECT_EQ(::SendMessageW(window, WM_NCHITTEST, 0, corner), HTBOTTOMRIGHT);
    EXPECT_GE(form.pgMeter->ControlDataIndex(), 0);
  }
  // 2 was loaded already: four changes, each seen by the frame while the gauge was still reset.
  EXPECT_EQ(controls_at_frame_change, (std::vector<int>{-1, -1, -1, -1}));
}

// Hints are shown as designed, through the skinned hint; none of the window's controls has one,
// and the application gets its own hint back when the window goes.
TEST_F(LauncherInProcess, ShowsHintsThroughTheSkinnedHint) {
  auto& app = platform::ui::Application::Instance();
  const platform::ui::HintWindowClass before = app.GetHintWindowClass();
  {
    launcher::TfmMain form({AppExe()});
    form.Create();
    EXPECT_TRUE(app.ShowHint());
    EXPECT_EQ(app.GetHintWindowClass(), &skin::TbsSkinHintWindow::Create);
    EXPECT_EQ(app.HintShortPause(), 100u);
    EXPECT_EQ(skin::TbsSkinHint::Current(), form.bsSkinHint.get());
    EXPECT_EQ(form.bsSkinHint->SkinData(), form.bsSkinData.get());
    std::vector<platform::ui::Control*> controls{&form};
    for (size_t i = 0; i < controls.size(); ++i) {
      EXPECT_TRUE(controls[i]->ShowHint()) << controls[i]->Name();
      EXPECT_EQ(controls[i]->Hint(), "") << controls[i]->Name();
      for (platform::ui::Control* child : controls[i]->Children()) controls.push_back(child);
    }
    EXPECT_EQ(controls.size(), 8u);
  }
  EXPECT_EQ(app.GetHintWindowClass(), before);
}

// The real message box: its caption, its text with the full-stop rule, its error icon.
TEST(DefaultExceptionHandler, ShowsTheTextInAnErrorBoxCaptionedWithTheTitle) {
  auto& app = platform::ui::Application::Instance();
  app.OnException = nullptr;
  app.SetTitle("Halvex UPDATE");
  struct Seen {
    std::string text;
    bool icon = false;
  };
  for (const auto& [message, expected] : std::vector<std::pair<std::string, std::string>>{
           {"Incomplete Zip File", "Incomplete Zip File."}, {"Not a valid zip file!", "Not a valid zip file!"}}) {
    Seen seen;
    std::atomic<bool> done{false};
    std::thread closer([&] {
      while (!done) {  // the box blocks this test until it is closed, however late it comes
        HWND box = ::FindWindowW(L"#32770", L"Halvex UPDATE");
        if (box && ::IsWindowVisible(box)) {
          ::EnumChildWindows(
              box,
              [](HWND child, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Seen*>(lp);
                wchar_t cls[64] = {}, text[512] = {};
                ::GetClassNameW(child, cls, 64);
                ::GetWindowTextW(child, text, 512);
                if (std::wstring(cls) == L"Static") {
                  if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) s->icon = true;
                  else if (text[0]) s->text = Narrow(text);
                }
                return TRUE;
              },
              reinterpret_cast<LPARAM>(&seen));
          if (seen.text.empty()) {  // the box is still being filled in
            ::Sleep(50);
            continue;
          }
          ::PostMessageW(box, WM_COMMAND, IDOK, 0);
          return;
        }
        ::Sleep(50);
      }
    });
    app.HandleException(platform::Exception(message));
    done = true;
    closer.join();
    EXPECT_EQ(seen.text, expected);
    EXPECT_TRUE(seen.icon);
  }
}

}  // namespace
