// The message pump and the plain message box, the two UI services the engines call directly.
#pragma once

#include <string>

namespace platform {

// Dispatches the thread's pending window messages without waiting. A quit request is put back
// into the queue and ends the pump at once (result true); false when the queue ran empty.
// Nothing to pump on the POSIX build.
bool PumpMessages();

// Suspends the calling thread for `ms` milliseconds.
void Sleep(unsigned ms);

// Message box flags and results as the Windows API numbers them.
enum MessageBoxFlags : unsigned {
  kMbOk = 0x0, kMbOkCancel = 0x1, kMbYesNoCancel = 0x3, kMbYesNo = 0x4,
  kMbIconError = 0x10, kMbIconQuestion = 0x20, kMbIconWarning = 0x30, kMbIconInformation = 0x40,
};
enum MessageBoxResult : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// Windows: MessageBoxW with the active window as owner. POSIX: the text goes to standard error
// and the answer is OK (or Cancel/No for questions, since nobody can answer).
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);

}  // namespace platform
