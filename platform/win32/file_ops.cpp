#include "platform/file_ops.h"

#include <windows.h>

#include <aclapi.h>
#include <shellapi.h>
#include <restartmanager.h>
#include <tlhelp32.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace platform {

namespace {

FileOpResult Failure(DWORD code) {
  FileOpResult r;
  switch (code) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: r.status = FileOpStatus::kBusy; break;
    // Also what a folder with an open file in it, or a file about to be deleted, answers to a
    // rename; the caller asks who holds it before taking it for a refusal.
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD: r.status = FileOpStatus::kDenied; break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: r.status = FileOpStatus::kMissing; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: r.status = FileOpStatus::kExists; break;
    default: r.status = FileOpStatus::kFailed; break;
  }
  r.error = ErrorText(static_cast<int>(code));
  return r;
}

static_assert(kSettableAttributes == (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));

FileOpResult Outcome(BOOL ok) { return ok ? FileOpResult{} : Failure(::GetLastError()); }

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE && h_) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_; }

 private:
  HANDLE h_;
};

FileOpResult WriteAll(const std::string& path, const std::string& bytes, DWORD disposition, bool append) {
  Handle file(::CreateFileW(WidePath(path).c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ,
                            nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return Failure(::GetLastError());
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!::WriteFile(file.get(), bytes.data() + done, chunk, &n, nullptr)) return Failure(::GetLastError());
    done += n;
  }
  return Outcome(::FlushFileBuffers(file.get()));
}

// The Restart Manager names the programs that hold a file (Vista and later). Looked up at run
// time, so that the program imports nothing beyond the system's core libraries for it.
struct RestartManager {
  decltype(&::RmStartSession) start = nullptr;
  decltype(&::RmRegisterResources) add = nullptr;
  decltype(&::RmGetList) list = nullptr;
  decltype(&::RmEndSession) end = nullptr;
  RestartManager() {
    HMODULE dll = ::LoadLibraryExW(L"rstrtmgr.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!dll) return;
    start = reinterpret_cast<decltype(start)>(::GetProcAddress(dll, "RmStartSession"));
    add = reinterpret_cast<decltype(add)>(::GetProcAddress(dll, "RmRegisterResources"));
    list = reinterpret_cast<decltype(list)>(::GetProcAddress(dll, "RmGetList"));
    end = reinterpret_cast<decltype(end)>(::GetProcAddress(dll, "RmEndSession"));
  }
  bool usable() const { return start && add && list && end; }

  // The processes other than this one that hold any of `files`; a system error code on failure.
  DWORD Holders(const std::vector<std::wstring>& files, std::vector<std::string>& names) const {
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    DWORD rc = start(&session, 0, key);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<LPCWSTR> list_of_files;
    for (const std::wstring& f : files) list_of_files.push_back(f.c_str());
    rc = add(session, static_cast<UINT>(list_of_files.size()), list_of_files.data(), 0, nullptr, 0, nullptr);
    std::vector<RM_PROCESS_INFO> info(8);
    // The list may grow between the calls: asked again with the room it said it needs.
    for (int round = 0; rc == ERROR_SUCCESS || (rc == ERROR_MORE_DATA && round < 4); ++round) {
      UINT needed = 0, count = static_cast<UINT>(info.size());
      DWORD reasons = 0;
      rc = list(session, &needed, &count, info.data(), &reasons);
      if (rc == ERROR_MORE_DATA) {
        info.resize(needed + 4);
        continue;
      }
      if (rc != ERROR_SUCCESS) break;
      const DWORD self = ::GetCurrentProcessId();
      for (UINT i = 0; i < count && i < info.size(); ++i)
        if (info[i].Process.dwProcessId != self) names.push_back(Narrow(info[i].strAppName));
      break;
    }
    end(session);
    return rc;
  }
};

const RestartManager& TheRestartManager() {
  static const RestartManager rm;
  return rm;
}

// Files written with NewFile are flushed and closed here, several at once, while the next ones
// are written: a flush waits for the disk, and flushes made side by side share that wait.
// FlushFolder waits for all of them. At most kWaiting files wait at once (open handles).
class ClosingFiles {
 public:
  ~ClosingFiles() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    queued_.notify_all();
    for (std::thread& t : workers_) t.join();
  }
  void Take(File file, std::string name) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (workers_.empty())
      for (size_t i = 0; i < kThreads; ++i) workers_.emplace_back([this] { Run(); });
    room_.wait(lock, [&] { return queue_.size() < kWaiting; });
    queue_.emplace_back(std::move(file), std::move(name));
    queued_.notify_one();
  }
  // Waits until every file taken is flushed and closed; the first that could not be flushed.
  FileOpResult Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [&] { return queue_.empty() && busy_ == 0; });
    return std::exchange(failed_, FileOpResult{});
  }
  // Waits until every file taken is closed, a failure kept for Drain: a file still open here
  // could be neither moved nor removed.
  void Settle() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [&] { return queue_.empty() && busy_ == 0; });
  }

 private:
  static constexpr size_t kWaiting = 64;
  static constexpr size_t kThreads = 8;
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      queued_.wait(lock, [&] { return stop_ || !queue_.empty(); });
      if (queue_.empty()) return;
      auto [file, name] = std::move(queue_.front());
      queue_.pop_front();
      ++busy_;
      room_.notify_one();
      lock.unlock();
      const bool flushed = file.Flush();
      const DWORD code = ::GetLastError();
      file.Close();
      lock.lock();
      if (!flushed && failed_.ok()) {
        failed_ = Failure(code);
        failed_.error = "\"" + name + "\": " + failed_.error;
      }
      if (--busy_ == 0 && queue_.empty()) idle_.notify_all();
    }
  }
  std::mutex mutex_;
  std::condition_variable queued_, room_, idle_;
  std::deque<std::pair<File, std::string>> queue_;
  size_t busy_ = 0;
  bool stop_ = false;
  FileOpResult failed_;
  std::vector<std::thread> workers_;
};

