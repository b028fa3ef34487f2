// The value kinds of skin INI texts: how each is read from a key and written back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "skin/geometry.h"
#include "skin/ini_file.h"

namespace skin {

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
enum TbsStretchType { bsstFull = 0, bsstHorz = 1, bsstVert = 2 };
enum TbsMorphKind { mkDefault, mkGradient, mkLeftGradient, mkRightGradient, mkLeftSlide, mkRightSlide, mkPush };
enum TbsImageEffect { ieBrightness, ieDarkness, ieGrayScale, ieNoise, ieSplitBlur, ieInvert };
enum TbsStdCommand { cmClose, cmMaximize, cmMinimize, cmSysMenu, cmDefault, cmRollUp, cmMinimizeToTray };

// A set of font styles.
using TFontStyles = uint8_t;
inline constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

// Decimal with optional sign, or hexadecimal after "$" or "0x"/"0X". Decimal values must fit a
// signed 32-bit integer; hexadecimal ones may use all 32 bits. nullopt when not a number.
std::optional<int32_t> ParseIniInteger(std::string_view text);
// Colours also accept unsigned decimal up to 4294967295, since system colours are FF000000 + n.
std::optional<uint32_t> ParseIniColor(std::string_view text);
// The digit-only scan of points and rects; raises EConvertError "'%s' is not a valid integer
// value" for an empty or oversized field.
Point ParseIniPoint(std::string_view text);
Rect ParseIniRect(std::string_view text);
TFontStyles ParseFontStyles(std::string_view text);
TAlignment ParseAlignment(std::string_view text);
TbsStretchType ParseStretchType(std::string_view text);
TbsMorphKind ParseMorphKind(std::string_view text);
TbsImageEffect ParseImageEffect(std::string_view text);
TbsStdCommand ParseStdCommand(std::string_view text);

std::string FormatPoint(const Point& p);
std::string FormatRect(const Rect& r);
std::string FormatFontStyles(TFontStyles styles);
std::string FormatAlignment(TAlignment a);
std::string FormatStretchType(TbsStretchType t);
std::string FormatMorphKind(TbsMorphKind k);
std::string FormatImageEffect(TbsImageEffect e);
std::string FormatStdCommand(TbsStdCommand c);

// Readers over an INI: a missing key gives the default.
int ReadIniInteger(const IniFile& ini, std::string_view section, std::string_view key, int def);
uint32_t ReadIniColor(const IniFile& ini, std::string_view section, std::string_view key, uint32_t def);
bool ReadIniFlag(const IniFile& ini, std::string_view section, std::string_view key);
Point ReadIniPoint(const IniFile& ini, std::string_view section, std::string_view key);
Rect ReadIniRect(const IniFile& ini, std::string_view section, std::string_view key);
// One past the largest key of the section that is a plain decimal number ("0", "1", ...): numbered
// entries at or past it cannot exist, whatever a count key claims.
int NumberedKeyLimit(const IniFile& ini, std::string_view section);
// The count key is the key followed by "count"; the items are the keys "0" ... count-1.
std::vector<std::string> ReadIniNameList(const IniFile& ini, std::string_view section, std::string_view key);
void WriteIniNameList(IniFile& ini, std::string_view section, std::string_view key,
                      const std::vector<std::string>& names);

}  // namespace skin
