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

// ASCII case-insensitive hashing and comparison, usable with string_view keys.
struct CaseInsensitiveHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const;
};
struct CaseInsensitiveEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};
template <typename T>
using CaseInsensitiveMap = std::unordered_map<std::string, T, CaseInsensitiveHash, CaseInsensitiveEqual>;

class IniFile {
 public:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
    CaseInsensitiveMap<size_t> index;  // key -> its last entry
    // The value a lookup of the key finds in this section, or nullptr.
    const std::string* Find(std::string_view key) const {
      const auto it = index.find(key);
      return it == index.end() ? nullptr : &entries[it->second].value;
    }
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
  // The occurrence of the section that lookups find, or nullptr.
  const Section* FindSection(std::string_view name) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void EraseSection(std::string_view section);

  // Every section in text order (duplicates included).
  const std::vector<Section>& Sections() const { return sections_; }
  // The keys of the section that lookups find, in their order.
  std::vector<std::string> ReadSection(std::string_view section) const;

 private:
  void Reindex();

  std::vector<Section> sections_;
  CaseInsensitiveMap<size_t> lookup_;  // section name -> its last occurrence
};

std::string UpperAscii(std::string_view text);
// Splits text into lines at CR LF, CR and LF; a NUL byte ends the text; a final line break
// does not make an extra empty line.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace skin
