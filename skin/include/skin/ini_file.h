// The INI dialect of skin texts: an in-memory reader (and writer, for saving sections back).
//
// - Lines end at CR LF, CR or LF; a NUL byte ends the text.
// - Each line is trimmed of blanks and control characters; empty lines and lines starting with
//   ';' are skipped. "[name]" starts a section (name trimmed). Other lines inside a section are
//   split at the first '=' into a trimmed key and value; a line without '=' is a key without
//   value. Lines before the first section are ignored.
// - Names are compared without regard to ASCII case. When a section, or a key within a section,
//   occurs more than once, the last occurrence is the one found.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace skin {

class IniFile {
 public:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };

  IniFile() = default;
  explicit IniFile(std::string_view text) { LoadFromText(text); }

  void LoadFromText(std::string_view text);
  // The text as the writer would store it: "[name]" and "key=value" lines ending in CR LF.
  std::string SaveToText() const;
  void Clear();

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // The value of the key, or `def` when the section or the key is missing. A present key with an
  // empty value gives the empty text.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // nullptr when missing.
  const std::string* FindValue(std::string_view section, std::string_view key) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void EraseSection(std::string_view section);

  // Every section in text order (duplicates included).
  const std::vector<Section>& Sections() const { return sections_; }
  // The keys of the section that lookups find, in their order.
  std::vector<std::string> ReadSection(std::string_view section) const;

 private:
  struct Index {
    std::unordered_map<std::string, size_t> keys;  // upper-cased key -> last entry
  };
  const Section* FindSection(std::string_view name, const Index** index = nullptr) const;
  void Reindex();

  std::vector<Section> sections_;
  std::vector<Index> indexes_;                      // parallel to sections_
  std::unordered_map<std::string, size_t> lookup_;  // upper-cased name -> last section
};

std::string UpperAscii(std::string_view text);
// Splits text into lines at CR LF, CR and LF; a NUL byte ends the text; a final line break
// does not make an extra empty line.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace skin
