// Files and folders. Paths are UTF-8 with '\' as the separator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Windows file attribute bits; the POSIX build maps them (read-only = no write permission,
// folder = directory, the others are kept only as far as the file system can).
enum FileAttribute : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrNormal = 0x80,
};
// The attributes Windows lets a program set (temporary, offline and not-indexed beside the
// above); the others (folder, compressed, ...) it refuses.
inline constexpr uint32_t kSettableAttributes = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive | 0x100 |
                                                0x1000 | 0x2000;

bool FileExists(const std::string& path);    // exists and is not a folder
bool FolderExists(const std::string& path);  // exists and is a folder
bool CreateFolder(const std::string& path);  // one level; false when it could not be made
bool RemoveFile(const std::string& path);
bool RemoveFolder(const std::string& path);  // empty folder only
// The path itself is a symbolic link (on Windows also a junction or another reparse point);
// the link is not followed.
bool IsLink(const std::string& path);
// The path itself is neither a file, a folder nor a link: a pipe, a socket, a device (POSIX).
bool IsSpecialFile(const std::string& path);
// The path with every link in it resolved, absolute; empty when it does not exist.
std::string ResolvedPath(const std::string& path);
// Of a file or a folder; nullopt when the path does not exist.
std::optional<uint32_t> PathAttributes(const std::string& path);
bool SetPathAttributes(const std::string& path, uint32_t attributes);
// POSIX permission bits (st_mode & 07777); no-op returning false on Windows.
bool SetUnixMode(const std::string& path, uint32_t mode);
// Sets the last-write time from an MS-DOS local date and time (date high word); the other
// times stay. False when the file or folder cannot be reached.
bool SetFileDosTime(const std::string& path, uint32_t dos_date_time);
// Sets the last-write time of a file or a folder to a moment in UTC, in 100-nanosecond steps
// since 1601-01-01 (the Windows FILETIME count), taken as it is with no local-time conversion;
// the other times stay. False when the path cannot be reached or the time not set.
bool SetFileUtcTime(const std::string& path, int64_t utc_ticks);
// The last-write time as an MS-DOS local date and time (date high word), if the file exists.
std::optional<uint32_t> GetFileDosTime(const std::string& path);
// The last-write time in seconds since 1970 (UTC), if the file exists.
std::optional<int64_t> GetFileUnixTime(const std::string& path);
// The system's text for the last error of this thread (errno / GetLastError).
std::string LastErrorText();
int LastErrorCode();
std::string ErrorText(int code);

bool IsRemovableDrive(const std::string& root);  // DRIVE_REMOVABLE or DRIVE_CDROM
std::string VolumeLabel(const std::string& root);

// Whether the current user may make files and folders in `folder`, asked of the system for this
// process's own rights (Windows: the folder's access list checked against the process's token;
// POSIX: write and search permission). A folder that does not exist cannot be written.
bool CanWriteFolder(const std::string& folder);

// The id of this process, as the system's process lists show it.
uint32_t CurrentProcessId();

// Full path of the running program.
std::string ProgramPath();
std::string CurrentFolder();
bool SetCurrentFolder(const std::string& path);

// The path as the operating system wants it ('\' becomes '/' on POSIX).
std::string NativePath(const std::string& path);

}  // namespace platform
