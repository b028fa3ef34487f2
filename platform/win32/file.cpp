#include "platform/file.h"

#include <windows.h>
#include <sddl.h>

#include <memory>

#include "platform/fs.h"
#include "platform/text.h"

namespace platform {

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  return *this;
}

namespace {

struct LocalFreer {
  void operator()(void* p) const { ::LocalFree(p); }
};
using SecurityDescriptor = std::unique_ptr<void, LocalFreer>;

// A protected DACL with one entry: full access for the user running this process. Inherited
// entries of the folder (Users, Everyone) do not apply.
SecurityDescriptor OwnerOnlyDescriptor() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::unique_ptr<uint8_t[]> info(new uint8_t[size ? size : 1]);
  wchar_t* sid = nullptr;
  const bool ok = size && ::GetTokenInformation(token, TokenUser, info.get(), size, &size) &&
                  ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(info.get())->User.Sid, &sid);
  ::CloseHandle(token);
  if (!ok) return nullptr;
  const std::wstring sddl = std::wstring(L"D:P(A;;FA;;;") + sid + L")";
  ::LocalFree(sid);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    return nullptr;
  return SecurityDescriptor(descriptor);
}

}  // namespace

File File::Open(const std::string& path, FileMode mode, std::string* error) {
  DWORD access = GENERIC_READ, share = FILE_SHARE_READ | FILE_SHARE_WRITE, disposition = OPEN_EXISTING;
  SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  SecurityDescriptor owner_only;
  switch (mode) {
    case FileMode::OpenRead: break;
    case FileMode::OpenReadDenyWrite: share = FILE_SHARE_READ; break;
    case FileMode::OpenReadWrite: access |= GENERIC_WRITE; share = 0; break;
    case FileMode::Create: access |= GENERIC_WRITE; share = 0; disposition = CREATE_ALWAYS; break;
    case FileMode::CreateNew: access |= GENERIC_WRITE; share = 0; disposition = CREATE_NEW; break;
    case FileMode::CreatePrivate:
      access |= GENERIC_WRITE;
      share = 0;
      disposition = CREATE_NEW;
      owner_only = OwnerOnlyDescriptor();
      if (!owner_only) {
        if (error) *error = LastErrorText();
        return File();
      }
      attributes.lpSecurityDescriptor = owner_only.get();
      break;
  }
  File file;
  file.handle_ = ::CreateFileW(WidePath(path).c_str(), access, share, owner_only ? &attributes : nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file.handle_ == INVALID_HANDLE_VALUE && error) *error = LastErrorText();
  return file;
}

bool File::IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

int64_t File::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* out = static_cast<char*>(buffer);
  while (total < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count - total, 1 << 30));
    DWORD got = 0;
    if (!::ReadFile(handle_, out + total, chunk, &got, nullptr)) return total > 0 ? total : -1;
    if (got == 0) break;
    total += got;
  }
  return total;
}

int64_t File::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (total < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count - total, 1 << 30));
    DWORD put = 0;
    if (!::WriteFile(handle_, in + total, chunk, &put, nullptr)) return total > 0 ? total : -1;
    if (put == 0) break;
    total += put;
  }
  return total;
}

int64_t File::Seek(int64_t offset, int origin) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  const DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
  if (!::SetFilePointerEx(handle_, distance, &result, method)) return -1;
  return result.QuadPart;
}

int64_t File::Size() {
  LARGE_INTEGER size;
  return ::GetFileSizeEx(handle_, &size) ? size.QuadPart : -1;
}

bool File::SetSize(int64_t size) {
  const int64_t here = Seek(0, 1);
  if (Seek(size, 0) < 0 || !::SetEndOfFile(handle_)) return false;
  Seek(here, 0);
  return true;
}

bool File::Flush() { return ::FlushFileBuffers(handle_) != 0; }
bool File::StartFlush() { return false; }
bool File::FlushVolume() { return false; }
uint64_t File::VolumeId() { return 0; }

void File::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) {
    ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
}

}  // namespace platform
