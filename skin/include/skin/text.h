// Text helpers of the skin engine. The layout rules are portable functions; the drawing itself
// is GDI (Windows only), with UTF-8 text converted to UTF-16 for the W calls.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "skin/geometry.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace skin {

// Removes the last character of UTF-8 text: a whole sequence, never a part of one. A stray
// continuation byte counts as a character of its own.
void Utf8PopBack(std::string& text);

// text when measure(text) <= width; otherwise characters are removed from the end one at a
// time until text + "..." fits, or "..." alone when nothing fits.
std::string FitTextToWidth(std::string_view text, int width, const std::function<int(std::string_view)>& measure);

// The rectangle DrawTextLine draws into: with the W rule, a text beginning with "W" gets 2 more
// pixels on the right; an odd font height moves the top up by 1.
Rect TextLineRect(const Rect& rect, std::string_view text, int fontHeight, bool wRule);

#ifdef _WIN32
// DrawTextW with the given DT_ flags; returns its result (rect is updated by DT_CALCRECT).
int DrawTextAuto(HDC dc, std::string_view text, RECT& rect, UINT format);
// Size of the rectangle DT_CALCRECT computes from an empty rectangle.
int MeasureTextWidth(HDC dc, std::string_view text);
int MeasureTextHeight(HDC dc, std::string_view text);
// Measured with the context's text extent.
std::string FitTextToWidth(HDC dc, std::string_view text, int width);
// Wide form, measured like MeasureTextWidth; a surrogate pair is removed whole.
std::wstring FitTextToWidth(HDC dc, std::wstring_view text, int width);
// lfHeight of the font selected into dc.
int FontHeightOf(HDC dc);
// Single line, vertically centred (and horizontally when centred), with the W and odd-height
// rules; nothing for empty text. Prefix characters are not interpreted: "&" is shown as is.
void DrawTextLine(HDC dc, std::string_view text, const RECT& rect, bool centred);
// The same without the W rule (panels).
void DrawTextLinePlain(HDC dc, std::string_view text, const RECT& rect, bool centred);

// Text with a blurred halo of glowColour, glowSize pixels wide, offset by glowOffset.
void DrawGlowText(HDC dc, const RECT& rect, std::string_view text, int glowSize, Color glowColour, int glowOffset,
                  UINT format);
// A softer, wider halo (margin 12, two blur passes of radius 6).
void DrawSoftGlowText(HDC dc, const RECT& rect, std::string_view text, Color glowColour, UINT format);
// The text at (x, y) in the context's text colour, and below it its mirror image in
// reflectionColour fading out from half strength, `offset` pixels from the text's bottom
// (negative: overlapping it); both clipped to `clip`. Nothing for empty text or an empty clip.
void DrawReflectedText(HDC dc, int x, int y, std::string_view text, int offset, const RECT& clip,
                       Color reflectionColour);
#endif

}  // namespace skin
