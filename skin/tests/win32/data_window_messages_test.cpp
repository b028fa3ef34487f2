#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "skin/win32/skin_message_window.h"

namespace {

struct Received {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};
std::vector<Received> g_received;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message >= 1225 && message <= 1428) g_received.push_back({message, wparam, lparam});
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

HWND MakeWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = RecordingProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"HalvexSkinMessageTest";
  ::RegisterClassW(&wc);
  return ::CreateWindowW(L"HalvexSkinMessageTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

}  // namespace

TEST(DataWindowMessages, SkinMessagesReachTheWindowSynchronously) {
  HWND owner_window = MakeWindow();
  HWND other_window = MakeWindow();
  ASSERT_NE(owner_window, nullptr);
  g_received.clear();
  {
    skin::WindowSkinTarget owner(owner_window, "TfmMain");
    skin::WindowSkinTarget other(other_window, "TForm");
    skin::TbsSkinData data(&owner);
    data.SetShowLayeredBorders(false);
    ASSERT_EQ(g_received.size(), 2u);
    EXPECT_EQ(g_received[0].message, skin::SKM_LAYEREDCHANGED);
    EXPECT_EQ(g_received[0].wparam, reinterpret_cast<WPARAM>(&data));
    EXPECT_EQ(g_received[0].lparam, 1000);
    ::DestroyWindow(other_window);
    data.SetAeroBlurEnabled(false);  // the destroyed window is skipped
    EXPECT_EQ(g_received.size(), 3u);
  }
  ::DestroyWindow(owner_window);
}
