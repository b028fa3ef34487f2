// File attribute and deletion services of the engine. On Windows they are made here: the
// platform layer's definitions of these three names are renamed by <windows.h>'s A/W macros
// (DeleteFile -> DeleteFileW ...), so calls through platform/fs.h do not link there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zip {

bool RemoveFile(const std::string& path);
std::optional<uint32_t> FileAttributes(const std::string& path);
bool SetAttributes(const std::string& path, uint32_t attributes);

}  // namespace zip
