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
//     the manifest itself is not passed). An entry below the patch folder (kPatchFolder) is the
//     patch of the file its name gives after that folder: the manifest must have a patch line for
//     it, the file must not also come whole, and its size is the patch's, not the file's (the
//     patch's header gives the result's size, CheckStagedFile checks it). Every patch line needs
//     its entry. Before anything is planned the installed bases are verified (BasesToVerify): a
//     base that is missing, a folder, unreadable or of other bytes than the manifest's
//     base-sha256 refuses the whole update with kBaseChanged, naming the file (with
//     BaseCheck::kWhilePatching only missing and folder here; the bytes when step 3 reads them). That refusal is
//     the launcher's cue to fetch the full update instead: a patch applies only to the bytes it
//     was made against. The plan lists the files to write (replacing or adding),
//     the dropped files to remove (only those whose installed bytes have the SHA-256 the manifest
//     gives for the vendor's old bytes), the dropped files kept and why (changed by the user, a
//     folder now, unreadable), the folders those removals leave empty (deepest first), and the
//     files of the release that the archive does not carry and the installation lacks. Files the
//     manifest does not name are never touched.
//  3. While staging: CheckStagedFile for every written file, with the SHA-256 of the bytes staged
//     (EStagedFileMismatch when they are not the vendor's). A patched write (PlannedWrite::patched)
//     is staged as ApplyPatch(the installed file at `base_path`, the entry `entry`): the launcher
//     reads the base whole (ReadDeltaHeader first: a base of another size than the patch's header
//     says is a changed base) and hashes the bytes as it reads them against `base_sha256`: the
//     only check of them with BaseCheck::kWhilePatching, and needed with kHash too, since the
//     file may have changed since the plan was made. The result's SHA-256 goes to
//     CheckStagedFile as for any file; an EDeltaError is a damaged archive.
//  4. After the commit: FormatRecord(RecordOf(manifest)) is the new UPDATE\RELEASE.INF.
//
// Paths are those of the manifest: relative to the application's folder, '\' between parts, and
// compared as Windows compares names (without regard to case).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
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
  kPatchMismatch,  // a patch entry without its patch line, a patched file also whole, a patch line without its entry
  kBaseChanged,    // an installed base of a patch is not the file the patch was made against
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
  // Made by a patch: the archive entry holding it and the installed base it applies to.
  bool patched = false;
  std::string entry;
  std::string base_path;
  Sha256 base_sha256{};
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

// A base of a patch as it is installed: `found` when its bytes were read; `why` says why it
// cannot be patched, empty when its bytes are the manifest's base-sha256.
struct PatchBase {
  std::string path;
  Sha256 sha256{};                 // what the manifest says
  std::optional<Sha256> found;     // what the installed file has
  std::string why;
  bool Matches() const { return why.empty(); }
};

// How the plan verifies the installed bases of the patches. kHash reads and hashes each one.
// kWhilePatching checks only that each is an installed file, for a caller that reads every base
// whole to patch it anyway: it hashes the bytes as it reads them and refuses the update as the plan
// would (kBaseChanged) when they are not the manifest's, before anything is moved.
enum class BaseCheck { kHash, kWhilePatching };

// Every patched file's base, in the manifest's order, hashed in `tree` (with kWhilePatching an
// installed file matches unread, `found` empty).
std::vector<PatchBase> BasesToVerify(const Manifest& manifest, InstalledTree& tree, BaseCheck check = BaseCheck::kHash);
// Raises ERefusedRelease (kBaseChanged) naming the first base that does not match.
void CheckBases(const Manifest& manifest, InstalledTree& tree, BaseCheck check = BaseCheck::kHash);

ReleasePlan PlanRelease(const Manifest& manifest, const std::vector<ArchiveFile>& archive, InstalledTree& tree,
                        BaseCheck check = BaseCheck::kHash);

// The manifest's file at `path`, or nullptr.
const ReleaseFile* FindFile(const Manifest& manifest, const std::string& path);
// Raises EStagedFileMismatch unless `path` is a file of the manifest with this size and hash.
void CheckStagedFile(const Manifest& manifest, const std::string& path, uint64_t size, const Sha256& sha256);

// The manifest's files by the names Windows sees, for checking every staged file of a release
// without a search through the manifest for each.
class ManifestFiles {
 public:
  explicit ManifestFiles(const Manifest& manifest);
  const ReleaseFile* Find(const std::string& path) const;
  // CheckStagedFile, found here.
  void Check(const std::string& path, uint64_t size, const Sha256& sha256) const;

 private:
  std::unordered_map<std::string, const ReleaseFile*> by_key_;
};

}  // namespace release
