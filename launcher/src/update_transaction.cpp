#include "launcher/update_transaction.h"

#include <algorithm>
#include <map>
#include <set>

#include "launcher/texts.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace launcher {

namespace {

using platform::FileOpResult;
using platform::FileOpStatus;

// Room the file system needs beyond the files' bytes: clusters, the journal, the log.
constexpr uint64_t kCluster = 4096;
constexpr uint64_t kSpareSpace = 1 << 20;
constexpr unsigned kFirstPauseMs = 100;
constexpr unsigned kLongestPauseMs = 1000;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string ParentOf(const std::string& rel) {
  const size_t slash = rel.find_last_of('\\');
  return slash == std::string::npos ? std::string() : rel.substr(0, slash);
}

std::string Megabytes(uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB"; }

}  // namespace

UpdateTransaction::UpdateTransaction(platform::FileOps& ops, Clock& clock, UpdateLog& log, std::string app_dir)
    : ops_(ops), clock_(clock), log_(log), app_dir_(std::move(app_dir)) {}

std::string UpdateTransaction::FolderPath(const std::string& rel) const {
  // The application folder itself without its closing '\', unless it is a drive's root.
  if (rel.empty() && app_dir_.size() > 1 && app_dir_[app_dir_.size() - 2] != ':')
    return app_dir_.substr(0, app_dir_.size() - 1);
  return app_dir_ + rel;
}

void UpdateTransaction::Require(const FileOpResult& r, const std::string& what) {
  if (!r.ok()) throw EUpdateFailed(what + (r.error.empty() ? "" : ": " + r.error), true);
}

FileOpResult UpdateTransaction::Move(const std::string& from, const std::string& to, const std::string& subject) {
  FileOpResult r = ops_.Rename(from, to);
  if (r.status != FileOpStatus::kBusy && r.status != FileOpStatus::kDenied) return r;
  // An antivirus scanner or the application itself, still closing, often lets go in a moment.
  // Windows also refuses access to a file or folder something holds in some ways; a refusal that
  // no program is seen to cause is this user's lack of rights, which waiting does not mend.
  const std::string holder = ops_.HolderOf(subject);
  if (r.status == FileOpStatus::kDenied && holder.empty()) return r;
  if (r.status == FileOpStatus::kDenied) r.status = FileOpStatus::kBusy;
  const std::string by = holder.empty() ? "" : " (" + holder + ")";
  log_.Line(Quoted(subject) + " is in use" + by + ": " + r.error + "; trying again for up to " +
            std::to_string(RetryMs / 1000) + " s");
  if (OnWaiting) OnWaiting(TextOf(Text::kWaitingForFile) + subject + by);
  const uint64_t start = clock_.NowMs();
  unsigned pause = kFirstPauseMs;
  int attempt = 1;
  while (r.status == FileOpStatus::kBusy && clock_.NowMs() - start < RetryMs) {
    clock_.SleepMs(pause);
    pause = std::min(pause * 2, kLongestPauseMs);
    r = ops_.Rename(from, to);
    if (r.status == FileOpStatus::kDenied) r.status = FileOpStatus::kBusy;
    ++attempt;
    log_.Line("attempt " + std::to_string(attempt) + " on " + Quoted(subject) + ": " +
              (r.ok() ? std::string("done") : r.error));
  }
  if (!r.ok() && !holder.empty()) r.error += " (in use by " + holder + ")";
  return r;
}

void UpdateTransaction::Survey(UpdatePlan& plan) {
  for (PlannedFile& f : plan.files) f.existing = ops_.Attributes(app_dir_ + f.rel);
}

void UpdateTransaction::CheckSpace(const UpdatePlan& plan) {
  // Old files are moved aside on the same volume, so only the staged copies take space.
  uint64_t needed = kSpareSpace;
  for (const PlannedFile& f : plan.files) needed += (f.size + kCluster - 1) / kCluster * kCluster;
  if (const auto free = ops_.FreeSpace(app_dir_); free && *free < needed)
    throw EUpdateRefused("there is not enough free space on the application's drive (" + Megabytes(needed) +
                         " needed, " + Megabytes(*free) + " free)");
}

void UpdateTransaction::Prepare(const UpdatePlan& plan) {
  for (const PlannedFile& f : plan.files)
    if (const auto& a = f.existing; a && (*a & platform::kAttrDirectory))
      throw EUpdateRefused(Quoted(app_dir_ + f.rel) + " is a folder, where the update has a file");
  for (const std::string& rel : plan.folders)
    if (const auto a = ops_.Attributes(app_dir_ + rel); a && !(*a & platform::kAttrDirectory))
      throw EUpdateRefused(Quoted(app_dir_ + rel) + " is a file, where the update has a folder");

  // Every folder a file is moved into or out of, and every file moved aside, before anything is
  // written: a refusal found during the moves would only be undone again.
  std::set<std::string> checked;
  auto check_folder = [&](const std::string& rel) {
    const std::string folder = FolderPath(rel);
    if (!checked.insert(platform::NameCaseKey(folder)).second || !Exists(folder)) return;
    if (const FileOpResult r = ops_.CheckWritableFolder(folder); !r.ok())
      throw EUpdateRefused("the folder " + Quoted(folder) + " cannot be written to" +
                           (r.error.empty() ? "" : ": " + r.error));
  };
  check_folder("");
  for (const std::string& rel : plan.folders) check_folder(rel);
  for (const PlannedFile& f : plan.files) {
    if (!f.existing) continue;
    if (const FileOpResult r = ops_.CheckMovableFile(app_dir_ + f.rel); !r.ok() && r.status != FileOpStatus::kMissing)
      throw EUpdateRefused(Quoted(app_dir_ + f.rel) + " cannot be replaced" + (r.error.empty() ? "" : ": " + r.error));
  }

  for (const std::string& rel : plan.removes)
    if (const FileOpResult r = ops_.CheckMovableFile(app_dir_ + rel); !r.ok() && r.status != FileOpStatus::kMissing)
      throw EUpdateRefused(Quoted(app_dir_ + rel) + " cannot be removed" + (r.error.empty() ? "" : ": " + r.error));

  CheckSpace(plan);

  const std::string update_dir = app_dir_ + "UPDATE";
  FileOpResult r;
  if (!Exists(update_dir)) r = ops_.CreateFolder(update_dir);
  if (r.ok()) r = ops_.CreateFolder(WorkDir());
  if (r.status == FileOpStatus::kExists)
    throw EUpdateRefused("the work folder " + Quoted(WorkDir()) + " of an earlier run could not be removed");
  if (!r.ok())
    throw EUpdateRefused("the application's folder " + Quoted(app_dir_) + " cannot be written to: " + r.error);
  std::vector<std::string> folders = {StageDir(), BackupDir()};
  for (const std::string& rel : plan.folders) folders.push_back(StageDir() + "\\" + rel);
  for (const std::string& folder : folders) {
    r = ops_.CreateFolder(folder);
    if (!r.ok()) {
      DeleteTree(WorkDir());
      throw EUpdateRefused("the folder " + Quoted(folder) + " could not be made: " + r.error);
    }
  }
  log_.Line("staging in " + Quoted(StageDir()) + ": " + std::to_string(plan.files.size()) + " files, " +
            std::to_string(plan.total_size) + " bytes");
}

void UpdateTransaction::Discard() {
  if (Exists(WorkDir()) && !DeleteTree(WorkDir())) log_.Line("the work folder could not be removed completely");
}

std::vector<std::string> UpdateTransaction::FoldersToSwap(
    const UpdatePlan& plan, const std::vector<std::pair<std::string, platform::FolderStamp>>& existing) {
  // A folder can be replaced whole when nothing in it would be lost or changed that the moves of
  // its files one by one would keep: it holds the files the update replaces and nothing else
  // (their number is enough: each of them is one of its files, found by the system's own rules
  // for names), its folders can be replaced whole too, and it looks to the system as its staged
  // copy does (attributes, a link or junction, permissions).
  std::map<std::string, size_t> replaced_files, existing_folders;
  for (const PlannedFile& f : plan.files)
    if (f.existing) ++replaced_files[ParentOf(f.rel)];
  for (const auto& [rel, stamp] : existing)
    if (!rel.empty()) ++existing_folders[ParentOf(rel)];
  std::set<std::string> whole;  // by the name Windows sees: the listing may spell it otherwise
  for (auto it = existing.rbegin(); it != existing.rend(); ++it) {  // the deepest first
    const auto& [rel, stamp] = *it;
    if (rel.empty()) continue;
    const std::string staged = StageDir() + "\\" + rel;
    const auto staged_stamp = ops_.StampOf(staged);
    if (!staged_stamp || staged_stamp->attributes != stamp.attributes || !ops_.SamePermissions(app_dir_ + rel, staged))
      continue;
    size_t files = 0, folders = 0;
    bool nested = true;
    for (const platform::FolderItem& item : ops_.ListFolder(app_dir_ + rel)) {
      if (!item.is_folder) {
        ++files;
        continue;
      }
      ++folders;
      nested = nested && whole.count(platform::NameCaseKey(rel + "\\" + item.name));
    }
    if (nested && files == replaced_files[rel] && folders == existing_folders[rel])
      whole.insert(platform::NameCaseKey(rel));
  }
  std::vector<std::string> swaps;
  for (const auto& [rel, stamp] : existing) {  // parents first: the topmost only
    if (rel.empty() || !whole.count(platform::NameCaseKey(rel))) continue;
    bool below = false;
    for (std::string p = ParentOf(rel); !p.empty() && !below; p = ParentOf(p))
      below = whole.count(platform::NameCaseKey(p)) > 0;
    if (!below) swaps.push_back(rel);
  }
  return swaps;
}

UpdateJournal UpdateTransaction::PlanMoves(const UpdatePlan& plan, std::vector<bool>& has_old) {
  UpdateJournal journal;
  std::set<std::string> backup_folders;
  // Every folder a move or a new folder touches is the application folder or one of the plan's.
  // A folder that is not there yet is moved in whole from the staging area, with everything
  // below it: one rename instead of one for each of its files. A folder already there is
  // swapped whole with its staged copy only when that loses and changes nothing (see
  // FoldersToSwap); otherwise its own permissions and whatever else it holds stay as they are.
  if (const auto stamp = ops_.StampOf(FolderPath(""))) journal.stamps.emplace_back("", *stamp);
  std::set<std::string> new_folders;
  auto in_tree = [&](const std::string& rel) {
    for (std::string p = ParentOf(rel); !p.empty(); p = ParentOf(p))
      if (new_folders.count(p)) return true;
    return false;
  };
  for (const std::string& rel : plan.folders) {  // parents first
    if (in_tree(rel)) continue;
    if (const auto stamp = ops_.StampOf(FolderPath(rel))) {
      journal.stamps.emplace_back(rel, *stamp);
    } else {
      journal.trees.push_back(rel);
      new_folders.insert(rel);
    }
  }
  journal.swaps = FoldersToSwap(plan, journal.stamps);
  std::set<std::string> aside_folders;
  for (const std::string& rel : journal.swaps) {  // FOLDERS keeps the layout, as BACKUP does
    std::vector<std::string> chain;
    for (std::string p = ParentOf(rel); !p.empty(); p = ParentOf(p))
      chain.push_back(FoldersDir() + "\\" + p);
    chain.push_back(FoldersDir());
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
      if (aside_folders.insert(*it).second)
        Require(ops_.CreateFolder(*it), "the folder " + Quoted(*it) + " could not be made");
  }
  // The files of a folder to be replaced whole are listed as well: if it cannot be moved aside
  // (a program holds a file in it, or works in it), they are moved one by one after all.
  for (const PlannedFile& f : plan.files) {
    if (in_tree(f.rel)) continue;
    journal.files.push_back(f.rel);
    // As surveyed: an old file gone since is not there to back up, a new one in the way makes
    // the move into place fail, and either way the moves are undone from what is on the disk.
    has_old.push_back(f.existing.has_value());
    if (!has_old.back()) continue;
    // The backup keeps the layout of the folder: every parent of an old file is made there.
    std::vector<std::string> chain;
    for (std::string p = ParentOf(f.rel); !p.empty() && !backup_folders.count(p); p = ParentOf(p))
      chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      Require(ops_.CreateFolder(BackupDir() + "\\" + *it), "the folder " + Quoted(BackupDir() + "\\" + *it) +
                                                                " could not be made");
      backup_folders.insert(*it);
    }
  }
  // A dropped file goes aside into BACKUP as a replaced one does; the folders its removal
  // leaves empty are removed after it, and their stamps (and those of the folders holding
  // them) are kept to make them again as they were.
  std::set<std::string> stamped;
  for (const auto& [rel, stamp] : journal.stamps) stamped.insert(platform::NameCaseKey(rel));
  auto stamp_folder = [&](const std::string& rel) {
    if (!stamped.insert(platform::NameCaseKey(rel)).second) return;
    if (const auto stamp = ops_.StampOf(FolderPath(rel))) journal.stamps.emplace_back(rel, *stamp);
  };
  for (const std::string& rel : plan.removes) {
    journal.drops.push_back(rel);
    stamp_folder(ParentOf(rel));
    std::vector<std::string> chain;
    for (std::string p = ParentOf(rel); !p.empty() && !backup_folders.count(p); p = ParentOf(p))
      chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      Require(ops_.CreateFolder(BackupDir() + "\\" + *it), "the folder " + Quoted(BackupDir() + "\\" + *it) +
                                                                " could not be made");
      backup_folders.insert(*it);
    }
  }
  for (const std::string& rel : plan.empty_folders) {
    stamp_folder(rel);
    stamp_folder(ParentOf(rel));
    journal.removed_folders.push_back(rel);
  }
  return journal;
}

