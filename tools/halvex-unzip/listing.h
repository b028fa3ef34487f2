#pragma once

#include <cstdio>

#include "options.h"
#include "zip/unzipper.h"

namespace halvex_unzip {

// The stored path as the archive writes it, with '/'.
std::string StoredPath(const zip::TZipHeaderInfo& entry);
bool Selected(const Options& options, const zip::TZipHeaderInfo& entry);
// Prints the listing (-l or -v); returns the number of entries listed.
int ListArchive(zip::TUnZipper& unzipper, const Options& options, const std::string& shown_name, std::FILE* out);

}  // namespace halvex_unzip
