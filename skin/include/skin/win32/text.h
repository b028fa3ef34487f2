// Text drawn with GDI: UTF-8 converted to UTF-16 for the W calls, laid out by the portable rules.
#pragma once

#include <windows.h>

#include "skin/text_layout.h"

namespace skin {

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

// Text with a blurred halo of glow_colour, glow_size pixels wide, offset by glow_offset.
void DrawGlowText(HDC dc, const RECT& rect, std::string_view text, int glow_size, Color glow_colour, int glow_offset,
                  UINT format);
// A softer, wider halo (margin 12, two blur passes of radius 6).
void DrawSoftGlowText(HDC dc, const RECT& rect, std::string_view text, Color glow_colour, UINT format);
// The text at (x, y) in the context's text colour, and below it its mirror image in
// reflection_colour fading out from half strength, `offset` pixels from the text's bottom
// (negative: overlapping it); both clipped to `clip`. Nothing for empty text or an empty clip.
void DrawReflectedText(HDC dc, int x, int y, std::string_view text, int offset, const RECT& clip,
                       Color reflection_colour);

}  // namespace skin
