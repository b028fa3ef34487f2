#include "zip/paths.h"

#include "platform/fs.h"

namespace zip {

bool DirectoryReachable(const std::string& path) { return platform::FolderExists(path); }

namespace {

#ifdef _WIN32
constexpr const char* kFolderBreaks = "\\:";
#else
constexpr const char* kFolderBreaks = "\\";
#endif

// Nothing above it to make: the root, or a drive. "C:" is a drive only on Windows; elsewhere it
// is a folder name like any other, and so is every short name ("o", "ab").
bool IsPathRoot(const std::string& dir) {
  if (dir.empty() || dir == "\\") return true;
#ifdef _WIN32
  if (dir.size() == 2 && dir[1] == ':') return true;
#endif
  return false;
}

}  // namespace

void CreateDirPath(const std::string& path) {
  const std::string dir = StripTrailingBackslash(path);
  if (IsPathRoot(dir) || DirectoryReachable(dir)) return;
  const size_t cut = dir.find_last_of(kFolderBreaks);
  if (cut != std::string::npos && cut + 1 < dir.size()) CreateDirPath(dir.substr(0, cut + 1));
  platform::CreateFolder(dir);
}

std::string StripTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
  return path;
}

std::string ExtractFileName(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ExtractFilePath(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const size_t cut = path.find_last_of(".\\:");
  if (cut == std::string::npos || path[cut] != '.') return {};
  return path.substr(cut);
}

}  // namespace zip
