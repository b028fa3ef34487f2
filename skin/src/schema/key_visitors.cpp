#include <optional>

#include "platform/exceptions.h"
#include "skin/key_visitors.h"

namespace skin {
namespace {

class LoadVisitor : public KeyVisitor {
 public:
  LoadVisitor(const IniFile& ini, const std::string& section) : section_(ini.FindSection(section)) {}
  void Int(const char* key, int& v, int def) override {
    const std::string* t = Find(key);
    v = t ? ParseIniInteger(*t).value_or(def) : def;
  }
  void Color(const char* key, uint32_t& v, uint32_t def) override {
    const std::string* t = Find(key);
    v = t ? ParseIniColor(*t).value_or(def) : def;
  }
  void Flag(const char* key, bool& v, bool def) override {
    const std::string* t = Find(key);
    v = t ? ParseIniInteger(*t).value_or(0) == 1 : def;
  }
  void Text(const char* key, std::string& v, const char* def) override {
    const std::string* t = Find(key);
    v = t ? *t : def;
  }
  void PointKey(const char* key, Point& v, Point def) override {
    const std::string* t = Find(key);
    v = t ? ParseIniPoint(*t) : def;
  }
  void RectKey(const char* key, Rect& v, Rect def) override {
    const std::string* t = Find(key);
    v = t ? ParseIniRect(*t) : def;
  }
  void Styles(const char* key, TFontStyles& v, TFontStyles def) override {
    const std::string* t = Find(key);
    v = t ? ParseFontStyles(*t) : def;
  }
  void Align(const char* key, TAlignment& v, TAlignment def) override {
    const std::string* t = Find(key);
    v = t ? ParseAlignment(*t) : def;
  }
  void Stretch(const char* key, TbsStretchType& v, TbsStretchType def) override {
    const std::string* t = Find(key);
    v = t ? ParseStretchType(*t) : def;
  }
  void Morph(const char* key, TbsMorphKind& v, TbsMorphKind def) override {
    const std::string* t = Find(key);
    v = t ? ParseMorphKind(*t) : def;
  }
  void Effect(const char* key, TbsImageEffect& v, TbsImageEffect def) override {
    const std::string* t = Find(key);
    v = t ? ParseImageEffect(*t) : def;
  }
  void Command(const char* key, TbsStdCommand& v, TbsStdCommand def) override {
    const std::string* t = Find(key);
    v = t ? ParseStdCommand(*t) : def;
  }

 private:
  // The section is looked up once; a missing one gives every key its default.
  const std::string* Find(const char* key) const { return section_ ? section_->Find(key) : nullptr; }
  const IniFile::Section* section_;
};

class SaveVisitor : public KeyVisitor {
 public:
  SaveVisitor(IniFile& ini, const std::string& section) : ini_(ini), section_(section) {}
  void Int(const char* key, int& v, int) override { Put(key, std::to_string(v)); }
  void Color(const char* key, uint32_t& v, uint32_t) override { Put(key, std::to_string(v)); }
  void Flag(const char* key, bool& v, bool) override { Put(key, v ? "1" : "0"); }
  void Text(const char* key, std::string& v, const char*) override { Put(key, v); }
  void PointKey(const char* key, Point& v, Point) override { Put(key, FormatPoint(v)); }
  void RectKey(const char* key, Rect& v, Rect) override { Put(key, FormatRect(v)); }
  void Styles(const char* key, TFontStyles& v, TFontStyles) override { Put(key, FormatFontStyles(v)); }
  void Align(const char* key, TAlignment& v, TAlignment) override { Put(key, FormatAlignment(v)); }
  void Stretch(const char* key, TbsStretchType& v, TbsStretchType) override { Put(key, FormatStretchType(v)); }
  void Morph(const char* key, TbsMorphKind& v, TbsMorphKind) override { Put(key, FormatMorphKind(v)); }
  void Effect(const char* key, TbsImageEffect& v, TbsImageEffect) override { Put(key, FormatImageEffect(v)); }
  void Command(const char* key, TbsStdCommand& v, TbsStdCommand) override { Put(key, FormatStdCommand(v)); }

