#include "release/release_plan.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "platform/fs.h"
#include "platform/stream.h"
#include "platform/text.h"
#include "release/sha256.h"

namespace release {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string VersionList(const std::vector<Version>& versions) {
  std::string text;
  for (size_t i = 0; i < versions.size(); ++i) {
    if (i > 0) text += i + 1 == versions.size() ? " or " : ", ";
    text += versions[i].Text();
  }
  return text;
}

std::string ParentOf(const std::string& path) {
  const size_t sep = path.rfind('\\');
  return sep == std::string::npos ? std::string() : path.substr(0, sep);
}

size_t Depth(const std::string& path) { return static_cast<size_t>(std::count(path.begin(), path.end(), '\\')); }

class DiskTree : public InstalledTree {
 public:
  explicit DiskTree(std::string app_dir) : app_dir_(std::move(app_dir)) {}

  Kind KindOf(const std::string& path) override {
    const std::optional<uint32_t> attributes = platform::PathAttributes(app_dir_ + path);
    if (!attributes) return Kind::kNone;
    return (*attributes & platform::kAttrDirectory) ? Kind::kFolder : Kind::kFile;
  }

  Sha256 HashOf(const std::string& path) override {
    platform::FileStream file(app_dir_ + path, platform::FileMode::OpenRead);
    return Sha256OfStream(file);
  }

  std::vector<platform::FolderItem> List(const std::string& folder) override {
    return platform::SystemFileOps().ListFolder(app_dir_ + folder);
  }

 private:
  std::string app_dir_;
};

}  // namespace

std::unique_ptr<InstalledTree> InstalledFolder(const std::string& app_dir) { return std::make_unique<DiskTree>(app_dir); }

std::optional<Record> ReadInstalledRecord(const std::string& app_dir) {
  const std::string path = app_dir + kRecordFile;
  if (!platform::PathAttributes(path)) return std::nullopt;
  platform::FileStream file(path, platform::FileMode::OpenRead);
  const int64_t size = file.Size();
  // A larger file is refused by the reader, not cut: one byte more than a record may have.
  std::string text(static_cast<size_t>(std::min<int64_t>(size, kMaxTextSize + 1)), '\0');
  file.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  return ParseRecord(text, path);
}

void CheckApplicable(const Manifest& m, const std::optional<Record>& installed) {
  const std::string product = Quoted(m.product);
  if (installed && installed->product != m.product)
    throw ERefusedRelease(RefusalReason::kOtherProduct,
                          "The update is for " + product + ", not for this application (" + Quoted(installed->product) + ").");
  if (installed && installed->version == m.version)
    throw ERefusedRelease(RefusalReason::kAlreadyInstalled,
                          "Version " + m.version.Text() + " of " + product + " is installed already.");
  if (installed && m.version < installed->version && !m.rollback)
    throw ERefusedRelease(RefusalReason::kOlder, "The update would take " + product + " back from version " +
                                                     installed->version.Text() + " to the older " + m.version.Text() +
                                                     ", and it is not marked as a rollback.");
  if (m.from_any) return;
  const std::string applies =
      "The update to version " + m.version.Text() + " of " + product + " applies to version " + VersionList(m.from) + " only";
  if (!installed)
    throw ERefusedRelease(RefusalReason::kUnknownVersion, applies + ", and this installation does not say which version it is (it has no " +
                                                              kRecordFile + ").");
  if (std::find(m.from.begin(), m.from.end(), installed->version) == m.from.end())
    throw ERefusedRelease(RefusalReason::kNotFromVersion, applies + "; version " + installed->version.Text() + " is installed.");
}

const ReleaseFile* FindFile(const Manifest& m, const std::string& path) {
  const std::string key = platform::NameCaseKey(path);
  for (const ReleaseFile& f : m.files)
    if (f.path == path || platform::NameCaseKey(f.path) == key) return &f;
  return nullptr;
}

