// Loads fuzzed archive bytes and extracts every entry into a temporary folder, which is removed
// again. Nothing may be written outside the destination: the destination sits a few levels inside
// the run's own folder, which is scanned whole, and every place an entry name points at beyond
// that folder must still be missing afterwards if it was missing before. An entry that fails
// leaves no file: its output is gone when OnEntryError reports it, or when the failure ends the run.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "zip/unzipper.h"

namespace {

namespace fs = std::filesystem;

bool Inside(const fs::path& path, const fs::path& folder) {
  const std::string rel = path.lexically_relative(folder).generic_string();
  return !rel.empty() && rel != ".." && rel.rfind("../", 0) != 0;
}

// The outermost missing folder or file on the way to where `name` points from `dest`, when that
// lies outside `root`; empty when it is inside or already there.
fs::path MissingOutside(const fs::path& dest, std::string name, const fs::path& root) {
  std::replace(name.begin(), name.end(), '\\', '/');
  const fs::path target = (dest / name).lexically_normal();
  if (Inside(target, root)) return {};
  std::error_code ec;
  fs::path missing;
  for (fs::path p = target; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
    missing = p;
    if (p == p.parent_path()) break;
  }
  return missing;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path root = fs::temp_directory_path() / ("halvex_fuzz_extract_" + std::to_string(getpid()));
  const fs::path out = root / "s1" / "s2" / "s3" / "out";
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(out);
  const std::string archive = (root / "a.zip").string();
  std::string dest = out.string();
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
  std::vector<fs::path> missing_outside;
  try {
    u.LoadDirectory();
    for (int i = 0; i < u.EntryCount(); ++i) {
      fs::path missing = MissingOutside(out, u.Entry(i).Path(), root);
      if (!missing.empty()) missing_outside.push_back(std::move(missing));
    }
    u.UnZipSelected();
  } catch (const platform::Exception&) {
    if (!current.empty() && on_disk(current) && !existed_before) __builtin_trap();
  }
  for (const fs::path& p : missing_outside)
    if (fs::exists(p, ec)) __builtin_trap();
  for (const auto& item : fs::recursive_directory_iterator(root, ec)) {
    const fs::path& path = item.path();
    if (!Inside(path, out) && path != archive && !Inside(out, path)) __builtin_trap();
  }
  fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(root, ec);
  return 0;
}
