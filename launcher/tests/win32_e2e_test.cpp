// The whole chain under Windows (Wine here), started as the companion application starts it:
// timer, extraction of UPDATE.ZIP into the application folder, restart with UPDATE_RUN, and the
// failures the user must be told about.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "description/text_encoding.h"
#include "draw_golden.h"
#include "launcher/extract_update.h"
#include "launcher/texts.h"
#include "platform/stream.h"
#include "platform/text.h"
#include "signature/ed25519ph.h"
#include "signature/signature_file.h"
#include "platform/ui/gdi.h"
#include "skin/bitmap.h"
#include "skin/win32/bitmap_canvas.h"
#include "test_support.h"
#include "win32_update_run.h"

namespace {

namespace fs = std::filesystem;
using platform::Narrow;
using platform::Widen;
using zip_test::EntryDef;
using zip_test::WaitFor;
using zip_test::ZipBuilder;
using namespace e2e_test;

constexpr uint32_t kOld = 0x4A210000;    // 2017-01-01 00:00:00
constexpr uint32_t kStamp = 0x5A2B6000;  // 2025-01-11 12:00:00

FILETIME FileTimeOfDos(uint32_t dos) {
  FILETIME local, utc;
  ::DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos), &local);
  ::LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

FILETIME LastWrite(const fs::path& p) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ::GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

void SetLastWrite(const fs::path& folder, FILETIME when) {
  HANDLE h = ::CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(::SetFileTime(h, nullptr, nullptr, &when));
  ::CloseHandle(h);
}

TEST_F(UpdateRun, ExtractsTheArchiveIntoTheApplicationFolderAndRestartsIt) {
  const std::string big(300000, 'x');
  WriteAll(app_ / "readme.txt", "old read-me");
  WriteAll(app_ / "sub" / "app.dll", "old library");
  WriteAll(app_ / "UPDATE" / "VER_INFO.INF",
           "EXE_FILENAME=App.exe\r\nNAME=Acme\r\nCOPY_FILENAME=" + AppPath("settings.ini") + "\r\n");
  WriteAll(app_ / "settings.ini", "user settings");
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "sub/", .data = "", .external_attributes = 0x12});  // for a folder that exists
  zip.Add(EntryDef{.name = "sub/app.dll", .data = big, .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "sub/deep/notes.txt", .data = "notes", .method = 0, .dos_time = kOld});
  zip.Add(EntryDef{.name = "license.txt", .data = "read only", .method = 8, .dos_time = kStamp,
                    .external_attributes = 0x21});
  zip.Add(EntryDef{.name = "settings.ini", .data = "shipped defaults", .method = 8});
  WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());

  StartLauncher();
  ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
  EXPECT_EQ(ReadAll(app_ / "readme.txt"), "new read-me");
  EXPECT_EQ(ReadAll(app_ / "sub" / "app.dll"), big);
  EXPECT_EQ(ReadAll(app_ / "sub" / "deep" / "notes.txt"), "notes");
  EXPECT_EQ(ReadAll(app_ / "license.txt"), "read only");
  EXPECT_EQ(ReadAll(app_ / "settings.ini"), "user settings");  // named by COPY_FILENAME: skipped
  EXPECT_TRUE(::GetFileAttributesW((app_ / "license.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(::GetFileAttributesW((app_ / "sub").c_str()) & FILE_ATTRIBUTE_HIDDEN) << "the folder entry's attributes";
  const FILETIME want = FileTimeOfDos(kStamp), got = LastWrite(app_ / "sub" / "app.dll");
  EXPECT_EQ(::CompareFileTime(&want, &got), 0);
  const FILETIME want_old = FileTimeOfDos(kOld), got_old = LastWrite(app_ / "sub" / "deep" / "notes.txt");
  EXPECT_EQ(::CompareFileTime(&want_old, &got_old), 0);
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
}

// Archives 7-Zip wrote with the methods Windows and 7-Zip use for large files (made when the
// tests were built, see zip/CMakeLists.txt) are applied like any other.
TEST_F(UpdateRun, ArchivesOfOtherWritersMethodsAreApplied) {
  // Wine shows the Unix root as drive Z:.
  const fs::path made = fs::path("Z:" HALVEX_BUILD_DIR) / "method-archives";
  for (const char* name : {"7z-deflate64.zip", "7z-lzma.zip"}) {
    SCOPED_TRACE(name);
    for (const char* top : {"bin", "data", "readme.txt", "standin.log"}) fs::remove_all(app_ / top);
    fs::copy_file(made / name, launcher_ / "UPDATE.ZIP", fs::copy_options::overwrite_existing);
    StartLauncher();
    ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
    ::CloseHandle(pi_.hProcess);
    ::CloseHandle(pi_.hThread);
    pi_ = {};
    int files = 0;
    for (const auto& item : fs::recursive_directory_iterator(made / "tree")) {
      if (!item.is_regular_file()) continue;
      ++files;
      const fs::path rel = fs::relative(item.path(), made / "tree");
      EXPECT_TRUE(ReadAll(app_ / rel) == ReadAll(item.path())) << rel.string();
    }
    EXPECT_EQ(files, 6);
    EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  }
}

// An application in a folder with a Korean name, on a Western system and on a Korean one.
class UpdateRunInKoreanFolder : public UpdateRun {
 protected:
  void SetUp() override {
    korean_folder_ = true;
    UpdateRun::SetUp();
  }
};

TEST_F(UpdateRunInKoreanFolder, ExtractsAndRestarts) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "sub/file.txt", .data = "content", .method = 8, .dos_time = kStamp});
  WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
  StartLauncher();
  ASSERT_TRUE(Exited(60000));
  EXPECT_EQ(ReadAll(app_ / "sub" / "file.txt"), "content");
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
}

// The result file names the archive exactly, here in the application's Korean folder beside the
// launcher: on a Western system, whose ANSI code page has no Korean, as UTF-8 with a byte-order
// mark; on a Korean one in its ANSI code page, 949, as the application's own ANSI texts are.
TEST_F(UpdateRunInKoreanFolder, TheResultFileNamesTheArchiveExactly) {
  using description::TextEncoding;
  fs::copy_file(HALVEX_LAUNCHER_EXE, app_ / "HalvexUpdate.exe");
  launcher_ = app_;
  const std::string archive = AppPath("UPDATE.ZIP");
  const struct {
    const char* locale;
    TextEncoding encoding;
    std::string archive_line;  // the result file's last line, as bytes
  } cases[] = {{"", TextEncoding::kUtf8Bom, "ARCHIVE=" + archive + "\r\n"},
               {"ko_KR.UTF-8", TextEncoding::kAnsi, "ARCHIVE=" + platform::Utf8ToCodePage(archive, 949) + "\r\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    ZipBuilder zip;
    zip.Add(EntryDef{.name = "sub/file.txt", .data = "content", .method = 8, .dos_time = kStamp});
    WriteAll(app_ / "UPDATE.ZIP", zip.Build());
    fs::remove(app_ / "standin.log");
    StartLauncher({}, c.locale);
    ASSERT_TRUE(Exited(60000));
    Forget();
    const std::string result = Result();
    EXPECT_TRUE(result.ends_with(c.archive_line)) << result;
    EXPECT_EQ(result.find('?'), std::string::npos) << result;
    // Read back as an application on that system reads it.
    platform::OverrideCodePages(c.encoding == TextEncoding::kAnsi ? 949 : 0, c.encoding == TextEncoding::kAnsi ? 949 : 0);
    const description::DecodedText back = description::DecodeText(result);
    platform::OverrideCodePages(0, 0);
    EXPECT_EQ(back.encoding, c.encoding);
    EXPECT_TRUE(back.text.starts_with("RESULT=applied\r\nFILES=1\r\n")) << back.text;
    EXPECT_TRUE(back.text.ends_with("\r\nARCHIVE=" + archive + "\r\n")) << back.text;
    EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  }
}

// The window as the screen shows it.
skin::Bitmap Capture(HWND window) {
  RECT r;
  ::GetWindowRect(window, &r);
  skin::Bitmap shot(r.right - r.left, r.bottom - r.top);
  {
    const auto screen = platform::ui::WindowDc::Client(nullptr);
    skin::BitmapCanvas canvas(shot);
    // CAPTUREBLT: layered windows too.
    ::BitBlt(canvas.dc(), 0, 0, shot.Width(), shot.Height(), screen.get(), r.left, r.top, SRCCOPY | CAPTUREBLT);
    skin::BitmapCanvas::Flush();
  }
  return shot;
}

// Every carried skin chosen through the description file: the window shows, extracts, restarts
// the application; a picture of the window in the middle of the run is kept in the build tree.
TEST_F(UpdateRun, EverySkinChosenByTheDescriptionFileRunsTheUpdate) {
  const fs::path shots = fs::path(HALVEX_BUILD_DIR) / "screenshots";
  fs::create_directories(shots);
  ZipBuilder zip;
  for (int i = 0; i < 400; ++i)
    zip.Add(EntryDef{.name = "data/file" + std::to_string(i) + ".txt", .data = std::string(2000 + i, 'd'), .method = 8});
  const std::string archive = zip.Build();
  for (int skin = 0; skin < 12; ++skin) {
    SCOPED_TRACE("skin " + std::to_string(skin));
    fs::remove_all(app_ / "data");
    fs::remove(app_ / "standin.log");
    WriteAll(app_ / "UPDATE" / "VER_INFO.INF",
             "EXE_FILENAME=App.exe\r\nNAME= Skin " + std::to_string(skin) + "\r\nSKININDEX=" + std::to_string(skin) + "\r\n");
    WriteAll(launcher_ / "UPDATE.ZIP", archive);
    StartLauncher();
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindLauncherWindow(pi_.dwProcessId)) != nullptr; }, 20000));
    // Midway: once the first files are there.
    WaitFor([&] { return Extracted("data/file40.txt"); }, 10000);
    skin::Bitmap shot = Capture(window);
    auto shown = [&shot] {
      int lit = 0;
      for (int y = 0; y < shot.Height(); y += 7)
        for (int x = 0; x < shot.Width(); x += 7) lit += (shot.Pixel(x, y) & 0xFFFFFF) != 0;
      return lit > 100;
    };
    // Under Wine the screen read gives black for the windows of some skins (those of the Office
    // 2010 family and Metal) although the X server shows them: keep trying a little, then keep
    // whatever came for the record.
    for (int i = 0; i < 20 && !shown(); ++i) {
      ::Sleep(100);
      shot = Capture(window);
    }
    const std::vector<uint8_t> png = skin::testing::EncodePng(shot);
    char name[32];
    std::snprintf(name, sizeof name, "launcher-skin-%02d.png", skin);
    std::ofstream(shots / name, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                        static_cast<std::streamsize>(png.size()));
    ASSERT_TRUE(Exited(60000));
    ::CloseHandle(pi_.hProcess);
    ::CloseHandle(pi_.hThread);
    pi_ = {};
    EXPECT_EQ(ReadAll(app_ / "data" / "file399.txt"), std::string(2399, 'd'));
    EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  }
}

