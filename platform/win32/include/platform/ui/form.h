#pragma once

#include <functional>

#include "platform/ui/control.h"

namespace platform::ui {

// A top-level window built from a design written in code. The design's constructor creates the
// components; Create() makes the windows and then runs OnCreate. Exceptions from OnCreate go to
// the application's default handler and creation goes on.
class Form : public Control {
 public:
  Form();
  ~Form() override;

  void SetClientSize(int width, int height);
  int ClientWidth() const { return client_width_; }
  int ClientHeight() const { return client_height_; }
  void SetStayOnTop(bool on) { stay_on_top_ = on; }
  void SetCaption(const std::string& caption) override;

  // Makes the windows and runs OnCreate.
  void Create();
  void Show();
  void Close();
  bool Showing() const { return showing_; }

  std::function<void(Form*)> OnCreate;
  std::function<void(Form*)> OnShow;
  std::function<void(Form*)> OnDestroy;

 protected:
  DWORD WindowStyle() const override;
  DWORD WindowExStyle() const override;
  HWND ParentHandle() const override { return nullptr; }
  bool HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  void CreateWindowHandle() override;

 private:
  int client_width_ = 0, client_height_ = 0;
  bool stay_on_top_ = false;
  bool showing_ = false;
  bool shown_once_ = false;
};

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