void UpdateTransaction::MoveIntoPlace(const UpdatePlan& plan, const UpdateJournal& journal,
                                      const std::vector<bool>& has_old) {
  std::set<std::string> swapped;
  for (const std::string& rel : journal.swaps) {
    const std::string folder = app_dir_ + rel;
    const FileOpResult aside = ops_.Rename(folder, FoldersDir() + "\\" + rel);
    if (aside.status == FileOpStatus::kBusy || aside.status == FileOpStatus::kDenied) {
      log_.Line("the folder " + Quoted(folder) + " cannot be replaced whole (" + aside.error +
                "): its files are moved one by one");
      continue;
    }
    Require(aside, "the folder " + Quoted(folder) + " could not be moved aside");
    Require(Move(StageDir() + "\\" + rel, folder, folder),
            "the folder " + Quoted(folder) + " could not be put in place");
    swapped.insert(rel);
  }
  auto in_swapped = [&](const std::string& rel) {
    for (std::string p = ParentOf(rel); !p.empty(); p = ParentOf(p))
      if (swapped.count(p)) return true;
    return false;
  };
  if (!journal.swaps.empty())
    log_.Line(std::to_string(swapped.size()) + " folders replaced whole; moving the other files one by one");

  for (const std::string& rel : journal.trees)
    if (!in_swapped(rel))
      Require(Move(StageDir() + "\\" + rel, app_dir_ + rel, app_dir_ + rel),
              "the folder " + Quoted(app_dir_ + rel) + " could not be made");
  for (const FolderEntry& folder : plan.folder_entries)
    Require(ops_.SetFolderAttributes(app_dir_ + folder.rel, folder.attributes),
            "the attributes of the folder " + Quoted(app_dir_ + folder.rel) + " could not be set");
  for (size_t i = 0; i < journal.files.size(); ++i) {
    const std::string& rel = journal.files[i];
    if (in_swapped(rel)) continue;
    const std::string target = app_dir_ + rel;
    if (has_old[i]) {
      const FileOpResult r = Move(target, BackupDir() + "\\" + rel, target);
      if (r.status == FileOpStatus::kMissing && !Exists(target)) log_.Line(Quoted(target) + " went away before it was replaced");
      else Require(r, Quoted(target) + " could not be replaced");
    }
    Require(Move(StageDir() + "\\" + rel, target, target), Quoted(target) + " could not be written");
  }
  for (const std::string& rel : journal.drops) {
    const std::string target = app_dir_ + rel;
    const FileOpResult r = Move(target, BackupDir() + "\\" + rel, target);
    if (r.status == FileOpStatus::kMissing && !Exists(target)) log_.Line(Quoted(target) + " went away before it was removed");
    else Require(r, Quoted(target) + " could not be removed");
  }
  // The folders the removals leave empty (as the plan found them) go too; one that cannot be
  // removed fails the update as a file that cannot be moved does: the tree is the old or the new.
  for (const std::string& rel : journal.removed_folders)
    Require(ops_.RemoveFolder(app_dir_ + rel), "the folder " + Quoted(app_dir_ + rel) + " could not be removed");
  Require(ops_.FlushFolder(app_dir_), "the moved files could not be written to the disk");
  Require(ops_.AppendFile(JournalPath(), JournalMark(true)),
          "the journal " + Quoted(JournalPath()) + " could not be completed");
}