// A part of the window's client area as the screen shows it.
skin::Bitmap CaptureClient(HWND window, RECT part) {
  POINT origin{part.left, part.top};
  ::ClientToScreen(window, &origin);
  skin::Bitmap shot(part.right - part.left, part.bottom - part.top);
  {
    const auto screen = platform::ui::WindowDc::Client(nullptr);
    skin::BitmapCanvas canvas(shot);
    ::BitBlt(canvas.dc(), 0, 0, shot.Width(), shot.Height(), screen.get(), origin.x, origin.y, SRCCOPY | CAPTUREBLT);
    skin::BitmapCanvas::Flush();
  }
  return shot;
}

bool SamePixels(const skin::Bitmap& a, const skin::Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if ((a.Pixel(x, y) & 0xFFFFFF) != (b.Pixel(x, y) & 0xFFFFFF)) return false;
  return true;
}

void SavePng(const skin::Bitmap& shot, const std::string& name) {
  const fs::path shots = fs::path(HALVEX_BUILD_DIR) / "screenshots";
  fs::create_directories(shots);
  const std::vector<uint8_t> png = skin::testing::EncodePng(shot);
  std::ofstream(shots / name, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                      static_cast<std::streamsize>(png.size()));
}

std::string Utf16Le(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (const wchar_t c : text) bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

// NAME, the left status panel's text, in every encoding of the description file: the panel shows
// exactly what the same text in UTF-16 shows, on a Western system and on a Korean one (code page
// 949 text needs the Korean one). The pictures are kept in screenshots/name-*.png.
TEST_F(UpdateRun, TheNameIsShownRightInEveryEncodingOfTheDescriptionFile) {
  const std::wstring name = L"노트 포지 1.1";
  const std::string utf8 = Narrow(name);
  const std::string lines = "\r\nEXE_FILENAME=App.exe\r\n";
  const struct {
    const char* what;
    const char* locale;
    std::string description;
    bool right;  // shows the text as the reference does
  } cases[] = {
      {"utf-16", "", Utf16Le(L"NAME=" + name + L"\r\nEXE_FILENAME=App.exe\r\n"), true},  // the reference
      {"utf-8", "", "NAME=" + utf8 + lines, true},
      {"utf-8-bom", "", "\xEF\xBB\xBFNAME=" + utf8 + lines, true},
      // What a reader of ANSI made of the UTF-8 bytes on a Western system: must look different.
      {"mojibake", "", "NAME=" + platform::CodePageToUtf8(utf8, 1252) + lines, false},
      {"empty", "", "NAME=" + lines, false},
      {"korean-utf-16", "ko_KR.UTF-8", Utf16Le(L"NAME=" + name + L"\r\nEXE_FILENAME=App.exe\r\n"), true},
      {"korean-cp949", "ko_KR.UTF-8", "NAME=" + platform::Utf8ToCodePage(utf8, 949) + lines, true},
  };
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "data.txt", .data = "new data", .method = 8});
  const std::string archive = zip.Build();
  skin::Bitmap reference(1, 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteAll(app_ / "UPDATE" / "VER_INFO.INF", c.description);
    WriteAll(launcher_ / "UPDATE.ZIP", archive);
    StartLauncher({}, c.locale);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindLauncherWindow(pi_.dwProcessId)) != nullptr; }, 20000));
    ::Sleep(300);
    // pnCorp: the bottom panel's left 161 x 23 pixels of the 634 x 362 client area.
    const skin::Bitmap panel = CaptureClient(window, RECT{0, 339, 161, 362});
    SavePng(Capture(window), std::string("name-") + c.what + ".png");
    SavePng(panel, std::string("name-") + c.what + "-panel.png");
    ASSERT_TRUE(Exited(60000));
    Forget();
    if (std::string(c.what).ends_with("utf-16")) {
      reference = panel;
      continue;
    }
    EXPECT_EQ(SamePixels(panel, reference), c.right);
  }
}

TEST_F(UpdateRun, ArchiveFailingMidwayStillRestartsAndThenReportsTheError) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "first.txt", .data = "fine", .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "broken.bin", .data = std::string(5000, 'b'), .method = 8,
                    .compressed = std::string("\xff\xff\xff\xff\xff\xff\xff\xff", 8)});
  WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
  WriteAll(app_ / "first.txt", "old");
  StartLauncher();
  Box box;
  ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty(); }, 30000));
  // The application is started while the error box is still up.
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  // The damaged last entry undoes the first: the folder is as it was.
  EXPECT_EQ(ReadAll(app_ / "first.txt"), "old");
  EXPECT_FALSE(fs::exists(app_ / "broken.bin"));
  EXPECT_EQ(box.text.rfind(launcher::TextOf(launcher::Text::kNotApplied), 0), 0u) << box.text;
  ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Exited(10000));
  EXPECT_EQ(Result().rfind("RESULT=rolled back\r\nFILES=0\r\nERROR=", 0), 0u) << Result();
  EXPECT_NE(Log().find("outcome: rolled back"), std::string::npos) << Log();
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
}

ZipBuilder AppUpdate() {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "App.exe", .data = ReadAll(HALVEX_STANDIN_EXE), .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "core.dll", .data = "new core", .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "sub/new.txt", .data = "new", .method = 0, .dos_time = kStamp});
  return zip;
}

TEST_F(UpdateRun, AProgramHoldingAFileForAMomentIsWaitedFor) {
  WriteAll(app_ / "core.dll", "old core");
  WriteAll(launcher_ / "UPDATE.ZIP", AppUpdate().Build());
  Held held(app_ / "App.exe");
  ASSERT_TRUE(held.ok());
  StartLauncher();
  // Let go once the launcher has found the file in use, well within its time for retries.
  const bool retried =
      WaitFor([&] { return Log().find("\"" + AppPath("App.exe") + "\" is in use") != std::string::npos; }, 30000);
  held.Release();
  ASSERT_TRUE(Exited(60000));
  EXPECT_TRUE(retried) << Log();
  EXPECT_EQ(ReadAll(app_ / "App.exe"), ReadAll(HALVEX_STANDIN_EXE));
  EXPECT_EQ(ReadAll(app_ / "core.dll"), "new core");
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  EXPECT_NE(Log().find("\"" + AppPath("App.exe") + "\" is in use"), std::string::npos) << Log();
  // Before staging, the system was asked who holds the two files the update replaces. Windows
  // names this test's program; Wine's Restart Manager names none, and the moves' retries wait.
  const std::string log = Log();
  const bool named = log.find(" holds files the update replaces (2 watched) open: waiting up to") != std::string::npos;
  EXPECT_TRUE(named || log.find("no other program holds files the update replaces (2 watched) open") != std::string::npos)
      << log;
  std::printf("the Restart Manager %s\n", named ? "named the holder" : "named no holder");
  EXPECT_EQ(Result().rfind("RESULT=applied\r\nFILES=3\r\n", 0), 0u) << Result();
}

// Undone, the folders the commit moved files in and out of keep their times and attributes too.
TEST_F(UpdateRun, AFileHeldPastTheRetryTimeRollsBackAndNamesIt) {
  WriteAll(app_ / "core.dll", "old core");
  WriteAll(app_ / "data" / "table.dat", "old table");
  // As in an installation with a description file: the launcher's log then makes no new folder;
  // nor does the restarted stand-in, adding to its log.
  fs::create_directories(app_ / "UPDATE");
  WriteAll(app_ / "standin.log", "");
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "data/", .data = "", .external_attributes = 0x12});  // hidden, while applied
  zip.Add(EntryDef{.name = "data/table.dat", .data = "new table", .method = 0, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "App.exe", .data = ReadAll(HALVEX_STANDIN_EXE), .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "core.dll", .data = "new core", .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "sub/new.txt", .data = "new", .method = 0, .dos_time = kStamp,
                    .external_attributes = 0x21});  // read-only: staged, and removed again
  WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
  SetLastWrite(app_ / "data", FileTimeOfDos(kOld));
  SetLastWrite(app_, FileTimeOfDos(kOld + 2));
  const DWORD data_attributes = ::GetFileAttributesW((app_ / "data").c_str());
  const std::string old_app = ReadAll(app_ / "App.exe");
  Held held(app_ / "core.dll");
  ASSERT_TRUE(held.ok());
  StartLauncher();
  Box box;
  ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty(); }, 60000));
  held.Release();
  EXPECT_EQ(box.text.rfind(launcher::TextOf(launcher::Text::kNotApplied) + ("\"" + AppPath("core.dll") + "\" could not be replaced"), 0),
            0u)
      << box.text;
  EXPECT_EQ(ReadAll(app_ / "App.exe"), old_app);
  EXPECT_EQ(ReadAll(app_ / "core.dll"), "old core");
  EXPECT_EQ(ReadAll(app_ / "data" / "table.dat"), "old table");
  EXPECT_FALSE(fs::exists(app_ / "sub"));
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
  EXPECT_EQ(::GetFileAttributesW((app_ / "data").c_str()), data_attributes);
  for (const auto& [folder, dos] : {std::pair{app_ / "data", kOld}, std::pair{app_, kOld + 2}}) {
    const FILETIME want = FileTimeOfDos(dos), got = LastWrite(folder);
    EXPECT_EQ(::CompareFileTime(&want, &got), 0) << folder << " has lost its time";
  }
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Exited(10000));
  EXPECT_NE(Log().find("attempt "), std::string::npos) << Log();
  EXPECT_EQ(Result().rfind("RESULT=rolled back\r\n", 0), 0u) << Result();
}

