// Loads fuzzed archive bytes and extracts every entry into a temporary folder, which is removed
// again. Nothing may be written outside that folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/exceptions.h"
#include "zip/unzipper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("halvex_fuzz_extract_" + std::to_string(getpid()));
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(root / "out");
  const std::string archive = (root / "a.zip").string();
  std::string dest = (root / "out").string();
  for (char& c : dest)
    if (c == '/') c = '\\';
  if (FILE* f = std::fopen(archive.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  zip::TUnZipper u;
  u.SetDoProcessMessages(false);
  u.SetIncompleteZipMode(size > 0 && (data[size - 1] & 1) ? zip::izAssumeBad : zip::izAssumeMulti);
  u.SetZipName(archive);
  u.SetDestDir(dest);
  u.SetDoAll(true);
  u.SetRecreateDirs(true);
  u.SetOverwriteMode(zip::Always);
  u.SetReplaceReadOnly(true);
  u.Password = "pw";
  u.OnHandleMessage = [](zip::TUnZipper*, int, const std::string&, const std::string&, uint32_t, int& answer) {
    answer = 1;
  };
  try {
    u.UnZipSelected();
  } catch (const platform::Exception&) {
  }
  for (const auto& item : fs::recursive_directory_iterator(root, ec)) {
    const std::string path = item.path().string();
    if (path.rfind((root / "out").string(), 0) != 0 && path != archive) __builtin_trap();
  }
  fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(root, ec);
  return 0;
}
