// The first launcher's side of a per-machine install's update (launcher/elevation.h).
#include "launcher/elevation.h"

#include "launcher/texts.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "signature/update_check.h"

namespace launcher {

namespace {

constexpr unsigned kElevatedPollMs = 100;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::optional<int64_t> SizeOf(const std::string& path) {
  if (!platform::FileExists(path)) return std::nullopt;
  try {
    platform::FileStream file(path, platform::FileMode::OpenRead);
    return file.Size();
  } catch (const platform::Exception&) {
    return std::nullopt;
  }
}

std::string ArchiveOf(const UpdateRequest& s, const std::string& launcher_dir) {
  return AbsoluteArchivePath(s.ArchivePath, launcher_dir, platform::CurrentFolder());
}

// The archive the first launcher was given: removed once applied, renamed aside when the elevated
// run refused it for what it is, as a run here does with it.
void SettleGiven(platform::FileOps& ops, UpdateLog& log, const std::string& archive, ArchiveFateAfter fate) {
  if (fate == ArchiveFateAfter::kKeep) return;
  for (const std::string& path : {archive, signature::SignatureFileName(archive)}) {
    if (!ops.Attributes(path)) continue;
    const platform::FileOpResult r = fate == ArchiveFateAfter::kRemove ? ops.RemoveFile(path)
                                                                       : ops.Rename(path, path + kRejectedSuffix, true);
    log.Line((r.ok() ? std::string(fate == ArchiveFateAfter::kRemove ? "removed " : "renamed aside ")
                     : "could not settle ") +
             Quoted(path) + (r.ok() ? "" : ": " + r.error));
  }
}

// Ends the first launcher: the report when it is its own, the restart, the box, the exit code.
void EndFirstLauncher(UpdateHost& host, Launch& launch, UpdateLog& log, const std::string& archive,
                      const AfterElevatedRun& after) {
  const UpdateRequest& s = launch.request;
  if (after.report) {
    log.Line(std::string("outcome: ") + OutcomeText(after.outcome) + ", 0 files; " + after.cause);
    WriteResultFileAt(platform::SystemFileOps(), FirstLauncherReportFolder(archive) + "UPDATE_RESULT.INF",
                      after.outcome, 0, after.cause, archive, s.VerInfo.Encoding());
  }
  launch.lock.reset();
  if (after.restart) {
    log.Line("restarting " + Quoted(s.ExeFileName) + " from this process (" +
             std::to_string(platform::CurrentProcessId()) + "), without administrator rights");
    host.ShellOpen(s.ExeFileName, kRestartArgument);
  }
  if (after.report && !after.message.empty() && s.Mode == RunMode::kNormal) host.ShowError(after.message);
  host.SetExitCode(after.exit_code);
  host.RequestTerminate();
}

}  // namespace

ElevationStep DecideForRequest(const UpdateRequest& s, const std::string& archive, bool folder_writable) {
  const std::string description = s.AppDir + kDescriptionFile;
  if (!s.DescriptionRead && platform::FileExists(description)) return ElevationStep::kRunHere;
  bool signed_update = false;
  try {
    signed_update = signature::TrustedPublicKey(s.VerInfo, description).has_value();
  } catch (const platform::Exception&) {
    return ElevationStep::kRunHere;
  }
  return DecideElevation({.elevated_run = s.Elevated,
                          .archive_present = platform::FileExists(archive),
                          .folder_writable = folder_writable,
                          .signed_update = signed_update});
}

std::string FirstLauncherReportFolder(const std::string& archive) {
  const size_t slash = archive.find_last_of('\\');
  return slash == std::string::npos ? std::string() : archive.substr(0, slash + 1);
}

void RunElevated(UpdateHost& host, Launch& launch, const std::string& program, const std::string& launcher_dir,
                 const UpdateEnvironment& env, const ElevatedStarter& start) {
  const UpdateRequest& s = launch.request;
  const std::string archive = ArchiveOf(s, launcher_dir);
  UpdateLog log = UpdateLog::InFolder(platform::SystemFileOps(), FirstLauncherReportFolder(archive));
  const std::string parameters = JoinArguments(ElevatedArguments(s.FirstArgument, archive, s.Mode));
  log.Line("---- " + Quoted(UpdateFolder(s.AppDir)) + " cannot be written by this user: process " +
           std::to_string(platform::CurrentProcessId()) + " starts the launcher with administrator rights for " +
           Quoted(archive));
  ElevatedRunEnd end;
  if (parameters.empty()) {
    end.how = ElevatedRunEnd::How::kNotStarted;
    end.error = "a path on its command line cannot be quoted";
  } else {
    // The elevated run takes the folder's lock itself.
    launch.lock.reset();
    bool declined = false;
    std::unique_ptr<platform::StartedProgram> elevated = start(program, parameters, end.error, declined);
    if (!elevated) {
      end.how = declined ? ElevatedRunEnd::How::kDeclined : ElevatedRunEnd::How::kNotStarted;
    } else {
      log.Line("the launcher with administrator rights runs as process " + std::to_string(elevated->Id()));
      std::optional<uint32_t> code;
      while (!(code = elevated->ExitCode())) env.clock->SleepMs(kElevatedPollMs);
      end.exit_code = *code;
      log.Line("the launcher with administrator rights ended with exit code " + std::to_string(*code));
      // Its copy renamed aside is how it tells that it refused the archive for what it is.
      const std::string held = UpdateFolder(s.AppDir) + kHeldArchiveFolder + "\\" + kHeldArchiveName + kRejectedSuffix;
      const std::optional<int64_t> held_size = SizeOf(held), given_size = SizeOf(archive);
      end.copy_rejected = held_size && given_size && *held_size == *given_size;
    }
  }
  if (end.how == ElevatedRunEnd::How::kDeclined) log.Line("the consent prompt was declined");
  if (end.how == ElevatedRunEnd::How::kNotStarted) log.Line("the launcher could not be started with administrator rights: " + end.error);
  const AfterElevatedRun after = AfterElevated(end);
  SettleGiven(*env.ops, log, archive, after.archive);
  EndFirstLauncher(host, launch, log, archive, after);
}

void RefuseUnsignedUpdate(UpdateHost& host, Launch& launch, const std::string& launcher_dir) {
  const std::string archive = ArchiveOf(launch.request, launcher_dir);
  UpdateLog log = UpdateLog::InFolder(platform::SystemFileOps(), FirstLauncherReportFolder(archive));
  log.Line("---- " + Quoted(UpdateFolder(launch.request.AppDir)) + " cannot be written by this user (process " +
           std::to_string(platform::CurrentProcessId()) + ")");
  AfterElevatedRun after;
  after.report = true;
  after.cause = TextOf(Text::kUnsignedPerMachine, Language::kEnglish);
  after.message = TextOf(Text::kNotApplied) + TextOf(Text::kUnsignedPerMachine);
  log.Line("refused: " + after.cause);
  EndFirstLauncher(host, launch, log, archive, after);
}

}  // namespace launcher
