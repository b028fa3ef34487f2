#include "platform/messages.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {

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
  return ::MessageBoxW(::GetActiveWindow(), Widen(text).c_str(), Widen(caption).c_str(), flags);
}

}  // namespace platform
