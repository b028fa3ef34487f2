#include "platform/fs.h"

#include "platform/file.h"

#include <windows.h>

#include <vector>

#include "platform/text.h"

namespace platform {

std::string NativePath(const std::string& path) { return path; }

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD a = ::GetFileAttributesW(WidePath(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD a = ::GetFileAttributesW(WidePath(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::string& path) { return ::CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0; }

bool RemoveFile(const std::string& path) { return ::DeleteFileW(WidePath(path).c_str()) != 0; }

bool RemoveFolder(const std::string& path) { return ::RemoveDirectoryW(WidePath(path).c_str()) != 0; }

bool IsLink(const std::string& path) {
  if (path.empty()) return false;
  const DWORD a = ::GetFileAttributesW(Widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// What Windows has of that kind (devices) is refused by name before anything is made.
bool IsSpecialFile(const std::string&) { return false; }

std::string ResolvedPath(const std::string& path) {
  if (path.empty()) return {};
  // Opening follows every link on the way; the handle then knows the final path.
  HANDLE h = ::CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD n = ::GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
  if (n >= buffer.size()) {
    buffer.resize(n + 1);
    n = ::GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
  }
  ::CloseHandle(h);
  if (n == 0 || n >= buffer.size()) return {};
  std::wstring result(buffer.data(), n);
  if (result.rfind(L"\\\\?\\UNC\\", 0) == 0)
    result = L"\\\\" + result.substr(8);
  else if (result.rfind(L"\\\\?\\", 0) == 0)
    result = result.substr(4);
  return Narrow(result);
}

std::optional<uint32_t> PathAttributes(const std::string& path) {
  const DWORD a = ::GetFileAttributesW(WidePath(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return a;
}

bool SetPathAttributes(const std::string& path, uint32_t attributes) {
  return ::SetFileAttributesW(WidePath(path).c_str(), attributes) != 0;
}

bool SetUnixMode(const std::string&, uint32_t) { return false; }

std::optional<uint32_t> GetFileDosTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  FILETIME local;
  WORD date = 0, time = 0;
  if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !::FileTimeToDosDateTime(&local, &date, &time))
    return 0x00210000u;
  return (static_cast<uint32_t>(date) << 16) | time;
}

std::optional<int64_t> GetFileUnixTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  const int64_t ticks = static_cast<int64_t>(static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                                             data.ftLastWriteTime.dwLowDateTime);
  return ticks / 10000000 - 11644473600LL;  // 100 ns units since 1601
}

// The last-write time of an open handle from an MS-DOS local date and time.
static bool SetHandleDosTime(HANDLE h, uint32_t dos_date_time) {
  FILETIME local, utc;
  return ::DosDateTimeToFileTime(static_cast<WORD>(dos_date_time >> 16), static_cast<WORD>(dos_date_time & 0xFFFF),
                                 &local) &&
         ::LocalFileTimeToFileTime(&local, &utc) && ::SetFileTime(h, nullptr, nullptr, &utc);
}

// The last-write time of an open handle from a FILETIME count, as it is (UTC).
static bool SetHandleUtcTime(HANDLE h, int64_t utc_ticks) {
  if (utc_ticks < 0) return false;
  FILETIME utc;
  utc.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(utc_ticks) & 0xFFFFFFFFu);
  utc.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(utc_ticks) >> 32);
  return ::SetFileTime(h, nullptr, nullptr, &utc) != 0;
}

// A handle for setting the times of a file or a folder (a folder opens only with backup
// semantics, which for a file changes nothing).
static HANDLE OpenForTimes(const std::string& path) {
  return ::CreateFileW(WidePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool SetFileDosTime(const std::string& path, uint32_t dos_date_time) {
  HANDLE h = OpenForTimes(path);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = SetHandleDosTime(h, dos_date_time);
  ::CloseHandle(h);
  return ok;
}

bool SetFileUtcTime(const std::string& path, int64_t utc_ticks) {
  HANDLE h = OpenForTimes(path);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = SetHandleUtcTime(h, utc_ticks);
  ::CloseHandle(h);
  return ok;
}

// An explicitly set time is not replaced when the handle is closed.
bool File::SetDosTime(uint32_t dos_date_time) { return SetHandleDosTime(NativeHandle(), dos_date_time); }
bool File::SetUtcTime(int64_t utc_ticks) { return SetHandleUtcTime(NativeHandle(), utc_ticks); }

bool File::SetAttributes(uint32_t attributes) {
  // Zero times are left as they are; bits that cannot be set are dropped, and "normal" stands
  // for none.
  FILE_BASIC_INFO info = {};
  info.FileAttributes = (attributes & kSettableAttributes) | FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(NativeHandle(), FileBasicInfo, &info, sizeof info) != 0;
}

bool File::SetUnixMode(uint32_t) { return false; }

int LastErrorCode() { return static_cast<int>(::GetLastError()); }

std::string ErrorText(int code) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result;
  if (n && text) {
    result = Narrow(std::wstring_view(text, n));
    ::LocalFree(text);
  }
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
    result.pop_back();
  return result;
}

std::string LastErrorText() { return ErrorText(LastErrorCode()); }

bool IsRemovableDrive(const std::string& root) {
  const UINT type = ::GetDriveTypeW(WidePath(root).c_str());
  return type == DRIVE_REMOVABLE || type == DRIVE_CDROM;
}

std::string VolumeLabel(const std::string& root) {
  wchar_t name[14] = {};
  if (!::GetVolumeInformationW(WidePath(root).c_str(), name, 14, nullptr, nullptr, nullptr, nullptr, 0))
    return {};
  return Narrow(name);
}

std::string ProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

namespace {

// Closes a handle of the token kind when it goes.
struct TokenHandle {
  HANDLE h = nullptr;
  ~TokenHandle() {
    if (h) ::CloseHandle(h);
  }
};

// Where the system cannot answer the question (no security on the volume, a token that cannot be
// read): a uniquely named file made and removed at once tells.
bool CanMakeFileIn(const std::wstring& folder) {
  const std::wstring probe = folder + (folder.ends_with(L'\\') ? L"" : L"\\") + L"~halvex-access-" +
                             std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount64()) +
                             L".tmp";
  const HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(h);
  return true;
}

}  // namespace

bool CanWriteFolder(const std::string& folder) {
  const std::wstring path = Widen(folder);
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  // The folder's own access list against this process's token: a guess from the path (Program
  // Files) would be wrong for folders an installer opened to its users, and for the built-in
  // Administrator, who runs elevated without asking.
  const SECURITY_INFORMATION wanted_parts =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  ::GetFileSecurityW(path.c_str(), wanted_parts, nullptr, 0, &size);
  std::vector<BYTE> descriptor(size);
  if (size == 0 || !::GetFileSecurityW(path.c_str(), wanted_parts, descriptor.data(), size, &size))
    return CanMakeFileIn(path);
  TokenHandle process_token, token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &process_token.h))
    return CanMakeFileIn(path);
  // AccessCheck wants an impersonation token.
  if (!::DuplicateToken(process_token.h, SecurityImpersonation, &token.h)) return CanMakeFileIn(path);
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  // Making files and folders: what an update does in the folder. Deleting what it replaces is
  // checked file by file before the update writes anything.
  DWORD access = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY;
  ::MapGenericMask(&access, &mapping);
  PRIVILEGE_SET privileges = {};
  DWORD privileges_size = sizeof privileges;
  DWORD granted = 0;
  BOOL allowed = FALSE;
  if (!::AccessCheck(descriptor.data(), token.h, access, &mapping, &privileges, &privileges_size, &granted, &allowed))
    return CanMakeFileIn(path);
  // A "no" is tried once more for real: the access list a network share reports can name accounts
  // the local token does not hold, and a folder that can be written must never cost its update
  // (an unsigned one would be refused). In a per-machine install the try makes nothing.
  return allowed != FALSE || CanMakeFileIn(path);
}

uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

std::string CurrentFolder() {
  const DWORD n = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring buffer(n, L'\0');
  const DWORD got = ::GetCurrentDirectoryW(n, buffer.data());
  buffer.resize(got);
  return Narrow(buffer);
}

bool SetCurrentFolder(const std::string& path) { return ::SetCurrentDirectoryW(WidePath(path).c_str()) != 0; }

}  // namespace platform