namespace {

void CheckFound(const ReleaseFile* f, const std::string& path, uint64_t size, const Sha256& sha256) {
  if (!f) throw EStagedFileMismatch(Quoted(path) + " is not a file of the release manifest.");
  if (f->size != size || f->sha256 != sha256)
    throw EStagedFileMismatch(Quoted(path) + " is not the file its release manifest names: the update archive was changed after it was made.");
}

}  // namespace

void CheckStagedFile(const Manifest& m, const std::string& path, uint64_t size, const Sha256& sha256) {
  CheckFound(FindFile(m, path), path, size, sha256);
}

ManifestFiles::ManifestFiles(const Manifest& m) {
  // The first of two that Windows takes for one, as FindFile finds it.
  for (const ReleaseFile& f : m.files) by_key_.emplace(platform::NameCaseKey(f.path), &f);
}

const ReleaseFile* ManifestFiles::Find(const std::string& path) const {
  const auto it = by_key_.find(platform::NameCaseKey(path));
  return it == by_key_.end() ? nullptr : it->second;
}

void ManifestFiles::Check(const std::string& path, uint64_t size, const Sha256& sha256) const {
  CheckFound(Find(path), path, size, sha256);
}

std::vector<PatchBase> BasesToVerify(const Manifest& m, InstalledTree& tree, BaseCheck check) {
  std::vector<PatchBase> bases;
  for (const PatchedFile& p : m.patches) {
    PatchBase b{p.path, p.base_sha256, std::nullopt, {}};
    const InstalledTree::Kind kind = tree.KindOf(p.path);
    if (kind == InstalledTree::Kind::kNone) {
      b.why = "it is not installed";
    } else if (kind == InstalledTree::Kind::kFolder) {
      b.why = "a folder is there";
    } else if (check == BaseCheck::kHash) {
      try {
        b.found = tree.HashOf(p.path);
        if (*b.found != p.base_sha256) b.why = "its bytes are not those the update was made against";
      } catch (const platform::Exception& e) {
        b.why = "it could not be read: " + e.Message();
      }
    }
    bases.push_back(std::move(b));
  }
  return bases;
}

void CheckBases(const Manifest& m, InstalledTree& tree, BaseCheck check) {
  for (const PatchBase& b : BasesToVerify(m, tree, check))
    if (!b.Matches())
      throw ERefusedRelease(RefusalReason::kBaseChanged,
                            "The update patches " + Quoted(b.path) + ", but the installed file is not the one it was made against (" +
                                b.why + "): it was changed, or another version is installed. The full update is needed.");
}

