// Per-machine installs: an application folder the current user cannot write (under Program Files)
// is updated by a second copy of the launcher started with administrator rights, which does the
// transaction alone (recovery, preflight, staging, commit, the log and the result file) and never
// starts the application; the first, unelevated process waits for it and restarts the application
// afterwards, so that the application never runs elevated.
//
// The protocol between the two processes is the command line below and the elevated run's exit
// code (the launcher's own table). The elevated run believes nothing it is told beyond the paths:
// it reads the description file itself, is elevated only for a signed update, copies the archive
// into a folder below the application's UPDATE folder (which only administrators can write in a
// per-machine install) and checks the signature of that copy itself, and refuses to write through
// any link or junction below the application's folder.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "launcher/extract_update.h"

#include "launcher/update_plan.h"
#include "launcher/update_report.h"
#include "launcher/update_sequence.h"

namespace launcher {

// The marker of the elevated run on its command line. Given by hand it gains nothing: the run
// still checks everything, refuses an unsigned update and starts no application.
inline constexpr const char* kElevatedOption = "/elevated";

// The name of the elevated run's copy of the archive in kHeldArchiveFolder (launcher/update_plan.h).
inline constexpr const char* kHeldArchiveName = "UPDATE.ZIP";

// What decides where the update runs.
struct ElevationFacts {
  bool elevated_run = false;     // this process is the elevated run
  bool archive_present = true;   // there is an archive to apply
  bool folder_writable = true;   // the current user may make and remove files in the application's folder
  bool signed_update = false;    // the description file names the vendor's PUBLIC_KEY
};

enum class ElevationStep {
  kRunHere,         // the update runs in this process
  kStartElevated,   // a copy of the launcher with administrator rights runs it
  kRefuseUnsigned,  // not started: an unsigned update of a folder only administrators can write
};

ElevationStep DecideElevation(const ElevationFacts& facts);

// The elevated run's arguments: the application's path, the marker, the archive's absolute path,
// and /silent or /passive as the first run was given.
std::vector<std::string> ElevatedArguments(const std::string& application, const std::string& archive, RunMode mode);

// The arguments as one command line, each in double quotes. Empty when an argument cannot be
// quoted (a double quote in it, or a '\' before its closing quote, which Windows would take for
// an escaped quote): Windows paths hold neither.
std::string JoinArguments(const std::vector<std::string>& arguments);

// The archive's path as the elevated run must be told it: UPDATE.ZIP in `launcher_dir` (ending with
// '\') when none was named, a relative path taken from `current_folder`.
std::string AbsoluteArchivePath(const std::string& archive, const std::string& launcher_dir,
                                const std::string& current_folder);

// How the elevated run ended, as the first process saw it.
struct ElevatedRunEnd {
  enum class How { kEnded, kDeclined, kNotStarted } how = How::kEnded;
  uint32_t exit_code = 0;      // kEnded
  std::string error;           // kNotStarted: why the system did not start it
  bool copy_rejected = false;  // kEnded: the elevated run renamed its copy of the archive aside
};

// What becomes of the archive the first process was given (the elevated run only handles its copy).
enum class ArchiveFateAfter { kKeep, kRemove, kReject };

// What the first process does once the elevated run has ended.
struct AfterElevatedRun {
  int exit_code = kExitNotStarted;
  bool restart = true;  // start the application again with UPDATE_RUN
  ArchiveFateAfter archive = ArchiveFateAfter::kKeep;
  // The first process reports the run itself (the result file, the log line and, unless
  // unattended, the error box): the elevated run did not, or not completely.
  bool report = false;
  UpdateOutcome outcome = UpdateOutcome::kNotStarted;  // when `report`
  std::string cause;    // when `report`: ERROR of the result file, in English
  std::string message;  // when `report`: the error box's text, in the run's language
};

AfterElevatedRun AfterElevated(const ElevatedRunEnd& end);

// The first component of `path` below `root` (ending with '\'), `path` itself included, that exists
// and is a link, a junction or another reparse point; empty when there is none or `path` does not
// lie below `root`. The elevated run writes through none: an ordinary user could have planted one
// pointing into the system's folders.
std::string FirstLinkBelow(const std::string& root, const std::string& path);

// The elevated run's refusal for such a link.
std::string LinkRefusal(const std::string& link);

// The first launcher's decision for its request: `archive` is the archive's path, `folder_writable`
// the access check of the application's folder. A PUBLIC_KEY that cannot be read for sure (and a
// description file that could not be read) starts nothing: the run here refuses the update with
// that error, as it always has.
ElevationStep DecideForRequest(const UpdateRequest& request, const std::string& archive, bool folder_writable);

// Where the first launcher writes its own log lines and, when it ends the run itself, the result
// file: the archive's folder (ending with '\'), which the application that placed the archive there
// can read, since the application's folder is one this user cannot write.
std::string FirstLauncherReportFolder(const std::string& archive);

// Starts a program with administrator rights (platform::StartProgramElevated; tests pass their own).
using ElevatedStarter = std::function<std::unique_ptr<platform::StartedProgram>(
    const std::string& program, const std::string& parameters, std::string& error, bool& declined)>;

// The first launcher's side of an elevated run: lets go of the folder's lock, starts `program` (its
// own copy) with the elevated arguments, waits for it, then restarts the application from this
// unelevated process (unless another launcher holds the folder), removes or renames aside the
// archive it was given as the elevated run's exit code says, reports a refused prompt or a run that
// could not be started or ended unexpectedly (the result file and the log in the report folder, the
// error box unless unattended), and ends with the elevated run's exit code.
void RunElevated(UpdateHost& host, Launch& launch, const std::string& program, const std::string& launcher_dir,
                 const UpdateEnvironment& env, const ElevatedStarter& start);

// The first launcher's refusal of an unsigned update of a folder it cannot write: nothing is
// touched, the result file and the log go to the report folder, the error box (unless unattended),
// the application restarted, exit code 2.
void RefuseUnsignedUpdate(UpdateHost& host, Launch& launch, const std::string& launcher_dir);

}  // namespace launcher
