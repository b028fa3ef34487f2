// The file operations an update is applied with, behind an interface so that a caller can be
// handed another implementation (one that fails or stops at a chosen operation). Paths are UTF-8
// with '\' as the separator. Every operation that changes the disk reports its outcome instead of
// raising, so that the caller decides between retrying, rolling back and giving up.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class FileOpStatus {
  kOk,
  kBusy,     // held by another program: may succeed when tried again
  kDenied,   // this user may not do it: trying again does not help
  kMissing,  // the source (or a parent folder) does not exist
  kExists,   // the destination already exists
  kFailed,   // anything else (disk full, invalid name, ...)
};

struct FileOpResult {
  FileOpStatus status = FileOpStatus::kOk;
  std::string error;  // the system's text for a failure
  bool ok() const { return status == FileOpStatus::kOk; }
};

// What a folder's own entry holds beside its name, in the system's own form: the attributes
// (Windows: file attributes; POSIX: permission bits) and the last write time (Windows: 100 ns
// units since 1601; POSIX: nanoseconds since 1970). Taken before an update touches a folder and
// put back when it is undone: a move into or out of a folder changes its time.
struct FolderStamp {
  uint32_t attributes = 0;
  int64_t modified = 0;
  bool operator==(const FolderStamp&) const = default;
};

struct FolderItem {
  std::string name;
  bool is_folder = false;
};

// A file being written in steps (FileOps::NewFile). Each step reports its outcome; a writer
// destroyed before Close closes the file as it is, for the caller to remove.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  virtual FileOpResult Write(const void* data, size_t size) = 0;
  // The last write time: `utc` (100-nanosecond steps since 1601) when there is one, else a DOS
  // date and time in local time.
  virtual FileOpResult SetTime(std::optional<int64_t> utc, uint32_t dos_time) = 0;
  // Windows attributes; where the system has permission bits, `unix_mode` instead when given.
  virtual FileOpResult SetAttributes(uint32_t attributes, std::optional<uint32_t> unix_mode) = 0;
  // Closes the file. Its bytes are on the disk once FlushFolder of a folder on its volume has
  // returned (where the system flushes file by file, before Close returns).
  virtual FileOpResult Close() = 0;
};

class FileOps {
 public:
  virtual ~FileOps() = default;

  // ---- operations that change the disk ----
  virtual FileOpResult CreateFolder(const std::string& path) = 0;       // one level
  virtual FileOpResult RemoveFolder(const std::string& path) = 0;       // empty folders only
  // A rename on one volume, on the disk when it returns (written through). Without `replace` an
  // existing destination is an error (kExists). Read-only files move like any other.
  virtual FileOpResult Rename(const std::string& from, const std::string& to, bool replace = false) = 0;
  virtual FileOpResult RemoveFile(const std::string& path) = 0;  // read-only files too
  // Creates (or truncates) the file, writes `bytes` and flushes them to the disk.
  virtual FileOpResult WriteFile(const std::string& path, const std::string& bytes) = 0;
  // Creates (or truncates) a file to be written in steps; null, with `result` saying why, when
  // it cannot be made. Making it counts as one operation, and so does each step of the writer.
  virtual std::unique_ptr<FileWriter> NewFile(const std::string& path, FileOpResult& result) = 0;
  // Gives a file or folder its last write time, in the forms FileWriter::SetTime takes.
  virtual FileOpResult SetWriteTime(const std::string& path, std::optional<int64_t> utc, uint32_t dos_time) = 0;
  // Appends `bytes` to an existing file and flushes them to the disk.
  virtual FileOpResult AppendFile(const std::string& path, const std::string& bytes) = 0;
  // The names made and moved under `folder` reach the disk, and so do the bytes of the files
  // written with NewFile on its volume.
  virtual FileOpResult FlushFolder(const std::string& folder) = 0;
  // Puts back attributes and time taken by StampOf.
  virtual FileOpResult SetStamp(const std::string& path, const FolderStamp& stamp) = 0;
  // Gives a folder the attributes of an archive's folder entry (Windows attributes), as
  // extraction gives them: where a read-only folder would keep files out of it (POSIX), the
  // read-only bit is left out.
  virtual FileOpResult SetFolderAttributes(const std::string& path, uint32_t attributes) = 0;

  // ---- questions ----
  virtual std::optional<uint32_t> Attributes(const std::string& path) = 0;  // nullopt: absent
  virtual std::optional<FolderStamp> StampOf(const std::string& path) = 0;  // nullopt: absent
  virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
  virtual std::vector<FolderItem> ListFolder(const std::string& path) = 0;
  // Whether two existing files or folders grant the same access (Windows: the same access
  // control list; POSIX: the same owner, group and permission bits); false when either cannot be
  // read.
  virtual bool SamePermissions(const std::string& a, const std::string& b) = 0;
  // Bytes free for this user on the volume of `path` (an existing folder); nullopt: unknown.
  virtual std::optional<uint64_t> FreeSpace(const std::string& path) = 0;
  // The programs that hold `path` open, as the system names them ("" when it cannot tell).
  virtual std::string HolderOf(const std::string& path) = 0;
  // Whether names can be made, renamed and removed in the existing folder `path`: found by
  // trying, with a file made and removed at once (the folder's time is put back), since neither
  // the access list nor the permission bits tell of everything that refuses a write. kDenied when
  // the user may not.
  virtual FileOpResult CheckWritableFolder(const std::string& path) = 0;
  // Whether the existing file `path` may be moved away (kDenied when not); a file another program
  // holds counts as movable, since it may be let go.
  virtual FileOpResult CheckMovableFile(const std::string& path) = 0;
};

// The operating system's file operations.
FileOps& SystemFileOps();

// True while a process runs the program at `path` (compared as the system compares paths).
bool IsProgramRunning(const std::string& path);

// The programs other than this one that hold any of `paths` open, as the system names them.
struct FileHolders {
  bool known = false;  // false: the system cannot tell; `error` says why
  std::vector<std::string> programs;
  std::string error;
};
FileHolders ProgramsHolding(const std::vector<std::string>& paths);

// A program this one started, watched until it ends.
class StartedProgram {
 public:
  virtual ~StartedProgram() = default;
  // Its exit code once it has ended; nothing while it runs.
  virtual std::optional<uint32_t> ExitCode() = 0;
  // Its process id (0 where the system does not tell).
  virtual uint32_t Id() { return 0; }
};

// Starts the program at `path` with `parameters` (one string, as a command line has them) in its
// own folder's parent's way: as the shell opens a program. Null, with `error` set, when it could
// not be started.
std::unique_ptr<StartedProgram> StartProgram(const std::string& path, const std::string& parameters,
                                             std::string& error);

// Starts the program at `path` with `parameters` with administrator rights (Windows: the shell's
// "runas", which shows the system's consent prompt when it asks). Null when it was not started:
// `declined` tells a prompt the user refused; otherwise `error` says why. Other systems: never
// started.
std::unique_ptr<StartedProgram> StartProgramElevated(const std::string& path, const std::string& parameters,
                                                     std::string& error, bool& declined);

}  // namespace platform