int UpdateTransaction::Commit(const UpdatePlan& plan, bool keep_backups) {
  UpdateJournal journal;
  std::vector<bool> has_old;
  bool journal_written = false;
  try {
    // First what is to move where and the folders the old versions go aside into, then the
    // journal, on the disk before the first move; then the moves and the journal's mark.
    journal = PlanMoves(plan, has_old);
    const std::string text = JournalText(journal);
    // A journal that failed to be written is removed with the work folder: nothing was moved.
    Require(ops_.WriteFile(JournalPath(), text), "the journal " + Quoted(JournalPath()) + " could not be written");
    journal_written = true;
    log_.Line("journal written: " + std::to_string(plan.files.size()) + " files, " +
              std::to_string(journal.swaps.size()) + " folders replaced whole, " +
              std::to_string(journal.trees.size()) + " new folders moved in whole, " +
              std::to_string(journal.files.size()) + " files listed to be moved one by one, " +
              std::to_string(journal.drops.size()) + " to be removed; moving into place");

    MoveIntoPlace(plan, journal, has_old);
  } catch (const EUpdateFailed& failure) {
    log_.Line("failed: " + std::string(failure.what()));
    if (!journal_written) {
      Discard();
      throw;
    }
    log_.Line("rolling back");
    try {
      Rollback(journal);
    } catch (const EUpdateFailed& rollback) {
      throw EUpdateFailed(std::string(failure.what()) + "; putting the old version back failed too: " +
                              rollback.what(),
                          false);
    }
    throw;
  }
  log_.Line("committed: " + std::to_string(plan.files.size()) + " files in place" +
            (plan.removes.empty() ? "" : ", " + std::to_string(plan.removes.size()) + " removed"));
  if (keep_backups) {
    // Without the mark a later run takes the update for confirmed: it never reverts on a guess.
    if (ops_.AppendFile(JournalPath(), JournalAwaitingMark()).ok())
      log_.Line("the old version stays in " + Quoted(WorkDir()) + " until the new one confirms it starts");
    else
      log_.Line("the journal could not be marked as awaiting confirmation; the old version stays for now");
    return static_cast<int>(plan.files.size());
  }
  if (!Cleanup()) log_.Line("the work folder could not be removed completely; the next run removes it");
  return static_cast<int>(plan.files.size());
}

