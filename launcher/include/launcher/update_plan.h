// What an update will write, worked out from the archive's directory before anything is written:
// every entry's final destination by the engine's placement rule, the configured skips applied,
// and the destinations Windows could not take refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exceptions.h"

namespace zip {
class TUnZipper;
}

namespace launcher {

// The update cannot be applied; the text says why. Nothing has been changed.
class EUpdateRefused : public platform::Exception {
  using Exception::Exception;
};

// One entry of the archive as the plan needs it.
struct ArchiveEntry {
  int index = -1;           // in the engine's view of the directory
  std::string folder_part;  // as the engine gives it: '\' separated, ends with '\' or empty
  std::string file_name;    // empty for a folder entry
  uint64_t size = 0;
  uint32_t attributes = 0;  // the entry's external attributes
  // Why the engine cannot extract the entry (a method or an encryption it does not have, or an
  // encrypted entry, since the launcher has no password); empty when it can.
  std::string undecodable;
};

struct PlannedFile {
  int entry = -1;           // the archive entry (ArchiveEntry::index) it is extracted from
  std::string rel;          // path below the application folder, '\' separated
  std::string final_path;   // application folder + rel: what the window shows
  uint64_t size = 0;
  std::optional<uint32_t> existing;  // the attributes of what is there now (UpdateTransaction::Survey)
};

// A folder the archive names by an entry of its own, and the attributes that entry gives it.
struct FolderEntry {
  std::string rel;
  uint32_t attributes = 0;
};

// An entry the description file leaves out: it is shown, not written.
struct SkippedEntry {
  int entry = -1;
  std::string final_path;
};

struct UpdatePlan {
  std::string app_dir;                // ends with '\'
  std::vector<PlannedFile> files;     // the entries to write, in the archive's order
  std::vector<SkippedEntry> skipped;  // in the archive's order
  std::vector<std::string> folders;   // every folder the update needs (rel), parents first
  std::vector<FolderEntry> folder_entries;  // in the archive's order
  uint64_t total_size = 0;            // of `files`
  // A release's removals: files moved aside through the journal after the files are in place,
  // then the folders that leaves empty, deepest first.
  std::vector<std::string> removes;
  std::vector<std::string> empty_folders;
};

// The reserved folder of the update's own work (staging, backups, journal), below the
// application folder. No entry may be written into it.
inline constexpr const char* kWorkFolder = "UPDATE\\~HALVEX";
// Where the run with administrator rights holds its own copy of the archive and of its signature
// file (launcher/elevation.h). No entry may be written into it either.
inline constexpr const char* kHeldArchiveFolder = "UPDATE\\~HALVEX.ARCHIVE";

// Why `component` (one part of a path) is a name Windows cannot create; empty when it can.
std::string WindowsNameProblem(std::string_view component);

// Whether the engine has a decoder for a compression method.
bool EngineDecodes(uint16_t method);

// Why the launcher cannot extract an entry with this method and these general-purpose flags:
// a method the engine does not decode, an encryption it does not have, or any encryption, since
// the launcher is given no password. Empty when it can.
std::string UndecodableReason(uint16_t method, uint16_t general_flags);

// The plan for `entries` under `app_dir` (ending with '\'). Entries whose final path names the
// file COPY_FILENAME or VER_HISTORY names (IsSkippedPath) are left out. Raises
// EUpdateRefused for a destination outside the folder or in the work folder, a name Windows
// cannot create, two destinations that Windows would take for one, or an entry to be written that
// the engine cannot decode.
UpdatePlan MakePlan(const std::string& app_dir, const std::vector<ArchiveEntry>& entries,
                    std::string_view copy_filename, std::string_view ver_history);

// The entries of the engine's loaded directory, in its view order.
std::vector<ArchiveEntry> ArchiveEntries(zip::TUnZipper& unzipper);

}  // namespace launcher
