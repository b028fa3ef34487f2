#include "platform/ui/application.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/exception_text.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/ui/form.h"

namespace platform::ui {

Application::Application() = default;

Application::~Application() { StopHintTimer(); }

Application& Application::Instance() {
  static Application app;
  return app;
}

void Application::Initialize() {
  // Pixel-exact layout: the design is in pixels and must not be stretched by the system.
  using SetAwareness = BOOL(WINAPI*)();
  if (HMODULE user = ::GetModuleHandleW(L"user32.dll")) {
    if (auto fn = reinterpret_cast<SetAwareness>(
            reinterpret_cast<void*>(::GetProcAddress(user, "SetProcessDPIAware"))))
      fn();
  }
}

int Application::Run() {
  if (main_form_ && show_main_form_ && !terminated_) main_form_->Show();
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  terminated_ = true;
  return exit_code_;
}

void Application::Terminate() {
  terminated_ = true;
  ::PostQuitMessage(0);
}

void Application::HandleException(const std::exception& e) { HandleException(std::string(e.what())); }

void HandleCurrentException() noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& e) {
      Application::Instance().HandleException(e);
    } catch (...) {
      Application::Instance().HandleException(std::string("Unknown error"));
    }
  } catch (...) {
    // The handler itself failed (out of memory for the box's text): there is nobody left to
    // tell, and unwinding on into the system's frames would end the process.
  }
}

void Application::HandleException(const std::string& message) {
  const std::string text = ExceptionDisplayText(message);
  if (OnException) {
    OnException(text, title_);
    return;
  }
  ShowMessageBox(text, title_, kMbOk | kMbIconError);
}

bool ShellStart(void* owner_window, const std::string& operation, const std::string& file,
                const std::string& parameters, int show_command) {
  const std::wstring op = Widen(operation), f = Widen(file), p = Widen(parameters);
  const HINSTANCE r = ::ShellExecuteW(static_cast<HWND>(owner_window), op.empty() ? nullptr : op.c_str(),
                                      f.c_str(), p.empty() ? nullptr : p.c_str(), nullptr, show_command);
  return reinterpret_cast<INT_PTR>(r) > 32;
}

}  // namespace platform::ui
