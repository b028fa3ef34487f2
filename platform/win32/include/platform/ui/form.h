#pragma once

#include <functional>

#include "platform/ui/control.h"

namespace platform::ui {

// The window's border: none, a fixed one, or one the user can drag to resize the window.
enum class BorderStyle { None, Single, Sizeable };
// The buttons the platform's own frame offers on the caption.
enum BorderIcon : unsigned { kBiSystemMenu = 1, kBiMinimize = 2, kBiMaximize = 4 };

// A top-level window built from a design written in code. The design's constructor creates the
// components; Create() makes the windows and then runs OnCreate. Exceptions from OnCreate go to
// the application's default handler and creation goes on.
class Form : public Control {
 public:
  Form();
  ~Form() override;

  // The size of the client area. On a window that exists the frame it has now counts (a skinned
  // frame answers the non-client size itself); before that, the platform's standard frame.
  void SetClientSize(int width, int height);
  int ClientWidth() const { return client_width_; }
  int ClientHeight() const { return client_height_; }
  void SetStayOnTop(bool on) { stay_on_top_ = on; }
  // Border style and icons take effect when the window is made.
  void SetBorderStyle(BorderStyle style) { border_style_ = style; }
  BorderStyle GetBorderStyle() const { return border_style_; }
  void SetBorderIcons(unsigned icons) { border_icons_ = icons; }
  unsigned BorderIcons() const { return border_icons_; }
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
  BorderStyle border_style_ = BorderStyle::Single;
  unsigned border_icons_ = kBiSystemMenu | kBiMinimize;
  bool showing_ = false;
  bool shown_once_ = false;
};

}  // namespace platform::ui
