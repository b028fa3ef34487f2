#include "platform/file_ops.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/file.h"
#include "platform/fs.h"

namespace platform {

namespace {

FileOpResult Failure(int code) {
  FileOpResult r;
  switch (code) {
    case EACCES:
    case EPERM:
    case EROFS: r.status = FileOpStatus::kDenied; break;
    case EBUSY:
    case ETXTBSY: r.status = FileOpStatus::kBusy; break;
    case ENOENT: r.status = FileOpStatus::kMissing; break;
    case EEXIST: r.status = FileOpStatus::kExists; break;
    default: r.status = FileOpStatus::kFailed; break;
  }
  r.error = std::strerror(code);
  return r;
}

FileOpResult Outcome(bool ok) { return ok ? FileOpResult{} : Failure(errno); }

FileOpResult WriteAll(const std::string& path, const std::string& bytes, int flags) {
  const int fd = ::open(NativePath(path).c_str(), flags | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return Failure(errno);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int code = errno;
      ::close(fd);
      return Failure(code);
    }
    done += static_cast<size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  const int code = errno;
  ::close(fd);
  return synced ? FileOpResult{} : Failure(code);
}

// Writes through the platform's file, whose steps leave the system's error code behind.
class SystemFileWriter : public FileWriter {
 public:
  explicit SystemFileWriter(File file) : file_(std::move(file)) {}
  FileOpResult Write(const void* data, size_t size) override {
    return Outcome(file_.Write(data, static_cast<int64_t>(size)) == static_cast<int64_t>(size));
  }
  FileOpResult SetTime(std::optional<int64_t> utc, uint32_t dos_time) override {
    return Outcome(utc ? file_.SetUtcTime(*utc) : file_.SetDosTime(dos_time));
  }
  FileOpResult SetAttributes(uint32_t attributes, std::optional<uint32_t> unix_mode) override {
    return Outcome(unix_mode ? file_.SetUnixMode(*unix_mode) : file_.SetAttributes(attributes));
  }
  FileOpResult Close() override {
    // The writing is begun here and waited for by FlushFolder: one wait for the disk, not one per file.
    const FileOpResult flushed = Outcome(file_.StartFlush() || file_.Flush());
    file_.Close();
    return flushed;
  }

 private:
  File file_;
};

class PosixFileOps : public FileOps {
 public:
  FileOpResult CreateFolder(const std::string& path) override {
    return Outcome(::mkdir(NativePath(path).c_str(), 0777) == 0);
  }
  FileOpResult RemoveFolder(const std::string& path) override {
    return Outcome(::rmdir(NativePath(path).c_str()) == 0);
  }
  FileOpResult Rename(const std::string& from, const std::string& to, bool replace) override {
    const std::string a = NativePath(from), b = NativePath(to);
    if (!replace) {
      // Atomic refusal where the file system knows it; a look first where it does not.
      if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_NOREPLACE) == 0) return {};
      if (errno != EINVAL && errno != ENOSYS) return Failure(errno);
      struct stat st;
      if (::lstat(b.c_str(), &st) == 0) return Failure(EEXIST);
    }
    // Renames reach the disk in the order they were made (the journal of the file system);
    // FlushFolder makes them durable where the order of the caller's steps needs it.
    return Outcome(::rename(a.c_str(), b.c_str()) == 0);
  }
  FileOpResult RemoveFile(const std::string& path) override {
    return Outcome(::unlink(NativePath(path).c_str()) == 0);
  }
  FileOpResult WriteFile(const std::string& path, const std::string& bytes) override {
    return WriteAll(path, bytes, O_CREAT | O_TRUNC);
  }
  std::unique_ptr<FileWriter> NewFile(const std::string& path, FileOpResult& result) override {
    File file = File::Open(path, FileMode::Create);
    result = Outcome(file.IsOpen());
    return file.IsOpen() ? std::make_unique<SystemFileWriter>(std::move(file)) : nullptr;
  }
  FileOpResult SetWriteTime(const std::string& path, std::optional<int64_t> utc, uint32_t dos_time) override {
    return Outcome(utc ? SetFileUtcTime(path, *utc) : SetFileDosTime(path, dos_time));
  }
  FileOpResult AppendFile(const std::string& path, const std::string& bytes) override {
    return WriteAll(path, bytes, O_APPEND);
  }
  FileOpResult FlushFolder(const std::string& folder) override {
    const int fd = ::open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Failure(errno);
    const bool ok = ::syncfs(fd) == 0;
    const int code = errno;
    ::close(fd);
    return ok ? FileOpResult{} : Failure(code);
  }

