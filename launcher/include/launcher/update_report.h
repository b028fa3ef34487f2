// What a run leaves for the vendor and the restarted application in the application's UPDATE
// folder: a log of every step (UTF-8, one line per step, UTC time) and a small result file in the
// description file's own NAME=value format.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "description/text_encoding.h"
#include "platform/file_ops.h"

namespace launcher {

inline constexpr const char* kLogFile = "UPDATE\\HalvexUpdate.log";
inline constexpr const char* kResultFile = "UPDATE\\UPDATE_RESULT.INF";
// The log moves to HalvexUpdate.log.1 (replacing an older one) once it has grown past this.
inline constexpr uint64_t kLogRotateSize = 1 << 20;

// The current time as "YYYY-MM-DD HH:MM:SS UTC", or with ".mmm" after the seconds (the log's lines,
// so that waits and steps can be timed from it).
std::string UtcTimeText(bool with_milliseconds);

class UpdateLog {
 public:
  // `app_dir` ends with '\'. The log is rotated here, when the run begins. A log that cannot be
  // written never stops an update.
  UpdateLog(platform::FileOps& ops, const std::string& app_dir);
  // HalvexUpdate.log directly in `folder` (ending with '\'), rotated alike.
  static UpdateLog InFolder(platform::FileOps& ops, const std::string& folder);
  void Line(const std::string& text);
  const std::string& Path() const { return path_; }

 private:
  UpdateLog(platform::FileOps& ops, std::string path, bool);
  platform::FileOps& ops_;
  std::string path_;
};

// kReverted: applied, then put back because the new release did not confirm that it starts.
enum class UpdateOutcome { kApplied, kRolledBack, kNotStarted, kReverted };
const char* OutcomeText(UpdateOutcome outcome);  // "applied", "rolled back", "not started", "reverted"

// Writes UPDATE_RESULT.INF: RESULT, FILES, ERROR, TIME and ARCHIVE, in the encoding the
// description file was read in (`description`; ANSI when there was none), so that the
// application reads it as it reads its own description file; ANSI text that the ANSI code page
// cannot hold (a Korean path on a Western system) is written as UTF-8 with a byte-order mark
// instead, so that no character is lost to a '?'.
// `extra` are further NAME=value lines after ARCHIVE (a release's counts, a refusal's REASON).
void WriteResultFile(platform::FileOps& ops, const std::string& app_dir, UpdateOutcome outcome, int files,
                     const std::string& error, const std::string& archive, description::TextEncoding description,
                     const std::vector<std::pair<std::string, std::string>>& extra = {});
// The same result file at `path`.
void WriteResultFileAt(platform::FileOps& ops, const std::string& path, UpdateOutcome outcome, int files,
                       const std::string& error, const std::string& archive, description::TextEncoding description,
                       const std::vector<std::pair<std::string, std::string>>& extra = {});

}  // namespace launcher
