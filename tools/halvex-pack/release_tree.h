// A release folder as halvex-pack reads it: its files and folders below the root, in byte order
// of their paths, without the launcher's own names (its record, work folder, log and result).
#pragma once

#include <string>
#include <vector>

namespace pack {

struct TreeItem {
  std::string path;  // '\' between parts, relative to the root
  bool is_folder = false;
};

// `root` ends with '\'. Raises platform::Exception for a link, a device or a name no release may
// hold, naming it.
std::vector<TreeItem> WalkTree(const std::string& root);

}  // namespace pack