void UpdateTransaction::PutBack(const std::string& rel, const std::string& aside_dir, const std::string& subject,
                                std::string& first_error) {
  const std::string target = app_dir_ + rel;
  const std::string staged = StageDir() + "\\" + rel;
  const std::string aside = aside_dir + "\\" + rel;
  // The new one, no longer in STAGE but in its place, was moved into place: it goes back first.
  if (!Exists(staged) && Exists(target)) {
    const FileOpResult r = Move(target, staged, target);
    if (!r.ok()) {
      if (first_error.empty()) first_error = subject + " could not be taken back: " + r.error;
      return;
    }
  }
  if (Exists(aside)) {
    const FileOpResult r = Move(aside, target, target);
    if (!r.ok() && first_error.empty()) first_error = subject + " could not be put back: " + r.error;
  }
}

void UpdateTransaction::Rollback(const UpdateJournal& journal) {
  std::string first_error;
  // The removals are undone first: the folders made again, parents first, then the dropped files
  // moved back from BACKUP (one still in its place was never moved).
  for (auto it = journal.removed_folders.rbegin(); it != journal.removed_folders.rend(); ++it) {
    const std::string folder = app_dir_ + *it;
    if (Exists(folder)) continue;
    if (const FileOpResult r = ops_.CreateFolder(folder); !r.ok() && first_error.empty())
      first_error = "the folder " + Quoted(folder) + " could not be made again: " + r.error;
  }
  for (auto it = journal.drops.rbegin(); it != journal.drops.rend(); ++it) {
    const std::string target = app_dir_ + *it;
    const std::string aside = BackupDir() + "\\" + *it;
    if (!Exists(aside) || Exists(target)) continue;
    if (const FileOpResult r = Move(aside, target, target); !r.ok() && first_error.empty())
      first_error = Quoted(target) + " could not be put back: " + r.error;
  }
  // A folder replaced whole is put back first, as a file is: then every file and folder below it
  // is found where it was staged, and the steps below find nothing to undo there.
  for (auto it = journal.swaps.rbegin(); it != journal.swaps.rend(); ++it)
    PutBack(*it, FoldersDir(), "the folder " + Quoted(app_dir_ + *it), first_error);
  for (auto it = journal.files.rbegin(); it != journal.files.rend(); ++it)
    PutBack(*it, BackupDir(), Quoted(app_dir_ + *it), first_error);
  // A new folder moved in whole goes back whole, as a file does.
  for (auto it = journal.trees.rbegin(); it != journal.trees.rend(); ++it) {
    const std::string folder = app_dir_ + *it;
    const std::string staged = StageDir() + "\\" + *it;
    if (Exists(staged) || !Exists(folder)) continue;
    const FileOpResult r = Move(folder, staged, folder);
    if (!r.ok() && first_error.empty()) first_error = Quoted(folder) + " could not be taken back: " + r.error;
  }
  // Journals of earlier versions made new folders one by one ("DIR"); they are removed if empty.
  for (auto it = journal.new_folders.rbegin(); it != journal.new_folders.rend(); ++it) {
    const std::string folder = app_dir_ + *it;
    if (Exists(folder) && !ops_.RemoveFolder(folder).ok()) log_.Line("the new folder " + Quoted(folder) + " stays");
  }
  // Last, when nothing moves in them any more. A time that cannot be set does not keep the old
  // version from working: it is told, and the journal does not stay for it.
  for (const auto& [rel, stamp] : journal.stamps) {
    const std::string folder = FolderPath(rel);
    if (!Exists(folder)) continue;
    if (const FileOpResult r = ops_.SetStamp(folder, stamp); !r.ok())
      log_.Line("the attributes and time of the folder " + Quoted(folder) + " could not be put back: " + r.error);
  }
  if (!first_error.empty()) {
    log_.Line("rollback incomplete: " + first_error + "; the journal stays for the next run");
    throw EUpdateFailed(first_error, false);
  }
  // Without the mark, the cleanup would remove staged files that a later recovery still reads
  // as "not moved yet": then the work folder stays for that recovery, which finds nothing to do.
  if (!ops_.AppendFile(JournalPath(), JournalMark(false)).ok()) {
    log_.Line("rolled back; the journal could not be marked, the next run removes the work folder");
    return;
  }
  log_.Line("rolled back: the application's folder is as it was");
  if (!Cleanup()) log_.Line("the work folder could not be removed completely; the next run removes it");
}