 private:
  void Put(const char* key, const std::string& value) { ini_.WriteString(section_, key, value); }
  IniFile& ini_;
  const std::string& section_;
};

class ResetVisitor : public KeyVisitor {
 public:
  void Int(const char*, int& v, int def) override { v = def; }
  void Color(const char*, uint32_t& v, uint32_t def) override { v = def; }
  void Flag(const char*, bool& v, bool def) override { v = def; }
  void Text(const char*, std::string& v, const char* def) override { v = def; }
  void PointKey(const char*, Point& v, Point def) override { v = def; }
  void RectKey(const char*, Rect& v, Rect def) override { v = def; }
  void Styles(const char*, TFontStyles& v, TFontStyles def) override { v = def; }
  void Align(const char*, TAlignment& v, TAlignment def) override { v = def; }
  void Stretch(const char*, TbsStretchType& v, TbsStretchType def) override { v = def; }
  void Morph(const char*, TbsMorphKind& v, TbsMorphKind def) override { v = def; }
  void Effect(const char*, TbsImageEffect& v, TbsImageEffect def) override { v = def; }
  void Command(const char*, TbsStdCommand& v, TbsStdCommand def) override { v = def; }
};

bool OneOf(const std::string& text, std::initializer_list<const char*> words) {
  for (const char* w : words)
    if (text == w) return true;
  return false;
}

// Flags a present value that the reader would not understand as written (and so replaces with a
// default, or rejects).
class CheckVisitor : public KeyVisitor {
 public:
  CheckVisitor(const IniFile& ini, const std::string& section, std::vector<std::string>& bad)
      : ini_(ini), section_(section), bad_(bad) {}
  void Int(const char* key, int&, int) override { Check(key, "integer", [](const std::string& t) { return ParseIniInteger(t).has_value(); }); }
  void Color(const char* key, uint32_t&, uint32_t) override { Check(key, "colour", [](const std::string& t) { return ParseIniColor(t).has_value(); }); }
  void Flag(const char* key, bool&, bool) override { Check(key, "flag", [](const std::string& t) { return ParseIniInteger(t).has_value(); }); }
  void Text(const char*, std::string&, const char*) override {}
  void PointKey(const char* key, Point&, Point) override {
    Check(key, "point", [](const std::string& t) { return Parses([&] { ParseIniPoint(t); }); });
  }
  void RectKey(const char* key, Rect&, Rect) override {
    Check(key, "rect", [](const std::string& t) { return Parses([&] { ParseIniRect(t); }); });
  }
  void Styles(const char*, TFontStyles&, TFontStyles) override {}
  void Align(const char* key, TAlignment&, TAlignment) override {
    Check(key, "alignment", [](const std::string& t) { return OneOf(t, {"tacenter", "taleftjustify", "tarightjustify"}); });
  }
  void Stretch(const char* key, TbsStretchType&, TbsStretchType) override {
    Check(key, "stretch type", [](const std::string& t) { return OneOf(t, {"stfull", "sthorz", "stvert"}); });
  }
  void Morph(const char* key, TbsMorphKind&, TbsMorphKind) override {
    Check(key, "morph kind", [](const std::string& t) {
      return OneOf(t, {"mkdefault", "mkgradient", "mkleftgradient", "mkrightgradient", "mkleftslide", "mkrightslide", "mkpush"});
    });
  }
  void Effect(const char* key, TbsImageEffect&, TbsImageEffect) override {
    Check(key, "image effect", [](const std::string& t) {
      return OneOf(t, {"iebrightness", "iedarkness", "iegrayscale", "ienoise", "iesplitblur", "ieinvert"});
    });
  }
  void Command(const char* key, TbsStdCommand&, TbsStdCommand) override {
    Check(key, "command", [](const std::string& t) {
      return OneOf(t, {"cmclose", "cmmaximize", "cmminimize", "cmsysmenu", "cmdefault", "cmrollup", "cmminimizetotray"});
    });
  }

 private:
  template <typename F>
  static bool Parses(F f) {
    try {
      f();
      return true;
    } catch (const platform::EConvertError&) {
      return false;
    }
  }
  template <typename F>
  void Check(const char* key, const char* kind, F ok) {
    const std::string* t = ini_.FindValue(section_, key);
    if (t && !ok(*t)) bad_.push_back(section_ + "." + key + "=" + *t + " (" + kind + ")");
  }
  const IniFile& ini_;
  const std::string& section_;
  std::vector<std::string>& bad_;
};

}  // namespace

void LoadKeys(const IniFile& ini, const std::string& section, const std::function<void(KeyVisitor&)>& visit) {
  LoadVisitor v(ini, section);
  visit(v);
}

void SaveKeys(IniFile& ini, const std::string& section, const std::function<void(KeyVisitor&)>& visit) {
  ini.EraseSection(section);
  SaveVisitor v(ini, section);
  visit(v);
}

void ResetKeys(const std::function<void(KeyVisitor&)>& visit) {
  ResetVisitor v;
  visit(v);
}

void CheckKeys(const IniFile& ini, const std::string& section, const std::function<void(KeyVisitor&)>& visit,
               std::vector<std::string>& bad) {
  CheckVisitor v(ini, section, bad);
  visit(v);
}

}  // namespace skin
