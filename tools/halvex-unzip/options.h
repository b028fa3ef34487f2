// Command line of halvex-unzip, in the manner of Info-ZIP unzip: options may stand before or
// after the archive; the words after the archive are patterns.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "zip/unzipper.h"

namespace halvex_unzip {

enum class Action { Extract, List, Verbose, Test };
enum class Overwrite { Ask, Always, Never };

struct Options {
  Action action = Action::Extract;
  std::string archive;
  std::vector<std::string> patterns;
  std::optional<std::string> dest_dir;
  Overwrite overwrite = Overwrite::Ask;
  bool junk_paths = false;
  std::optional<std::string> password;
  int quiet = 0;
  zip::TZipSortMode sort = zip::ByNone;
};

// Throws std::invalid_argument with a one-line reason when the command line is not usable.
Options ParseOptions(const std::vector<std::string>& args);
// "name", "filename", "dir", "date", "csize", "usize", "rate", "none"
std::optional<zip::TZipSortMode> ParseSortMode(const std::string& word);
const char* Usage();

}  // namespace halvex_unzip
