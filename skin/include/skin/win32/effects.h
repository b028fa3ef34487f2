// The pixel buffers' transfers onto a GDI device context.
#pragma once

#include <windows.h>

#include "skin/effects.h"

namespace skin {

// Unscaled transfer of all rows to (X, Y); the pixels become opaque.
void DrawTo(HDC dc, const TbsEffectBmp& bitmap, int X, int Y);
// Blended (AlphaBlend) or key-skipping (Transparent) through a copy of the destination area,
// otherwise a plain colour-on-colour block transfer.
void DrawTo(HDC dc, const TbsBitmap& bitmap, int X, int Y);

}  // namespace skin
