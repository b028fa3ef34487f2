// A secret's file: made new, never over an existing file, and only its owner may open it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

TEST(PrivateFile, IsNewAndOwnerOnly) {
  const fs::path dir = fs::temp_directory_path() / ("halvex_private_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path path = dir / "secret.key";
  {
    platform::FileStream file(path.string(), platform::FileMode::CreatePrivate);
    file.WriteBuffer("secret", 6);
  }
#ifdef _WIN32
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                    nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ::GetSecurityDescriptorControl(descriptor, &control, &revision);
  EXPECT_TRUE(control & SE_DACL_PROTECTED) << "entries inherited from the folder would let others in";
  ASSERT_NE(dacl, nullptr);
  ASSERT_EQ(dacl->AceCount, 1);
  void* ace = nullptr;
  ASSERT_TRUE(::GetAce(dacl, 0, &ace));
  auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
  EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
  HANDLE token = nullptr;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
  uint8_t user[256];
  DWORD size = 0;
  ASSERT_TRUE(::GetTokenInformation(token, TokenUser, user, sizeof user, &size));
  ::CloseHandle(token);
  EXPECT_TRUE(::EqualSid(&allowed->SidStart, reinterpret_cast<TOKEN_USER*>(user)->User.Sid));
  ::LocalFree(descriptor);
#else
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
#endif
  EXPECT_THROW(platform::FileStream(path.string(), platform::FileMode::CreatePrivate), platform::EFCreateError);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "secret") << "an existing file stays as it was";
  in.close();
  fs::remove_all(dir);
}

}  // namespace
