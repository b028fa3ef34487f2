#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/folder_lock.h"

namespace platform {

namespace {

// flock on a file of the lock's name in the temporary folder: the system lets go of it when the
// descriptor is closed, the process's end included. A second open description of the same file
// does not get it either, so one process cannot take the lock twice.
class FileLock : public FolderLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {}
  ~FileLock() override { ::close(fd_); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<FolderLock> TryLockFolder(const std::string& folder) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + FolderLockName(folder) + ".lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FileLock>(fd);
}

}  // namespace platform
