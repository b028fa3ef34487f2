// The launcher's own rules, kept apart from the window so that they can be tested natively.
#pragma once

#include <string>
#include <string_view>

namespace launcher {

// The application folder of an executable path: the text up to and including its last '\' or
// ':'; empty when there is none. UTF-8 inside, so a trail byte can never pass for a '\'.
std::string AppDirOf(std::string_view exe_path);

// SKININDEX as a 32-bit signed integer: leading blanks skipped, an optional sign, then decimal
// digits, or hexadecimal digits after '$', 'x', 'X' or "0x". Anything else (empty, trailing
// characters, overflow) gives `fallback`.
int ParseSkinIndex(std::string_view value, int fallback = 2);

// A path as Windows resolves it, made into a key that two paths of one file share: '/' taken for
// '\', empty and "." parts dropped, ".." taking the part before it away (never the root), the
// trailing dots and blanks of a part dropped, every letter in the case the file system folds names
// to. A relative path is taken below `base` (a folder, ending with '\' or not); one beginning with
// a single '\' at the root of base's drive or share.
std::string PathKey(std::string_view path, std::string_view base);

// An entry is skipped when its destination names the same file as one of the two configured
// paths, compared as Windows compares paths (PathKey): a configured path may be written in any
// case, with '/' or '\', with "." and ".." parts, or relative to the application's folder
// `app_dir`. An empty configured path never matches.
bool IsSkippedPath(std::string_view dest_path, std::string_view copy_filename, std::string_view ver_history,
                   std::string_view app_dir);

}  // namespace launcher
