#include "description/description_file.h"

#include "platform/exceptions.h"
#include "platform/stream.h"

namespace description {

namespace {

// ASCII letters without regard to case, every other byte as it is: the locale's comparison would
// pass over characters it gives no weight, such as a byte-order mark (U+FEFF) glued to a name.
bool SameAsciiName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether `line` begins, after blanks, control characters and characters outside ASCII (a
// byte-order mark, a no-break or zero-width space, a replacement character), with `name` in any
// case as a word of its own.
bool LooksLikeLineOf(std::string_view line, std::string_view name) {
  size_t i = 0;
  while (i < line.size()) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c > 0x20 && c < 0x7F) break;
    ++i;
  }
  if (line.size() - i < name.size() || !SameAsciiName(line.substr(i, name.size()), name)) return false;
  return i + name.size() == line.size() || !IsNameCharacter(line[i + name.size()]);
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

std::string ReadDescriptionBytes(const std::string& path) {
  platform::FileStream file(path, platform::FileMode::OpenReadDenyWrite);
  std::string bytes(static_cast<size_t>(kMaxDescriptionFileSize) + 1, '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    const int64_t n = file.Read(bytes.data() + got, static_cast<int64_t>(bytes.size() - got));
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (got > static_cast<size_t>(kMaxDescriptionFileSize))
    throw platform::EReadError(Quoted(path) + " is larger than a description file can be (1 MiB)");
  bytes.resize(got);
  return bytes;
}

void DescriptionFile::LoadFromFile(const std::string& path) { LoadFromBytes(ReadDescriptionBytes(path)); }

void DescriptionFile::LoadFromBytes(std::string_view bytes) {
  DecodedText decoded = DecodeText(bytes);
  list_.LoadFromText(decoded.text);
  encoding_ = decoded.encoding;
}

std::string DescriptionFile::StrictValue(std::string_view name, const std::string& path) const {
  const std::vector<std::string>& lines = list_.Lines();
  int first = -1;
  std::string value;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const size_t eq = line.find('=');
    const std::string line_number = std::to_string(i + 1);
    if (eq != std::string::npos && SameAsciiName(std::string_view(line).substr(0, eq), name)) {
      const std::string here = line.substr(eq + 1);
      if (first < 0) {
        first = static_cast<int>(i);
        value = here;
      } else if (here != value) {
        throw platform::EConvertError(Quoted(path) + " gives " + std::string(name) +
                                      " twice with different values (lines " + std::to_string(first + 1) +
                                      " and " + line_number + ")");
      }
    } else if (LooksLikeLineOf(line, name)) {
      throw platform::EConvertError("Line " + line_number + " of " + Quoted(path) + " looks like a " +
                                    std::string(name) + " line but is not one: it must begin with " +
                                    std::string(name) + "=, with nothing before the name or between it and the =");
    }
  }
  return value;
}

}  // namespace description