TEST_F(UpdateRun, TheApplicationStillClosingIsWaitedFor) {
  WriteAll(app_ / "core.dll", "old core");
  WriteAll(launcher_ / "UPDATE.ZIP", AppUpdate().Build());
  // The application stays until the launcher is seen waiting for it.
  const fs::path hold = root_ / "hold";
  WriteAll(hold, "");
  PROCESS_INFORMATION app = {};
  std::wstring command = L"\"" + (app_ / "App.exe").wstring() + L"\" \"--linger-while=" + hold.wstring() + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &app));
  StartLauncher();
  const bool waited = WaitFor([&] { return Log().find("is still running: waiting up to 30 s") != std::string::npos; },
                              20000);
  EXPECT_FALSE(fs::exists(app_ / "standin.log")) << "the application closed before the launcher saw it";
  EXPECT_EQ(ReadAll(app_ / "core.dll"), "old core") << "nothing is written while the application runs";
  fs::remove(hold);
  ASSERT_TRUE(Exited(60000));
  ::WaitForSingleObject(app.hProcess, 5000);
  ::CloseHandle(app.hProcess);
  ::CloseHandle(app.hThread);
  EXPECT_TRUE(waited) << Log();
  EXPECT_EQ(ReadAll(app_ / "core.dll"), "new core");
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "--linger-while=" + hold.string() + "\r\nUPDATE_RUN\r\n"; }, 10000))
      << RestartLog();
  EXPECT_NE(Log().find("closed after"), std::string::npos) << Log();
}

// The user's files named in the description file are kept although the launcher is started with
// the application's path in lower case and the paths are written in upper case, or relative with
// '/'; the rest of the update is applied.
TEST_F(UpdateRun, TheUserFilesAreKeptHoweverTheirPathsAreWritten) {
  std::string upper = AppPath("CONFIG.INI");
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  std::wstring lower = (app_ / "App.exe").wstring();
  ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
  WriteAll(app_ / "config.ini", "the user's settings");
  WriteAll(app_ / "docs" / "History.txt", "the user's history");
  WriteAll(app_ / "UPDATE" / "VER_INFO.INF",
           "EXE_FILENAME=App.exe\r\nCOPY_FILENAME=" + upper + "\r\nVER_HISTORY=docs/history.txt\r\n");
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "config.ini", .data = "shipped defaults", .method = 8});
  zip.Add(EntryDef{.name = "docs/History.txt", .data = "shipped history", .method = 8});
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8});
  WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
  StartLauncher(lower);
  ASSERT_TRUE(Exited(60000));
  EXPECT_EQ(ReadAll(app_ / "config.ini"), "the user's settings");
  EXPECT_EQ(ReadAll(app_ / "docs" / "History.txt"), "the user's history");
  EXPECT_EQ(ReadAll(app_ / "readme.txt"), "new read-me");
  EXPECT_EQ(Result().rfind("RESULT=applied\r\nFILES=1\r\n", 0), 0u) << Result();
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
}

// An update may carry its description file and the launcher itself (here in the application's
// folder): the run works with the description file it read at its start, and the new launcher
// and description file make the next update.
TEST_F(UpdateRun, AnUpdateMayCarryItsDescriptionFileAndTheLauncher) {
  fs::copy_file(HALVEX_LAUNCHER_EXE, app_ / "HalvexUpdate.exe");
  launcher_ = app_;
  WriteAll(app_ / "UPDATE" / "VER_INFO.INF", "EXE_FILENAME=App.exe\r\nNAME=1.0\r\nCOPY_FILENAME=keep.txt\r\n");
  WriteAll(app_ / "keep.txt", "mine");
  // Bytes after a program's last section do not change how it runs.
  const std::string new_launcher = ReadAll(HALVEX_LAUNCHER_EXE) + "launcher 1.1";
  const std::string new_description = "EXE_FILENAME=App.exe\r\nNAME=1.1\r\n";
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "HalvexUpdate.exe", .data = new_launcher, .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "UPDATE/VER_INFO.INF", .data = new_description, .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "keep.txt", .data = "shipped", .method = 8});
  WriteAll(app_ / "UPDATE.ZIP", zip.Build());
  StartLauncher();
  ASSERT_TRUE(Exited(60000));
  Forget();
  EXPECT_EQ(Result().rfind("RESULT=applied\r\nFILES=2\r\n", 0), 0u) << Result() << Log();
  EXPECT_EQ(ReadAll(app_ / "HalvexUpdate.exe"), new_launcher);
  EXPECT_EQ(ReadAll(app_ / "UPDATE" / "VER_INFO.INF"), new_description);
  EXPECT_EQ(ReadAll(app_ / "keep.txt"), "mine") << "this run keeps what the description file it read names";
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();

  ZipBuilder next;
  next.Add(EntryDef{.name = "keep.txt", .data = "shipped 1.2", .method = 8});
  WriteAll(app_ / "UPDATE.ZIP", next.Build());
  fs::remove(app_ / "standin.log");
  StartLauncher();
  ASSERT_TRUE(Exited(60000));
  EXPECT_EQ(ReadAll(app_ / "keep.txt"), "shipped 1.2") << "the new description file keeps nothing";
  EXPECT_EQ(Result().rfind("RESULT=applied\r\nFILES=1\r\n", 0), 0u) << Result() << Log();
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX")) << "the old launcher is gone with the work folder";
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
}

TEST_F(UpdateRun, RefusedEntriesLeaveTheFolderUntouched) {
  struct Case {
    const char* first;
    const char* second;
    const char* reason;
  } cases[] = {{"CON.txt", nullptr, "CON is a device name reserved by Windows"},
               {"Readme.txt", "README.TXT", "would be the same name on Windows"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    fs::remove(app_ / "standin.log");
    ZipBuilder zip;
    zip.Add(EntryDef{.name = "a.txt", .data = "new"});
    zip.Add(EntryDef{.name = c.first, .data = "x"});
    if (c.second) zip.Add(EntryDef{.name = c.second, .data = "y"});
    WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
    StartLauncher();
    Box box;
    ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty(); }, 30000));
    EXPECT_EQ(box.text.rfind(launcher::TextOf(launcher::Text::kNotApplied), 0), 0u) << box.text;
    EXPECT_NE(box.text.find(c.reason), std::string::npos) << box.text;
    EXPECT_FALSE(fs::exists(app_ / "a.txt"));
    EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
    EXPECT_EQ(Result().rfind("RESULT=not started\r\n", 0), 0u) << Result();
    ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(Exited(10000));
    EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
    ::CloseHandle(pi_.hProcess);
    ::CloseHandle(pi_.hThread);
    pi_ = {};
  }
}

TEST_F(UpdateRun, ADestinationOfThreeHundredCharactersIsWritten) {
  std::string rel;
  while (AppPath().size() + 1 + rel.size() < 300) rel += "folder_with_a_long_name_" + std::to_string(rel.size()) + "/";
  rel += "file.txt";
  ZipBuilder zip;
  zip.Add(EntryDef{.name = rel, .data = "far away", .method = 8, .dos_time = kStamp});
  WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
  StartLauncher();
  ASSERT_TRUE(Exited(60000));
  std::wstring path = L"\\\\?\\" + (app_ / rel).wstring();
  for (wchar_t& ch : path)
    if (ch == L'/') ch = L'\\';
  ASSERT_GT(path.size(), 300u);
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << Log();
  char buffer[32] = {};
  DWORD n = 0;
  ::ReadFile(h, buffer, sizeof buffer, &n, nullptr);
  ::CloseHandle(h);
  EXPECT_EQ(std::string(buffer, n), "far away");
  EXPECT_EQ(Result().rfind("RESULT=applied\r\nFILES=1\r\n", 0), 0u) << Result();
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  // The test's own clean-up cannot reach that deep: take the tree down from its end.
  ::DeleteFileW(path.c_str());
  for (size_t cut = path.find_last_of(L'\\'); path.size() > 4 + app_.wstring().size();
       cut = path.find_last_of(L'\\')) {
    path.resize(cut);
    ::RemoveDirectoryW(path.c_str());
  }
}

