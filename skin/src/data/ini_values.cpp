#include "skin/ini_values.h"

#include <algorithm>

#include "platform/exceptions.h"
#include "platform/format.h"

namespace skin {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Sign and magnitude; nullopt when not a number or beyond 32 bits.
std::optional<std::pair<bool, uint64_t>> ParseMagnitude(std::string_view t, bool* hex) {
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  *hex = false;
  if (!t.empty() && t[0] == '$') {
    *hex = true;
    t.remove_prefix(1);
  } else if (t.size() >= 3 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    *hex = true;
    t.remove_prefix(2);
  }
  if (t.empty()) return std::nullopt;
  uint64_t v = 0;
  for (char c : t) {
    const int d = *hex ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (d < 0) return std::nullopt;
    v = v * (*hex ? 16 : 10) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  return std::make_pair(negative, v);
}

int32_t FieldToInt(const std::string& digits) {
  // Only digits remain after the scan, so the only failures are an empty or oversized field.
  if (digits.empty() || digits.size() > 10 || std::stoll(digits) > INT32_MAX)
    throw platform::EConvertError(platform::Format("'%s' is not a valid integer value", digits.c_str()));
  return static_cast<int32_t>(std::stoll(digits));
}

// Splits at commas, keeping only digits; fields past `count` are outside the format and ignored.
std::vector<int32_t> ScanFields(std::string_view text, size_t count) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == ',') fields.emplace_back();
    else if (c >= '0' && c <= '9') fields.back() += c;
  }
  fields.resize(std::max(fields.size(), count));
  std::vector<int32_t> values;
  for (size_t i = 0; i < count; ++i) values.push_back(FieldToInt(fields[i]));
  return values;
}

}  // namespace

std::optional<int32_t> ParseIniInteger(std::string_view text) {
  bool hex;
  const auto m = ParseMagnitude(text, &hex);
  if (!m) return std::nullopt;
  const auto [negative, v] = *m;
  if (hex) {
    const uint32_t u = static_cast<uint32_t>(v);
    return static_cast<int32_t>(negative ? 0u - u : u);
  }
  if (negative) {
    if (v > 0x80000000ull) return std::nullopt;
    return static_cast<int32_t>(-static_cast<int64_t>(v));
  }
  if (v > 0x7FFFFFFFull) return std::nullopt;
  return static_cast<int32_t>(v);
}

std::optional<uint32_t> ParseIniColor(std::string_view text) {
  bool hex;
  const auto m = ParseMagnitude(text, &hex);
  if (!m) return std::nullopt;
  const auto [negative, v] = *m;
  if (negative && !hex && v > 0x80000000ull) return std::nullopt;
  const uint32_t u = static_cast<uint32_t>(v);
  return negative ? 0u - u : u;
}

Point ParseIniPoint(std::string_view text) {
  const auto f = ScanFields(text, 2);
  return {f[0], f[1]};
}

Rect ParseIniRect(std::string_view text) {
  const auto f = ScanFields(text, 4);
  return {f[0], f[1], f[2], f[3]};
}

TFontStyles ParseFontStyles(std::string_view text) {
  TFontStyles s = 0;
  if (text.find("fsbold") != std::string_view::npos) s |= fsBold;
  if (text.find("fsitalic") != std::string_view::npos) s |= fsItalic;
  if (text.find("fsunderline") != std::string_view::npos) s |= fsUnderline;
  if (text.find("fsstrikeout") != std::string_view::npos) s |= fsStrikeOut;
  return s;
}

TAlignment ParseAlignment(std::string_view text) {
  if (text == "tacenter") return taCenter;
  if (text == "taleftjustify") return taLeftJustify;
  return taRightJustify;
}

TbsStretchType ParseStretchType(std::string_view text) {
  if (text == "stfull") return bsstFull;
  if (text == "stvert") return bsstVert;
  return bsstHorz;
}

namespace {
constexpr const char* kMorphKinds[] = {"mkdefault",      "mkgradient",  "mkleftgradient", "mkrightgradient",
                                       "mkleftslide",    "mkrightslide", "mkpush"};
constexpr const char* kImageEffects[] = {"iebrightness", "iedarkness", "iegrayscale",
                                         "ienoise",      "iesplitblur", "ieinvert"};
constexpr const char* kCommands[] = {"cmclose",   "cmmaximize", "cmminimize",      "cmsysmenu",
                                     "cmdefault", "cmrollup",   "cmminimizetotray"};
}  // namespace

