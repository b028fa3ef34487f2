// A file handle of the operating system, move-only, closed by its destructor. Paths are UTF-8
// with '\' as the separator (the POSIX build maps it to '/').
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class FileMode {
  OpenRead,           // read, others may read and write
  OpenReadDenyWrite,  // read, others may read but not write
  OpenReadWrite,      // read and write an existing file
  Create,             // create or truncate, read and write
  CreateNew,          // create a new file (never an existing one or through a link), read and write
  CreatePrivate,      // create a new file (never an existing one) only its owner may open
};

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens the file; on failure returns a closed File and sets *error to the system's error text.
  static File Open(const std::string& path, FileMode mode, std::string* error = nullptr);

  bool IsOpen() const;
  int64_t Read(void* buffer, int64_t count);  // -1 on error
  int64_t Write(const void* buffer, int64_t count);  // -1 on error
  int64_t Seek(int64_t offset, int origin);  // origin 0 begin, 1 current, 2 end; -1 on error
  int64_t Size();
  bool SetSize(int64_t size);
  bool Flush();  // FlushFileBuffers / fsync
  // Many files are made durable more cheaply together where the system allows it: StartFlush
  // begins writing the file's data without waiting (POSIX; false on Windows, where each file is
  // flushed by Flush), and FlushVolume waits until everything written to the file's volume is on
  // the disk (POSIX; false on Windows, where that needs rights the programs do not have).
  // VolumeId tells which volume a file is on (0 where unknown).
  bool StartFlush();
  bool FlushVolume();
  uint64_t VolumeId();
  // Sets the last-write time from an MS-DOS local date and time (date high word); the other
  // times stay. Set after the last write, it holds when the file is closed.
  bool SetDosTime(uint32_t dos_date_time);
  // The same from a moment in UTC (100-nanosecond steps since 1601, as SetFileUtcTime).
  bool SetUtcTime(int64_t utc_ticks);
  // Sets the attributes (Windows attributes) as SetPathAttributes does by name: on Windows those
  // that can be set; on POSIX read-only clears the write bits and its absence sets the owner's.
  // The handle keeps the access it was opened with.
  bool SetAttributes(uint32_t attributes);
  // Sets the POSIX permission bits; false on Windows, which has none.
  bool SetUnixMode(uint32_t mode);
  void Close();

#ifdef _WIN32
  void* NativeHandle() const { return handle_; }
#else
  int NativeHandle() const { return fd_; }
#endif

 private:
#ifdef _WIN32
  void* handle_ = reinterpret_cast<void*>(-1);
#else
  int fd_ = -1;
#endif
};

}  // namespace platform