// A large update: the launcher killed while it moves files into place, then started again,
// leaves exactly the old version (its first step undoes the interrupted commit); a third run
// applies the update whole.
TEST_F(UpdateRun, KilledWhileMovingFilesThenStartedAgainLeavesTheOldOrTheNewVersion) {
  constexpr int kFiles = 3000;
  ZipBuilder zip;
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "res/d" + std::to_string(i % 30) + "/f" + std::to_string(i) + ".txt";
    WriteAll(app_ / name, "old " + std::to_string(i));
    zip.Add(EntryDef{.name = name, .data = "new " + std::to_string(i), .method = 0, .dos_time = kStamp});
  }
  // A file of the user's in every folder: the folders cannot be replaced whole, each file moves.
  for (int d = 0; d < 30; ++d) WriteAll(app_ / ("res/d" + std::to_string(d) + "/user.txt"), "mine");
  const std::string archive = zip.Build();
  auto count = [&](const std::string& prefix) {
    int n = 0;
    for (int i = 0; i < kFiles; ++i)
      n += ReadAll(app_ / ("res/d" + std::to_string(i % 30) + "/f" + std::to_string(i) + ".txt")) ==
           prefix + std::to_string(i);
    return n;
  };
  WriteAll(launcher_ / "UPDATE.ZIP", archive);
  StartLauncher();
  const fs::path journal = app_ / "UPDATE" / "~HALVEX" / "JOURNAL";
  ASSERT_TRUE(WaitFor([&] { return fs::exists(journal); }, 120000)) << "the commit never began";
  ::Sleep(300);
  ::TerminateProcess(pi_.hProcess, 9);
  ::WaitForSingleObject(pi_.hProcess, 10000);
  ::CloseHandle(pi_.hProcess);
  ::CloseHandle(pi_.hThread);
  pi_ = {};
  const int moved_when_killed = kFiles - count("old ");
  std::printf("killed with %d of %d files in place\n", moved_when_killed, kFiles);

  // Started again without an archive: the interrupted commit is undone, then the missing archive
  // is reported.
  fs::remove(launcher_ / "UPDATE.ZIP");
  StartLauncher();
  Box box;
  ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd; }, 60000));
  EXPECT_EQ(count("old "), kFiles) << "exactly the old version";
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
  EXPECT_NE(Log().find("recovery: rolled back the update that an interrupted run had begun"), std::string::npos) << Log();
  ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  ::TerminateProcess(pi_.hProcess, 0);
  ::WaitForSingleObject(pi_.hProcess, 10000);
  ::CloseHandle(pi_.hProcess);
  ::CloseHandle(pi_.hThread);
  pi_ = {};

  WriteAll(launcher_ / "UPDATE.ZIP", archive);
  StartLauncher();
  ASSERT_TRUE(Exited(180000));
  EXPECT_EQ(count("new "), kFiles) << "exactly the new version";
  EXPECT_EQ(ReadAll(app_ / "res/d29/user.txt"), "mine");
  EXPECT_EQ(Result().rfind("RESULT=applied\r\nFILES=3000\r\n", 0), 0u) << Result();
}

// Archives the engine refuses in part or whole: the error box names the failed entry (or the
// archive's fault), the update is not applied at all — entries that decoded well are not left in
// the folder, no file of a failed entry is left looking complete (its earlier version stays
// untouched) — and the application is started again.
struct RefusedArchiveCase {
  const char* name;
  std::string archive;
  std::string error;                 // part of the error box's text
  std::vector<std::string> good;     // entries that decode well: absent afterwards, nothing applied
  std::vector<std::string> failed;   // each had the earlier version "old" in the folder
};

void PrintTo(const RefusedArchiveCase& c, std::ostream* os) { *os << c.name; }

std::string Archive(const std::vector<EntryDef>& entries, const std::string& stub = "") {
  ZipBuilder zip;
  for (const EntryDef& e : entries) zip.Add(e);
  return stub + zip.Build();
}

EntryDef Good(const std::string& name) { return EntryDef{.name = name, .data = "good", .method = 8, .dos_time = kStamp}; }

// The last entry's recorded offset is one byte off, in an archive behind a 64-byte stub.
std::string MisplacedBehindStub() {
  ZipBuilder zip;
  zip.Add(Good("a.txt"));
  zip.Add(Good("sub/c.txt"));
  std::string bytes = zip.Build();
  bytes.replace(zip.CentralOffset() + 46 + 5 + 42, 4, zip_test::Le32(static_cast<uint32_t>(zip.Offsets()[1] + 1)));
  return std::string(64, 'S') + bytes;
}

class RefusedArchive : public UpdateRun, public testing::WithParamInterface<RefusedArchiveCase> {};

TEST_P(RefusedArchive, ErrorNamesTheEntryAndNoBrokenFileRemains) {
  const RefusedArchiveCase& c = GetParam();
  for (const std::string& f : c.failed) WriteAll(app_ / f, "old");
  WriteAll(launcher_ / "UPDATE.ZIP", c.archive);
  StartLauncher();
  Box box;
  ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty(); }, 30000));
  EXPECT_NE(box.text.find(c.error), std::string::npos) << box.text;
  // The stand-in writes its log a moment after it was started.
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Exited(10000));
  for (const std::string& f : c.good) EXPECT_FALSE(fs::exists(app_ / f)) << f;
  for (const std::string& f : c.failed) EXPECT_EQ(ReadAll(app_ / f), "old") << f;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedArchive,
    testing::Values(
        RefusedArchiveCase{"damaged entry",
                           Archive({Good("first.txt"),
                                    // Two blocks are written before its data runs out.
                                    EntryDef{.name = "sub/broken.bin", .data = std::string(100000, 'b'), .method = 8,
                                             .compressed = zip_test::RawDeflate(std::string(100000, 'b'), 0).substr(0, 70000)}}),
                           "sub\\broken.bin: Invalid compressed data", {"first.txt"}, {"sub/broken.bin"}},
        RefusedArchiveCase{"damaged Deflate64 entry",
                           Archive({Good("first.txt"), EntryDef{.name = "sub/broken64.bin", .data = "data", .method = 9,
                                                                .compressed = std::string("\xff\xff\xff", 3)}}),
                           "sub\\broken64.bin: Invalid compressed data (invalid block type)", {"first.txt"},
                           {"sub/broken64.bin"}},
        RefusedArchiveCase{"local header not where the directory says", MisplacedBehindStub(),
                           "sub\\c.txt: Local header not found where the directory says", {"a.txt"}, {"sub/c.txt"}},
        RefusedArchiveCase{"entry without a name", Archive({Good("a.txt"), EntryDef{.name = "", .data = "lost"}}),
                           "entry #2: No file name", {"a.txt"}, {}},
        RefusedArchiveCase{"overlapped entries", zip_test::OverlappedBomb(50, 100000),
                           "Invalid zip file with overlapped components (possible zip bomb)", {}, {"f0", "f49"}}));

