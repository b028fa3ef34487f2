#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/hint.h"

namespace platform::ui {

class Control;
class Form;

// The application object: title, main form, message loop, termination request and the default
// exception handler.
class Application {
 public:
  static Application& Instance();

  void Initialize();
  // The main form owns the taskbar button (no hidden owner window shows there).
  void SetMainFormOnTaskBar(bool on) { main_form_on_taskbar_ = on; }
  bool MainFormOnTaskBar() const { return main_form_on_taskbar_; }
  void SetTitle(const std::string& title) { title_ = title; }
  const std::string& Title() const { return title_; }
  void SetShowMainForm(bool on) { show_main_form_ = on; }
  bool ShowMainForm() const { return show_main_form_; }
  void SetMainForm(Form* form) { main_form_ = form; }
  Form* MainForm() const { return main_form_; }

  // Shows the main form when the switch is on and nobody asked to terminate, then runs the
  // message loop until termination is requested. Returns the exit code (0 unless set).
  int Run();
  void SetExitCode(int code) { exit_code_ = code; }
  void Terminate();
  bool Terminated() const { return terminated_; }

  // The default exception handler: a message box with the exception's text (full-stop rule),
  // captioned with the title, error icon. OnException replaces the box (tests use it).
  void HandleException(const std::exception& e);
  void HandleException(const std::string& message);
  std::function<void(const std::string& text, const std::string& caption)> OnException;

  // Hints. With ShowHint on, a control whose ShowHint is on shows its Hint after the mouse has
  // rested on it for HintPause ms (HintShortPause when another hint was just up), below the
  // cursor, for HintHidePause ms. Switching ShowHint off and on makes a new hint window of the
  // current hint window class.
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool on);
  unsigned HintPause() const { return hint_pause_; }
  void SetHintPause(unsigned ms) { hint_pause_ = ms; }
  unsigned HintShortPause() const { return hint_short_pause_; }
  void SetHintShortPause(unsigned ms) { hint_short_pause_ = ms; }
  unsigned HintHidePause() const { return hint_hide_pause_; }
  void SetHintHidePause(unsigned ms) { hint_hide_pause_ = ms; }
  HintWindowClass GetHintWindowClass() const { return hint_window_class_; }
  void SetHintWindowClass(HintWindowClass cls) { hint_window_class_ = cls ? cls : &PlainHintWindow::Create; }
  // Before a hint shows: the text and the info may be changed, CanShow cleared to show nothing.
  std::function<void(std::string& hint_str, bool& can_show, HintInfo& info)> OnShowHint;
  // The hint window (null while ShowHint is off or before the first hint) and the control whose
  // hint is pending or shown.
  HintWindow* CurrentHintWindow() const { return hint_window_.get(); }
  Control* HintControl() const { return hint_control_; }
  // Hides the hint and forgets its control: the next control under the mouse starts over.
  void CancelHint();
  // Hides the hint; it does not come back until the mouse moves to another control.
  void HideHint();

  // Called by the controls' window procedures.
  void HintMouseMessage(Control* control, POINT screen);
  void HintMouseLeft(Control* control);
  void HintControlDestroyed(Control* control);

 private:
  Application();
  ~Application();
  enum class HintTimerMode { Show, Hide };
  // A thread timer of the application's own: it needs no other static object, so that it is
  // safe to stop at process exit too.
  static void CALLBACK HintTimerProc(HWND, UINT, UINT_PTR id, DWORD);
  void StartHintTimer(unsigned ms, HintTimerMode mode);
  void StopHintTimer();
  void HintTimerExpired();
  void ActivateHint();
  bool main_form_on_taskbar_ = false;
  bool show_main_form_ = true;
  bool terminated_ = false;
  int exit_code_ = 0;
  std::string title_;
  Form* main_form_ = nullptr;

  bool show_hint_ = true;
  unsigned hint_pause_ = 500;
  unsigned hint_short_pause_ = 50;
  unsigned hint_hide_pause_ = 2500;
  HintWindowClass hint_window_class_ = &PlainHintWindow::Create;
  std::unique_ptr<HintWindow> hint_window_;
  Control* hint_control_ = nullptr;
  // Screen rectangle the shown hint belongs to (the handler's CursorRect): moving out of it
  // within the same control brings the hint up again for the new place.
  RECT hint_cursor_rect_{};
  bool hint_cursor_rect_set_ = false;
  UINT_PTR hint_timer_ = 0;
  HintTimerMode hint_timer_mode_ = HintTimerMode::Show;
};

// The one exception boundary of the user interface. Every window procedure, timer callback and
// other C frame the system calls runs its work through Guarded: an exception never unwinds
// through the system's frames, it goes to the application's default handler, and the callback
// returns `fallback`.
void HandleCurrentException() noexcept;
template <typename Body>
void Guarded(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    HandleCurrentException();
  }
}
template <typename Result, typename Body>
Result Guarded(Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    HandleCurrentException();
  }
  return fallback;
}

// Starts a program through the shell (ShellExecute): operation, file, parameters, show command.
// Returns true when the shell accepted the request.
bool ShellStart(void* owner_window, const std::string& operation, const std::string& file,
                const std::string& parameters, int show_command);

}  // namespace platform::ui
