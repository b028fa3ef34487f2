#include "skin/ini_file.h"

namespace skin {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

size_t CaseInsensitiveHash::operator()(std::string_view s) const {
  size_t h = 14695981039346656037ull;
  for (char c : s) h = (h ^ static_cast<unsigned char>(Upper(c))) * 1099511628211ull;
  return h;
}

bool CaseInsensitiveEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

void IniFile::Clear() {
  sections_.clear();
  lookup_.clear();
}

void IniFile::LoadFromText(std::string_view text) {
  Clear();
  for (std::string_view raw : SplitLines(text)) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      sections_.push_back({std::string(Trim(line.substr(1, line.size() - 2))), {}, {}});
      continue;
    }
    if (sections_.empty()) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
      sections_.back().entries.push_back({std::string(line), std::string()});
    else
      sections_.back().entries.push_back(
          {std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1)))});
  }
  Reindex();
}

void IniFile::Reindex() {
  lookup_.clear();
  for (size_t s = 0; s < sections_.size(); ++s) {
    lookup_.insert_or_assign(sections_[s].name, s);
    Section& section = sections_[s];
    section.index.clear();
    for (size_t k = 0; k < section.entries.size(); ++k) section.index.insert_or_assign(section.entries[k].key, k);
  }
}

std::string IniFile::SaveToText() const {
  std::string out;
  for (const Section& s : sections_) {
    out += '[';
    out += s.name;
    out += "]\r\n";
    for (const Entry& e : s.entries) {
      out += e.key;
      out += '=';
      out += e.value;
      out += "\r\n";
    }
    out += "\r\n";
  }
  return out;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
  const auto it = lookup_.find(name);
  return it == lookup_.end() ? nullptr : &sections_[it->second];
}

bool IniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

const std::string* IniFile::FindValue(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  return s ? s->Find(key) : nullptr;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindValue(section, key) != nullptr;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const std::string* v = FindValue(section, key);
  return v ? *v : std::string(def);
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  const Section* s = FindSection(section);
  if (!s) return keys;
  // Only the occurrence of each key that a lookup finds, in text order.
  for (size_t k = 0; k < s->entries.size(); ++k)
    if (s->index.find(s->entries[k].key)->second == k) keys.push_back(s->entries[k].key);
  return keys;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const auto it = lookup_.find(section);
  size_t s;
  if (it == lookup_.end()) {
    s = sections_.size();
    sections_.push_back({std::string(section), {}, {}});
    lookup_.insert_or_assign(std::string(section), s);
  } else {
    s = it->second;
  }
  Section& target = sections_[s];
  const auto k = target.index.find(key);
  if (k != target.index.end()) {
    target.entries[k->second].value = std::string(value);
  } else {
    target.index.insert_or_assign(std::string(key), target.entries.size());
    target.entries.push_back({std::string(key), std::string(value)});
  }
}

void IniFile::EraseSection(std::string_view section) {
  std::erase_if(sections_, [&](const Section& s) { return CaseInsensitiveEqual()(s.name, section); });
  Reindex();
}

}  // namespace skin
