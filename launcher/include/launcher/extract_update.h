#pragma once

#include <cstdint>
#include <functional>
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
// entry's final destination, the gauge the total percentage. The application is restarted by
// ExtractUpdate once the update is applied or undone, not by the engine's completion event.
void ConnectUnZipper(zip::TUnZipper& unzipper, UpdateHost& host);

// What an update run works with; the launcher passes the system's, tests their own.
struct UpdateEnvironment {
  platform::FileOps* ops = nullptr;
  Clock* clock = nullptr;
  std::function<bool(const std::string& program)> is_running;
  // The other programs holding any of the files (unset: not asked).
  std::function<platform::FileHolders(const std::vector<std::string>& paths)> holders;
  uint64_t wait_ms = 30000;   // for the application to close and its files to be let go
  uint64_t retry_ms = 10000;  // for a file held by another program
};
UpdateEnvironment SystemEnvironment();

// At most this many of the files to be replaced are watched: the programs and libraries first,
// which are what stays open while a program runs.
inline constexpr size_t kMaxWatchedFiles = 64;

// ExtractUpdate: applies UPDATE.ZIP from the launcher's folder (launcher_dir ends with '\') to
// the application folder completely or not at all: finishes what an interrupted run left, waits
// for the application to close, checks every destination, extracts into a staging folder and
// moves the files into place with a journal, undoing every move on a failure. Writes the log and
// the result file, then restarts the application. An archive that cannot be read raises its
// error before anything else and the application is not restarted; any other failure restarts
// it and then raises the one-sentence error for the user.
void ExtractUpdate(zip::TUnZipper& unzipper, UpdateHost& host, const std::string& launcher_dir,
                   const UpdateEnvironment& env);

}  // namespace launcher
