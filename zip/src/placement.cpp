// Where extracted entries land: the destination folder rule and the containment check.
#include <cmath>
#include <vector>

#include "platform/text.h"
#include "zip/unzipper.h"

namespace zip {

int Percent(int64_t a, int64_t b) {
  if (b <= 0) return 0;
  const double p = std::nearbyint(static_cast<double>(a) * 100.0 / static_cast<double>(b));
  return p > 100 ? 100 : static_cast<int>(p);
}

std::string DestinationFolder(const std::string& dest_dir, bool recreate_dirs,
                              const std::vector<std::string>& relative_path_list,
                              const std::string& folder_part) {
  if (!recreate_dirs || folder_part.empty()) return dest_dir + "\\";
  std::string p = folder_part;
  for (const std::string& s : relative_path_list) {
    if (p.size() >= s.size() && platform::SameTextIgnoreCase(p.substr(0, s.size()), s)) {
      p.erase(0, s.size());
      break;
    }
  }
  const bool rooted = !p.empty() && p[0] == '\\';
  const bool drive = p.size() >= 2 && p[1] == ':';
  if (p.empty() || (!rooted && !drive)) return dest_dir + "\\" + p;
  if (dest_dir.empty()) return p;
  if (rooted) return dest_dir + p;
  // A drive-relative name ("C:sub\") or a run of colons would otherwise be glued onto the
  // destination's last name and land beside it ("C:\Appsub\").
  const std::string after_drive = p.substr(2);
  return dest_dir + (after_drive.empty() || after_drive[0] != '\\' ? "\\" : "") + after_drive;
}

bool StaysInside(const std::string& dest_dir, const std::string& path) {
  std::string rest = path;
  if (!dest_dir.empty()) {
    if (path.compare(0, dest_dir.size(), dest_dir) != 0) return false;
    rest = path.substr(dest_dir.size());
    // "C:\App" is not a folder of "C:\Apps\x".
    if (!rest.empty() && rest[0] != '\\' && dest_dir.back() != '\\') return false;
  }
  int depth = 0;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    const std::string part = rest.substr(start, end - start);
    if (part == "..") {
      if (--depth < 0) return false;
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace zip
