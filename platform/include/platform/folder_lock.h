// One process at a time for a folder: a lock named after the folder, which the system lets go
// when the process that holds it ends, however it ends, so that a crash never leaves it held.
#pragma once

#include <memory>
#include <string>

namespace platform {

class FolderLock {
 public:
  virtual ~FolderLock() = default;
};

// Takes the lock for `folder`; spellings that Windows takes for the same name, and links to it,
// name the same lock. nullptr when another holder has it, this process included. The lock is held
// until the returned object is gone.
std::unique_ptr<FolderLock> TryLockFolder(const std::string& folder);

// The lock's name for `folder`: bounded in length, without separators.
std::string FolderLockName(const std::string& folder);

}  // namespace platform
