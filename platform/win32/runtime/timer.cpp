#include "platform/ui/timer.h"

#include <map>

#include "platform/ui/application.h"

namespace platform::ui {

namespace {
std::map<UINT_PTR, Timer*>& Timers() {
  static std::map<UINT_PTR, Timer*> timers;
  return timers;
}
}  // namespace

Timer::~Timer() { Stop(); }

void Timer::SetInterval(unsigned ms) {
  interval_ = ms;
  if (enabled_) {
    Stop();
    Start();
  }
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_) Start();
  else Stop();
}

void Timer::Start() {
  if (interval_ == 0 || !OnTimer) return;
  id_ = ::SetTimer(nullptr, 0, interval_, &Timer::Tick);
  if (id_) Timers()[id_] = this;
}

void Timer::Stop() {
  if (id_) {
    ::KillTimer(nullptr, id_);
    Timers().erase(id_);
    id_ = 0;
  }
}

void CALLBACK Timer::Tick(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Timers().find(id);
  if (it == Timers().end()) return;
  Timer* timer = it->second;
  if (timer->OnTimer) Guarded([&] { timer->OnTimer(timer); });
}

}  // namespace platform::ui
