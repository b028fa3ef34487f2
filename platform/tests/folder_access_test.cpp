// The access check of a folder: whether this process may make files and folders in it, asked of
// the system for this process's own rights.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/fs.h"

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#endif

namespace {

namespace fs = std::filesystem;

class FolderAccess : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(testing::TempDir()) /
            ("halvex_access_" + std::to_string(platform::CurrentProcessId()) + "_" +
             testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "folder");
    std::ofstream(root_ / "file.txt") << "x";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  // The engine's form of a path below the root.
  std::string Engine(const std::string& rel) const {
    std::string path = (root_ / rel).string();
    for (char& c : path)
      if (c == '/') c = '\\';
    return path;
  }
  fs::path root_;
};

TEST_F(FolderAccess, OnlyAnExistingFolderCanBeWritten) {
  const std::pair<const char*, bool> cases[] = {
      {"folder", true},
      {"missing", false},
      {"file.txt", false},
      {"missing\\deeper", false},
  };
  for (const auto& [rel, writable] : cases) EXPECT_EQ(platform::CanWriteFolder(Engine(rel)), writable) << rel;
}

#ifdef _WIN32
// Gives the folder a protected access list of one entry for this process's user.
bool SetOwnAccess(const fs::path& folder, DWORD access) {
  HANDLE token = nullptr;
  uint8_t user[256];
  DWORD size = 0;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const bool got = ::GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  ::CloseHandle(token);
  if (!got) return false;
  EXPLICIT_ACCESSW entry = {};
  entry.grfAccessPermissions = access;
  entry.grfAccessMode = SET_ACCESS;
  entry.grfInheritance = NO_INHERITANCE;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.Trustee.TrusteeType = TRUSTEE_IS_USER;
  entry.Trustee.ptstrName = static_cast<LPWSTR>(reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
  PACL acl = nullptr;
  if (::SetEntriesInAclW(1, &entry, nullptr, &acl) != ERROR_SUCCESS) return false;
  std::wstring path = folder.wstring();
  const DWORD rc = ::SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, acl, nullptr);
  ::LocalFree(acl);
  return rc == ERROR_SUCCESS;
}

// Whether the folder's access list reads back as one entry (Wine makes one up from the Unix mode).
bool OneEntryKept(const fs::path& folder) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  const bool kept = dacl && dacl->AceCount == 1;
  ::LocalFree(descriptor);
  return kept;
}

// A folder whose access list lets this user read it and nothing more is one it cannot write,
// whatever the path; given the right to add files again, it can.
TEST_F(FolderAccess, TheFoldersAccessListDecides) {
  const fs::path folder = root_ / "folder";
  constexpr DWORD kReadOnly = FILE_GENERIC_READ | FILE_TRAVERSE | READ_CONTROL | WRITE_DAC;
  if (!SetOwnAccess(folder, kReadOnly) || !OneEntryKept(folder))
    GTEST_SKIP() << "the file system keeps no access list";
  const bool read_only_seen = !platform::CanWriteFolder(Engine("folder"));
  ASSERT_TRUE(SetOwnAccess(folder, FILE_ALL_ACCESS));
  EXPECT_TRUE(read_only_seen) << "a folder this user may only read was taken for writable";
  EXPECT_TRUE(platform::CanWriteFolder(Engine("folder")));
}
#endif

}  // namespace
