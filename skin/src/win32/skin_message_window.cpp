#include "skin/win32/skin_message_window.h"

namespace skin {

WindowSkinTarget::WindowSkinTarget(HWND window, std::string form_class_name, bool register_as_open_form)
    : window_(window), class_name_(std::move(form_class_name)), registered_(register_as_open_form) {
  if (registered_) SkinForms::Add(this);
}

WindowSkinTarget::~WindowSkinTarget() {
  if (registered_) SkinForms::Remove(this);
}

void WindowSkinTarget::SkinMessage(uint32_t message, TbsSkinData* sender, intptr_t param) {
  // A window destroyed behind our back must not be sent to: IsWindow guards the stale handle.
  if (!window_ || !::IsWindow(window_)) return;
  ::SendMessageW(window_, message, reinterpret_cast<WPARAM>(sender), static_cast<LPARAM>(param));
}

}  // namespace skin
