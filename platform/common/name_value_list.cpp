#include "platform/name_value_list.h"

#include "platform/stream.h"
#include "platform/text.h"

namespace platform {

namespace {

template <typename Convert>
std::vector<std::string> CutLines(std::string_view bytes, Convert convert) {
  std::vector<std::string> lines;
  const size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  size_t start = 0;
  size_t i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(convert(bytes.substr(start, i - start)));
      i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size()) lines.push_back(convert(bytes.substr(start)));
  return lines;
}

}  // namespace

void NameValueList::LoadFromBytes(std::string_view bytes) {
  lines_ = CutLines(bytes, [](std::string_view line) { return AnsiToUtf8(line); });
}

void NameValueList::LoadFromText(std::string_view text) {
  lines_ = CutLines(text, [](std::string_view line) { return std::string(line); });
}

void NameValueList::LoadFromFile(const std::string& path) {
  FileStream file(path, FileMode::OpenReadDenyWrite);
  std::string bytes;
  char block[16384];
  for (;;) {
    const int64_t n = file.Read(block, sizeof block);
    if (n <= 0) break;
    bytes.append(block, static_cast<size_t>(n));
  }
  LoadFromBytes(bytes);
}

int NameValueList::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (SameTextIgnoreCase(std::string_view(line).substr(0, eq), name)) return static_cast<int>(i);
  }
  return -1;
}

std::string NameValueList::Value(std::string_view name) const {
  const int i = IndexOfName(name);
  if (i < 0) return {};
  const std::string& line = lines_[static_cast<size_t>(i)];
  return line.substr(line.find('=') + 1);
}

}  // namespace platform
