// LANGUAGE=en under Windows (Wine here): the window, the frame's words and the error box show no
// Korean; a picture of the English window is kept beside the other screenshots.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../win32/main_form.h"
#include "draw_golden.h"
#include "hangul.h"
#include "launcher/texts.h"
#include "platform/text.h"
#include "skin/win32/bitmap_canvas.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using launcher::Language;
using launcher::Text;
using launcher::TextOf;
using launcher_test::HasHangul;
using platform::Narrow;
using zip_test::EntryDef;
using zip_test::WaitFor;
using zip_test::ZipBuilder;

void WriteAll(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

// Every window text below `parent` (the skinned panels' captions, the label).
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

// The first visible top-level window of `pid` whose class is `cls` (nullptr: any) and, when
// given, whose title is `title`.
HWND TopWindowOf(DWORD pid, const wchar_t* cls, const wchar_t* title) {
  struct Search {
    DWORD pid;
    const wchar_t *cls, *title;
    HWND found;
  } search{pid, cls, title, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        wchar_t cls[64] = {}, title[256] = {};
        ::GetClassNameW(hwnd, cls, 64);
        ::GetWindowTextW(hwnd, title, 256);
        if (owner != s->pid || !::IsWindowVisible(hwnd)) return TRUE;
        if ((s->cls && std::wstring(cls) != s->cls) || (s->title && std::wstring(title) != s->title)) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void KeepScreenshot(HWND window, const char* name) {
  RECT r;
  ::GetWindowRect(window, &r);
  skin::Bitmap shot(r.right - r.left, r.bottom - r.top);
  {
    HDC screen = ::GetDC(nullptr);
    skin::BitmapCanvas canvas(shot);
    ::BitBlt(canvas.dc(), 0, 0, shot.Width(), shot.Height(), screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
    skin::BitmapCanvas::Flush();
    ::ReleaseDC(nullptr, screen);
  }
  const fs::path shots = fs::path(HALVEX_BUILD_DIR) / "screenshots";
  fs::create_directories(shots);
  const std::vector<uint8_t> png = skin::testing::EncodePng(shot);
  std::ofstream(shots / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

class EnglishLauncher : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    root_ = fs::path(base) / ("halvex_english_" + std::to_string(::GetCurrentProcessId()) + "_" +
                              testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    app_ = root_ / "App";
    fs::create_directories(app_);
    fs::copy_file(HALVEX_STANDIN_EXE, app_ / "App.exe");
    WriteAll(app_ / "UPDATE" / "VER_INFO.INF", "NAME= Acme\r\nLANGUAGE=en\r\n");
  }
  void TearDown() override {
    launcher::SetCurrentLanguage(Language::kKorean);
    if (pi_.hProcess) {
      ::TerminateProcess(pi_.hProcess, 99);
      ::WaitForSingleObject(pi_.hProcess, 5000);
      ::CloseHandle(pi_.hProcess);
      ::CloseHandle(pi_.hThread);
    }
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path root_, app_;
  PROCESS_INFORMATION pi_ = {};
};

// What the window holds that is not a window text: the gauge's own text and the frame's words.
TEST_F(EnglishLauncher, WindowComponentsSpeakEnglish) {
  launcher::TfmMain form({Narrow((app_ / "App.exe").wstring())});
  form.Create();
  EXPECT_EQ(launcher::CurrentLanguage(), Language::kEnglish);
  EXPECT_EQ(form.pnTel->Caption(), TextOf(Text::kContactAdministrator, Language::kEnglish));
  EXPECT_EQ(form.pgMeter->CurrentText(), "Please wait..  - 0%");
  for (const std::string& line : form.bsResourceStrData->ResStrings().Lines())
    EXPECT_FALSE(HasHangul(line)) << line;
  for (const std::string& text : ChildTexts(form.Handle())) EXPECT_FALSE(HasHangul(text)) << text;
}

// The program as the application starts it, with an archive that fails midway: the window while
// it waits and the error box it ends with.
TEST_F(EnglishLauncher, WindowAndErrorBoxShowNoKorean) {
  const fs::path launcher_dir = root_ / "Launcher";
  fs::create_directories(launcher_dir);
  fs::copy_file(HALVEX_LAUNCHER_EXE, launcher_dir / "HalvexUpdate.exe");
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "first.txt", .data = "fine", .method = 8});
  zip.Add(EntryDef{.name = "broken.bin", .data = std::string(5000, 'b'), .method = 8,
                   .compressed = std::string("\xff\xff\xff\xff\xff\xff\xff\xff", 8)});
  WriteAll(launcher_dir / "UPDATE.ZIP", zip.Build());
  std::wstring command = L"\"" + (launcher_dir / "HalvexUpdate.exe").wstring() + L"\" \"" + (app_ / "App.exe").wstring() + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_));

  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (window = TopWindowOf(pi_.dwProcessId, nullptr, L"Halvex Update (Ver 0303.03)")) != nullptr; },
                      20000));
  ::Sleep(300);  // painted
  KeepScreenshot(window, "launcher-english.png");
  const std::vector<std::string> texts = ChildTexts(window);
  EXPECT_NE(std::find(texts.begin(), texts.end(), TextOf(Text::kContactAdministrator, Language::kEnglish)), texts.end());
  for (const std::string& text : texts) EXPECT_FALSE(HasHangul(text)) << text;

  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = TopWindowOf(pi_.dwProcessId, L"#32770", nullptr)) != nullptr; }, 30000));
  std::string body;
  ASSERT_TRUE(WaitFor([&] {
    for (const std::string& text : ChildTexts(box))
      if (text.size() > body.size()) body = text;
    return !body.empty();
  }, 5000));
  EXPECT_EQ(body.rfind(TextOf(Text::kNotApplied, Language::kEnglish), 0), 0u) << body;
  for (const std::string& text : ChildTexts(box)) EXPECT_FALSE(HasHangul(text)) << text;
  KeepScreenshot(box, "launcher-english-error.png");
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(::WaitForSingleObject(pi_.hProcess, 10000), WAIT_OBJECT_0);
}

}  // namespace
