// The launcher's taskbar button shows what its gauge shows, and turns red when the update failed
// (ITaskbarList3). Windows tells a window that its button exists with the registered message
// "TaskbarButtonCreated" (again when Explorer restarts); the interface is made then, and the state
// the button has missed so far is shown at once.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <functional>

namespace launcher {

class TaskbarProgress {
 public:
  // Makes the taskbar's interface (one reference handed over), or nullptr where there is none.
  using Factory = std::function<ITaskbarList3*()>;
  explicit TaskbarProgress(Factory factory = SystemTaskbar);
  ~TaskbarProgress();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  // The message number of "TaskbarButtonCreated".
  static UINT ButtonCreatedMessage();
  // The system's taskbar, on a COM apartment of this thread.
  static ITaskbarList3* SystemTaskbar();

  // The button of `window` exists (again).
  void ButtonCreated(HWND window);
  void SetProgress(int percent);  // 0 to 100
  void SetError();
  bool Connected() const { return taskbar_ != nullptr; }

 private:
  void Release();
  void Show();

  Factory factory_;
  ITaskbarList3* taskbar_ = nullptr;
  HWND window_ = nullptr;
  int percent_ = -1;  // none shown yet
  bool error_ = false;
  bool com_ = false;  // this object initialised COM on its thread
};

}  // namespace launcher
