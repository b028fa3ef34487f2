#include "platform/ui/font.h"

#include <cwchar>

#include "platform/text.h"

namespace platform::ui {

COLORREF ResolveColor(COLORREF color) {
  if ((color & 0xFF000000) == 0xFF000000) return ::GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0x00FFFFFF;
}

UniqueFont CreateFontFrom(const FontSpec& spec, int escapement) {
  LOGFONTW lf = {};
  lf.lfHeight = spec.height;
  lf.lfEscapement = escapement;
  lf.lfOrientation = escapement;
  lf.lfWeight = (spec.style & kFsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (spec.style & kFsItalic) ? TRUE : FALSE;
  lf.lfUnderline = (spec.style & kFsUnderline) ? TRUE : FALSE;
  lf.lfStrikeOut = (spec.style & kFsStrikeOut) ? TRUE : FALSE;
  lf.lfCharSet = static_cast<BYTE>(spec.charset);
  lf.lfQuality = DEFAULT_QUALITY;
  const std::wstring face = Widen(spec.face);
  wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return UniqueFont(::CreateFontIndirectW(&lf));
}

}  // namespace platform::ui
