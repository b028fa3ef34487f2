#include "release_tree.h"

#include <algorithm>

#include "platform/exceptions.h"
#include "platform/file_ops.h"
#include "platform/fs.h"
#include "release/manifest.h"

namespace pack {

namespace {

void Walk(const std::string& root, const std::string& folder, std::vector<TreeItem>& out, int depth) {
  if (depth > 64) throw platform::EReadError("\"" + root + folder + "\" lies more than 64 folders deep.");
  std::vector<platform::FolderItem> items = platform::SystemFileOps().ListFolder(root + folder);
  std::sort(items.begin(), items.end(),
            [](const platform::FolderItem& a, const platform::FolderItem& b) { return a.name < b.name; });
  for (const platform::FolderItem& item : items) {
    const std::string path = folder.empty() ? item.name : folder + "\\" + item.name;
    if (release::IsReservedPath(path)) continue;
    const std::string full = root + path;
    if (platform::IsLink(full))
      throw platform::EReadError("\"" + full + "\" is a link; a release holds files and folders only.");
    if (platform::IsSpecialFile(full))
      throw platform::EReadError("\"" + full + "\" is not a file; a release holds files and folders only.");
    if (const std::string problem = release::PathProblem(path); !problem.empty())
      throw platform::EReadError("\"" + full + "\" cannot be part of a release: " + problem + ".");
    out.push_back(TreeItem{path, item.is_folder});
    if (item.is_folder) Walk(root, path, out, depth + 1);
  }
}

}  // namespace

std::vector<TreeItem> WalkTree(const std::string& root) {
  if (!platform::FolderExists(root)) throw platform::EReadError("\"" + root + "\" is not a folder.");
  std::vector<TreeItem> out;
  Walk(root, "", out, 0);
  return out;
}

}  // namespace pack
