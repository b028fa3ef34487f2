// Hints: the window that shows a control's hint text, what the application tells its show-hint
// handler, and the plain tooltip that is the application's hint window until another class is
// installed.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class Control;

// What the application knows about a hint it is about to show. The show-hint handler may change
// the position and the hide timeout.
struct HintInfo {
  Control* HintControl = nullptr;
  POINT CursorPos{};   // the cursor, in the hint control's client coordinates
  POINT HintPos{};     // screen point of the hint's top-left: below the cursor
  // In the hint control's client coordinates; the whole client area unless the handler narrows
  // it. Moving out of it within the control shows the hint again for the new place (a hint per
  // cell of a grid, say).
  RECT CursorRect{};
  unsigned HideTimeout = 0;  // ms until the hint hides; the application's hint hide pause
};

// The window a hint is shown in. The application owns one, made by its hint window class.
class HintWindow {
 public:
  HintWindow() = default;
  virtual ~HintWindow() = default;
  HintWindow(const HintWindow&) = delete;
  HintWindow& operator=(const HintWindow&) = delete;

  // Shows text with its top-left at rect's top-left; the window sizes itself to the text and
  // stays on the work area. Never takes the focus.
  virtual void ActivateHint(RECT rect, const std::string& text) = 0;
  // Hides without activating anything.
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  virtual HWND Handle() const = 0;

 protected:
  // Makes the hint's popup window (top-most, never activated, no taskbar button, a drop shadow)
  // of a class registered once per name, with `self` kept in the window's user data. Null when
  // the system refuses.
  static HWND CreateHintHandle(const wchar_t* class_name, WNDPROC proc, void* self);
};

// Makes the application's hint window: the class reference of the hint window.
using HintWindowClass = std::unique_ptr<HintWindow> (*)();

// The system's tooltip look without the text: the tooltip background, a one-pixel frame in the
// shadow colour, and the tooltip text colour set in dc for the text drawn next.
void PaintPlainHintBackground(HDC dc, const RECT& client);

// The system's tooltip look: tooltip colours, a one-pixel frame, the status font.
class PlainHintWindow : public HintWindow {
 public:
  PlainHintWindow() = default;
  ~PlainHintWindow() override;
  static std::unique_ptr<HintWindow> Create();

  void ActivateHint(RECT rect, const std::string& text) override;
  void Hide() override;
  bool Visible() const override { return hwnd_ && ::IsWindowVisible(hwnd_); }
  HWND Handle() const override { return hwnd_; }
  const std::string& Text() const { return text_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  void Paint(HDC dc);
  HWND hwnd_ = nullptr;
  std::string text_;
};

// The current cursor's 1-bit mask bitmap as rows padded to 32 bits, top-down or bottom-up as
// asked. A monochrome cursor's mask holds its AND half and below it its XOR half (height twice
// the width); a colour cursor's only the AND mask.
struct CursorMask {
  std::vector<uint8_t> bits;
  int width = 0;
  int height = 0;
  size_t stride = 0;
  int hotspot_y = 0;
  bool has_colour = false;
};
// None when there is no cursor or its mask cannot be read (or is implausibly large).
std::optional<CursorMask> ReadCursorMask(bool bottom_up);

// How far below the cursor's hot spot the current cursor's visible part ends; the system cursor
// height when its mask cannot be read.
int CursorHeightMargin();

}  // namespace platform::ui
