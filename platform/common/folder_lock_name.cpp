#include <cstdint>
#include <cstdio>

#include "platform/folder_lock.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace platform {

std::string FolderLockName(const std::string& folder) {
  std::string path = ResolvedPath(folder);
  if (path.empty()) path = folder;
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  // FNV-1a over the name as the system compares names: the lock's name has a bounded length and
  // no separator, whatever the folder's.
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : NameCaseKey(path)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  char text[40];  // the prefix, 16 digits and the end
  std::snprintf(text, sizeof text, "HalvexFolderLock-%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace platform
