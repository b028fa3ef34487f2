#pragma once

#include <windows.h>

#include <functional>

namespace platform::ui {

// A timer on the user-interface thread. Enabling starts it; OnTimer runs on every tick until it
// is disabled. Exceptions from OnTimer go to the application's default handler.
class Timer {
 public:
  Timer() = default;
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void SetInterval(unsigned ms);
  unsigned Interval() const { return interval_; }
  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }
  std::function<void(Timer*)> OnTimer;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
  void Start();
  void Stop();
  unsigned interval_ = 1000;
  bool enabled_ = false;
  UINT_PTR id_ = 0;
};

}  // namespace platform::ui
