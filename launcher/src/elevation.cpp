#include "launcher/elevation.h"

#include "launcher/texts.h"
#include "platform/fs.h"

namespace launcher {

ElevationStep DecideElevation(const ElevationFacts& f) {
  // The elevated run never asks again, and trusts no one's word that the update is signed.
  if (f.elevated_run) return f.signed_update ? ElevationStep::kRunHere : ElevationStep::kRefuseUnsigned;
  // Nothing to apply needs no rights: the run ends as "nothing to do" without a prompt.
  if (!f.archive_present || f.folder_writable) return ElevationStep::kRunHere;
  return f.signed_update ? ElevationStep::kStartElevated : ElevationStep::kRefuseUnsigned;
}

std::vector<std::string> ElevatedArguments(const std::string& application, const std::string& archive, RunMode mode) {
  std::vector<std::string> arguments{application, kElevatedOption, "/archive=" + archive};
  if (mode == RunMode::kSilent) arguments.push_back("/silent");
  if (mode == RunMode::kPassive) arguments.push_back("/passive");
  return arguments;
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& a : arguments) {
    if (a.find('"') != std::string::npos || (!a.empty() && a.back() == '\\')) return {};
    if (!line.empty()) line += ' ';
    line += '"' + a + '"';
  }
  return line;
}

namespace {

bool IsAbsolute(const std::string& path) {
  // "\\server\share\…", and "\…" from the root of the current drive, are not below the current folder.
  return path.starts_with("\\") || (path.size() >= 3 && path[1] == ':' && path[2] == '\\');
}

}  // namespace

std::string AbsoluteArchivePath(const std::string& archive, const std::string& launcher_dir,
                                const std::string& current_folder) {
  if (archive.empty()) return launcher_dir + kArchiveName;
  if (IsAbsolute(archive) || current_folder.empty()) return archive;
  return current_folder + (current_folder.back() == '\\' ? "" : "\\") + archive;
}

AfterElevatedRun AfterElevated(const ElevatedRunEnd& end) {
  AfterElevatedRun after;
  auto reported_here = [&after](int code, UpdateOutcome outcome, const std::string& cause, const std::string& message) {
    after.exit_code = code;
    after.report = true;
    after.outcome = outcome;
    after.cause = cause;
    after.message = message;
  };
  switch (end.how) {
    case ElevatedRunEnd::How::kDeclined: {
      const std::string& text = TextOf(Text::kElevationDeclined);
      reported_here(kExitNotStarted, UpdateOutcome::kNotStarted, TextOf(Text::kElevationDeclined, Language::kEnglish),
                    TextOf(Text::kNotApplied) + text);
      return after;
    }
    case ElevatedRunEnd::How::kNotStarted: {
      const std::string cause = "the launcher could not be started with administrator rights: " + end.error;
      reported_here(kExitNotStarted, UpdateOutcome::kNotStarted, cause, TextOf(Text::kNotApplied) + cause);
      return after;
    }
    case ElevatedRunEnd::How::kEnded: break;
  }
  // The elevated run wrote its own log and result file and showed its own box.
  after.exit_code = static_cast<int>(end.exit_code);
  switch (end.exit_code) {
    case kExitApplied:
    case kExitReverted: after.archive = ArchiveFateAfter::kRemove; break;
    case kExitNotStarted: after.archive = end.copy_rejected ? ArchiveFateAfter::kReject : ArchiveFateAfter::kKeep; break;
    case kExitRolledBack:
    case kExitNothingToDo:
    case kExitBaseDiffers: break;
    // Another launcher updates the folder and restarts the application itself.
    case kExitAlreadyRunning: after.restart = false; break;
    default: {
      // Killed or crashed: a commit it began is rolled back by the next run.
      const std::string cause = "the launcher running with administrator rights ended unexpectedly (exit code " +
                                std::to_string(end.exit_code) + "); the next run undoes what it began";
      reported_here(kExitRolledBack, UpdateOutcome::kRolledBack, cause, TextOf(Text::kNotRestored) + cause);
    }
  }
  return after;
}

std::string FirstLinkBelow(const std::string& root, const std::string& path) {
  if (root.empty() || root.back() != '\\' || path.size() <= root.size() || path.compare(0, root.size(), root) != 0)
    return {};
  for (size_t at = root.size(); at != std::string::npos;) {
    const size_t next = path.find('\\', at);
    const std::string part = path.substr(0, next);
    if (next != at && platform::IsLink(part)) return part;
    // Below a component that does not exist nothing does.
    if (!platform::PathAttributes(part)) return {};
    at = next == std::string::npos ? next : next + 1;
  }
  return {};
}

std::string LinkRefusal(const std::string& link) {
  return "\"" + link + "\" is a link or junction; the launcher running with administrator rights writes nothing "
         "through it";
}

}  // namespace launcher