ReleasePlan PlanRelease(const Manifest& m, const std::vector<ArchiveFile>& archive, InstalledTree& tree, BaseCheck check) {
  std::unordered_map<std::string, const ReleaseFile*> by_key;
  for (const ReleaseFile& f : m.files) by_key.emplace(platform::NameCaseKey(f.path), &f);
  std::unordered_map<std::string, const PatchedFile*> patch_by_key;
  for (const PatchedFile& p : m.patches) patch_by_key.emplace(platform::NameCaseKey(p.path), &p);

  ReleasePlan plan;
  std::unordered_set<std::string> written;         // keys of the files written
  std::unordered_set<std::string> written_folders; // keys of every folder a written file lies in
  std::unordered_set<std::string> patch_entries;   // keys of the files whose patch the archive holds
  for (const ArchiveFile& a : archive) {
    const std::optional<std::string> patched = PatchedPathOf(a.path);
    const std::string& path = patched ? *patched : a.path;
    const std::string key = platform::NameCaseKey(path);
    const auto it = by_key.find(key);
    const auto patch = patch_by_key.find(key);
    if (patched && patch == patch_by_key.end())
      throw ERefusedRelease(RefusalReason::kPatchMismatch,
                            "The update archive holds the patch " + Quoted(a.path) + ", which its release manifest does not list.");
    if (it == by_key.end())
      throw ERefusedRelease(RefusalReason::kNotInManifest,
                            "The update archive holds " + Quoted(a.path) + ", which its release manifest does not list.");
    const ReleaseFile& f = *it->second;
    if (!patched && f.size != a.size)
      throw ERefusedRelease(RefusalReason::kSizeMismatch, Quoted(a.path) + " in the update archive has " + std::to_string(a.size) +
                                                              " bytes; its release manifest says " + std::to_string(f.size) + ".");
    // A patched file comes as its patch only: whole as well, one of the two would be lost.
    if (!patched && patch != patch_by_key.end())
      throw ERefusedRelease(RefusalReason::kPatchMismatch, "The update archive holds " + Quoted(a.path) +
                                                               " whole, and its release manifest says it comes as a patch.");
    written.insert(key);
    for (std::string folder = ParentOf(key); !folder.empty(); folder = ParentOf(folder)) written_folders.insert(folder);
    PlannedWrite w;
    w.path = patched ? patch->second->path : a.path;
    w.size = f.size;
    w.sha256 = f.sha256;
    w.replaces = tree.KindOf(path) != InstalledTree::Kind::kNone;
    if (patched) {
      patch_entries.insert(key);
      w.patched = true;
      w.entry = a.path;
      w.base_path = patch->second->path;
      w.base_sha256 = patch->second->base_sha256;
    }
    plan.writes.push_back(std::move(w));
  }
  for (const PatchedFile& p : m.patches)
    if (!patch_entries.count(platform::NameCaseKey(p.path)))
      throw ERefusedRelease(RefusalReason::kPatchMismatch, "The update archive lacks the patch of " + Quoted(p.path) +
                                                               " that its release manifest names (" + PatchEntryName(p.path) + ").");
  CheckBases(m, tree, check);

  for (const ReleaseFile& f : m.files)
    if (!written.count(platform::NameCaseKey(f.path)) && tree.KindOf(f.path) != InstalledTree::Kind::kFile)
      plan.missing.push_back(f.path);

  std::unordered_set<std::string> removed;  // keys
  std::vector<std::string> candidates;      // the folders of removed files and their parents
  for (const DroppedFile& d : m.dropped) {
    const InstalledTree::Kind kind = tree.KindOf(d.path);
    if (kind == InstalledTree::Kind::kNone) continue;
    if (kind == InstalledTree::Kind::kFolder) {
      plan.kept.push_back(KeptFile{d.path, "a folder is there now"});
      continue;
    }
    try {
      if (tree.HashOf(d.path) != d.sha256) {
        plan.kept.push_back(KeptFile{d.path, "changed since the vendor shipped it"});
        continue;
      }
    } catch (const platform::Exception& e) {
      plan.kept.push_back(KeptFile{d.path, "it could not be read: " + e.Message()});
      continue;
    }
    plan.removes.push_back(d.path);
    removed.insert(platform::NameCaseKey(d.path));
    for (std::string folder = ParentOf(d.path); !folder.empty(); folder = ParentOf(folder)) candidates.push_back(folder);
  }

  std::sort(candidates.begin(), candidates.end(), [](const std::string& a, const std::string& b) {
    return Depth(a) != Depth(b) ? Depth(a) > Depth(b) : a < b;
  });
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  std::unordered_set<std::string> emptied;  // keys
  for (const std::string& folder : candidates) {
    const std::string key = platform::NameCaseKey(folder);
    // The launcher's own folder holds its log, record and work; it stays.
    if (key == "UPDATE" || IsReservedPath(folder) || written_folders.count(key) || emptied.count(key)) continue;
    const std::vector<platform::FolderItem> items = tree.List(folder);
    const bool empty_after = std::all_of(items.begin(), items.end(), [&](const platform::FolderItem& item) {
      const std::string item_key = platform::NameCaseKey(folder + "\\" + item.name);
      return item.is_folder ? emptied.count(item_key) > 0 : removed.count(item_key) > 0;
    });
    if (!empty_after) continue;
    emptied.insert(key);
    plan.empty_folders.push_back(folder);
  }
  return plan;
}

}  // namespace release
