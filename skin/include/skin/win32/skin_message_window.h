//: an open form, seen by the skin data, as the window that gets the skin messages.
#pragma once

#include <windows.h>

#include "skin/skin_data.h"

namespace skin {

// Sends each skin message to the window synchronously (SendMessage: the window has handled it
// before the next form gets it). Registers itself among the open forms while it lives.
class WindowSkinTarget : public SkinMessageTarget {
 public:
  WindowSkinTarget(HWND window, std::string form_class_name, bool register_as_open_form = true);
  ~WindowSkinTarget() override;
  WindowSkinTarget(const WindowSkinTarget&) = delete;
  WindowSkinTarget& operator=(const WindowSkinTarget&) = delete;

  HWND Window() const { return window_; }
  std::string FormClassName() const override { return class_name_; }
  void SkinMessage(uint32_t message, TbsSkinData* sender, intptr_t param) override;

 private:
  HWND window_;
  std::string class_name_;
  bool registered_;
};

}  // namespace skin
