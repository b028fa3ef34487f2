// halvex-pack make: the release manifest of a new release folder against the previous one, and the
// update archive holding the new and changed files (or all of them) with the manifest.
//
// Every file of the new release is read once, hashed and, when it goes into the archive,
// deflated, by worker threads (one per core) while the main thread writes the entries in order;
// what waits to be written is held to a budget. Files above 32 MiB are streamed by the main thread
// instead of being held whole. A file of the same size as its previous version is compared by
// SHA-256 (a large one is then read a second time, to be packed). The archive is written beside
// its name and renamed into place when complete.
//
// With `delta`, a changed file (in both releases under the same name, with other bytes, neither
// above the delta format's limit) is also described as a patch against its previous version, on
// the same worker threads; the patch goes into the archive instead of the file when it costs
// fewer bytes than the deflated file, its longer entry name and its manifest line included. A
// file being patched is held whole (also one above 32 MiB), and the memory the patch maker needs
// counts against the budget, so that large files are patched one or two at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "release/manifest.h"

namespace pack {

struct MakeOptions {
  std::string old_dir;  // ends with '\'; empty: no previous release (nothing dropped)
  std::string new_dir;  // ends with '\'
  std::string product;
  release::Version version;
  bool from_any = false;
  std::vector<release::Version> from;  // when not from_any
  bool rollback = false;
  bool full = false;
  bool delta = false;  // needs old_dir; not with full
  std::string output;
  // Called after each file: files done, files in all.
  std::function<void(size_t, size_t)> progress;
};

struct MakeResult {
  release::Manifest manifest;
  size_t packed_files = 0;   // whole or as a patch
  size_t patched_files = 0;  // of those, as a patch
  size_t folders = 0;
};

MakeResult MakeRelease(const MakeOptions& options);

}  // namespace pack
