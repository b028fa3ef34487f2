#pragma once

#include <exception>
#include <functional>
#include <string>

namespace platform::ui {

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
  // message loop until termination is requested. Returns the exit code (0).
  int Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // The default exception handler: a message box with the exception's text (full-stop rule),
  // captioned with the title, error icon. OnException replaces the box (tests use it).
  void HandleException(const std::exception& e);
  void HandleException(const std::string& message);
  std::function<void(const std::string& text, const std::string& caption)> OnException;

 private:
  Application() = default;
  bool main_form_on_taskbar_ = false;
  bool show_main_form_ = true;
  bool terminated_ = false;
  std::string title_;
  Form* main_form_ = nullptr;
};

// Starts a program through the shell (ShellExecute): operation, file, parameters, show command.
// Returns true when the shell accepted the request.
bool ShellStart(void* owner_window, const std::string& operation, const std::string& file,
                const std::string& parameters, int show_command);

}  // namespace platform::ui