// A refusal before anything is written: one error box, the application started again, and the
// launcher ends once the box is closed (it used to stay at "please wait - 0%" until closed by hand).
// An archive refused for what it is is renamed aside, one refused for the machine's state stays.
// A result file of an earlier run never survives.
struct RefusalCase {
  const char* name;
  const char* archive;       // what UPDATE.ZIP holds: "none", "no zip", or "entry 98" (an undecodable entry)
  std::string box_start;     // the box's text begins so ("{launcher}" and "{app}" stand for the folders)
  bool renamed;              // UPDATE.ZIP.rejected afterwards
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class Refusal : public UpdateRun, public testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, ShowsOneBoxRestartsTheApplicationAndEnds) {
  const RefusalCase& c = GetParam();
  WriteAll(app_ / "lib" / "big.txt", "old");
  WriteAll(app_ / "UPDATE" / "UPDATE_RESULT.INF", "RESULT=applied\r\nFILES=7\r\n");  // an earlier run's
  const std::string kind = c.archive;
  if (kind == "no zip") WriteAll(launcher_ / "UPDATE.ZIP", std::string(4000, 'z'));
  if (kind == "entry 98")
    WriteAll(launcher_ / "UPDATE.ZIP", Archive({EntryDef{.name = "first.txt", .data = "first", .method = 8},
                                                EntryDef{.name = "lib/big.txt", .data = std::string(300000, 'b'),
                                                         .method = 98}}));
  StartLauncher();
  Box box;
  ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty(); }, 30000));
  std::string want = c.box_start;
  for (const auto& [key, value] : {std::pair<std::string, std::string>{"{launcher}", Narrow(launcher_.wstring())},
                                   {"{app}", AppPath()}})
    if (const size_t at = want.find(key); at != std::string::npos) want.replace(at, key.size(), value);
  EXPECT_EQ(box.text.rfind(want, 0), 0u) << box.text;
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX")) << "nothing staged";
  EXPECT_FALSE(fs::exists(app_ / "first.txt"));
  EXPECT_EQ(ReadAll(app_ / "lib" / "big.txt"), "old");
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Exited(10000)) << "the launcher ends after the box";
  EXPECT_EQ(Result().rfind("RESULT=not started\r\n", 0), 0u) << Result();
  EXPECT_EQ(fs::exists(launcher_ / "UPDATE.ZIP.rejected"), c.renamed);
  if (c.renamed) EXPECT_FALSE(fs::exists(launcher_ / "UPDATE.ZIP"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusal,
    testing::Values(RefusalCase{"missing archive", "none", "Cannot open file \"{launcher}\\UPDATE.ZIP\".", false},
                    RefusalCase{"no zip", "no zip", "{launcher}\\UPDATE.ZIP is not a zip archive.", true},
                    RefusalCase{"undecodable entry", "entry 98",
                                launcher::TextOf(launcher::Text::kNotApplied) +
                                    "the archive's entry \"lib\\big.txt\" is compressed with method 98 (PPMd), which "
                                    "the launcher cannot decode",
                                true}),
    [](const testing::TestParamInfo<RefusalCase>& info) {
      std::string name = info.param.name;
      for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

// Two launchers for one folder (a double click, an application that starts it twice), the second
// 0.2 s or 3 s after the first, while the first still waits for the application: the update is
// applied once, the application started once, and the log holds one run, whole.
class TwoLaunchers : public UpdateRun, public testing::WithParamInterface<int> {};

TEST_P(TwoLaunchers, ApplyTheUpdateOnceAndRestartTheApplicationOnce) {
  WriteAll(app_ / "core.dll", "old core");
  WriteAll(launcher_ / "UPDATE.ZIP", AppUpdate().Build());
  const fs::path hold = root_ / "hold";
  WriteAll(hold, "");
  PROCESS_INFORMATION app = {};
  std::wstring command = L"\"" + (app_ / "App.exe").wstring() + L"\" \"--linger-while=" + hold.wstring() + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &app));
  StartLauncher();
  const PROCESS_INFORMATION first = pi_;
  ::Sleep(GetParam());
  pi_ = {};
  StartLauncher();
  const PROCESS_INFORMATION second = pi_;
  // One of them waits for the application; the other ends at once, without a window.
  const bool one_ended = WaitFor([&] {
    return ::WaitForSingleObject(first.hProcess, 0) == WAIT_OBJECT_0 ||
           ::WaitForSingleObject(second.hProcess, 0) == WAIT_OBJECT_0;
  }, 30000);
  const bool waiting = WaitFor([&] { return Log().find("is still running") != std::string::npos; }, 20000);
  fs::remove(hold);
  EXPECT_TRUE(one_ended) << "neither launcher ended while the other waited";
  EXPECT_TRUE(waiting) << Log();
  bool both_ended = true;
  for (const PROCESS_INFORMATION& p : {first, second}) {
    both_ended = ::WaitForSingleObject(p.hProcess, 60000) == WAIT_OBJECT_0 && both_ended;
    ::CloseHandle(p.hProcess);
    ::CloseHandle(p.hThread);
  }
  pi_ = {};
  ::WaitForSingleObject(app.hProcess, 5000);
  ::CloseHandle(app.hProcess);
  ::CloseHandle(app.hThread);
  EXPECT_TRUE(both_ended);
  EXPECT_EQ(ReadAll(app_ / "core.dll"), "new core");
  EXPECT_FALSE(fs::exists(launcher_ / "UPDATE.ZIP")) << "applied, so removed";
  const std::string lingered = "--linger-while=" + hold.string() + "\r\n";
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == lingered + "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  ::Sleep(2000);  // a second restart would come now
  EXPECT_EQ(RestartLog(), lingered + "UPDATE_RUN\r\n");
  const std::string log = Log();
  size_t runs = 0;
  for (size_t at = log.find("---- update of"); at != std::string::npos; at = log.find("---- update of", at + 1)) ++runs;
  EXPECT_EQ(runs, 1u) << log;
  EXPECT_NE(log.find("outcome: applied, 3 files"), std::string::npos) << log;
  EXPECT_EQ(log.find("recovery"), std::string::npos) << "the live run was taken for an interrupted one: " << log;
  EXPECT_EQ(Result().rfind("RESULT=applied\r\nFILES=3\r\n", 0), 0u) << Result();
}

INSTANTIATE_TEST_SUITE_P(Apart, TwoLaunchers, testing::Values(200, 3000),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "ms"; });

// Runs a program of the machine under Wine (a Unix program by its Unix path) and waits for it;
// its exit code, or -1 when it could not be started.
int RunUnix(const std::wstring& command_line) {
  std::wstring command = command_line;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  ::WaitForSingleObject(pi.hProcess, 30000);
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  return static_cast<int>(code);
}

// The Unix path of a folder under Wine; empty on Windows.
std::string UnixPath(const fs::path& p) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  const auto to_unix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!to_unix) return {};
  char* unix_path = to_unix(p.c_str());
  if (!unix_path) return {};
  std::string result = unix_path;
  ::HeapFree(::GetProcessHeap(), 0, unix_path);
  return result;
}

// The application's folder cannot be written (here it is made immutable, which keeps out root
// too), its UPDATE folder can: the update is refused before anything is written, without a single
// retry, and the application (in a folder of its own that can be written) is started again.
TEST_F(UpdateRun, AnApplicationFolderThatCannotBeWrittenIsRefusedBeforeWriting) {
  const std::string unix_app = UnixPath(app_);
  if (unix_app.empty()) GTEST_SKIP() << "needs Wine: the folder is made immutable with chattr";
  fs::create_directories(app_ / "bin");
  fs::copy_file(HALVEX_STANDIN_EXE, app_ / "bin" / "App.exe");
  WriteAll(app_ / "core.dll", "old core");
  WriteAll(app_ / "UPDATE" / "VER_INFO.INF", "EXE_FILENAME=bin\\App.exe\r\n");
  WriteAll(launcher_ / "UPDATE.ZIP", AppUpdate().Build());
  const std::wstring target = Widen(unix_app);
  if (RunUnix(L"/usr/bin/chattr +i \"" + target + L"\"") != 0)
    GTEST_SKIP() << "chattr +i is not allowed here (it needs CAP_LINUX_IMMUTABLE and a file system that has it)";
  struct Thaw {
    std::wstring target;
    ~Thaw() { RunUnix(L"/usr/bin/chattr -i \"" + target + L"\""); }
  } thaw{target};
  StartLauncher();
  Box box;
  ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty(); }, 30000));
  EXPECT_EQ(box.text.rfind(launcher::TextOf(launcher::Text::kNotApplied) + "the folder \"" +
                               AppPath().substr(0, AppPath().size() - 1) + "\" cannot be written to",
                           0),
            0u)
      << box.text;
  const fs::path restarted = app_ / "bin" / "standin.log";
  EXPECT_TRUE(WaitFor([&] { return ReadAll(restarted) == "UPDATE_RUN\r\n"; }, 10000)) << ReadAll(restarted);
  ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Exited(10000));
  EXPECT_EQ(ReadAll(app_ / "core.dll"), "old core");
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
  EXPECT_EQ(Log().find("trying again"), std::string::npos) << Log();
  EXPECT_EQ(Result().rfind("RESULT=not started\r\n", 0), 0u) << Result();
  EXPECT_TRUE(fs::exists(launcher_ / "UPDATE.ZIP")) << "kept for a run that may write there";
}

// Bytes in front of the archive that its offsets do not count: every entry is still found.
// The visible top-level windows of a process (a box is one too).
std::vector<HWND> VisibleWindowsOf(DWORD pid) {
  struct Context {
    DWORD pid;
    std::vector<HWND> found;
  } ctx{pid, {}};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Context*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner == c->pid && ::IsWindowVisible(hwnd)) c->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

// /silent on a machine nobody watches: no window and no box at any moment, the application
// restarted, and the exit code says how the run ended.
TEST_F(UpdateRun, ASilentRunShowsNothingAndEndsWithItsExitCode) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8, .dos_time = kStamp});
  struct Case {
    const char* name;
    std::string archive;
    DWORD exit_code;
    const char* result;
  };
  const Case cases[] = {
      {"applied", zip.Build(), 0, "RESULT=applied"},
      {"refused: no archive", "no archive at all", 2, "RESULT=not started"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(app_ / "standin.log");
    WriteAll(launcher_ / "UPDATE.ZIP", c.archive);
    StartLauncher({}, {}, L"/silent");
    std::vector<HWND> seen;
    for (int i = 0; i < 1200 && !Exited(50) && seen.empty(); ++i) seen = VisibleWindowsOf(pi_.dwProcessId);
    EXPECT_TRUE(seen.empty()) << "a window of the launcher was shown";
    ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
    EXPECT_EQ(ExitCode(), c.exit_code);
    ForgetProcess();
    EXPECT_TRUE(Result().starts_with(c.result)) << Result();
    EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  }
  EXPECT_EQ(ReadAll(app_ / "readme.txt"), "new read-me");
  EXPECT_TRUE(fs::exists(launcher_ / "UPDATE.ZIP.rejected"));
}

// A description file nobody can read (held open without sharing): a normal run shows the
// runtime's box for it when the window is made; a silent one shows nothing, and its run refuses the
// update for it and ends with the code of a refusal.
TEST_F(UpdateRun, ASilentRunWithAnUnreadableDescriptionFileShowsNoBox) {
  WriteAll(app_ / "UPDATE" / "VER_INFO.INF", "NAME=Acme\r\n");
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8, .dos_time = kStamp});
  WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
  const HANDLE held = ::CreateFileW((app_ / "UPDATE" / "VER_INFO.INF").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  StartLauncher({}, {}, L"/silent");
  std::vector<HWND> seen;
  for (int i = 0; i < 1200 && !Exited(50) && seen.empty(); ++i) seen = VisibleWindowsOf(pi_.dwProcessId);
  const bool exited = Exited(60000);
  ::CloseHandle(held);
  EXPECT_TRUE(seen.empty()) << "a window of the launcher was shown";
  ASSERT_TRUE(exited) << "the launcher did not finish";
  EXPECT_EQ(ExitCode(), 2u);
  EXPECT_TRUE(Result().starts_with("RESULT=not started")) << Result();
  EXPECT_FALSE(fs::exists(app_ / "readme.txt"));
  EXPECT_TRUE(fs::exists(launcher_ / "UPDATE.ZIP")) << "kept for the next try";
}

