// A secret's file: made new, never over an existing file, and only its owner may open it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/exceptions.h"
#include "platform/stream.h"

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#else
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// What keeps the file from being its owner's alone, if anything: its access list must be
// protected (no entries inherited from the folder) and hold one entry, for this process's user.
std::optional<std::string> OwnerOnlyProblem(const fs::path& path) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
    return "no access list could be read";
  std::optional<std::string> problem;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ::GetSecurityDescriptorControl(descriptor, &control, &revision);
  void* ace = nullptr;
  HANDLE token = nullptr;
  uint8_t user[256];
  DWORD size = 0;
  if (!(control & SE_DACL_PROTECTED)) {
    problem = "the access list takes entries from the folder";
  } else if (!dacl || dacl->AceCount != 1 || !::GetAce(dacl, 0, &ace) ||
             static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) {
    problem = "the access list is not one allowing entry";
  } else if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) ||
             !::GetTokenInformation(token, TokenUser, user, sizeof user, &size) ||
             !::EqualSid(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, reinterpret_cast<TOKEN_USER*>(user)->User.Sid)) {
    problem = "the entry is not for the current user";
  }
  if (token) ::CloseHandle(token);
  ::LocalFree(descriptor);
  return problem;
}

// Whether the file system keeps a protected access list set on a file at all.
bool ProtectedDaclIsKept(const fs::path& probe) {
  std::ofstream(probe) << "x";
  PACL empty = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ACL acl;
  ::InitializeAcl(&acl, sizeof acl, ACL_REVISION);
  empty = &acl;
  ::SetNamedSecurityInfoW(const_cast<wchar_t*>(probe.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, empty,
                          nullptr);
  PACL dacl = nullptr;
  bool kept = false;
  if (::GetNamedSecurityInfoW(probe.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor) == ERROR_SUCCESS) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    kept = (control & SE_DACL_PROTECTED) && dacl && dacl->AceCount == 0;
    ::LocalFree(descriptor);
  }
  return kept;
}
#endif

TEST(PrivateFile, IsNewAndOwnerOnly) {
  const fs::path dir = fs::temp_directory_path() / ("halvex_private_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path path = dir / "secret.key";
  {
    platform::FileStream file(path.string(), platform::FileMode::CreatePrivate);
    file.WriteBuffer("secret", 6);
  }
  EXPECT_THROW(platform::FileStream(path.string(), platform::FileMode::CreatePrivate), platform::EFCreateError);
  {
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "secret") << "an existing file stays as it was";
  }
#ifdef _WIN32
  const bool kept = ProtectedDaclIsKept(dir / "probe");
  const std::optional<std::string> problem = OwnerOnlyProblem(path);
  fs::remove_all(dir);
  if (!kept) GTEST_SKIP() << "this file system keeps no access lists (Wine maps them to Unix modes)";
  EXPECT_FALSE(problem) << problem.value_or("");
#else
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  fs::remove_all(dir);
#endif
}

}  // namespace
