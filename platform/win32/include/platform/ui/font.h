#pragma once

#include <windows.h>

#include <string>

#include "platform/ui/gdi.h"

namespace platform::ui {

enum FontStyle : unsigned { kFsBold = 1, kFsItalic = 2, kFsUnderline = 4, kFsStrikeOut = 8 };

// A font as a stored design names it. Height follows the Windows convention: negative is the
// character height, positive the cell height, in pixels.
struct FontSpec {
  std::string face = "Tahoma";
  int height = -11;
  int charset = DEFAULT_CHARSET;
  COLORREF color = 0xFF000000 | COLOR_WINDOWTEXT;  // 0xFF000000 + n = system colour n
  unsigned style = 0;
};

// Resolves 0xFF000000 + n to the system colour n; other values stay.
COLORREF ResolveColor(COLORREF color);

// The font `spec` describes; `escapement` turns its text by tenths of a degree, counter-clockwise.
UniqueFont CreateFontFrom(const FontSpec& spec, int escapement = 0);

}  // namespace platform::ui
