// The taskbar button's progress: nothing before Windows says the button exists, then the gauge's
// percentage, red when the update failed, and all of it again when the button is made anew
// (Explorer restarted). A stand-in taskbar records what it is told; under Wine no taskbar shows it.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../win32/main_form.h"
#include "../win32/taskbar_progress.h"
#include "launcher/update_sequence.h"
#include "platform/text.h"
#include "platform/ui/application.h"

namespace {

namespace fs = std::filesystem;

class RecordingTaskbar : public ITaskbarList3 {
 public:
  explicit RecordingTaskbar(std::vector<std::string>& calls) : calls_(calls) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) {
      calls_.push_back("released");
      delete this;
    }
    return left;
  }
  HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, WINBOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG done, ULONGLONG total) override {
    calls_.push_back("value " + std::to_string(done) + "/" + std::to_string(total));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetProgressState(HWND, TBPFLAG state) override {
    calls_.push_back(state == TBPF_ERROR ? "error" : state == TBPF_NORMAL ? "normal" : "state " + std::to_string(state));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return E_NOTIMPL; }

 private:
  std::vector<std::string>& calls_;
  ULONG refs_ = 1;
};

TEST(TaskbarProgress, ShowsProgressAndErrorOnceTheButtonExists) {
  std::vector<std::string> calls;
  int made = 0;
  {
    launcher::TaskbarProgress taskbar([&]() -> ITaskbarList3* {
      ++made;
      calls.push_back("made");
      return new RecordingTaskbar(calls);
    });
    const HWND window = ::GetDesktopWindow();
    taskbar.SetProgress(10);
    EXPECT_EQ(made, 0) << "no interface before the button exists";
    taskbar.ButtonCreated(window);
    taskbar.SetProgress(55);
    taskbar.SetProgress(140);  // kept within the range
    taskbar.SetError();
    taskbar.SetProgress(60);  // the error stays
    taskbar.ButtonCreated(window);
    EXPECT_TRUE(taskbar.Connected());
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"made", "normal", "value 10/100", "normal", "value 55/100", "normal",
                                             "value 100/100", "value 100/100", "error", "value 100/100", "error",
                                             "released", "made", "value 100/100", "error", "released"}));
}

TEST(TaskbarProgress, WithoutATaskbarNothingIsShown) {
  launcher::TaskbarProgress taskbar([]() -> ITaskbarList3* { return nullptr; });
  taskbar.SetProgress(30);
  taskbar.ButtonCreated(::GetDesktopWindow());
  taskbar.SetError();
  EXPECT_FALSE(taskbar.Connected());
  EXPECT_NE(launcher::TaskbarProgress::ButtonCreatedMessage(), 0u);
}

// The window: the registered message reaches the taskbar glue, the gauge's value goes to the
// button, and an update that fails turns it red before the error reaches the user.
TEST(TaskbarProgress, TheWindowFeedsItsButton) {
  auto& app = platform::ui::Application::Instance();
  std::vector<std::string> shown;
  app.OnException = [&shown](const std::string& text, const std::string&) { shown.push_back(text); };
  // No UPDATE.ZIP beside the test program: the run is refused before anything is written (the
  // log and the result file go to a folder of this test's, whose stand-in application is restarted).
  wchar_t base[MAX_PATH];
  ::GetTempPathW(MAX_PATH, base);
  const fs::path folder = fs::path(base) / ("halvex_taskbar_" + std::to_string(::GetCurrentProcessId()));
  fs::create_directories(folder);
  fs::copy_file(HALVEX_STANDIN_EXE, folder / "App.exe", fs::copy_options::overwrite_existing);
  std::vector<std::string> calls;
  {
    launcher::TfmMain form({platform::Narrow((folder / "App.exe").wstring())});
    form.taskbar = std::make_unique<launcher::TaskbarProgress>([&]() -> ITaskbarList3* { return new RecordingTaskbar(calls); });
    form.CreateHandle();
    form.FormCreate(&form);
    ::SendMessageW(form.Handle(), launcher::TaskbarProgress::ButtonCreatedMessage(), 0, 0);
    form.SetProgressValue(42);
    EXPECT_EQ(calls, (std::vector<std::string>{"normal", "value 42/100"}));
    calls.clear();
    form.ExtractUpdate();
    EXPECT_EQ(calls, (std::vector<std::string>{"value 100/100", "error"}));
    ASSERT_EQ(shown.size(), 1u);
  }
  // The run asked the launcher to end.
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  const fs::path log = folder / "standin.log";
  for (int i = 0; i < 150 && !fs::exists(log); ++i) ::Sleep(100);
  EXPECT_TRUE(fs::exists(log)) << "the application was restarted";
  ::Sleep(200);
  std::error_code ec;
  fs::remove_all(folder, ec);
  app.OnException = nullptr;
}

}  // namespace
