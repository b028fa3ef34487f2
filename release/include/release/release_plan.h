// What applying a release means for one installation: refused, or the files to write, remove and
// keep. The launcher calls these in this order, before it writes anything:
//
//  1. CheckApplicable(manifest, installed record): refuses another product, a version that is not
//     newer than the installed one (unless the manifest is marked as a rollback; the same version
//     is refused even then), and an installed version that is not among the manifest's from
//     versions (an installation without a record has an unknown version: only a release "from any"
//     applies to it). Raises ERefusedRelease, whose text is for the user.
//  2. PlanRelease(manifest, archive's files, installed tree): every file entry of the archive must
//     be a file of the manifest with the manifest's size, else ERefusedRelease (the entry holding
//     the manifest itself is not passed). The plan lists the files to write (replacing or adding),
//     the dropped files to remove (only those whose installed bytes have the SHA-256 the manifest
//     gives for the vendor's old bytes), the dropped files kept and why (changed by the user, a
//     folder now, unreadable), the folders those removals leave empty (deepest first), and the
//     files of the release that the archive does not carry and the installation lacks. Files the
//     manifest does not name are never touched.
//  3. While staging: CheckStagedFile for every written file, with the SHA-256 of the bytes staged
//     (EStagedFileMismatch when they are not the vendor's).
//  4. After the commit: FormatRecord(RecordOf(manifest)) is the new UPDATE\RELEASE.INF.
//
// Paths are those of the manifest: relative to the application's folder, '\' between parts, and
// compared as Windows compares names (without regard to case).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "platform/file_ops.h"
#include "release/manifest.h"

namespace release {

enum class RefusalReason {
  kOtherProduct,
  kAlreadyInstalled,
  kOlder,          // older than the installed version and not marked as a rollback
  kNotFromVersion, // the installed version is not one the release applies to
  kUnknownVersion, // no installed record, and the release does not apply to any version
  kNotInManifest,  // an archive entry the manifest does not list
  kSizeMismatch,   // an archive entry whose size is not the manifest's
};

class ERefusedRelease : public platform::Exception {
 public:
  ERefusedRelease(RefusalReason reason, const std::string& message) : Exception(message), reason_(reason) {}
  RefusalReason Reason() const { return reason_; }

 private:
  RefusalReason reason_;
};

// A staged file whose bytes are not those the manifest names: the archive was altered.
class EStagedFileMismatch : public platform::Exception {
  using Exception::Exception;
};

// The installation as the plan needs to see it; the launcher answers from the disk
// (InstalledFolder), tests from memory.
class InstalledTree {
 public:
  virtual ~InstalledTree() = default;
  enum class Kind { kNone, kFile, kFolder };
  virtual Kind KindOf(const std::string& path) = 0;
  // The SHA-256 of a file's bytes; raises a platform::Exception when it cannot be read.
  virtual Sha256 HashOf(const std::string& path) = 0;
  virtual std::vector<platform::FolderItem> List(const std::string& folder) = 0;
};

// The application's folder on the disk (`app_dir` ends with '\'); files are read, never written.
std::unique_ptr<InstalledTree> InstalledFolder(const std::string& app_dir);

// The installed record, read from `app_dir` + kRecordFile: nullopt when there is none. Raises
// EManifestError when it is not a valid record, the runtime's errors when it cannot be read.
std::optional<Record> ReadInstalledRecord(const std::string& app_dir);

void CheckApplicable(const Manifest& manifest, const std::optional<Record>& installed);

struct ArchiveFile {
  std::string path;  // '\' between parts
  uint64_t size = 0;
};

struct PlannedWrite {
  std::string path;
  uint64_t size = 0;
  Sha256 sha256{};
  bool replaces = false;  // a file is there now
};

struct KeptFile {
  std::string path;
  std::string why;
};

struct ReleasePlan {
  std::vector<PlannedWrite> writes;         // in the archive's order
  std::vector<std::string> removes;         // in the manifest's order
  std::vector<KeptFile> kept;
  std::vector<std::string> empty_folders;   // deepest first
  std::vector<std::string> missing;         // release files neither in the archive nor installed
};

ReleasePlan PlanRelease(const Manifest& manifest, const std::vector<ArchiveFile>& archive, InstalledTree& tree);

// The manifest's file at `path`, or nullptr.
const ReleaseFile* FindFile(const Manifest& manifest, const std::string& path);
// Raises EStagedFileMismatch unless `path` is a file of the manifest with this size and hash.
void CheckStagedFile(const Manifest& manifest, const std::string& path, uint64_t size, const Sha256& sha256);

}  // namespace release
