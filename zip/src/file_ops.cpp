#ifndef _WIN32

#include "file_ops.h"

#include "platform/fs.h"

namespace zip {

bool RemoveFile(const std::string& path) { return platform::DeleteFile(path); }
std::optional<uint32_t> FileAttributes(const std::string& path) { return platform::GetFileAttributes(path); }
bool SetAttributes(const std::string& path, uint32_t attributes) {
  return platform::SetFileAttributes(path, attributes);
}

}  // namespace zip

#endif
