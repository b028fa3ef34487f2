// The layout rules of the skin engine's text, as portable functions; the GDI drawing that follows
// them is in skin/win32/text.h.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "skin/geometry.h"

namespace skin {

// Removes the last character of UTF-8 text: a whole sequence, never a part of one. A stray
// continuation byte counts as a character of its own.
void Utf8PopBack(std::string& text);

// text when measure(text) <= width; otherwise characters are removed from the end one at a
// time until text + "..." fits, or "..." alone when nothing fits.
std::string FitTextToWidth(std::string_view text, int width, const std::function<int(std::string_view)>& measure);

// The rectangle DrawTextLine draws into: with the W rule, a text beginning with "W" gets 2 more
// pixels on the right; an odd font height moves the top up by 1.
Rect TextLineRect(const Rect& rect, std::string_view text, int font_height, bool w_rule);

}  // namespace skin
