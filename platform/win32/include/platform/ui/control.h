// Windows made from a design written in code: a control is a child window that paints itself;
// a form is a top-level window that lays out its controls by their alignment.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/font.h"

namespace platform::ui {

enum class Align { None, Top, Bottom, Left, Right, Client };
enum class TextAlign { Left, Center, Right };

class Control {
 public:
  explicit Control(Control* parent);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  HWND Handle() const { return hwnd_; }
  Control* Parent() const { return parent_; }
  const std::vector<Control*>& Children() const { return children_; }

  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& Name() const { return name_; }

  void SetBounds(int left, int top, int width, int height);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  RECT ClientRect() const { return RECT{0, 0, width_, height_}; }

  void SetAlign(Align align);
  Align GetAlign() const { return align_; }

  virtual void SetCaption(const std::string& caption);
  // Stores the caption without touching the window.
  void SetCaptionText(const std::string& caption) { caption_ = caption; }
  const std::string& Caption() const { return caption_; }

  void SetColor(COLORREF color);
  COLORREF Color() const { return color_; }
  // With ParentColor the control paints with its parent's colour.
  void SetParentColor(bool on) { parent_color_ = on; }
  COLORREF EffectiveColor() const;

  void SetFont(const FontSpec& font);
  const FontSpec& Font() const { return font_; }
  HFONT FontHandle();

  void SetVisible(bool visible);
  bool Visible() const { return visible_; }

  // The hint the application shows when the mouse rests on the control. ShowHint follows the
  // parent's while ParentShowHint is on (the default); setting ShowHint turns ParentShowHint off.
  void SetHint(const std::string& hint) { hint_ = hint; }
  const std::string& Hint() const { return hint_; }
  void SetShowHint(bool on) {
    show_hint_ = on;
    parent_show_hint_ = false;
  }
  bool ShowHint() const { return parent_show_hint_ && parent_ ? parent_->ShowHint() : show_hint_; }
  void SetParentShowHint(bool on) { parent_show_hint_ = on; }
  bool ParentShowHint() const { return parent_show_hint_; }

  // The control whose window this is, or null for any other window.
  static Control* FromHandle(HWND hwnd);

  // Creates the window (and those of the children already added); children added later create
  // theirs at once.
  void CreateHandle();
  void Invalidate();
  void Update();
  // Lays the children out by their alignment, in the order top, bottom, left, right, client.
  void Realign();

 protected:
  virtual DWORD WindowStyle() const { return WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN; }
  virtual DWORD WindowExStyle() const { return 0; }
  virtual HWND ParentHandle() const { return parent_ ? parent_->Handle() : nullptr; }
  virtual void CreateWindowHandle();
  // Paints the whole client area into `dc` (an off-screen bitmap of the control's size).
  virtual void Paint(HDC dc);
  // Gives derived classes first go at a message; return true when handled.
  virtual bool HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
  virtual void Resized() {}
  // The window was resized by the system: takes the new client size and lays the children out
  // again, without moving the window itself.
  void ClientResized(int width, int height);
  LRESULT DefaultProc(UINT msg, WPARAM wparam, LPARAM lparam);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static const wchar_t* RegisterClassOnce();

  HWND hwnd_ = nullptr;

 private:
  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam);
  // What the application's hint needs to see of the message: mouse moves and leaves, clicks and
  // keys, deactivation.
  void TrackHint(UINT msg, WPARAM wparam, LPARAM lparam);
  void PaintBuffered();
  // Paints the client area through an off-screen bitmap onto `target` at its origin (WM_PRINTCLIENT).
  void PaintTo(HDC target);

  Control* parent_;
  std::vector<Control*> children_;
  std::string name_;
  std::string caption_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  Align align_ = Align::None;
  COLORREF color_ = 0xFF000000 | COLOR_BTNFACE;
  bool parent_color_ = true;
  bool visible_ = true;
  std::string hint_;
  bool show_hint_ = false;
  bool parent_show_hint_ = true;
  FontSpec font_;
  UniqueFont font_handle_;
};

// A plain panel: fills itself with its colour; no bevel.
class Panel : public Control {
 public:
  explicit Panel(Control* parent) : Control(parent) { SetParentColor(false); }
};

// A plain label: its text in its font, on its (parent's) colour, aligned in a fixed box.
class Label : public Control {
 public:
  explicit Label(Control* parent) : Control(parent) {}
  void SetAlignment(TextAlign a) { alignment_ = a; Invalidate(); }
  TextAlign Alignment() const { return alignment_; }
  // Shows the new text within a tenth of a second. A label that follows a long operation (a
  // file name per extracted file) would otherwise repaint thousands of times a second; changes
  // closer together than that are drawn together, the last one always.
  void SetCaption(const std::string& caption) override;

 protected:
  void Paint(HDC dc) override;
  bool HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  void ShowCaption();
  TextAlign alignment_ = TextAlign::Left;
  DWORD last_paint_ = 0;
  bool repaint_due_ = false;
};

// An image: 32-bit top-down BGRA pixels drawn unscaled from the top-left corner, cut at the
// control's edges.
class Image : public Control {
 public:
  explicit Image(Control* parent) : Control(parent) {}
  void SetPixels(int width, int height, std::vector<uint32_t> pixels);
  int PictureWidth() const { return pic_width_; }
  int PictureHeight() const { return pic_height_; }

 protected:
  void Paint(HDC dc) override;

 private:
  int pic_width_ = 0, pic_height_ = 0;
  std::vector<uint32_t> pixels_;
};

}  // namespace platform::ui
