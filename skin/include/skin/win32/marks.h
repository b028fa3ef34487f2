// Bevel frames and the small pen-drawn marks of caption buttons and controls.
// Line ends are exclusive, as GDI draws them.
#pragma once

#include <windows.h>

#include "skin/geometry.h"

namespace skin {

// Top-left edges in colour1, bottom-right edges in colour2, inside rect.
void DrawBevelFrame(HDC dc, const RECT& rect, Color colour1, Color colour2);

// Caption-button marks in a cell whose origin is (x, y).
void PaintCloseMark(HDC dc, int x, int y, Color colour);
void PaintMaximizeMark(HDC dc, int x, int y, Color colour);
void PaintMinimizeMark(HDC dc, int x, int y, Color colour);
void PaintRestoreMark(HDC dc, int x, int y, Color colour);
void PaintSysMenuMark(HDC dc, int x, int y, Color colour);
void PaintRollUpMark(HDC dc, int x, int y, Color colour);
void PaintRollDownMark(HDC dc, int x, int y, Color colour);
void PaintTrayMark(HDC dc, int x, int y, Color colour);

enum class ArrowDirection { kLeft, kRight, kUp, kDown };
// A filled triangle 7 pixels wide and 4 deep, centred in rect, pointing in direction.
void PaintArrowMark(HDC dc, const RECT& rect, Color colour, ArrowDirection direction);

}  // namespace skin