// An archive named on the command line, kept where a per-machine install's user may write (a
// folder with blanks and Korean in its name): applied from there and removed; /passive shows the
// window and ends by itself.
TEST_F(UpdateRun, AnArchiveGivenByPathIsApplied) {
  const fs::path local = root_ / L"Local 로컬" / "Acme";
  fs::create_directories(local);
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "from the local folder", .method = 8, .dos_time = kStamp});
  WriteAll(local / "UPDATE.ZIP", zip.Build());
  StartLauncher({}, {}, L"/passive \"/archive=" + (local / "UPDATE.ZIP").wstring() + L"\"");
  EXPECT_TRUE(WaitFor([&] { return !VisibleWindowsOf(pi_.dwProcessId).empty(); }, 20000)) << "passive shows the window";
  ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(ReadAll(app_ / "readme.txt"), "from the local folder");
  EXPECT_FALSE(fs::exists(local / "UPDATE.ZIP"));
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
}

TEST_F(UpdateRun, ArchiveBehindAStubIsExtractedWhole) {
  WriteAll(launcher_ / "UPDATE.ZIP", Archive({Good("a.txt"), Good("sub/b.txt")}, "MZ" + std::string(14000, '\0')));
  StartLauncher();
  ASSERT_TRUE(Exited(60000));
  EXPECT_EQ(ReadAll(app_ / "a.txt"), "good");
  EXPECT_EQ(ReadAll(app_ / "sub" / "b.txt"), "good");
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
}

// Signed updates, started as the companion application starts the launcher.
class SignedUpdateRun : public UpdateRun {
 protected:
  std::string Signature(const std::string& archive) const {
    platform::MemoryStream stream(archive.data(), archive.size());
    return signature::FormatSignatureFile({key_.Public(), signature::SignStream(stream, key_)});
  }
  void Describe(const std::string& public_key) {
    WriteAll(app_ / "UPDATE" / "VER_INFO.INF", "EXE_FILENAME=App.exe\r\nPUBLIC_KEY=" + public_key + "\r\n");
  }
  std::string PublicKey() const { return signature::FormatPublicKey(key_.Public()); }
  // Every file under the application folder, relative, '/'-separated.
  std::vector<std::string> AppFiles() const {
    std::vector<std::string> files;
    // The run's own report (log and result file) aside.
    for (const auto& [name, content] : zip_test::Tree(app_))
      if (name != "UPDATE/HalvexUpdate.log" && name != "UPDATE/UPDATE_RESULT.INF") files.push_back(name);
    return files;
  }
  signature::SecretKey key_ = signature::SecretKey::Generate();
};

TEST_F(SignedUpdateRun, ASignedArchiveIsAppliedAndAnAlteredOneRefusedWithNothingWritten) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "sub/app.dll", .data = std::string(100000, 'l'), .method = 8, .dos_time = kStamp});
  const std::string archive = zip.Build();
  Describe(PublicKey());
  std::string altered = archive;
  altered[zip.CentralOffset() + 30] ^= 0x01;
  WriteAll(launcher_ / "UPDATE.ZIP", altered);
  WriteAll(launcher_ / "UPDATE.ZIP.SIG", Signature(archive));
  StartLauncher();
  Box box;
  ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty(); }, 20000));
  EXPECT_EQ(box.text, "\"" + Narrow((launcher_ / "UPDATE.ZIP").wstring()) +
                          "\" does not match its signature: the archive was changed after it was signed.");
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Exited(10000)) << "the launcher ends after the box";
  EXPECT_EQ(AppFiles(), (std::vector<std::string>{"App.exe", "UPDATE/VER_INFO.INF", "standin.log"}));
  EXPECT_EQ(ReadAll(launcher_ / "UPDATE.ZIP.rejected"), altered) << "renamed aside, its signature too";
  EXPECT_TRUE(fs::exists(launcher_ / "UPDATE.ZIP.SIG.rejected"));
  EXPECT_FALSE(fs::exists(launcher_ / "UPDATE.ZIP"));
  fs::remove(app_ / "standin.log");

  WriteAll(launcher_ / "UPDATE.ZIP", archive);
  WriteAll(launcher_ / "UPDATE.ZIP.SIG", Signature(archive));
  StartLauncher();
  ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
  EXPECT_EQ(ReadAll(app_ / "sub" / "app.dll"), std::string(100000, 'l'));
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
}

TEST_F(SignedUpdateRun, AMalformedKeyIsShownAndNothingIsApplied) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me"});
  WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
  Describe(PublicKey().substr(4));
  StartLauncher();
  Box box;
  ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty(); }, 20000));
  EXPECT_EQ(box.text, "PUBLIC_KEY in \"" + AppPath("UPDATE\\VER_INFO.INF") +
                          "\" is not a public key (the base64 of 32 bytes)");  // a ')' gets no full stop
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Exited(10000)) << "the launcher ends after the box";
  EXPECT_EQ(AppFiles(), (std::vector<std::string>{"App.exe", "UPDATE/VER_INFO.INF", "standin.log"}));
  EXPECT_TRUE(fs::exists(launcher_ / "UPDATE.ZIP")) << "not the archive's fault: it stays";
}

// halvex-sign verify with a description file, as the vendor checks an update before shipping it:
// its exit code and what it says on stderr.
struct VerifyRun {
  DWORD code = 0;
  std::string said;
};

VerifyRun Verify(const fs::path& work, const fs::path& description, const fs::path& archive) {
  const fs::path tool = work / "halvex-sign.exe";
  if (!fs::exists(tool)) fs::copy_file(HALVEX_SIGN_EXE, tool);
  const fs::path said = work / "verify.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = ::CreateFileW(said.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  std::wstring command = L"\"" + tool.wstring() + L"\" verify \"" + description.wstring() + L"\" \"" + archive.wstring() + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out;
  si.hStdError = out;
  PROCESS_INFORMATION pi = {};
  VerifyRun run{99, ""};
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    ::WaitForSingleObject(pi.hProcess, 60000);
    ::GetExitCodeProcess(pi.hProcess, &run.code);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
  }
  ::CloseHandle(out);
  run.said = ReadAll(said);
  return run;
}

// A description file saved as UTF-8 with a byte-order mark, the key on its first line: an
// unsigned archive is refused, and halvex-sign verify says the same of it; signed, both accept it.
TEST_F(SignedUpdateRun, AKeyBehindAByteOrderMarkIsFoundByTheLauncherAndTheSigningTool) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8, .dos_time = kStamp});
  const std::string archive = zip.Build();
  const fs::path description = app_ / "UPDATE" / "VER_INFO.INF";
  WriteAll(description, "\xEF\xBB\xBFPUBLIC_KEY=" + PublicKey() + "\r\nEXE_FILENAME=App.exe\r\nNAME=App\r\n");
  WriteAll(launcher_ / "UPDATE.ZIP", archive);
  StartLauncher();
  Box box;
  ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty(); }, 20000));
  const std::string missing =
      "The update is not signed: signature file \"" + Narrow((launcher_ / "UPDATE.ZIP.SIG").wstring()) + "\" is missing";
  EXPECT_EQ(box.text, missing + ".");
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Exited(10000)) << "the launcher ends after the box";
  Forget();
  EXPECT_EQ(AppFiles(), (std::vector<std::string>{"App.exe", "UPDATE/VER_INFO.INF", "standin.log"}));
  fs::remove(app_ / "standin.log");
  // The refused archive went aside; halvex-sign is asked about the same bytes where they were.
  EXPECT_EQ(ReadAll(launcher_ / "UPDATE.ZIP.rejected"), archive);
  fs::rename(launcher_ / "UPDATE.ZIP.rejected", launcher_ / "UPDATE.ZIP");
  const VerifyRun unsigned_run = Verify(root_, description, launcher_ / "UPDATE.ZIP");
  EXPECT_EQ(unsigned_run.code, 2u);
  EXPECT_NE(unsigned_run.said.find(missing), std::string::npos) << unsigned_run.said;

  WriteAll(launcher_ / "UPDATE.ZIP.SIG", Signature(archive));
  const VerifyRun signed_run = Verify(root_, description, launcher_ / "UPDATE.ZIP");
  EXPECT_EQ(signed_run.code, 0u) << signed_run.said;
  StartLauncher();
  ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
  EXPECT_EQ(ReadAll(app_ / "readme.txt"), "new read-me");
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
}

