#include "platform/messages.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {

void Sleep(unsigned ms) { ::Sleep(ms); }

bool PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The outer message loop must still see the quit request.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return true;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return false;
}

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  // Owned by the active window of this thread when there is one that is still alive and shown;
  // a destroyed or hidden owner would make the box fail or stay out of sight.
  HWND owner = ::GetActiveWindow();
  if (owner && (!::IsWindow(owner) || !::IsWindowVisible(owner))) owner = nullptr;
  return ::MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), flags);
}

}  // namespace platform
