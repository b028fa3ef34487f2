#include "file_ops.h"

#include <windows.h>

#include "platform/text.h"

namespace zip {

bool RemoveFile(const std::string& path) { return ::DeleteFileW(platform::WidePath(path).c_str()) != 0; }

std::optional<uint32_t> FileAttributes(const std::string& path) {
  const DWORD a = ::GetFileAttributesW(platform::WidePath(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return static_cast<uint32_t>(a);
}

bool SetAttributes(const std::string& path, uint32_t attributes) {
  return ::SetFileAttributesW(platform::WidePath(path).c_str(), attributes) != 0;
}

}  // namespace zip
