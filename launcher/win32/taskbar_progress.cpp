#include "taskbar_progress.h"

#include <algorithm>

namespace launcher {

TaskbarProgress::TaskbarProgress(Factory factory) : factory_(std::move(factory)) {}

TaskbarProgress::~TaskbarProgress() {
  Release();
  if (com_) ::CoUninitialize();
}

UINT TaskbarProgress::ButtonCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"TaskbarButtonCreated");
  return message;
}

ITaskbarList3* TaskbarProgress::SystemTaskbar() {
  ITaskbarList3* taskbar = nullptr;
  // __uuidof gives each GUID on its own; the CLSID_ and IID_ constants would link the import
  // library's object of every GUID Windows defines (40 KB of the program).
  if (FAILED(::CoCreateInstance(__uuidof(TaskbarList), nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskbarList3),
                                reinterpret_cast<void**>(&taskbar))) || !taskbar)
    return nullptr;
  if (FAILED(taskbar->HrInit())) {
    taskbar->Release();
    return nullptr;
  }
  return taskbar;
}

void TaskbarProgress::Release() {
  if (taskbar_) taskbar_->Release();
  taskbar_ = nullptr;
}

void TaskbarProgress::ButtonCreated(HWND window) {
  if (!com_) {
    // S_FALSE: the thread had an apartment already; each success is balanced by one uninitialise.
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    com_ = SUCCEEDED(hr);
  }
  Release();
  window_ = window;
  taskbar_ = factory_ ? factory_() : nullptr;
  Show();
}

void TaskbarProgress::SetProgress(int percent) {
  percent_ = std::clamp(percent, 0, 100);
  Show();
}

void TaskbarProgress::SetError() {
  error_ = true;
  Show();
}

void TaskbarProgress::Show() {
  if (!taskbar_ || !window_) return;
  if (error_) {
    // A full red bar: the failure is seen on the button even when it came before any progress.
    taskbar_->SetProgressValue(window_, 100, 100);
    taskbar_->SetProgressState(window_, TBPF_ERROR);
  } else if (percent_ >= 0) {
    taskbar_->SetProgressState(window_, TBPF_NORMAL);
    taskbar_->SetProgressValue(window_, static_cast<ULONGLONG>(percent_), 100);
  }
}

}  // namespace launcher