// From the check to the end of the extraction the archive cannot be replaced, renamed, deleted
// or written, and what lands is what was checked.
TEST_F(SignedUpdateRun, TheArchiveCannotBeSwappedWhileTheLauncherWorks) {
  ZipBuilder zip;
  std::string content(256 * 1024, '\0');
  uint32_t x = 1;
  for (char& c : content) c = static_cast<char>((x = x * 1664525 + 1013904223) >> 24);
  constexpr int kFiles = 160;  // some 40 MB, written for a good while after the check
  for (int i = 0; i < kFiles; ++i) zip.Add(EntryDef{.name = "data/f" + std::to_string(i) + ".bin", .data = content});
  const std::string archive = zip.Build();
  ZipBuilder evil;
  evil.Add(EntryDef{.name = "data/f0.bin", .data = "evil"});
  WriteAll(launcher_ / "UPDATE.ZIP", archive);
  WriteAll(launcher_ / "UPDATE.ZIP.SIG", Signature(archive));
  WriteAll(launcher_ / "evil.zip", evil.Build());
  Describe(PublicKey());
  const std::wstring update = (launcher_ / "UPDATE.ZIP").wstring();
  const std::wstring evil_path = (launcher_ / "evil.zip").wstring();
  const std::wstring moved = (launcher_ / "moved.zip").wstring();

  StartLauncher();
  // The first extracted file means the check is done and the extraction runs.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!Extracted("data/f0.bin") && std::chrono::steady_clock::now() < deadline) ::Sleep(1);
  ASSERT_TRUE(Extracted("data/f0.bin"));
  HANDLE overwrite = ::CreateFileW(update.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
  const DWORD overwrite_error = ::GetLastError();
  const BOOL replaced = ::MoveFileExW(evil_path.c_str(), update.c_str(), MOVEFILE_REPLACE_EXISTING);
  const BOOL renamed = ::MoveFileW(update.c_str(), moved.c_str());
  const BOOL deleted = ::DeleteFileW(update.c_str());
  const bool still_running = !fs::exists(app_ / "data");
  if (overwrite != INVALID_HANDLE_VALUE) ::CloseHandle(overwrite);
  ASSERT_TRUE(still_running) << "the extraction ended before the attempts: nothing was shown";
  EXPECT_EQ(overwrite, INVALID_HANDLE_VALUE);
  EXPECT_EQ(overwrite_error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(replaced);
  EXPECT_FALSE(renamed);
  EXPECT_FALSE(deleted);

  ASSERT_TRUE(Exited(120000)) << "the launcher did not finish";
  for (int i = 0; i < kFiles; i += 37) EXPECT_EQ(ReadAll(app_ / "data" / ("f" + std::to_string(i) + ".bin")), content) << i;
  EXPECT_FALSE(fs::exists(launcher_ / "UPDATE.ZIP")) << "applied, so removed";
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  // Once the launcher is gone the name is free again.
  EXPECT_TRUE(::MoveFileExW(evil_path.c_str(), update.c_str(), MOVEFILE_REPLACE_EXISTING));
}
// Another process (this test) holds one of the targets open without sharing while the launcher
// runs, past the time the launcher tries it again: the update is undone, the held file keeps its
// bytes, no other entry is left written, the error names the file and the application is
// restarted.
class HeldTarget : public UpdateRun {
 protected:
  // Runs the update while held.dll is open; returns the text of the error box the launcher
  // showed, or "" when it ended without one.
  std::string RunWhileHeld() {
    WriteAll(app_ / "held.dll", "old library");
    ZipBuilder zip;
    zip.Add(EntryDef{.name = "first.txt", .data = "first", .method = 8});
    zip.Add(EntryDef{.name = "held.dll", .data = std::string(5000, 'n'), .method = 8});
    zip.Add(EntryDef{.name = "last.txt", .data = "last", .method = 8});
    WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
    HANDLE held = ::CreateFileW((app_ / "held.dll").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(held, INVALID_HANDLE_VALUE);
    StartLauncher();
    std::string text;
    Box box;
    const bool ended = WaitFor(
        [&] {
          if ((box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty()) return true;
          return Exited(0);
        },
        60000);
    EXPECT_TRUE(ended) << "the launcher neither finished nor reported";
    if (box.hwnd) {
      text = box.text;
      ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
    }
    EXPECT_TRUE(Exited(20000)) << "the launcher ends";
    ::CloseHandle(held);
    return text;
  }
};

TEST_F(HeldTarget, NothingIsLeftWrittenTheHeldFileKeptAndTheApplicationRestarted) {
  RunWhileHeld();
  EXPECT_EQ(ReadAll(app_ / "held.dll"), "old library");
  EXPECT_FALSE(fs::exists(app_ / "first.txt"));
  EXPECT_FALSE(fs::exists(app_ / "last.txt"));
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
}

// The customer must be told that held.dll was not replaced.
TEST_F(HeldTarget, TheErrorNamesTheHeldFile) {
  const std::string text = RunWhileHeld();
  EXPECT_NE(text.find("held.dll"), std::string::npos) << text;
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
}

// EXE_FILENAME is taken relative to the application's folder, as written: the program it names
// there is started, whatever that path is.
struct ExeNameCase {
  const char* name;
  const char* value;      // EXE_FILENAME
  bool app_started;       // App.exe (the first argument) gets UPDATE_RUN
  bool other_started;     // Other\\Other.exe, beside the application's folder, gets UPDATE_RUN
};

class ExeFileName : public UpdateRun, public testing::WithParamInterface<ExeNameCase> {};

TEST_P(ExeFileName, StartsWhatTheValueNamesBelowTheApplicationFolder) {
  const ExeNameCase& c = GetParam();
  const fs::path other = root_ / "Other";
  fs::create_directories(other);
  fs::copy_file(HALVEX_STANDIN_EXE, other / "Other.exe");
  std::string value = c.value;
  // "<abs>" stands for the absolute path of the other program.
  if (const size_t at = value.find("<abs>"); at != std::string::npos)
    value.replace(at, 5, Narrow((other / "Other.exe").wstring()));
  WriteAll(app_ / "UPDATE" / "VER_INFO.INF", "EXE_FILENAME=" + value + "\r\n");
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "data.txt", .data = "new data", .method = 8});
  WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
  StartLauncher();
  ASSERT_TRUE(Exited(60000)) << "the launcher ends, whether or not the program could be started";
  EXPECT_EQ(ReadAll(app_ / "data.txt"), "new data");
  const auto log_of = [](const fs::path& folder) {
    return fs::exists(folder / "standin.log") ? ReadAll(folder / "standin.log") : std::string();
  };
  if (c.app_started || c.other_started)
    EXPECT_TRUE(WaitFor([&] { return !log_of(app_).empty() || !log_of(other).empty(); }, 10000));
  else
    ::Sleep(3000);  // time for a wrongly started program to write its log
  EXPECT_EQ(log_of(app_), c.app_started ? "UPDATE_RUN\r\n" : "");
  EXPECT_EQ(log_of(other), c.other_started ? "UPDATE_RUN\r\n" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Values, ExeFileName,
    testing::Values(ExeNameCase{"ProgramInTheFolder", "App.exe", true, false},
                    ExeNameCase{"MissingProgram", "Missing.exe", false, false},
                    ExeNameCase{"AbsolutePathIsAppendedAndStartsNothing", "<abs>", false, false},
                    ExeNameCase{"DotDotLeavesTheFolder", "..\\Other\\Other.exe", false, true}),
    [](const testing::TestParamInfo<ExeNameCase>& info) { return info.param.name; });

// A release that must confirm it starts (CONFIRM_SECONDS): the stand-in as the new release confirms,
// ends at once with 3, or stays past the time without confirming; the launcher keeps it or puts
// the previous version back and starts that.
TEST_F(UpdateRun, AReleaseThatDoesNotConfirmItStartsIsPutBack) {
  struct Case {
    const char* action;  // what the new release does once started
    bool kept;
    const char* cause;   // in the result file when reverted
  };
  const Case cases[] = {
      {"confirm", true, ""},
      {"exit 3", false, "the new version ended with exit code 3 before it confirmed it starts"},
      {"stay 4", false, "the new version did not confirm it starts within 2 s"},
  };
  const std::string new_program = ReadAll(HALVEX_STANDIN_EXE) + "release 2";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action);
    for (const char* top : {"UPDATE", "readme.txt", "standin.log", "standin.act", "plugins"}) fs::remove_all(app_ / top);
    fs::copy_file(HALVEX_STANDIN_EXE, app_ / "App.exe", fs::copy_options::overwrite_existing);
    WriteAll(app_ / "UPDATE" / "VER_INFO.INF", "EXE_FILENAME=App.exe\r\nCONFIRM_SECONDS=2\r\n");
    WriteAll(app_ / "readme.txt", "old read-me");
    const auto old_tree = zip_test::Tree(app_);
    ZipBuilder zip;
    zip.Add(EntryDef{.name = "App.exe", .data = new_program, .method = 8, .dos_time = kStamp});
    zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8, .dos_time = kStamp});
    zip.Add(EntryDef{.name = "standin.act", .data = c.action, .method = 0, .dos_time = kStamp});
    zip.Add(EntryDef{.name = "plugins/net.dll", .data = "new plug-in", .method = 8, .dos_time = kStamp});
    WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());

    StartLauncher({}, {}, L"/silent");
    ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
    EXPECT_EQ(ExitCode(), c.kept ? 0u : 6u);
    ForgetProcess();
    EXPECT_FALSE(fs::exists(launcher_ / "UPDATE.ZIP")) << "never applied again";
    EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX"));
    EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "CONFIRMED"));
    const std::string first = std::string("UPDATE_RUN [") + c.action + "]\r\n";
    if (c.kept) {
      EXPECT_EQ(ReadAll(app_ / "App.exe"), new_program);
      EXPECT_EQ(ReadAll(app_ / "readme.txt"), "new read-me");
      EXPECT_EQ(ReadAll(app_ / "plugins" / "net.dll"), "new plug-in");
      EXPECT_TRUE(Result().starts_with("RESULT=applied\r\nFILES=4\r\nERROR=\r\n")) << Result() << Log();
      EXPECT_EQ(RestartLog(), first);
    } else {
      EXPECT_TRUE(Result().starts_with(std::string("RESULT=reverted\r\nFILES=0\r\nERROR=") + c.cause + "\r\n"))
          << Result() << Log();
      // The previous version is started to read why it is back.
      EXPECT_TRUE(WaitFor([&] { return RestartLog() == first + "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
      auto now = zip_test::Tree(app_);
      std::erase_if(now, [](const auto& item) {
        return item.first == "UPDATE/HalvexUpdate.log" || item.first == "UPDATE/UPDATE_RESULT.INF" ||
               item.first == "standin.log";
      });
      EXPECT_EQ(now, old_tree) << "the folder exactly as it was";
      EXPECT_FALSE(fs::exists(app_ / "plugins")) << "the new folder is gone";
      EXPECT_NE(Log().find("outcome: reverted; " + std::string(c.cause)), std::string::npos) << Log();
    }
  }
}

// A per-machine install: the application's folder is taken for one this user cannot write
// (HALVEX_TEST_NOT_WRITABLE, documented in the README; Wine has no such folder to offer and
// elevates without a prompt), the archive lies where the application may write it.
class PerMachineRun : public SignedUpdateRun {
 protected:
  void SetUp() override {
    SignedUpdateRun::SetUp();
    // Inherited by the launcher through its environment block.
    ::SetEnvironmentVariableW(L"HALVEX_TEST_NOT_WRITABLE", L"1");
    local_ = root_ / "Local" / "Acme";
    fs::create_directories(local_);
  }
  void TearDown() override {
    ::SetEnvironmentVariableW(L"HALVEX_TEST_NOT_WRITABLE", nullptr);
    SignedUpdateRun::TearDown();
  }
  std::wstring ArchiveOption() const { return L"\"/archive=" + (local_ / "UPDATE.ZIP").wstring() + L"\""; }
  void PlaceSigned(const std::string& archive) {
    WriteAll(local_ / "UPDATE.ZIP", archive);
    WriteAll(local_ / "UPDATE.ZIP.SIG", Signature(archive));
  }
  // The process id a log line gives after `before`, 0 when there is none.
  static DWORD ProcessAfter(const std::string& log, const std::string& before) {
    const size_t at = log.find(before);
    return at == std::string::npos ? 0 : static_cast<DWORD>(std::strtoul(log.c_str() + at + before.size(), nullptr, 10));
  }
  fs::path local_;
};

// Two processes: the first starts the second with administrator rights and shows no window of its
// own; the second applies the signed update from its own copy of the archive and starts nothing;
// the first restarts the application, which says so (its parent process is the first launcher).
TEST_F(PerMachineRun, ASecondProcessAppliesTheUpdateAndTheFirstRestartsTheApplication) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "standin.act", .data = "parent", .method = 0, .dos_time = kStamp});
  Describe(PublicKey());
  PlaceSigned(zip.Build());
  StartLauncher({}, {}, ArchiveOption());
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (window = FindLauncherWindow(0)) != nullptr; }, 30000)) << "no window";
  DWORD shown_by = 0;
  ::GetWindowThreadProcessId(window, &shown_by);
  EXPECT_NE(shown_by, pi_.dwProcessId) << "the window is the elevated run's";
  EXPECT_TRUE(VisibleWindowsOf(pi_.dwProcessId).empty()) << "the first launcher shows nothing";
  ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(ReadAll(app_ / "readme.txt"), "new read-me");
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN [parent]\r\n"; }, 10000)) << RestartLog();
  EXPECT_TRUE(WaitFor([&] { return fs::exists(app_ / "standin.parent"); }, 10000));
  EXPECT_EQ(ReadAll(app_ / "standin.parent"), std::to_string(pi_.dwProcessId)) << "restarted by the first launcher";

  const std::string first_log = ReadAll(local_ / "HalvexUpdate.log");
  const DWORD elevated = ProcessAfter(first_log, "with administrator rights runs as process ");
  EXPECT_NE(elevated, 0u) << first_log;
  EXPECT_NE(elevated, pi_.dwProcessId);
  EXPECT_EQ(ProcessAfter(Log(), "UPDATE.ZIP\" (process "), elevated) << Log();
  EXPECT_NE(Log().find("with administrator rights; the launcher that started it restarts the application"),
            std::string::npos) << Log();
  EXPECT_NE(first_log.find("ended with exit code 0"), std::string::npos) << first_log;
  EXPECT_EQ(ProcessAfter(first_log, "from this process ("), pi_.dwProcessId) << first_log;
  EXPECT_TRUE(Result().starts_with("RESULT=applied\r\nFILES=2\r\n")) << Result();
  EXPECT_NE(Result().find("ARCHIVE=" + Narrow((local_ / "UPDATE.ZIP").wstring())), std::string::npos) << Result();
  EXPECT_FALSE(fs::exists(local_ / "UPDATE.ZIP")) << "applied: removed, by the first launcher";
  EXPECT_FALSE(fs::exists(local_ / "UPDATE.ZIP.SIG"));
  EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "~HALVEX.ARCHIVE" / "UPDATE.ZIP")) << "the copy is gone";
}

