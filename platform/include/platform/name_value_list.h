// A list of text lines in which a value is found by name: the description file beside the
// application and the skin engine's resource strings both use it. Description files are read
// through description::DescriptionFile, which tells their encoding and loads the decoded text
// here (LoadFromText); LoadFromBytes and LoadFromFile take ANSI text only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

class NameValueList {
 public:
  // Cuts the bytes into lines at CR LF, a lone CR and a lone LF. A NUL byte ends the text. A last
  // line without a line break counts; nothing is trimmed and blank lines stay. The bytes are
  // taken as text in the system ANSI code page and kept as UTF-8.
  void LoadFromBytes(std::string_view bytes);
  // The same cut of text that is UTF-8 already (description::DescriptionFile has decoded it).
  void LoadFromText(std::string_view text);
  // Reads the whole file (others may read, not write) and loads it as above. Raises EFOpenError
  // when the file cannot be opened.
  void LoadFromFile(const std::string& path);

  void Clear() { lines_.clear(); }
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  const std::vector<std::string>& Lines() const { return lines_; }
  int Count() const { return static_cast<int>(lines_.size()); }

  // The value of the first line whose name (the text before its first '=') equals `name`,
  // compared case-insensitively in the user's locale: the rest of that line, untrimmed. Empty
  // when no line defines the name.
  std::string Value(std::string_view name) const;
  // Index of that line, or -1.
  int IndexOfName(std::string_view name) const;

 private:
  std::vector<std::string> lines_;
};

}  // namespace platform
