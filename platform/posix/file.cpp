#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/fs.h"

namespace platform {

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

File File::Open(const std::string& path, FileMode mode, std::string* error) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileMode::OpenRead:
    case FileMode::OpenReadDenyWrite: flags |= O_RDONLY; break;
    case FileMode::OpenReadWrite: flags |= O_RDWR; break;
    case FileMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case FileMode::CreateNew:
    case FileMode::CreatePrivate: flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
  }
  const std::string native = NativePath(path);
  File file;
  file.fd_ = ::open(native.c_str(), flags, mode == FileMode::CreatePrivate ? 0600 : 0666);
  // Writing modes fail on a folder by themselves; reading ones would open it.
  if (file.fd_ >= 0 && (mode == FileMode::OpenRead || mode == FileMode::OpenReadDenyWrite)) {
    struct stat st;
    if (::fstat(file.fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      file.Close();
      errno = EISDIR;
    }
  }
  if (file.fd_ < 0 && error) *error = ErrorText(errno);
  return file;
}

bool File::IsOpen() const { return fd_ >= 0; }

int64_t File::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* out = static_cast<char*>(buffer);
  while (total < count) {
    const ssize_t n = ::read(fd_, out + total, static_cast<size_t>(count - total));
    if (n < 0) {
      if (errno == EINTR) continue;
      return total > 0 ? total : -1;
    }
    if (n == 0) break;
    total += n;
  }
  return total;
}

int64_t File::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (total < count) {
    const ssize_t n = ::write(fd_, in + total, static_cast<size_t>(count - total));
    if (n < 0) {
      if (errno == EINTR) continue;
      return total > 0 ? total : -1;
    }
    total += n;
  }
  return total;
}

int64_t File::Seek(int64_t offset, int origin) {
  const int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
  return static_cast<int64_t>(::lseek(fd_, static_cast<off_t>(offset), whence));
}

int64_t File::Size() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool File::SetSize(int64_t size) { return ::ftruncate(fd_, static_cast<off_t>(size)) == 0; }

bool File::Flush() { return ::fsync(fd_) == 0; }

bool File::StartFlush() {
#ifdef __linux__
  return ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE) == 0;
#else
  return false;
#endif
}

bool File::FlushVolume() {
#ifdef __linux__
  return ::syncfs(fd_) == 0;
#else
  return false;
#endif
}

uint64_t File::VolumeId() {
  struct stat st;
  return ::fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_dev) : 0;
}

void File::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace platform
