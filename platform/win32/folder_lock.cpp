#include <windows.h>

#include "platform/folder_lock.h"
#include "platform/text.h"

namespace platform {

namespace {

// A named mutex: the system closes the handle when the process ends, and the name is gone with
// the last handle. Only whether the name exists matters; the mutex is never waited on.
class MutexLock : public FolderLock {
 public:
  explicit MutexLock(HANDLE h) : h_(h) {}
  ~MutexLock() override { ::CloseHandle(h_); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  HANDLE h_;
};

}  // namespace

std::unique_ptr<FolderLock> TryLockFolder(const std::string& folder) {
  const std::string name = FolderLockName(folder);
  // Global: a process in another session (another user on a terminal server) sees it too.
  const std::wstring wide = Widen("Global\\" + name);
  HANDLE h = ::CreateMutexW(nullptr, FALSE, wide.c_str());
  if (!h && ::GetLastError() != ERROR_ACCESS_DENIED)  // no global namespace: the session's own
    h = ::CreateMutexW(nullptr, FALSE, Widen("Local\\" + name).c_str());
  // Access denied: another session's holder made it with an access list that keeps this one out.
  if (!h) return nullptr;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(h);
    return nullptr;
  }
  return std::make_unique<MutexLock>(h);
}

}  // namespace platform
