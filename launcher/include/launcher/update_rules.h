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

// An entry is skipped when its full destination path equals one of the two configured paths
// exactly (same bytes, case-sensitive). An empty configured path never matches.
bool IsSkippedPath(std::string_view dest_path, std::string_view copy_filename,
                   std::string_view ver_history);

}  // namespace launcher
