#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "launcher/update_sequence.h"
#include "launcher/update_transaction.h"
#include "platform/file_ops.h"

namespace zip {
class TUnZipper;
}

namespace launcher {

// Connects the engine's events to the update sequence: the label and the skip rule see each
// entry's destination, the gauge the total percentage. While an update is staged, its plan
// decides instead which entries are extracted and where. The application is restarted by
// FinishRun once the run has ended, not by the engine's completion event.
void ConnectUnZipper(zip::TUnZipper& unzipper, UpdateHost& host, const UpdateRequest& request);

// What an update run works with; the launcher passes the system's, tests their own.
struct UpdateEnvironment {
  platform::FileOps* ops = nullptr;
  Clock* clock = nullptr;
  std::function<bool(const std::string& program)> is_running;
  // The other programs holding any of the files (unset: not asked).
  std::function<platform::FileHolders(const std::vector<std::string>& paths)> holders;
  uint64_t wait_ms = 30000;   // for the application to close and its files to be let go
  uint64_t retry_ms = 10000;  // for a file held by another program
  // Starts the application and watches it, for a release that must confirm it starts (unset:
  // such a release is applied and restarted as any other, its confirmation not waited for).
  std::function<std::unique_ptr<platform::StartedProgram>(const std::string& program, const std::string& parameters,
                                                          std::string& error)>
      start;
};
UpdateEnvironment SystemEnvironment();

// At most this many of the files to be replaced are watched: the programs and libraries first,
// which are what stays open while a program runs.
inline constexpr size_t kMaxWatchedFiles = 64;

// How a run ended, for the window to act on.
struct RunOutcome {
  UpdateOutcome outcome = UpdateOutcome::kNotStarted;
  int files = 0;            // placed in the application's folder
  std::string message;      // the error for the user; empty when the update was applied
  bool restart = true;      // start the application again with UPDATE_RUN
  bool nothing_to_do = false;  // not started because there is no archive
  // Applied with the old version kept: the new release must confirm within this many seconds.
  unsigned confirm_seconds = 0;
  std::string archive = "";  // the archive applied, for the result file written after the wait
  bool base_differs = false;   // not started because a file a patch is made against differs
};

// The exit code of the launcher's process for a run that ended so (kExit values).
int ExitCodeOf(const RunOutcome& outcome);

// The name an archive refused for what it is gets, beside the launcher, so that an application
// that starts the launcher whenever UPDATE.ZIP exists does not start it again for the same one
// (its signature file gets kRejectedSuffix after its own name too).
inline constexpr const char* kRejectedSuffix = ".rejected";

// ExtractUpdate: applies the request's archive (UPDATE.ZIP from the launcher's folder,
// launcher_dir ending with '\', unless the command line named another) to
// the application folder completely or not at all: finishes what an interrupted run left, waits
// for the application to close, checks the archive and every destination, extracts into a
// staging folder and moves the files into place with a journal, undoing every move on a failure.
// Writes the log and the result file (an old result file is removed first). An applied archive
// and its signature file are removed; one refused for what it is (its signature, not an archive,
// a damaged directory, an entry that cannot be decoded or placed) is renamed with
// kRejectedSuffix; one refused for the machine's state (space, access, a held file) stays for the
// next try. A command line that was not understood refuses the run before anything is touched.
// Never raises for anything the run expects: the outcome says what happened.
RunOutcome ExtractUpdate(zip::TUnZipper& unzipper, UpdateHost& host, const UpdateRequest& request,
                         const std::string& launcher_dir, const UpdateEnvironment& env);

// What the window does once the run has ended: lets go of the folder's lock, starts the
// application again (when the outcome says so), shows the error (if any, and only when the run is
// neither silent nor passive) and ends the launcher with the outcome's exit code.
void FinishRun(UpdateHost& host, Launch& launch, const RunOutcome& outcome);

// As FinishRun, but a release applied with its old version kept (`confirm_seconds`) is started
// and watched with the folder's lock held and the window hidden: when it makes UPDATE\CONFIRMED
// in time, the old version is removed; when it ends first (whatever its exit code), fails to
// start, or the time passes, the old version is put back through the journal, the result file
// and the log say "reverted" and why, and the old version is started with UPDATE_RUN.
void FinishRun(UpdateHost& host, Launch& launch, const RunOutcome& outcome, const UpdateEnvironment& env);

// The value of CONFIRM_SECONDS: 0 (off) when it is empty or not a whole number, at most
// kMaxConfirmSeconds.
unsigned ParseConfirmSeconds(const std::string& value);

}  // namespace launcher
