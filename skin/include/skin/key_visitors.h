// Loading, saving, defaults and syntax checking of the skin data classes' INI keys. Each class
// lists its keys once, in a key table macro: kind, key, default. The same table declares the
// fields and drives every pass through a KeyVisitor, so the keys a class saves are always exactly
// the keys it loads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "skin/geometry.h"
#include "skin/ini_file.h"
#include "skin/ini_values.h"

namespace skin {

// Visits every key of a data object in load order.
class KeyVisitor {
 public:
  virtual ~KeyVisitor() = default;
  virtual void Int(const char* key, int& v, int def) = 0;
  virtual void Color(const char* key, uint32_t& v, uint32_t def) = 0;
  virtual void Flag(const char* key, bool& v, bool def) = 0;
  virtual void Text(const char* key, std::string& v, const char* def) = 0;
  virtual void PointKey(const char* key, Point& v, Point def) = 0;
  virtual void RectKey(const char* key, Rect& v, Rect def) = 0;
  virtual void Styles(const char* key, TFontStyles& v, TFontStyles def) = 0;
  virtual void Align(const char* key, TAlignment& v, TAlignment def) = 0;
  virtual void Stretch(const char* key, TbsStretchType& v, TbsStretchType def) = 0;
  virtual void Morph(const char* key, TbsMorphKind& v, TbsMorphKind def) = 0;
  virtual void Effect(const char* key, TbsImageEffect& v, TbsImageEffect def) = 0;
  virtual void Command(const char* key, TbsStdCommand& v, TbsStdCommand def) = 0;
};

// Loading, saving and defaults over a visitor (section name given by the caller).
void LoadKeys(const IniFile& ini, const std::string& section, const std::function<void(KeyVisitor&)>& visit);
void SaveKeys(IniFile& ini, const std::string& section, const std::function<void(KeyVisitor&)>& visit);
void ResetKeys(const std::function<void(KeyVisitor&)>& visit);
// "section.key=value (kind)" for every present key whose value does not parse as its kind.
void CheckKeys(const IniFile& ini, const std::string& section, const std::function<void(KeyVisitor&)>& visit,
               std::vector<std::string>& bad);

// ---- key table plumbing
#define HX_T_INT int
#define HX_T_PIC int
#define HX_T_COL uint32_t
#define HX_T_FLAG bool
#define HX_T_TEXT std::string
#define HX_T_PT Point
#define HX_T_RC Rect
#define HX_T_FS TFontStyles
#define HX_T_AL TAlignment
#define HX_T_ST TbsStretchType
#define HX_T_MK TbsMorphKind
#define HX_T_IE TbsImageEffect
#define HX_T_CMD TbsStdCommand
#define HX_M_INT Int
#define HX_M_PIC Int
#define HX_M_COL Color
#define HX_M_FLAG Flag
#define HX_M_TEXT Text
#define HX_M_PT PointKey
#define HX_M_RC RectKey
#define HX_M_FS Styles
#define HX_M_AL Align
#define HX_M_ST Stretch
#define HX_M_MK Morph
#define HX_M_IE Effect
#define HX_M_CMD Command
#define HX_DECLARE(kind, key, def) HX_T_##kind key = def;
#define HX_VISIT(kind, key, def) v.HX_M_##kind(#key, key, def);

// Declares the fields of a key table and the visit over them (base keys first).
#define HX_KEYS(TABLE, BASE)                          \
  TABLE(HX_DECLARE)                                   \
  void VisitKeys(KeyVisitor& v) override {            \
    BASE::VisitKeys(v);                               \
    TABLE(HX_VISIT)                                   \
  }

// Common key groups.
#define HX_FONT_KEYS(X)           \
  X(TEXT, fontname, "Tahoma")     \
  X(INT, fontheight, 13)          \
  X(FS, fontstyle, 0)             \
  X(COL, fontcolor, 0)
#define HX_CORNER_KEYS(X)         \
  X(PT, lefttoppoint, Point{})    \
  X(PT, righttoppoint, Point{})   \
  X(PT, leftbottompoint, Point{}) \
  X(PT, rightbottompoint, Point{})
#define HX_STRETCH_KEYS(X)        \
  X(FLAG, leftstretch, false)     \
  X(FLAG, rightstretch, false)    \
  X(FLAG, topstretch, false)      \
  X(FLAG, bottomstretch, false)   \
  X(FLAG, stretcheffect, false)   \
  X(ST, stretchtype, bsstFull)

}  // namespace skin
