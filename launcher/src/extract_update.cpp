#include "launcher/extract_update.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "launcher/signed_archive.h"
#include "launcher/update_plan.h"
#include "platform/file_ops.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "zip/unzipper.h"

namespace launcher {

namespace {

constexpr unsigned kProgramPollMs = 250;
constexpr unsigned kHoldersPollMs = 500;

class SystemClock : public Clock {
 public:
  uint64_t NowMs() override {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  // The window keeps painting and answering while the launcher waits.
  void SleepMs(unsigned ms) override {
    const uint64_t end = NowMs() + ms;
    for (;;) {
      platform::PumpMessages();
      const uint64_t now = NowMs();
      if (now >= end) break;
      platform::Sleep(static_cast<unsigned>(std::min<uint64_t>(end - now, 50)));
    }
  }
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The folder the update is applied to, ending with '\'. A first argument without a folder part
// names a program in the current folder.
std::string UpdateFolder(const std::string& app_dir) {
  if (app_dir.empty()) {
    std::string folder = platform::CurrentFolder();
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
  }
  return app_dir.back() == ':' ? app_dir + "\\" : app_dir;
}

// Returns the time spent waiting.
uint64_t WaitForApplication(UpdateHost& host, const UpdateEnvironment& env, UpdateLog& log) {
  const std::string& program = State().FirstArgument;
  if (!env.is_running || !env.is_running(program)) return 0;
  host.SetNameCaption(kWaitingForProgramText + program);
  log.Line(Quoted(program) + " is still running: waiting up to " + std::to_string(env.wait_ms / 1000) +
           " s for it to close");
  const uint64_t start = env.clock->NowMs();
  while (env.is_running(program)) {
    if (env.clock->NowMs() - start >= env.wait_ms) {
      log.Line(Quoted(program) + " still runs: going on; files it holds are tried again before giving up");
      return env.wait_ms;
    }
    env.clock->SleepMs(kProgramPollMs);
  }
  const uint64_t waited = env.clock->NowMs() - start;
  log.Line(Quoted(program) + " closed after " + std::to_string(waited) + " ms");
  return waited;
}

bool IsProgramFile(const std::string& rel) {
  const size_t dot = rel.find_last_of('.');
  if (dot == std::string::npos || rel.find('\\', dot) != std::string::npos) return false;
  const std::string ext = platform::NameCaseKey(rel.substr(dot));
  for (const char* e : {".EXE", ".DLL", ".OCX", ".SYS", ".CPL", ".SCR", ".AX", ".DRV"})
    if (ext == e) return true;
  return false;
}

// The existing files the plan replaces, programs and libraries first, at most kMaxWatchedFiles.
std::vector<std::string> FilesToWatch(const UpdatePlan& plan) {
  std::vector<std::string> watched;
  for (const bool programs : {true, false})
    for (const PlannedFile& f : plan.files) {
      if (watched.size() >= kMaxWatchedFiles) return watched;
      if (f.existing && IsProgramFile(f.rel) == programs) watched.push_back(f.final_path);
    }
  return watched;
}

std::string Names(const std::vector<std::string>& programs) {
  std::string names;
  for (size_t i = 0; i < programs.size(); ++i)
    if (std::find(programs.begin(), programs.begin() + i, programs[i]) == programs.begin() + i)
      names += (names.empty() ? "" : ", ") + programs[i];
  return names;
}

// Waits, for what is left of the wait time, until no other program holds the files the update
// replaces open, where the system can tell.
void WaitForHolders(UpdateHost& host, const UpdateEnvironment& env, UpdateLog& log, const UpdatePlan& plan,
                    uint64_t waited) {
  if (!env.holders) return;
  const std::vector<std::string> files = FilesToWatch(plan);
  if (files.empty()) return;
  platform::FileHolders holders = env.holders(files);
  const std::string watched = "files the update replaces (" + std::to_string(files.size()) + " watched)";
  if (!holders.known) {
    log.Line("which programs hold " + watched + " cannot be told (" + holders.error + "): not waited for");
    return;
  }
  if (holders.programs.empty()) {
    log.Line("no other program holds " + watched + " open");
    return;
  }
  const uint64_t budget = env.wait_ms > waited ? env.wait_ms - waited : 0;
  const uint64_t start = env.clock->NowMs();
  std::string names = Names(holders.programs);
  host.SetNameCaption(kWaitingForHoldersText + names);
  log.Line(names + " holds " + watched + " open: waiting up to " + std::to_string(budget / 1000) +
           " s for it to let go");
  for (;;) {
    if (env.clock->NowMs() - start >= budget) {
      log.Line(names + " still holds " + watched + ": going on; files it holds are tried again before giving up");
      return;
    }
    env.clock->SleepMs(kHoldersPollMs);
    holders = env.holders(files);
    if (!holders.known || holders.programs.empty()) break;
    if (Names(holders.programs) != names) {
      names = Names(holders.programs);
      host.SetNameCaption(kWaitingForHoldersText + names);
      log.Line("now " + names + " holds " + watched + " open");
    }
  }
  log.Line(holders.known ? "the " + watched + " were let go after " + std::to_string(env.clock->NowMs() - start) + " ms"
                         : "which programs hold " + watched + " can no longer be told (" + holders.error +
                               "): going on");
}

// Extracts every planned entry below the staging folder; the window sees the final paths. An
// entry that fails stops the extraction: the cause names it.
void Stage(zip::TUnZipper& unzipper, const UpdatePlan& plan, const std::string& stage_dir) {
  std::string cause;
  int extracted = 0;
  auto fail = [&](const std::string& why) {
    if (cause.empty()) cause = why;
    unzipper.CancelRequested = true;
  };
  unzipper.OnSkippingFile = [&](zip::TUnZipper*, zip::TSkipReason reason, const std::string& fname, int, bool&) {
    fail(Quoted(FinalPath(fname)) + (reason == zip::srBadPassword ? " could not be decrypted" : " could not be written"));
  };
  unzipper.OnBadCRC = [&](zip::TUnZipper* z, uint32_t, uint32_t, int index) {
    fail("the archive's entry " + Quoted(z->Entry(index).Path()) + " is damaged (its CRC does not match)");
  };
  unzipper.OnEndUnZip = [&](zip::TUnZipper*, int, const std::string&) { ++extracted; };
  State().StageDir = stage_dir;
  State().StageTarget = plan.app_dir;
  auto restore = [&unzipper] {
    unzipper.OnSkippingFile = nullptr;
    unzipper.OnBadCRC = nullptr;
    unzipper.OnEndUnZip = nullptr;
    State().StageDir.clear();
    State().StageTarget.clear();
  };
  try {
    unzipper.SetDoAll(true);
    unzipper.SetDestDir(stage_dir);
    unzipper.SetRecreateDirs(true);
    unzipper.SetRetainAttributes(true);
    // The staged files are on the disk before the journal says they may be moved into place:
    // each is flushed behind the next ones as it is written.
    unzipper.SetFlushFilesOnClose(true);
    unzipper.UnZipSelected();
  } catch (const std::exception& e) {
    // An error that names a staged file (one that could not be flushed) names it where it was to go.
    const std::string what = FinalPath(e.what());
    restore();
    throw EUpdateFailed(cause.empty() ? what : cause, true);
  }
  restore();
  if (!cause.empty()) throw EUpdateFailed(cause, true);
  if (extracted != static_cast<int>(plan.files.size()))
    throw EUpdateFailed("only " + std::to_string(extracted) + " of the " + std::to_string(plan.files.size()) +
                            " files of the archive could be extracted",
                        true);
}

}  // namespace

void ConnectUnZipper(zip::TUnZipper& unzipper, UpdateHost& host) {
  unzipper.OnStartUnZip = [&host](zip::TUnZipper*, int, std::string& fname, bool& skip) {
    StartUnZip(host, FinalPath(fname), skip);
  };
  unzipper.OnTotalPercentDone = [&host](zip::TUnZipper*, int percent) { TotalPercentDone(host, percent); };
  unzipper.OnUnZipComplete = nullptr;
}

UpdateEnvironment SystemEnvironment() {
  static SystemClock clock;
  UpdateEnvironment env;
  env.ops = &platform::SystemFileOps();
  env.clock = &clock;
  env.is_running = platform::IsProgramRunning;
  env.holders = platform::ProgramsHolding;
  return env;
}

void ExtractUpdate(zip::TUnZipper& unzipper, UpdateHost& host, const std::string& launcher_dir,
                   const UpdateEnvironment& env) {
  const LaunchState& s = State();
  const std::string app_dir = UpdateFolder(s.AppDir);
  const std::string archive = launcher_dir + kArchiveName;
  // The log is kept whatever happens to the update, so it is written past any substitute.
  UpdateLog log(platform::SystemFileOps(), app_dir);
  log.Line("---- update of " + Quoted(app_dir) + " from " + Quoted(archive));
  if (s.ExeFromArgument)
    log.Line("the description file names no program to start: " + Quoted(s.ExeFileName) + " is restarted");
  auto report = [&](UpdateOutcome outcome, int files, const std::string& error) {
    log.Line(std::string("outcome: ") + OutcomeText(outcome) + ", " + std::to_string(files) + " files" +
             (error.empty() ? "" : "; " + error));
    WriteResultFile(platform::SystemFileOps(), app_dir, outcome, files, error, archive, s.VerInfo.Encoding());
  };
  // The application comes back whatever happened to the update; then the user is told.
  auto restart_and_raise = [&](UpdateOutcome outcome, const std::string& cause, bool restored) {
    const std::string text = restored ? kNotAppliedText + cause
                                      : "The update was not applied and the application could not be restored "
                                        "completely; the launcher finishes that at its next start: " + cause;
    report(outcome, 0, cause);
    UnZipComplete(host);
    throw platform::Exception(text);
  };

  UpdateTransaction tx(*env.ops, *env.clock, log, app_dir);
  tx.RetryMs = env.retry_ms;
  tx.OnWaiting = [&host](const std::string& text) { host.SetNameCaption(text); };
  try {
    tx.Recover();
  } catch (const EUpdateFailed& e) {
    restart_and_raise(UpdateOutcome::kNotStarted, "an update that an earlier run began could not be undone: " +
                                                      std::string(e.what()), false);
  }
  const uint64_t waited = WaitForApplication(host, env, log);

  unzipper.SetZipName(archive);
  // A signed update is checked before its directory is read and stays open until the end.
  std::optional<SignedArchive> signed_archive;
  try {
    signed_archive.emplace(unzipper, archive);
    log.Line(signed_archive->Signed() ? "the archive's signature was checked with the vendor's key"
                                      : "the update is not signed (no PUBLIC_KEY in the description file)");
    unzipper.LoadDirectory();
    unzipper.OpenArchive();  // an archive without an end record says so here
    unzipper.CloseArchive();
  } catch (const platform::Exception& e) {
    report(UpdateOutcome::kNotStarted, 0, e.what());
    throw;
  }
  UpdatePlan plan;
  try {
    plan = MakePlan(app_dir, ArchiveEntries(unzipper), s.VerInfo.Value("COPY_FILENAME"),
                    s.VerInfo.Value("VER_HISTORY"));
    log.Line(std::to_string(unzipper.EntryCount()) + " entries, " + std::to_string(plan.files.size()) +
             " files to write (" + std::to_string(plan.total_size) + " bytes)");
    tx.Survey(plan);
    WaitForHolders(host, env, log, plan, waited);
    tx.Prepare(plan);
  } catch (const EUpdateRefused& e) {
    log.Line(std::string("refused: ") + e.what());
    restart_and_raise(UpdateOutcome::kNotStarted, e.what(), true);
  }

  int placed = 0;
  try {
    try {
      Stage(unzipper, plan, tx.StageDir());
    } catch (const EUpdateFailed&) {
      tx.Discard();
      throw;
    }
    log.Line("staged " + std::to_string(plan.files.size()) + " files");
    placed = tx.Commit(plan);
  } catch (const EUpdateFailed& e) {
    restart_and_raise(UpdateOutcome::kRolledBack, e.what(), e.Restored());
  }
  report(UpdateOutcome::kApplied, placed, "");
  UnZipComplete(host);
}

}  // namespace launcher
