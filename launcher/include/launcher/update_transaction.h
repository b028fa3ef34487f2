// Applying a staged update to the application's folder completely or not at all.
//
// Everything happens in the work folder UPDATE\~HALVEX below the application folder (on the same
// volume, so every move is a rename; no archive entry may be written there):
//   STAGE\    the new files, extracted and checked, laid out as in the application folder; a
//             folder the application does not have yet is moved into place whole
//   BACKUP\   the files they replace, moved aside during the commit
//   FOLDERS\  existing folders replaced whole: one whose every file the update replaces, with
//             the same attributes and permissions as its staged copy, is swapped with it (two
//             renames instead of two for each of its files)
//   RELEASE\  a release's manifest and patches, extracted to be read (never moved into place)
//   JOURNAL   the list of planned moves and the attributes and times of every existing folder
//             they touch, on the disk before the first move is made; "COMMITTED" or "ROLLED
//             BACK" is appended when the moves are complete or undone, and for a release that
//             must confirm it starts "AWAITING CONFIRMATION" after COMMITTED (BACKUP and FOLDERS
//             then stay) and "REVERTING" before such a release is undone
// Where a run stopped can be read from the disk itself: a staged file still in STAGE has not been
// moved into place, a file in BACKUP is an old one moved aside. Undoing is therefore the same
// work after an error and after a crash, and doing it twice does no harm.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "launcher/update_journal.h"
#include "launcher/update_plan.h"
#include "launcher/update_report.h"
#include "platform/exceptions.h"
#include "platform/file_ops.h"

namespace launcher {

// The update failed after it began; the text is the cause (the file and the reason).
class EUpdateFailed : public platform::Exception {
 public:
  EUpdateFailed(const std::string& cause, bool restored) : Exception(cause), restored_(restored) {}
  // False when the old version could not be put back completely: the journal stays for the
  // next run to finish the job.
  bool Restored() const { return restored_; }

 private:
  bool restored_;
};

// Time for waits and retries.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint64_t NowMs() = 0;  // a steady count of milliseconds
  virtual void SleepMs(unsigned ms) = 0;
};

class UpdateTransaction {
 public:
  // `app_dir` ends with '\'.
  UpdateTransaction(platform::FileOps& ops, Clock& clock, UpdateLog& log, std::string app_dir);

  // How long a file held by another program is tried again before the update is given up.
  uint64_t RetryMs = 10000;
  // Told while a held file is waited for (the text for the window's label).
  std::function<void(const std::string& text)> OnWaiting;

  std::string WorkDir() const { return app_dir_ + kWorkFolder; }
  std::string StageDir() const { return WorkDir() + "\\STAGE"; }
  std::string BackupDir() const { return WorkDir() + "\\BACKUP"; }
  std::string FoldersDir() const { return WorkDir() + "\\FOLDERS"; }
  std::string JournalPath() const { return WorkDir() + "\\JOURNAL"; }

  // Resolves what an interrupted run left behind: an unfinished commit is rolled back, a complete
  // one has its cleanup finished, a staging area is removed. Returns what was done ("" when there
  // was nothing). Raises EUpdateFailed when the old version could not be put back.
  std::string Recover();

  // Notes what is at each file's destination now, once for the steps that follow (asking the
  // system about a name that is not there costs a look through the whole folder on some).
  void Survey(UpdatePlan& plan);

  // Checks that the folder can take the surveyed plan (no folder where a file goes and the reverse, free
  // space, write access) and makes the staging area. Raises EUpdateRefused; nothing is changed
  // then.
  void Prepare(const UpdatePlan& plan);
  // The free-space part of Prepare: the staged copies of `plan`'s files (what is moved aside stays
  // on its volume and takes no more). Raises EUpdateRefused when the drive has too little.
  void CheckSpace(const UpdatePlan& plan);

  // Moves the staged files (on the disk already: the extraction flushed them) into place, the
  // replaced ones into the backup, with the journal; on any failure every move is undone and
  // EUpdateFailed is raised. Returns the files placed. With `keep_backups` the old versions and
  // the journal stay after the moves (marked as awaiting confirmation) for Confirm or Revert.
  int Commit(const UpdatePlan& plan, bool keep_backups = false);
  // After a commit that kept its backups: the new release is confirmed; the old version goes.
  void Confirm();
  // After a commit that kept its backups: puts the previous version back through the journal, as
  // a rollback does (marked first, so that a recovery finishes an undo cut short). Raises
  // EUpdateFailed when it could not be done completely: Restored() true when nothing was undone
  // (the new version stays, and the next run removes the old one), false when the undo began
  // (the journal stays for the next run to finish it).
  void Revert();

  // Removes the work folder after a failed staging.
  void Discard();

 private:
  platform::FileOpResult Move(const std::string& from, const std::string& to, const std::string& subject);
  void Require(const platform::FileOpResult& r, const std::string& what);
  bool Exists(const std::string& path) { return ops_.Attributes(path).has_value(); }
  std::string FolderPath(const std::string& rel) const;  // "" is the application folder
  std::vector<std::string> FoldersToSwap(const UpdatePlan& plan,
                                         const std::vector<std::pair<std::string, platform::FolderStamp>>& existing);
  // The commit's phases: the journal of the moves (with the folders the old versions are moved
  // aside into made), then the moves themselves and the journal's mark.
  UpdateJournal PlanMoves(const UpdatePlan& plan, std::vector<bool>& has_old);
  void MoveIntoPlace(const UpdatePlan& plan, const UpdateJournal& journal, const std::vector<bool>& has_old);
  void Rollback(const UpdateJournal& journal);
  // Undoes the moves of one file or folder (`rel`): the new one back into STAGE, the old one, if
  // it was moved aside into `aside_dir`, back into place. The first failure, told of `subject`,
  // goes into `first_error`.
  void PutBack(const std::string& rel, const std::string& aside_dir, const std::string& subject,
               std::string& first_error);
  bool DeleteTree(const std::string& path);
  bool Cleanup();

  platform::FileOps& ops_;
  Clock& clock_;
  UpdateLog& log_;
  std::string app_dir_;
};

}  // namespace launcher
