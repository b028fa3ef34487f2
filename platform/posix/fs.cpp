#include "platform/fs.h"

#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <vector>

namespace platform {

std::string NativePath(const std::string& path) {
  std::string result = path;
  for (char& c : result)
    if (c == '\\') c = '/';
  return result;
}

static bool Stat(const std::string& path, struct stat* st) {
  return ::stat(NativePath(path).c_str(), st) == 0;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && Stat(path, &st) && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return !path.empty() && Stat(path, &st) && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::string& path) { return ::mkdir(NativePath(path).c_str(), 0777) == 0; }

bool RemoveFile(const std::string& path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool RemoveFolder(const std::string& path) { return ::rmdir(NativePath(path).c_str()) == 0; }

bool IsLink(const std::string& path) {
  struct stat st;
  return !path.empty() && ::lstat(NativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsSpecialFile(const std::string& path) {
  struct stat st;
  return !path.empty() && ::lstat(NativePath(path).c_str(), &st) == 0 && !S_ISREG(st.st_mode) &&
         !S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode);
}

std::string ResolvedPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (path.empty() || !::realpath(NativePath(path).c_str(), resolved)) return {};
  std::string result = resolved;
  for (char& c : result)
    if (c == '/') c = '\\';
  return result;
}

std::optional<uint32_t> PathAttributes(const std::string& path) {
  struct stat st;
  if (!Stat(path, &st)) return std::nullopt;
  uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= kAttrDirectory;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= kAttrReadOnly;
  if (attributes == 0) attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
  return attributes;
}

// The permission bits `mode` takes for Windows `attributes`: read-only clears every write bit,
// its absence gives the owner one.
static mode_t ModeForAttributes(mode_t mode, uint32_t attributes) {
  mode &= 07777;
  if (attributes & kAttrReadOnly) return mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  return mode | S_IWUSR;
}

bool SetPathAttributes(const std::string& path, uint32_t attributes) {
  struct stat st;
  if (!Stat(path, &st)) return false;
  const mode_t mode = ModeForAttributes(st.st_mode, attributes);
  return mode == (st.st_mode & 07777) || ::chmod(NativePath(path).c_str(), mode) == 0;
}

bool SetUnixMode(const std::string& path, uint32_t mode) {
  return ::chmod(NativePath(path).c_str(), static_cast<mode_t>(mode & 07777)) == 0;
}

std::optional<uint32_t> GetFileDosTime(const std::string& path) {
  struct stat st;
  if (!Stat(path, &st)) return std::nullopt;
  struct tm t;
  const time_t when = st.st_mtime;
  if (!::localtime_r(&when, &t) || t.tm_year < 80) return 0x00210000u;  // 1980-01-01 00:00
  const uint32_t date = static_cast<uint32_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  const uint32_t time = static_cast<uint32_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  return (date << 16) | time;
}

std::optional<int64_t> GetFileUnixTime(const std::string& path) {
  struct stat st;
  if (!Stat(path, &st)) return std::nullopt;
  return static_cast<int64_t>(st.st_mtime);
}

// The last-write time from an MS-DOS local date and time; the access time stays.
static bool DosTimeToTimes(uint32_t dos_date_time, struct timespec times[2]) {
  const uint16_t date = static_cast<uint16_t>(dos_date_time >> 16);
  const uint16_t time = static_cast<uint16_t>(dos_date_time & 0xFFFF);
  struct tm t = {};
  t.tm_year = ((date >> 9) & 0x7F) + 80;
  t.tm_mon = ((date >> 5) & 0x0F) - 1;
  t.tm_mday = date & 0x1F;
  t.tm_hour = (time >> 11) & 0x1F;
  t.tm_min = (time >> 5) & 0x3F;
  t.tm_sec = (time & 0x1F) * 2;
  t.tm_isdst = -1;
  const time_t when = ::mktime(&t);
  if (when == static_cast<time_t>(-1)) return false;
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = when;
  times[1].tv_nsec = 0;
  return true;
}

bool SetFileDosTime(const std::string& path, uint32_t dos_date_time) {
  struct timespec times[2];
  return DosTimeToTimes(dos_date_time, times) && ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0) == 0;
}

bool File::SetDosTime(uint32_t dos_date_time) {
  struct timespec times[2];
  return DosTimeToTimes(dos_date_time, times) && ::futimens(NativeHandle(), times) == 0;
}

// The last-write time from 100-nanosecond steps since 1601 (UTC); the access time stays.
static void UtcTicksToTimes(int64_t ticks, struct timespec times[2]) {
  constexpr int64_t kTicksPerSecond = 10000000;
  constexpr int64_t kSeconds1601To1970 = 11644473600;
  int64_t seconds = ticks / kTicksPerSecond;
  int64_t rest = ticks % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    --seconds;
  }
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(seconds - kSeconds1601To1970);
  times[1].tv_nsec = static_cast<long>(rest * 100);
}

bool SetFileUtcTime(const std::string& path, int64_t utc_ticks) {
  struct timespec times[2];
  UtcTicksToTimes(utc_ticks, times);
  return ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0) == 0;
}

bool File::SetUtcTime(int64_t utc_ticks) {
  struct timespec times[2];
  UtcTicksToTimes(utc_ticks, times);
  return ::futimens(NativeHandle(), times) == 0;
}

bool File::SetAttributes(uint32_t attributes) {
  struct stat st;
  if (::fstat(NativeHandle(), &st) != 0) return false;
  const mode_t mode = ModeForAttributes(st.st_mode, attributes);
  return mode == (st.st_mode & 07777) || ::fchmod(NativeHandle(), mode) == 0;
}

bool File::SetUnixMode(uint32_t mode) { return ::fchmod(NativeHandle(), static_cast<mode_t>(mode & 07777)) == 0; }

int LastErrorCode() { return errno; }

std::string ErrorText(int code) {
  std::string text = std::strerror(code);
  return text;
}

std::string LastErrorText() { return ErrorText(errno); }

bool IsRemovableDrive(const std::string&) { return false; }

std::string VolumeLabel(const std::string&) { return {}; }

std::string ProgramPath() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

bool CanWriteFolder(const std::string& folder) {
  struct stat st;
  const std::string path = NativePath(folder);
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

std::string CurrentFolder() {
  std::vector<char> buffer(PATH_MAX + 1);
  return ::getcwd(buffer.data(), buffer.size()) ? std::string(buffer.data()) : std::string();
}

bool SetCurrentFolder(const std::string& path) { return ::chdir(NativePath(path).c_str()) == 0; }

}  // namespace platform
