// The "?" settings: ZipName ending in '?' asks for the archive with an open-file dialog, DestDir
// "?" asks for a folder. Windows only: the dialogs are driven from a second thread the way a user
// would answer them. Elsewhere there is nobody to ask and both count as cancelled.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "test_support.h"
#include "zip/errors.h"
#include "zip/unzipper.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using zip::EUserCanceled;
using zip::TUnZipper;

#ifdef _WIN32
// Waits for a visible dialog of this process, lets `answer` act on it, and returns.
class DialogDriver {
 public:
  template <typename F>
  explicit DialogDriver(F answer) {
    thread_ = std::thread([this, answer] {
      for (int i = 0; i < 400 && !done_; ++i) {
        HWND found = nullptr;
        ::EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
              DWORD pid = 0;
              ::GetWindowThreadProcessId(hwnd, &pid);
              wchar_t cls[16] = {};
              ::GetClassNameW(hwnd, cls, 16);
              if (pid == ::GetCurrentProcessId() && std::wstring(cls) == L"#32770" && ::IsWindowVisible(hwnd)) {
                *reinterpret_cast<HWND*>(lp) = hwnd;
                return FALSE;
              }
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found) {
          ::Sleep(300);  // let the dialog finish filling itself in
          wchar_t title[128] = {};
          ::GetWindowTextW(found, title, 128);
          title_ = title;
          answer(found);
          return;
        }
        ::Sleep(50);
      }
    });
  }
  ~DialogDriver() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::wstring Title() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
    return title_;
  }

 private:
  std::atomic<bool> done_{false};
  std::wstring title_;
  std::thread thread_;
};

TEST(AskingDialogs, ZipNameEndingInQuestionMarkTakesTheChosenFile) {
  zip_test::TempDir dir;
  zip_test::WriteFile(dir / "chosen.zip", zip_test::ZipBuilder().Build());
  const std::wstring chosen = (dir.Path() / "chosen.zip").wstring();
  TUnZipper u;
  DialogDriver driver([&](HWND dialog) {
    ::SetDlgItemTextW(dialog, 1148, chosen.c_str());  // the file-name box
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  u.SetZipName(dir.Engine() + "\\?");
  EXPECT_EQ(driver.Title(), L"Open a Zip File");
  EXPECT_EQ(u.ZipName(), dir.Engine("chosen.zip"));
}

TEST(AskingDialogs, CancelledFileDialogRaisesAndKeepsTheName) {
  TUnZipper u;
  u.SetZipName("C:\\before.zip");
  DialogDriver driver([](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
  try {
    u.SetZipName("C:\\no such folder\\?");
    FAIL() << "no error";
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled setting zip file name.");
  }
  EXPECT_EQ(u.ZipName(), "C:\\before.zip");
}

TEST(AskingDialogs, DestDirQuestionMarkTakesTheChosenFolderOrKeepsTheOldOne) {
  zip_test::TempDir dir;
  TUnZipper u;
  u.SetDestDir(dir.Engine() + "\\");
  {
    DialogDriver driver([](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_THROW(u.SetDestDir("?"), EUserCanceled);
  }
  EXPECT_EQ(u.DestDir(), dir.Engine());
  {
    // The dialog opens on the current DestDir; accepting it gives that folder back.
    DialogDriver driver([](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
    u.SetDestDir("?");
  }
  EXPECT_EQ(u.DestDir(), dir.Engine());
}
#else
TEST(AskingDialogs, WithoutDialogsBothCountAsCancelled) {
  TUnZipper u;
  u.SetDestDir("C:\\App\\");
  EXPECT_THROW(u.SetZipName("C:\\App\\?"), EUserCanceled);
  try {
    u.SetDestDir("?");
    FAIL() << "no error";
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled Set Desination Directory");
  }
  EXPECT_EQ(u.DestDir(), "C:\\App");
}
#endif

}  // namespace