ClosingFiles& Closing() {
  static ClosingFiles closing;
  return closing;
}

// Writes through the platform's file, whose steps leave the system's error code behind.
class SystemFileWriter : public FileWriter {
 public:
  SystemFileWriter(File file, std::string name) : file_(std::move(file)), name_(std::move(name)) {}
  FileOpResult Write(const void* data, size_t size) override {
    return Outcome(file_.Write(data, static_cast<int64_t>(size)) == static_cast<int64_t>(size));
  }
  FileOpResult SetTime(std::optional<int64_t> utc, uint32_t dos_time) override {
    return Outcome(utc ? file_.SetUtcTime(*utc) : file_.SetDosTime(dos_time));
  }
  FileOpResult SetAttributes(uint32_t attributes, std::optional<uint32_t>) override {
    return Outcome(file_.SetAttributes(attributes));
  }
  // Flushed behind the next files; FlushFolder waits for it.
  FileOpResult Close() override {
    Closing().Take(std::move(file_), name_);
    return {};
  }

 private:
  File file_;
  std::string name_;
};

class Win32FileOps : public FileOps {
  // The access control list of a file or folder, as bytes that compare equal when the lists grant
  // the same (the same entries in the same order, and whether inheritance is blocked).
  static std::optional<std::string> AccessList(const std::string& path) {
    Handle object(::CreateFileW(WidePath(path).c_str(), READ_CONTROL,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!object.valid()) return std::nullopt;
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr,
                          &descriptor) != ERROR_SUCCESS)
      return std::nullopt;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    std::optional<std::string> list;
    if (::GetSecurityDescriptorControl(descriptor, &control, &revision)) {
      list = std::string(1, (control & SE_DACL_PROTECTED) ? 'P' : 'I');
      if (!acl) list->push_back('-');  // no list at all: everyone has every access
      for (DWORD i = 0; acl && i < acl->AceCount && list; ++i) {
        void* ace = nullptr;
        if (::GetAce(acl, i, &ace))
          list->append(static_cast<const char*>(ace), static_cast<const ACE_HEADER*>(ace)->AceSize);
        else list.reset();
      }
    }
    ::LocalFree(descriptor);
    return list;
  }

  static FileOpResult SetSettable(const std::wstring& wide, uint32_t attributes) {
    const DWORD settable = attributes & kSettableAttributes;
    return Outcome(::SetFileAttributesW(wide.c_str(), settable ? settable : FILE_ATTRIBUTE_NORMAL));
  }

 public:
  FileOpResult CreateFolder(const std::string& path) override {
    return Outcome(::CreateDirectoryW(WidePath(path).c_str(), nullptr));
  }
  FileOpResult RemoveFolder(const std::string& path) override {
    Closing().Settle();
    const std::wstring wide = WidePath(path);
    // RemoveDirectory refuses a read-only folder, and an archive's folder entry may make one.
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
      ::SetFileAttributesW(wide.c_str(), attributes & kSettableAttributes & ~FILE_ATTRIBUTE_READONLY);
    return Outcome(::RemoveDirectoryW(wide.c_str()));
  }
  FileOpResult Rename(const std::string& from, const std::string& to, bool replace) override {
    Closing().Settle();
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    return Outcome(::MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), flags));
  }
  FileOpResult RemoveFile(const std::string& path) override {
    Closing().Settle();
    const std::wstring wide = WidePath(path);
    if (::DeleteFileW(wide.c_str())) return {};
    const DWORD code = ::GetLastError();
    // DeleteFile refuses a read-only file: the attribute is looked at only then.
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (code != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))
      return Failure(code);
    ::SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return Outcome(::DeleteFileW(wide.c_str()));
  }
  FileOpResult WriteFile(const std::string& path, const std::string& bytes) override {
    return WriteAll(path, bytes, CREATE_ALWAYS, false);
  }
  std::unique_ptr<FileWriter> NewFile(const std::string& path, FileOpResult& result) override {
    File file = File::Open(path, FileMode::Create);
    result = Outcome(file.IsOpen());
    return file.IsOpen() ? std::make_unique<SystemFileWriter>(std::move(file), path) : nullptr;
  }
  FileOpResult SetWriteTime(const std::string& path, std::optional<int64_t> utc, uint32_t dos_time) override {
    return Outcome(utc ? SetFileUtcTime(path, *utc) : SetFileDosTime(path, dos_time));
  }
  FileOpResult AppendFile(const std::string& path, const std::string& bytes) override {
    return WriteAll(path, bytes, OPEN_EXISTING, true);
  }
  // Every move is written through: nothing is left to do for the names; the files written with
  // NewFile are waited for.
  FileOpResult FlushFolder(const std::string&) override { return Closing().Drain(); }

  FileOpResult SetStamp(const std::string& path, const FolderStamp& stamp) override {
    const std::wstring wide = WidePath(path);
    {
      // A folder is opened as a folder only with backup semantics.
      Handle folder(::CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      if (!folder.valid()) return Failure(::GetLastError());
      FILETIME modified;
      modified.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(stamp.modified));
      modified.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(stamp.modified) >> 32);
      if (!::SetFileTime(folder.get(), nullptr, nullptr, &modified)) return Failure(::GetLastError());
    }
    return SetSettable(wide, stamp.attributes);
  }
  FileOpResult SetFolderAttributes(const std::string& path, uint32_t attributes) override {
    return SetSettable(WidePath(path), attributes);
  }

  std::optional<uint32_t> Attributes(const std::string& path) override {
    const DWORD a = ::GetFileAttributesW(WidePath(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return static_cast<uint32_t>(a);
  }
  std::optional<FolderStamp> StampOf(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    const uint64_t modified =
        (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return FolderStamp{static_cast<uint32_t>(data.dwFileAttributes), static_cast<int64_t>(modified)};
  }
  std::optional<std::string> ReadFile(const std::string& path) override {
    Handle file(::CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
      DWORD n = 0;
      if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) return std::nullopt;
      if (n == 0) break;
      bytes.append(buffer, n);
    }
    return bytes;
  }
  std::vector<FolderItem> ListFolder(const std::string& path) override {
    std::vector<FolderItem> items;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(WidePath(path + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return items;
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      items.push_back({Narrow(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return items;
  }
  bool SamePermissions(const std::string& a, const std::string& b) override {
    const std::optional<std::string> first = AccessList(a), second = AccessList(b);
    return first && second && *first == *second;
  }
  std::optional<uint64_t> FreeSpace(const std::string& path) override {
    ULARGE_INTEGER available;
    std::string folder = path;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    if (!::GetDiskFreeSpaceExW(WidePath(folder).c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return available.QuadPart;
  }
  std::string HolderOf(const std::string& path) override {
    const FileHolders holders = ProgramsHolding({path});
    std::string names;
    for (const std::string& name : holders.programs) names += (names.empty() ? "" : ", ") + name;
    return names;
  }
  FileOpResult CheckWritableFolder(const std::string& path) override {
    const std::optional<FolderStamp> before = StampOf(path);
    const std::string probe = path + (path.ends_with("\\") ? "" : "\\") + "~halvex-write-check.tmp";
    {
      Handle file(::CreateFileW(WidePath(probe).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
      // One left by a run that was cut short is as good a proof: it was written here.
      if (!file.valid() && ::GetLastError() != ERROR_FILE_EXISTS) return Failure(::GetLastError());
    }
    ::DeleteFileW(WidePath(probe).c_str());
    if (before) {
      Handle folder(::CreateFileW(WidePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      FILETIME modified;
      modified.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(before->modified));
      modified.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(before->modified) >> 32);
      if (folder.valid()) ::SetFileTime(folder.get(), nullptr, nullptr, &modified);
    }
    return {};
  }
  FileOpResult CheckMovableFile(const std::string& path) override {
    Handle file(::CreateFileW(WidePath(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (file.valid()) return {};
    FileOpResult r = Failure(::GetLastError());
    if (r.status == FileOpStatus::kBusy) return {};
    return r;
  }
};

}  // namespace

FileOps& SystemFileOps() {
  static Win32FileOps ops;
  return ops;
}

bool IsProgramRunning(const std::string& path) {
  const std::wstring wanted = Widen(path);
  Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  const DWORD self = ::GetCurrentProcessId();
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self || entry.th32ProcessID == 0) continue;
    Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (!process.valid()) continue;
    wchar_t image[32768];
    DWORD size = 32768;
    if (!::QueryFullProcessImageNameW(process.get(), 0, image, &size)) continue;
    if (::CompareStringOrdinal(image, static_cast<int>(size), wanted.c_str(), static_cast<int>(wanted.size()),
                               TRUE) == CSTR_EQUAL)
      return true;
  }
  return false;
}

FileHolders ProgramsHolding(const std::vector<std::string>& paths) {
  const RestartManager& rm = TheRestartManager();
  if (!rm.usable()) return {false, {}, "the Restart Manager (rstrtmgr.dll) is not available"};
  std::vector<std::wstring> files;
  for (const std::string& path : paths) files.push_back(Widen(path));
  FileHolders holders;
  const DWORD rc = rm.Holders(files, holders.programs);
  holders.known = rc == ERROR_SUCCESS;
  if (!holders.known) holders.error = "the Restart Manager failed: " + ErrorText(static_cast<int>(rc));
  return holders;
}

namespace {

class WindowsProgram : public StartedProgram {
 public:
  explicit WindowsProgram(HANDLE process) : process_(process) {}
  ~WindowsProgram() override { ::CloseHandle(process_); }
  uint32_t Id() override { return ::GetProcessId(process_); }
  std::optional<uint32_t> ExitCode() override {
    // GetExitCodeProcess alone cannot tell a running program from one that ended with 259.
    if (::WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_, &code)) return std::nullopt;
    return static_cast<uint32_t>(code);
  }

 private:
  HANDLE process_;
};

}  // namespace

std::unique_ptr<StartedProgram> StartProgram(const std::string& path, const std::string& parameters,
                                             std::string& error) {
  const std::wstring file = Widen(path), params = Widen(parameters);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = params.empty() ? nullptr : params.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) {
    error = Failure(::GetLastError()).error;
    return nullptr;
  }
  if (!info.hProcess) {
    error = "the system started no process that could be watched";
    return nullptr;
  }
  return std::make_unique<WindowsProgram>(info.hProcess);
}

std::unique_ptr<StartedProgram> StartProgramElevated(const std::string& path, const std::string& parameters,
                                                     std::string& error, bool& declined) {
  declined = false;
  const std::wstring file = Widen(path), params = Widen(parameters);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = params.empty() ? nullptr : params.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) {
    const DWORD code = ::GetLastError();
    // What the shell answers when the user says no at the consent prompt.
    declined = code == ERROR_CANCELLED;
    error = Failure(code).error;
    return nullptr;
  }
  if (!info.hProcess) {
    error = "the system started no process that could be watched";
    return nullptr;
  }
  return std::make_unique<WindowsProgram>(info.hProcess);
}

}  // namespace platform
