// The description file beside an application (UPDATE\VER_INFO.INF): lines NAME=value, read the
// same way by the launcher and by every tool. Its encoding is told from its bytes (see
// text_encoding.h); the lines and their lookup are the runtime's name=value list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "description/text_encoding.h"
#include "platform/name_value_list.h"

namespace description {

// A description file is a few lines; anything larger is not one, and is not read into memory.
inline constexpr int64_t kMaxDescriptionFileSize = 1 << 20;

// The bytes of the description file at `path`, read as LoadFromFile reads them (and raising as it
// does).
std::string ReadDescriptionBytes(const std::string& path);

class DescriptionFile {
 public:
  // Reads the file whole, others allowed to read it but not to write it. Raises the runtime's
  // file-open error when it cannot be opened, EReadError when it is larger than
  // kMaxDescriptionFileSize or cannot be read to its end.
  void LoadFromFile(const std::string& path);
  void LoadFromBytes(std::string_view bytes);

  TextEncoding Encoding() const { return encoding_; }
  const std::vector<std::string>& Lines() const { return list_.Lines(); }
  int Count() const { return list_.Count(); }
  // The runtime's lookup: the first line whose name (the text before its first '=') equals
  // `name` without regard to case gives the rest of the line, untrimmed; empty when none does.
  std::string Value(std::string_view name) const { return list_.Value(name); }
  int IndexOfName(std::string_view name) const { return list_.IndexOfName(name); }

  // The value of a name that must never be misread, such as the key that decides whether an
  // update's signature is checked: as Value(), but with the name (ASCII) compared byte by byte
  // without regard to the case of its letters, and a line that only looks like a line of that name
  // (blanks, control characters or other stray characters around the name, or no '=' right
  // after it) or two lines of the name with different values raise EConvertError naming the
  // file (`path`) and the line, instead of being passed over.
  std::string StrictValue(std::string_view name, const std::string& path) const;

 private:
  platform::NameValueList list_;
  TextEncoding encoding_ = TextEncoding::kAnsi;
};

}  // namespace description
