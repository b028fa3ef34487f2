// Tests that drive real windows: run this thread's messages for a while, as a message loop would.
#pragma once

#include <windows.h>

namespace platform::testing {

inline void Pump(int ms) {
  const DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  } while (static_cast<int>(::GetTickCount() - end) < 0);
}

}  // namespace platform::testing
