// Loads fuzzed archive bytes and extracts every entry into a temporary folder, which is removed
// again. Nothing may be written outside that folder, and an entry that fails leaves no file: its
// output is gone when OnEntryError reports it, or when the failure ends the run.
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
  // The entry being written and whether its file was there before (an earlier entry of the same
  // name may have made it; a failure before the output is created leaves that one alone).
  std::string current;
  bool existed_before = false;
  const auto on_disk = [](std::string path) {
    for (char& c : path)
      if (c == '\\') c = '/';
    std::error_code e;
    return fs::exists(fs::symlink_status(path, e));
  };
  u.OnStartUnZip = [&](zip::TUnZipper*, int, std::string& fname, bool&) {
    current = fname;
    existed_before = on_disk(fname);
  };
  const auto finished = [&] { current.clear(); };
  u.OnEndUnZip = [&](zip::TUnZipper*, int, const std::string&) { finished(); };
  u.OnBadCRC = [&](zip::TUnZipper*, uint32_t, uint32_t, int) { finished(); };
  u.OnSkippingFile = [&](zip::TUnZipper*, zip::TSkipReason, const std::string&, int, bool&) { finished(); };
  // Every other input goes on after a failed entry, the rest lets the failure end the run.
  if (size > 1 && (data[size - 2] & 1)) {
    u.OnEntryError = [&](zip::TUnZipper*, int, const std::string&, bool& abort) {
      if (!current.empty() && on_disk(current) && !existed_before) __builtin_trap();
      current.clear();
      abort = false;
    };
  }
  try {
    u.UnZipSelected();
  } catch (const platform::Exception&) {
    if (!current.empty() && on_disk(current) && !existed_before) __builtin_trap();
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