void UpdateTransaction::Confirm() {
  log_.Line("confirmed: removing the old version");
  if (!Cleanup()) log_.Line("the work folder could not be removed completely; the next run removes it");
}

void UpdateTransaction::Revert() {
  const std::optional<std::string> text = ops_.ReadFile(JournalPath());
  const JournalRead read = ParseJournal(text ? *text : std::string());
  if (!read.complete || !read.committed || read.rolled_back)
    throw EUpdateFailed("the journal " + Quoted(JournalPath()) + " does not describe an applied update", true);
  // Marked first: a run stopped during the undo is finished by the next one, not taken for applied.
  if (const FileOpResult r = ops_.AppendFile(JournalPath(), JournalRevertingMark()); !r.ok())
    throw EUpdateFailed("the journal " + Quoted(JournalPath()) + " could not be marked for the revert: " + r.error,
                        true);
  log_.Line("reverting: putting the previous version back");
  Rollback(read.journal);
}

std::string UpdateTransaction::Recover() {
  if (!Exists(WorkDir())) return {};
  const std::optional<std::string> text = Exists(JournalPath()) ? ops_.ReadFile(JournalPath()) : std::nullopt;
  const JournalRead read = ParseJournal(text ? *text : std::string());
  const UpdateJournal& journal = read.journal;
  const bool complete = read.complete, committed = read.committed, rolled_back = read.rolled_back;
  std::string done;
  if (complete && committed && read.reverting && !rolled_back) {
    log_.Line("an interrupted run was reverting an update that did not confirm: finishing the revert");
    Rollback(journal);
    done = "finished the revert of an update that did not confirm (the previous version is in place)";
  } else if (!complete) {
    // The journal is written before the first move: without a whole one, nothing was moved.
    done = "removed the staging area of an interrupted run (the application's folder was not touched)";
    Discard();
  } else if (committed || rolled_back) {
    done = committed ? (read.awaiting && !rolled_back
                            ? "finished the cleanup of an update whose confirmation an interrupted run awaited "
                              "(the new version stays)"
                            : "finished the cleanup of an update that an interrupted run had applied")
                     : "finished the cleanup of an update that an interrupted run had rolled back";
    if (!Cleanup()) log_.Line("the work folder could not be removed completely");
  } else {
    log_.Line("an interrupted run left an unfinished update (" + std::to_string(journal.swaps.size()) +
              " folders replaced whole, " + std::to_string(journal.trees.size()) + " new folders, " +
              std::to_string(journal.files.size()) + " files moved one by one): rolling back");
    Rollback(journal);
    done = "rolled back the update that an interrupted run had begun (the old version is in place)";
  }
  log_.Line("recovery: " + done);
  return done;
}

bool UpdateTransaction::DeleteTree(const std::string& path) {
  bool ok = true;
  for (const platform::FolderItem& item : ops_.ListFolder(path)) {
    const std::string child = path + "\\" + item.name;
    ok = (item.is_folder ? DeleteTree(child) : ops_.RemoveFile(child).ok()) && ok;
  }
  return ops_.RemoveFolder(path).ok() && ok;
}

bool UpdateTransaction::Cleanup() {
  bool ok = true;
  for (const std::string& folder : {StageDir(), BackupDir(), FoldersDir(), WorkDir() + "\\RELEASE"})
    if (Exists(folder)) ok = DeleteTree(folder) && ok;
  if (!ok) return false;
  // The journal goes last: until then a new run can tell what this one did.
  if (Exists(JournalPath()) && !ops_.RemoveFile(JournalPath()).ok()) return false;
  return ops_.RemoveFolder(WorkDir()).ok();
}

}  // namespace launcher
