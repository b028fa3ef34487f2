// The journal of an update's moves: what the commit is about to do, on the disk before the first
// move, and the mark of how it ended. Its text is written and read here alone.
//
//   HALVEX UPDATE JOURNAL 1
//   STAMP <attributes, hex> <time> <rel>   an existing folder the moves touch, as it was
//   SWAP <rel>                             an existing folder replaced whole
//   TREE <rel>                             a new folder moved in whole
//   FILE <rel>                             a file moved one by one
//   DROP <rel>                             a file the release drops, moved aside into BACKUP
//   RMDIR <rel>                            a folder the drops leave empty, removed (deepest first)
//   END                                    the list is complete: moves may begin
//   COMMITTED | ROLLED BACK                appended when the moves are complete or undone
//   AWAITING CONFIRMATION                  after COMMITTED: the backups stay until the new
//                                          release says it starts (or is reverted)
//   REVERTING                              after COMMITTED: the new release did not confirm and
//                                          is being undone; ROLLED BACK follows once it is
//
// Lines end with CR LF; a line cut short was never finished and does not count. A rel (a path
// below the application folder, '\' separated) comes last on its line, so it may hold blanks.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/file_ops.h"

namespace launcher {

struct UpdateJournal {
  std::vector<std::string> swaps;        // existing folders replaced whole, none below another
  std::vector<std::string> trees;        // new folders, moved in whole, parents never below others
  std::vector<std::string> new_folders;  // made empty and filled file by file (older journals: DIR)
  std::vector<std::string> files;        // moved one by one, outside the trees (and, unless a swap
                                         // could not be made, outside the swapped folders)
  std::vector<std::pair<std::string, platform::FolderStamp>> stamps;  // existing folders, as they were
  std::vector<std::string> drops;        // removed files, moved aside into BACKUP after the files
  std::vector<std::string> removed_folders;  // removed after the drops, deepest first (each has a stamp)
};

// The journal's text up to and including END.
std::string JournalText(const UpdateJournal& journal);
// The line appended once the moves are complete, or once they are undone.
std::string JournalMark(bool committed);
// The lines appended after COMMITTED when the backups are kept for a confirmation, and before a
// committed update is undone because none came.
std::string JournalAwaitingMark();
std::string JournalRevertingMark();

struct JournalRead {
  UpdateJournal journal;
  bool complete = false;  // END was reached: the moves may have begun
  bool committed = false;
  bool rolled_back = false;
  bool awaiting = false;   // committed, the backups kept for the new release's confirmation
  bool reverting = false;  // committed, then being undone: a recovery finishes the undo
};
// Reads a journal's text; a text without the header, or cut short before END, is not complete.
JournalRead ParseJournal(const std::string& text);

}  // namespace launcher