  FileOpResult SetStamp(const std::string& path, const FolderStamp& stamp) override {
    const std::string native = NativePath(path);
    const timespec times[2] = {{0, UTIME_OMIT},
                               {static_cast<time_t>(stamp.modified / 1000000000),
                                static_cast<long>(stamp.modified % 1000000000)}};
    if (::utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) return Failure(errno);
    return Outcome(::chmod(native.c_str(), static_cast<mode_t>(stamp.attributes & 07777)) == 0);
  }
  FileOpResult SetFolderAttributes(const std::string& path, uint32_t) override {
    // Read-only being left out, a folder entry's attributes say only that the folder is writable.
    const std::string native = NativePath(path);
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) return Failure(errno);
    if (st.st_mode & S_IWUSR) return {};
    return Outcome(::chmod(native.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0);
  }

  std::optional<uint32_t> Attributes(const std::string& path) override { return PathAttributes(path); }
  std::optional<FolderStamp> StampOf(const std::string& path) override {
    struct stat st;
    if (::lstat(NativePath(path).c_str(), &st) != 0) return std::nullopt;
    return FolderStamp{static_cast<uint32_t>(st.st_mode & 07777),
                       static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  }
  std::optional<std::string> ReadFile(const std::string& path) override {
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ::close(fd);
        return std::nullopt;
      }
      if (n == 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
  }
  std::vector<FolderItem> ListFolder(const std::string& path) override {
    std::vector<FolderItem> items;
    const std::string native = NativePath(path);
    DIR* dir = ::opendir(native.c_str());
    if (!dir) return items;
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      struct stat st;
      const bool folder = ::lstat((native + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      items.push_back({name, folder});
    }
    ::closedir(dir);
    return items;
  }
  bool SamePermissions(const std::string& a, const std::string& b) override {
    struct stat sa, sb;
    return ::lstat(NativePath(a).c_str(), &sa) == 0 && ::lstat(NativePath(b).c_str(), &sb) == 0 &&
           sa.st_uid == sb.st_uid && sa.st_gid == sb.st_gid && (sa.st_mode & 07777) == (sb.st_mode & 07777);
  }
  std::optional<uint64_t> FreeSpace(const std::string& path) override {
    struct statvfs st;
    if (::statvfs(NativePath(path).c_str(), &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
  }
  std::string HolderOf(const std::string&) override { return {}; }
  FileOpResult CheckWritableFolder(const std::string& path) override {
    const std::string native = NativePath(path);
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) return Failure(errno);
    const std::string probe = native + (native.ends_with("/") ? "" : "/") + "~halvex-write-check.tmp";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    // One left by a run that was cut short is as good a proof: it was written here.
    if (fd < 0 && errno != EEXIST) return Failure(errno);
    if (fd >= 0) ::close(fd);
    ::unlink(probe.c_str());
    const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    ::utimensat(AT_FDCWD, native.c_str(), times, 0);
    return {};
  }
  // A rename asks only the folders: CheckWritableFolder answers for them.
  FileOpResult CheckMovableFile(const std::string&) override { return {}; }
};

}  // namespace

FileOps& SystemFileOps() {
  static PosixFileOps ops;
  return ops;
}

bool IsProgramRunning(const std::string& path) {
  char resolved[PATH_MAX];
  if (!::realpath(NativePath(path).c_str(), resolved)) return false;
  DIR* proc = ::opendir("/proc");
  if (!proc) return false;
  bool found = false;
  while (const dirent* e = ::readdir(proc)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    char target[PATH_MAX];
    const std::string link = std::string("/proc/") + e->d_name + "/exe";
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    target[n] = '\0';
    if (std::strcmp(target, resolved) == 0) {
      found = true;
      break;
    }
  }
  ::closedir(proc);
  return found;
}

FileHolders ProgramsHolding(const std::vector<std::string>&) {
  return {false, {}, "this system does not tell which programs hold a file"};
}

namespace {

class PosixProgram : public StartedProgram {
 public:
  explicit PosixProgram(pid_t pid) : pid_(pid) {}
  uint32_t Id() override { return static_cast<uint32_t>(pid_); }
  ~PosixProgram() override {
    if (!code_) ::waitpid(pid_, nullptr, WNOHANG);
  }
  std::optional<uint32_t> ExitCode() override {
    if (code_) return code_;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return std::nullopt;
    code_ = WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status)) : 128u + WTERMSIG(status);
    return code_;
  }

 private:
  pid_t pid_;
  std::optional<uint32_t> code_;
};

}  // namespace

std::unique_ptr<StartedProgram> StartProgram(const std::string& path, const std::string& parameters,
                                             std::string& error) {
  const std::string program = NativePath(path);
  const pid_t pid = ::fork();
  if (pid < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  if (pid == 0) {
    if (parameters.empty()) ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    else ::execl(program.c_str(), program.c_str(), parameters.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return std::make_unique<PosixProgram>(pid);
}

std::unique_ptr<StartedProgram> StartProgramElevated(const std::string&, const std::string&, std::string& error,
                                                     bool& declined) {
  declined = false;
  error = "starting a program with administrator rights is a Windows matter";
  return nullptr;
}

}  // namespace platform
