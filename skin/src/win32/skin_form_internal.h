// What the skinned form's sources share and nobody else needs.
#pragma once

#include <windows.h>

#include <vector>

#include "skin/geometry.h"

namespace skin {

class TbsSkinForm;

// Hover polling and the buttons' morph steps.
inline constexpr UINT kHoverInterval = 50;
inline constexpr UINT kMorphInterval = 25;

inline Point ScreenToWindowPoint(HWND hwnd, POINT screen) {
  RECT wr{};
  ::GetWindowRect(hwnd, &wr);
  return {screen.x - wr.left, screen.y - wr.top};
}

inline Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The forms attached in this process (one user-interface thread), so that a minimized form finds
// the places the others already took.
inline std::vector<TbsSkinForm*>& AttachedForms() {
  static std::vector<TbsSkinForm*> forms;
  return forms;
}

}  // namespace skin