TbsMorphKind ParseMorphKind(std::string_view text) {
  for (int i = 0; i < 7; ++i)
    if (text == kMorphKinds[i]) return static_cast<TbsMorphKind>(i);
  return mkDefault;
}

TbsImageEffect ParseImageEffect(std::string_view text) {
  for (int i = 0; i < 6; ++i)
    if (text == kImageEffects[i]) return static_cast<TbsImageEffect>(i);
  return ieGrayScale;
}

TbsStdCommand ParseStdCommand(std::string_view text) {
  // Anything unknown, "cmminimizetotray" included, is the tray command.
  for (int i = 0; i < 6; ++i)
    if (text == kCommands[i]) return static_cast<TbsStdCommand>(i);
  return cmMinimizeToTray;
}

std::string FormatPoint(const Point& p) { return platform::Format("%d,%d", p.X, p.Y); }
std::string FormatRect(const Rect& r) {
  return platform::Format("%d,%d,%d,%d", r.Left, r.Top, r.Right, r.Bottom);
}

std::string FormatFontStyles(TFontStyles styles) {
  std::string out;
  const std::pair<TFontStyles, const char*> words[] = {
      {fsBold, "fsbold"}, {fsItalic, "fsitalic"}, {fsUnderline, "fsunderline"}, {fsStrikeOut, "fsstrikeout"}};
  for (const auto& [bit, word] : words) {
    if (!(styles & bit)) continue;
    if (!out.empty()) out += ',';
    out += word;
  }
  return out;
}

std::string FormatAlignment(TAlignment a) {
  return a == taCenter ? "tacenter" : a == taLeftJustify ? "taleftjustify" : "tarightjustify";
}
std::string FormatStretchType(TbsStretchType t) {
  return t == bsstFull ? "stfull" : t == bsstVert ? "stvert" : "sthorz";
}
std::string FormatMorphKind(TbsMorphKind k) { return kMorphKinds[k]; }
std::string FormatImageEffect(TbsImageEffect e) { return kImageEffects[e]; }
std::string FormatStdCommand(TbsStdCommand c) { return kCommands[c]; }

int ReadIniInteger(const IniFile& ini, std::string_view section, std::string_view key, int def) {
  const std::string* v = ini.FindValue(section, key);
  if (!v) return def;
  return ParseIniInteger(*v).value_or(def);
}

uint32_t ReadIniColor(const IniFile& ini, std::string_view section, std::string_view key, uint32_t def) {
  const std::string* v = ini.FindValue(section, key);
  if (!v) return def;
  return ParseIniColor(*v).value_or(def);
}

bool ReadIniFlag(const IniFile& ini, std::string_view section, std::string_view key) {
  return ReadIniInteger(ini, section, key, 0) == 1;
}

Point ReadIniPoint(const IniFile& ini, std::string_view section, std::string_view key) {
  const std::string* v = ini.FindValue(section, key);
  return v ? ParseIniPoint(*v) : Point{};
}

Rect ReadIniRect(const IniFile& ini, std::string_view section, std::string_view key) {
  const std::string* v = ini.FindValue(section, key);
  return v ? ParseIniRect(*v) : Rect{};
}

std::vector<std::string> ReadIniNameList(const IniFile& ini, std::string_view section, std::string_view key) {
  std::vector<std::string> names;
  const int count = ReadIniInteger(ini, section, std::string(key) + "count", 0);
  // Items past the numbered keys the section has could only be blanks: a lying count must not
  // make a huge list of them.
  const int present = NumberedKeyLimit(ini, section);
  for (int i = 0; i < count && i < present; ++i) {
    const std::string* v = ini.FindValue(section, std::to_string(i));
    names.push_back(v ? *v : std::string());
  }
  return names;
}

int NumberedKeyLimit(const IniFile& ini, std::string_view section) {
  int limit = 0;
  for (const std::string& key : ini.ReadSection(section)) {
    if (key.empty() || key.size() > 9 || key.find_first_not_of("0123456789") != std::string::npos) continue;
    limit = std::max(limit, std::stoi(key) + 1);
  }
  return limit;
}

void WriteIniNameList(IniFile& ini, std::string_view section, std::string_view key,
                      const std::vector<std::string>& names) {
  ini.WriteString(section, std::string(key) + "count", std::to_string(names.size()));
  for (size_t i = 0; i < names.size(); ++i) ini.WriteString(section, std::to_string(i), names[i]);
}

}  // namespace skin