// The elevated run checks its own copy: an archive altered after signing is refused there and
// renamed aside by the first launcher, where it was given; a second run then finds nothing to do.
TEST_F(PerMachineRun, AnAlteredArchiveIsRefusedByTheElevatedRunAndRenamedAside) {
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8, .dos_time = kStamp});
  const std::string archive = zip.Build();
  Describe(PublicKey());
  PlaceSigned(archive);
  std::string altered = archive;
  altered[zip.CentralOffset() + 30] ^= 0x01;
  WriteAll(local_ / "UPDATE.ZIP", altered);
  StartLauncher({}, {}, L"/silent " + ArchiveOption());
  ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
  EXPECT_EQ(ExitCode(), 2u);
  ForgetProcess();
  EXPECT_FALSE(fs::exists(app_ / "readme.txt"));
  EXPECT_NE(Result().find("does not match its signature"), std::string::npos) << Result();
  EXPECT_EQ(ReadAll(local_ / "UPDATE.ZIP.rejected"), altered);
  EXPECT_TRUE(fs::exists(local_ / "UPDATE.ZIP.SIG.rejected"));
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();

  StartLauncher({}, {}, L"/silent " + ArchiveOption());
  ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
  EXPECT_EQ(ExitCode(), 3u) << "nothing to do: no prompt, no second process";
  EXPECT_EQ(ReadAll(local_ / "HalvexUpdate.log").find("ended with exit code 2"),
            ReadAll(local_ / "HalvexUpdate.log").rfind("ended with exit code")) << "one elevated run only";
}

// An unsigned update of a folder only administrators could write is refused before anything is
// asked for or written, in the description file's language; the result file goes beside the
// archive, the application is restarted.
TEST_F(PerMachineRun, AnUnsignedUpdateIsRefusedWithItsOwnText) {
  for (const auto language : {launcher::Language::kKorean, launcher::Language::kEnglish}) {
    SCOPED_TRACE(launcher::LanguageCode(language));
    fs::remove(app_ / "standin.log");
    fs::remove(launcher_ / "UPDATE_RESULT.INF");
    WriteAll(app_ / "UPDATE" / "VER_INFO.INF",
             std::string("EXE_FILENAME=App.exe\r\nLANGUAGE=") + launcher::LanguageCode(language) + "\r\n");
    ZipBuilder zip;
    zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8, .dos_time = kStamp});
    WriteAll(launcher_ / "UPDATE.ZIP", zip.Build());
    StartLauncher();
    Box box;
    ASSERT_TRUE(WaitFor([&] { return (box = FindBox(pi_.dwProcessId)).hwnd && !box.text.empty(); }, 30000));
    EXPECT_EQ(box.text, launcher::TextOf(launcher::Text::kNotApplied, language) +
                            launcher::TextOf(launcher::Text::kUnsignedPerMachine, language));
    EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
    ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Exited(10000));
    EXPECT_EQ(ExitCode(), 2u);
    ForgetProcess();
    EXPECT_FALSE(fs::exists(app_ / "readme.txt"));
    EXPECT_FALSE(fs::exists(app_ / "UPDATE" / "HalvexUpdate.log")) << "no run in the application's folder";
    EXPECT_TRUE(fs::exists(launcher_ / "UPDATE.ZIP")) << "kept: not the archive's fault";
    const std::string result = ReadAll(launcher_ / "UPDATE_RESULT.INF");
    EXPECT_TRUE(result.starts_with("RESULT=not started\r\nFILES=0\r\nERROR=" +
                                   launcher::TextOf(launcher::Text::kUnsignedPerMachine, launcher::Language::kEnglish)))
        << result;
    EXPECT_EQ(ReadAll(launcher_ / "HalvexUpdate.log").find("administrator rights runs as"), std::string::npos);
  }
}

// A link planted below the application folder, pointing elsewhere: the elevated run writes nothing
// through it and names it.
TEST_F(PerMachineRun, ALinkBelowTheFolderIsRefusedByTheElevatedRun) {
  const fs::path elsewhere = root_ / "Elsewhere";
  fs::create_directories(elsewhere);
  fs::create_directories(app_ / "data");
  const fs::path link = app_ / "data" / "plugins";
  if (!::CreateSymbolicLinkW(link.c_str(), elsewhere.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    const std::string unix_link = UnixPath(app_ / "data"), unix_target = UnixPath(elsewhere);
    if (unix_link.empty() || RunUnix(L"/bin/ln -s \"" + Widen(unix_target) + L"\" \"" + Widen(unix_link) +
                                     L"/plugins\"") != 0)
      GTEST_SKIP() << "no link can be made here";
  }
  if (!(::GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) ||
      ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "the system does not show the link as a reparse point";
  ZipBuilder zip;
  zip.Add(EntryDef{.name = "readme.txt", .data = "new read-me", .method = 8, .dos_time = kStamp});
  zip.Add(EntryDef{.name = "data/plugins/evil.dll", .data = "planted", .method = 8, .dos_time = kStamp});
  Describe(PublicKey());
  PlaceSigned(zip.Build());
  StartLauncher({}, {}, L"/silent " + ArchiveOption());
  ASSERT_TRUE(Exited(60000)) << "the launcher did not finish";
  EXPECT_EQ(ExitCode(), 2u);
  EXPECT_TRUE(fs::is_empty(elsewhere)) << "nothing written through the link";
  EXPECT_FALSE(fs::exists(app_ / "readme.txt"));
  EXPECT_NE(Result().find("\"" + Narrow(link.wstring()) + "\" is a link or junction"), std::string::npos) << Result();
  EXPECT_TRUE(fs::exists(local_ / "UPDATE.ZIP")) << "kept";
  EXPECT_TRUE(WaitFor([&] { return RestartLog() == "UPDATE_RUN\r\n"; }, 10000)) << RestartLog();
  fs::remove(link);
}

}  // namespace
