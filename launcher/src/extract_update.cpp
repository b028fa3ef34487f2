#include "launcher/extract_update.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "launcher/elevation.h"
#include "launcher/signed_archive.h"
#include "launcher/staged_output.h"
#include "launcher/texts.h"
#include "launcher/update_plan.h"
#include "platform/file_ops.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/stream.h"
#include "platform/text.h"
#include "release/delta.h"
#include "release/manifest.h"
#include "release/release_plan.h"
#include "release/sha256.h"
#include "signature/update_check.h"
#include "zip/errors.h"
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

// Returns the time spent waiting.
uint64_t WaitForApplication(UpdateHost& host, const UpdateEnvironment& env, UpdateLog& log,
                            const std::string& program) {
  if (!env.is_running || !env.is_running(program)) return 0;
  host.SetStatusText(TextOf(Text::kWaitingForProgram) + program);
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

// The existing files the plan replaces or removes, programs and libraries first, at most
// kMaxWatchedFiles.
std::vector<std::string> FilesToWatch(const UpdatePlan& plan) {
  std::vector<std::string> watched;
  for (const bool programs : {true, false}) {
    for (const PlannedFile& f : plan.files) {
      if (watched.size() >= kMaxWatchedFiles) return watched;
      if (f.existing && IsProgramFile(f.rel) == programs) watched.push_back(f.final_path);
    }
    for (const std::string& rel : plan.removes) {
      if (watched.size() >= kMaxWatchedFiles) return watched;
      if (IsProgramFile(rel) == programs) watched.push_back(plan.app_dir + rel);
    }
  }
  return watched;
}

// Everything a release touches, for the free-space check and the wait for the programs holding
// files: the archive's whole files, the files its patches make (at their results' sizes) and the
// files it drops (moved aside).
UpdatePlan ReleaseTouches(platform::FileOps& ops, const UpdatePlan& plan, const release::ReleasePlan& rp) {
  UpdatePlan touched = plan;
  for (const release::PlannedWrite& w : rp.writes)
    if (w.patched)
      touched.files.push_back(
          PlannedFile{-1, w.path, plan.app_dir + w.path, w.size, ops.Attributes(plan.app_dir + w.path)});
  touched.removes = rp.removes;
  return touched;
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
  host.SetStatusText(TextOf(Text::kWaitingForHolders) + names);
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
      host.SetStatusText(TextOf(Text::kWaitingForHolders) + names);
      log.Line("now " + names + " holds " + watched + " open");
    }
  }
  log.Line(holders.known ? "the " + watched + " were let go after " + std::to_string(env.clock->NowMs() - start) + " ms"
                         : "which programs hold " + watched + " can no longer be told (" + holders.error +
                               "): going on");
}

// The answer to an engine's question that goes on with nothing: cancel where the question has
// it, otherwise no, otherwise OK.
int RefusingAnswer(uint32_t flags) {
  switch (flags & 0x0F) {
    case platform::kMbOkCancel:
    case platform::kMbYesNoCancel: return platform::kIdCancel;
    case platform::kMbYesNo: return platform::kIdNo;
    default: return platform::kIdOk;
  }
}

// Extracts exactly the planned entries, each to its place below the staging folder, through
// `output` (the update's file operations); the window sees where it will finally go, and an entry
// the description file leaves out is shown and not extracted. An entry that fails stops the
// extraction: the cause names it. `engine_message` is what the engine told the host during the
// extraction (its own words are the better cause); `archive_fault` tells whether the archive's
// own data failed (and not the disk).
void Stage(zip::TUnZipper& unzipper, UpdateHost& host, const UpdatePlan& plan, const std::string& stage_dir,
           StagedOutput& output, const std::string& engine_message, bool& archive_fault) {
  std::unordered_map<int, const PlannedFile*> planned;
  for (const PlannedFile& f : plan.files) planned.emplace(f.entry, &f);
  std::unordered_map<int, const std::string*> skipped;
  for (const SkippedEntry& e : plan.skipped) skipped.emplace(e.entry, &e.final_path);
  std::unordered_set<int> done;
  std::string cause;
  auto fail = [&](const std::string& why) {
    if (cause.empty()) cause = engine_message.empty() ? why : engine_message;
    unzipper.CancelRequested = true;
  };
  auto final_path = [&](int index, const std::string& fname) {
    const auto it = planned.find(index);
    return it != planned.end() ? it->second->final_path : fname;
  };
  zip::TStartUnZipEvent window_handler = unzipper.OnStartUnZip;
  unzipper.OnStartUnZip = [&](zip::TUnZipper*, int index, std::string& fname, bool& skip) {
    if (const auto it = planned.find(index); it != planned.end()) {
      host.SetStatusText(TextOf(Text::kExtractingFile) + it->second->final_path);
      fname = stage_dir + "\\" + it->second->rel;
      return;
    }
    if (const auto it = skipped.find(index); it != skipped.end()) host.SetStatusText(TextOf(Text::kExtractingFile) + *it->second);
    skip = true;
  };
  unzipper.OnSkippingFile = [&](zip::TUnZipper*, zip::TSkipReason reason, const std::string& fname, int index, bool&) {
    archive_fault = archive_fault || reason == zip::srBadPassword;
    fail(Quoted(final_path(index, fname)) +
         (reason == zip::srBadPassword ? " could not be decrypted"
                                       : " could not be written" +
                                             (reason == zip::srCreateError && !output.CreateError().empty()
                                                  ? ": " + output.CreateError()
                                                  : std::string())));
  };
  unzipper.OnBadCRC = [&](zip::TUnZipper* z, uint32_t, uint32_t, int index) {
    archive_fault = true;
    fail("the archive's entry " + Quoted(z->Entry(index).Path()) + " is damaged (its CRC does not match)");
  };
  unzipper.OnEndUnZip = [&](zip::TUnZipper*, int index, const std::string&) { done.insert(index); };
  auto restore = [&] {
    unzipper.OnStartUnZip = window_handler;
    unzipper.OnSkippingFile = nullptr;
    unzipper.OnBadCRC = nullptr;
    unzipper.OnEndUnZip = nullptr;
    unzipper.SetOutputFiles(nullptr);
    unzipper.CancelRequested = false;
  };
  try {
    unzipper.SetDoAll(true);
    unzipper.SetDestDir(stage_dir);
    unzipper.SetRecreateDirs(true);
    unzipper.SetRetainAttributes(true);
    // The staged files reach the disk with the staging folder's flush, before the journal says
    // they may be moved into place.
    unzipper.SetFlushFilesOnClose(false);
    unzipper.SetOutputFiles(&output);
    unzipper.UnZipSelected();
  } catch (const std::exception& e) {
    // An error that names a staged file (one that could not be written) names it where it was to
    // go; the file operation's own text is the better cause than the engine's account of it.
    std::string what = output.WriteError().empty() ? std::string(e.what()) : output.WriteError();
    const std::string staged = stage_dir + "\\";
    for (size_t at = what.find(staged); at != std::string::npos; at = what.find(staged, at))
      what.replace(at, staged.size(), plan.app_dir);
    const bool data_error = dynamic_cast<const zip::EZipException*>(&e) != nullptr &&
                            dynamic_cast<const zip::ECantWriteUCF*>(&e) == nullptr &&
                            dynamic_cast<const zip::EUserCanceled*>(&e) == nullptr;
    archive_fault = archive_fault || (cause.empty() && data_error);
    restore();
    throw EUpdateFailed(cause.empty() ? what : cause, true);
  }
  restore();
  if (!cause.empty()) throw EUpdateFailed(cause, true);
  // Every planned file must have come out whole; the engine reports each one it gives up.
  for (const PlannedFile& f : plan.files)
    if (!done.count(f.entry)) throw EUpdateFailed(Quoted(f.final_path) + " was not extracted", true);
}

// What becomes of UPDATE.ZIP (and its signature file) when the run ends.
enum class ArchiveFate {
  kKeep,    // for the next try: the machine's state stopped the update, not the archive
  kRemove,  // applied: never applied twice
  kReject,  // refused for what it is: renamed aside
};

void Settle(platform::FileOps& ops, UpdateLog& log, const std::string& archive, ArchiveFate fate) {
  if (fate == ArchiveFate::kKeep) return;
  for (const std::string& path : {archive, signature::SignatureFileName(archive)}) {
    if (!ops.Attributes(path)) continue;
    const platform::FileOpResult r = fate == ArchiveFate::kRemove
                                         ? ops.RemoveFile(path)
                                         : ops.Rename(path, path + kRejectedSuffix, true);
    if (fate == ArchiveFate::kRemove)
      log.Line(r.ok() ? "removed " + Quoted(path) : Quoted(path) + " could not be removed: " + r.error);
    else
      log.Line(r.ok() ? "renamed " + Quoted(path) + " to " + Quoted(path + kRejectedSuffix)
                      : Quoted(path) + " could not be renamed aside: " + r.error);
  }
}

// CONFIRM_SECONDS of the release being applied: of the description file it brings, when it brings
// one, else of the one in place.
unsigned ConfirmSecondsOf(platform::FileOps& ops, UpdateLog& log, const UpdateRequest& s, const UpdatePlan& plan,
                          const std::string& stage_dir) {
  std::string value = s.VerInfo.Value("CONFIRM_SECONDS");
  for (const PlannedFile& f : plan.files) {
    if (platform::NameCaseKey(f.rel) != platform::NameCaseKey(kDescriptionFile)) continue;
    value.clear();
    try {
      description::DescriptionFile staged;
      const auto bytes = ops.ReadFile(stage_dir + "\\" + f.rel);
      if (bytes && static_cast<int64_t>(bytes->size()) <= description::kMaxDescriptionFileSize) {
        staged.LoadFromBytes(*bytes);
        value = staged.Value("CONFIRM_SECONDS");
      }
    } catch (const std::exception& e) {
      log.Line(std::string("the update's description file could not be read for CONFIRM_SECONDS: ") + e.what());
    }
  }
  const unsigned seconds = ParseConfirmSeconds(value);
  if (!value.empty() && !seconds) log.Line("CONFIRM_SECONDS=" + value + " is not a number of seconds: not waited for");
  return seconds;
}

constexpr unsigned kConfirmPollMs = 250;

// Watches the started release until it confirms, ends or the time passes; returns "" when it
// confirmed, else the cause.
std::string AwaitConfirmation(platform::StartedProgram& program, platform::FileOps& ops, Clock& clock, UpdateLog& log,
                              const std::string& confirmed_file, unsigned seconds) {
  const uint64_t start = clock.NowMs();
  for (;;) {
    // Asked before the file is looked for: a release that confirms and then ends is confirmed.
    const std::optional<uint32_t> code = program.ExitCode();
    if (ops.Attributes(confirmed_file)) {
      log.Line("the new version confirmed it starts after " + std::to_string(clock.NowMs() - start) + " ms");
      return {};
    }
    if (code) return "the new version ended with exit code " + std::to_string(*code) + " before it confirmed it starts";
    if (clock.NowMs() - start >= uint64_t{seconds} * 1000)
      return "the new version did not confirm it starts within " + std::to_string(seconds) + " s";
    clock.SleepMs(kConfirmPollMs);
  }
}

// The archive's entries that a release keeps for the launcher: its manifest and its patches.
struct ReleaseEntries {
  int manifest = -1;
  uint64_t manifest_size = 0;
  struct Patch {
    int entry = -1;
    std::string path;  // the archive entry's path
    uint64_t size = 0;
  };
  std::vector<Patch> patches;
};

std::string EntryPath(const ArchiveEntry& e) { return e.folder_part + e.file_name; }

bool InPatchFolder(const std::string& path) {
  const std::string folder = platform::NameCaseKey(release::kPatchFolder);
  const std::string key = platform::NameCaseKey(path);
  return key.starts_with(folder) || key + "\\" == folder;
}

// Takes the manifest and the patch entries out of `entries` (which then hold what is extracted
// as files) when the archive holds a manifest; a plain archive is left as it is.
ReleaseEntries SplitRelease(std::vector<ArchiveEntry>& entries) {
  ReleaseEntries release_entries;
  const std::string manifest_key = platform::NameCaseKey(release::kManifestEntry);
  for (const ArchiveEntry& e : entries)
    if (!e.file_name.empty() && platform::NameCaseKey(EntryPath(e)) == manifest_key) {
      release_entries.manifest = e.index;
      release_entries.manifest_size = e.size;
    }
  if (release_entries.manifest < 0) return release_entries;
  std::vector<ArchiveEntry> files;
  for (ArchiveEntry& e : entries) {
    if (e.index == release_entries.manifest) continue;
    if (InPatchFolder(EntryPath(e))) {
      if (!e.file_name.empty()) release_entries.patches.push_back({e.index, EntryPath(e), e.size});
      continue;
    }
    files.push_back(std::move(e));
  }
  entries = std::move(files);
  return release_entries;
}

// A release refused before anything of the application's was written.
struct ReleaseRefusal {
  std::string message;
  bool base_differs = false;  // the archive is kept: the application fetches the full update
};

std::string BaseDiffers(const std::string& path, const std::string& why) {
  return "The update patches " + Quoted(path) + ", but the installed file is not the one it was made against (" + why +
         "): it was changed, or another version is installed. The full update is needed.";
}

// Reads a file whole through a stream, at most `limit` bytes.
std::vector<uint8_t> ReadWhole(const std::string& path, uint64_t limit, const std::string& what) {
  platform::FileStream stream(path, platform::FileMode::OpenRead);
  const int64_t size = stream.Size();
  if (size < 0 || static_cast<uint64_t>(size) > limit) throw EUpdateRefused(what + " is larger than it may be");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (size > 0 && stream.Read(bytes.data(), size) != size) throw platform::EReadError(Quoted(path) + " could not be read");
  return bytes;
}

// Makes every folder of `rel`'s parent below `root`.
void MakeParents(platform::FileOps& ops, const std::string& root, const std::string& rel) {
  size_t at = 0;
  while ((at = rel.find('\\', at)) != std::string::npos) {
    const std::string folder = root + "\\" + rel.substr(0, at++);
    if (!ops.Attributes(folder)) {
      const platform::FileOpResult r = ops.CreateFolder(folder);
      if (!r.ok()) throw EUpdateFailed("the folder " + Quoted(folder) + " could not be made: " + r.error, true);
    }
  }
}

void AddFolders(UpdatePlan& plan, const std::string& rel) {
  std::vector<std::string> chain;
  for (size_t at = rel.find('\\'); at != std::string::npos; at = rel.find('\\', at + 1))
    chain.push_back(rel.substr(0, at));
  for (const std::string& folder : chain) {
    const std::string key = platform::NameCaseKey(folder);
    if (std::none_of(plan.folders.begin(), plan.folders.end(),
                     [&](const std::string& f) { return platform::NameCaseKey(f) == key; }))
      plan.folders.push_back(folder);
  }
}

// After the engine staged the release's whole files: each is checked against the manifest by the
// hash taken while it was written, the patched files are made from the installed bases into the
// staging folder (each base's bytes checked as they are read, each result's as it is written),
// the new record is staged as one more file to move, and the removals go to the transaction. Raises ERefusedRelease, EStagedFileMismatch and the patch's errors: nothing of
// the application's is written yet.
void StageRelease(platform::FileOps& ops, UpdateLog& log, UpdateTransaction& tx, UpdatePlan& plan,
                  const release::Manifest& manifest, const release::ReleasePlan& rp, const ReleaseEntries& entries,
                  const std::function<std::string(size_t)>& patch_file, const StagedOutput& staged) {
  const release::ManifestFiles manifest_files(manifest);
  for (const PlannedFile& f : plan.files) {
    const StagedOutput::Written* written = staged.Of(tx.StageDir() + "\\" + f.rel);
    if (!written) throw EUpdateFailed(Quoted(f.final_path) + " was not extracted", true);
    manifest_files.Check(f.rel, written->size, written->sha256);
  }
  for (const release::PlannedWrite& w : rp.writes) {
    if (!w.patched) continue;
    const std::string entry_key = platform::NameCaseKey(w.entry);
    size_t i = 0;
    while (i < entries.patches.size() && platform::NameCaseKey(entries.patches[i].path) != entry_key) ++i;
    if (i == entries.patches.size()) throw EUpdateFailed("the patch " + Quoted(w.entry) + " was not extracted", true);
    const std::string cannot_apply = "The patch " + Quoted(w.entry) + " in the update archive cannot be applied: ";
    try {
      const std::vector<uint8_t> patch = ReadWhole(patch_file(i), release::kMaxDeltaFileSize, "the patch " + Quoted(w.entry));
      const release::DeltaHeader header = release::ReadDeltaHeader(patch);
      const std::string base_path = plan.app_dir + w.base_path;
      // A base that cannot be opened is refused as the plan refuses an unreadable one.
      std::optional<platform::FileStream> base_stream;
      uint64_t base_size = 0;
      try {
        base_stream.emplace(base_path, platform::FileMode::OpenRead);
        base_size = static_cast<uint64_t>(base_stream->Size());
      } catch (const platform::Exception& e) {
        throw release::ERefusedRelease(release::RefusalReason::kBaseChanged,
                                       BaseDiffers(w.path, "it could not be read: " + e.Message()));
      }
      if (base_size != header.base_size)
        throw release::ERefusedRelease(release::RefusalReason::kBaseChanged,
                                       "The update patches " + Quoted(w.path) + ", but the installed file has " +
                                           std::to_string(base_size) + " bytes, not the " +
                                           std::to_string(header.base_size) +
                                           " it was made against. The full update is needed.");
      // The plan left the base's bytes to this read (BaseCheck::kWhilePatching): each block is
      // hashed as it arrives, while it is in the cache, and the file is read this once.
      std::vector<uint8_t> base(static_cast<size_t>(base_size));
      release::Sha256Hasher base_hasher;
      for (size_t at = 0; at < base.size();) {
        const int64_t want = static_cast<int64_t>(std::min<size_t>(base.size() - at, size_t{1} << 20));
        if (base_stream->Read(base.data() + at, want) != want)
          throw release::ERefusedRelease(release::RefusalReason::kBaseChanged,
                                         BaseDiffers(w.path, "it could not be read: Stream read error"));
        base_hasher.Update(base.data() + at, static_cast<size_t>(want));
        at += static_cast<size_t>(want);
      }
      if (base_hasher.Final() != w.base_sha256)
        throw release::ERefusedRelease(release::RefusalReason::kBaseChanged,
                                       BaseDiffers(w.path, "its bytes are not those the update was made against"));
      MakeParents(ops, tx.StageDir(), w.path);
      const std::string staged_path = tx.StageDir() + "\\" + w.path;
      const std::string cannot_write = Quoted(plan.app_dir + w.path) + " could not be written: ";
      release::Sha256Hasher hasher;
      uint64_t size = 0;
      {
        platform::FileOpResult r;
        const std::unique_ptr<platform::FileWriter> out = ops.NewFile(staged_path, r);
        if (!out) throw EUpdateFailed(cannot_write + r.error, true);
        release::ApplyPatch(base, patch, [&](std::span<const uint8_t> piece) {
          hasher.Update(piece.data(), piece.size());
          size += piece.size();
          if (const platform::FileOpResult wrote = out->Write(piece.data(), piece.size()); !wrote.ok())
            throw EUpdateFailed(cannot_write + wrote.error, true);
        });
        if (r = out->Close(); !r.ok()) throw EUpdateFailed(cannot_write + r.error, true);
      }
      release::CheckStagedFile(manifest, w.path, size, hasher.Final());
    } catch (const release::EDeltaError& e) {
      throw release::EDeltaError(cannot_apply + e.what());
    }
    AddFolders(plan, w.path);
    plan.files.push_back(PlannedFile{-1, w.path, plan.app_dir + w.path, w.size, ops.Attributes(plan.app_dir + w.path)});
    plan.total_size += w.size;
    log.Line("patched " + Quoted(plan.app_dir + w.path) + " in the staging folder");
  }
  // The installed record is moved into place with the release's files: the commit, its rollback
  // and the recovery after a crash treat it as any replaced file.
  const std::string record = release::kRecordFile;
  MakeParents(ops, tx.StageDir(), record);
  if (const platform::FileOpResult r = ops.WriteFile(tx.StageDir() + "\\" + record, release::FormatRecord(release::RecordOf(manifest)));
      !r.ok())
    throw EUpdateFailed("the release record could not be staged: " + r.error, true);
  AddFolders(plan, record);
  plan.files.push_back(PlannedFile{-1, record, plan.app_dir + record, 0, ops.Attributes(plan.app_dir + record)});
  plan.removes = rp.removes;
  plan.empty_folders = rp.empty_folders;
}

// The paths below the application folder that the run with administrator rights writes before it
// knows the update's files: its report, its work folder and the folder of its copy of the archive.
std::string FirstLinkOfTheRun(const std::string& app_dir) {
  const std::string log = kLogFile;
  for (const std::string& rel : {std::string("UPDATE"), log, log + ".1", std::string(kResultFile), std::string(kWorkFolder),
                                 std::string(kHeldArchiveFolder)})
    if (std::string link = FirstLinkBelow(app_dir, app_dir + rel); !link.empty()) return link;
  return {};
}

// Every path the plan writes, moves or removes below the application folder.
std::string FirstLinkOfThePlan(const UpdatePlan& plan) {
  for (const PlannedFile& f : plan.files)
    if (std::string link = FirstLinkBelow(plan.app_dir, f.final_path); !link.empty()) return link;
  for (const std::vector<std::string>* list : {&plan.folders, &plan.removes, &plan.empty_folders})
    for (const std::string& rel : *list)
      if (std::string link = FirstLinkBelow(plan.app_dir, plan.app_dir + rel); !link.empty()) return link;
  return {};
}

// Copies `from` to `to` (replacing it) in blocks; false with `error` set when it could not.
bool CopyWhole(const std::string& from, const std::string& to, std::string& error) {
  try {
    platform::FileStream in(from, platform::FileMode::OpenRead);
    platform::FileStream out(to, platform::FileMode::Create);
    std::vector<uint8_t> block(1 << 16);
    for (;;) {
      const int64_t n = in.Read(block.data(), static_cast<int64_t>(block.size()));
      if (n <= 0) break;
      if (out.Write(block.data(), n) != n) throw platform::EWriteError("\"" + to + "\" could not be written");
      platform::PumpMessages();
    }
    if (!out.Handle().Flush()) throw platform::EWriteError("\"" + to + "\" could not be written");
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

// The run with administrator rights takes the archive the first launcher named, and its signature
// file, into a folder only administrators can write, so that nobody changes them between its check
// and its extraction; it works on that copy alone. Returns the copy's path, or "" with the cause
// in `error`. What an earlier run left there is removed first.
std::string HoldArchive(platform::FileOps& ops, UpdateLog& log, const std::string& app_dir, const std::string& archive,
                        std::string& error) {
  const std::string folder = app_dir + kHeldArchiveFolder;
  const std::string copy = folder + "\\" + kHeldArchiveName;
  const std::string signature_copy = signature::SignatureFileName(copy);
  for (const std::string& old : {copy, signature_copy, copy + kRejectedSuffix, signature_copy + kRejectedSuffix})
    if (ops.Attributes(old)) ops.RemoveFile(old);
  if (!ops.Attributes(folder)) {
    if (const platform::FileOpResult r = ops.CreateFolder(folder); !r.ok()) {
      error = "the folder " + Quoted(folder) + " could not be made: " + r.error;
      return {};
    }
  }
  if (!CopyWhole(archive, copy, error)) return {};
  const std::string signature_file = signature::SignatureFileName(archive);
  if (platform::FileExists(signature_file) && !CopyWhole(signature_file, signature_copy, error)) return {};
  log.Line("copied " + Quoted(archive) + " to " + Quoted(copy) + " (and its signature file, if any): the update is "
           "checked and extracted from that copy");
  return copy;
}

}  // namespace

unsigned ParseConfirmSeconds(const std::string& value) {
  if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos) return 0;
  uint64_t seconds = 0;
  for (const char c : value) seconds = std::min<uint64_t>(seconds * 10 + static_cast<unsigned>(c - '0'), kMaxConfirmSeconds);
  return static_cast<unsigned>(seconds);
}

void FinishRun(UpdateHost& host, Launch& launch, const RunOutcome& outcome, const UpdateEnvironment& env) {
  if (outcome.outcome != UpdateOutcome::kApplied || !outcome.confirm_seconds || !env.start || launch.request.Elevated) {
    FinishRun(host, launch, outcome);
    return;
  }
  // The lock stays while the new release is watched: a second launcher ends at once.
  const UpdateRequest& s = launch.request;
  const std::string app_dir = UpdateFolder(s.AppDir);
  platform::FileOps& report_ops = platform::SystemFileOps();
  UpdateLog log(report_ops, app_dir);
  host.HideWindow();
  const std::string confirmed_file = app_dir + kConfirmedFile;
  log.Line("starting " + Quoted(s.ExeFileName) + " and waiting up to " + std::to_string(outcome.confirm_seconds) +
           " s for it to confirm it starts (" + Quoted(confirmed_file) + ")");
  std::string error;
  std::string cause;
  if (auto program = env.start(s.ExeFileName, kRestartArgument, error))
    cause = AwaitConfirmation(*program, *env.ops, *env.clock, log, confirmed_file, outcome.confirm_seconds);
  else
    cause = "the new version could not be started: " + error;
  UpdateTransaction tx(*env.ops, *env.clock, log, app_dir);
  tx.RetryMs = env.retry_ms;
  if (cause.empty()) {
    tx.Confirm();
    env.ops->RemoveFile(confirmed_file);
    log.Line("outcome: applied, confirmed");
    launch.lock.reset();
    host.SetExitCode(kExitApplied);
    host.RequestTerminate();
    return;
  }
  log.Line(cause + ": reverting");
  // The new release may still run (a time-out): its files are tried again as long as any.
  if (env.is_running) WaitForApplication(host, env, log, s.ExeFileName);
  std::string written = cause;
  UpdateOutcome result = UpdateOutcome::kReverted;
  try {
    tx.Revert();
  } catch (const EUpdateFailed& e) {
    if (e.Restored()) {
      // Nothing was undone: the new version is whole and stays; it is never half reverted.
      result = UpdateOutcome::kApplied;
      written += "; the previous version could not be put back (" + std::string(e.what()) + "): the new version stays";
    } else {
      written += "; the previous version could not be put back completely (" + std::string(e.what()) +
                 "): the next run finishes it";
    }
  }
  if (env.ops->Attributes(confirmed_file)) env.ops->RemoveFile(confirmed_file);
  log.Line(std::string("outcome: ") + OutcomeText(result) + "; " + written);
  WriteResultFile(report_ops, app_dir, result, result == UpdateOutcome::kApplied ? outcome.files : 0, written,
                  outcome.archive, s.VerInfo.Encoding());
  launch.lock.reset();
  host.ShellOpen(s.ExeFileName, kRestartArgument);
  host.SetExitCode(result == UpdateOutcome::kApplied ? kExitApplied : kExitReverted);
  host.RequestTerminate();
}

void ConnectUnZipper(zip::TUnZipper& unzipper, UpdateHost& host, const UpdateRequest& request) {
  unzipper.OnStartUnZip = [&host, &request](zip::TUnZipper*, int, std::string& fname, bool& skip) {
    StartUnZip(host, request, fname, skip);
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
  env.start = platform::StartProgram;
  return env;
}

RunOutcome ExtractUpdate(zip::TUnZipper& unzipper, UpdateHost& host, const UpdateRequest& s,
                         const std::string& launcher_dir, const UpdateEnvironment& env) {
  const std::string app_dir = UpdateFolder(s.AppDir);
  // The archive the run extracts: with administrator rights, its own copy of the one it was named.
  std::string archive = s.ArchivePath.empty() ? launcher_dir + kArchiveName : s.ArchivePath;
  const std::string named_archive = archive;  // what the log and the result file name
  // With administrator rights nothing is written through a link an ordinary user could have
  // planted below the application folder: not even the log.
  if (s.Elevated) {
    if (const std::string link = FirstLinkOfTheRun(app_dir); !link.empty())
      return RunOutcome{UpdateOutcome::kNotStarted, 0, TextOf(Text::kNotApplied) + LinkRefusal(link), false};
  }
  // The log and the result file are kept whatever happens to the update, so they are written past
  // any substitute. The application must never read the result of an earlier run.
  platform::FileOps& report_ops = platform::SystemFileOps();
  if (report_ops.Attributes(app_dir + kResultFile)) report_ops.RemoveFile(app_dir + kResultFile);
  UpdateLog log(report_ops, app_dir);
  log.Line("---- update of " + Quoted(app_dir) + " from " + Quoted(archive) + " (process " +
           std::to_string(platform::CurrentProcessId()) +
           (s.Elevated ? ", with administrator rights; the launcher that started it restarts the application)" : ")"));
  if (s.ExeFromArgument)
    log.Line("the description file names no program to start: " + Quoted(s.ExeFileName) + " is restarted");

  // Every question the engine asks is answered here, never by a box of its own in the middle of
  // the update: the answer goes on with nothing, and the message becomes the run's cause.
  std::string engine_message;
  unzipper.OnHandleMessage = [&](zip::TUnZipper*, int id, const std::string& text, const std::string& caption,
                                 uint32_t flags, int& answer) {
    log.Line("the engine said (" + std::to_string(id) + (caption.empty() ? "" : ", " + caption) + "): " + text);
    if (engine_message.empty()) engine_message = text;
    answer = RefusingAnswer(flags);
  };
  struct Unhook {
    zip::TUnZipper& u;
    ~Unhook() { u.OnHandleMessage = nullptr; }
  } unhook{unzipper};

  std::optional<SignedArchive> signed_archive;
  std::vector<std::pair<std::string, std::string>> result_lines;  // a release's counts, a refusal's reason
  // The copy a run with administrator rights works from is named as the archive it was given: that
  // is the file the user and the application know (its signature file alike).
  auto named = [&](std::string text) {
    if (archive == named_archive) return text;
    for (size_t at = text.find(archive); at != std::string::npos; at = text.find(archive, at + named_archive.size()))
      text.replace(at, archive.size(), named_archive);
    return text;
  };
  auto end = [&](UpdateOutcome outcome, int files, const std::string& raw_cause, const std::string& raw_message,
                 ArchiveFate fate) {
    const std::string cause = named(raw_cause), message = named(raw_message);
    log.Line(std::string("outcome: ") + OutcomeText(outcome) + ", " + std::to_string(files) + " files" +
             (cause.empty() ? "" : "; " + cause));
    WriteResultFile(report_ops, app_dir, outcome, files, cause, named_archive, s.VerInfo.Encoding(), result_lines);
    // The archive is let go before it is moved.
    unzipper.CloseArchive();
    signed_archive.reset();
    Settle(*env.ops, log, archive, fate);
    if (archive != named_archive && fate == ArchiveFate::kKeep) {
      // The copy is not needed for the next try: the first launcher keeps the archive it was given.
      for (const std::string& path : {archive, signature::SignatureFileName(archive)})
        if (env.ops->Attributes(path)) env.ops->RemoveFile(path);
    }
    return RunOutcome{outcome, files, message, !s.Elevated};
  };
  auto not_applied = [](const std::string& cause, bool restored) {
    return TextOf(restored ? Text::kNotApplied : Text::kNotRestored) + cause;
  };

  for (const std::string& a : s.IgnoredArguments)
    log.Line("the command line's " + Quoted(a) + " is no option of the launcher: ignored");
  // Nothing is touched, not even what an earlier run left, for an option given wrongly.
  if (!s.CommandLineError.empty()) {
    log.Line("refused: " + s.CommandLineError);
    return end(UpdateOutcome::kNotStarted, 0, s.CommandLineError, not_applied(s.CommandLineError, true),
               ArchiveFate::kKeep);
  }

  if (s.Elevated) {
    // Rights are used for a signed update only, and this run reads the description file itself.
    bool signed_update = false;
    try {
      signed_update = s.DescriptionRead &&
                      signature::TrustedPublicKey(s.VerInfo, s.AppDir + kDescriptionFile).has_value();
    } catch (const platform::Exception&) {
      // A key that cannot be read for sure is no key.
    }
    if (DecideElevation({.elevated_run = true, .signed_update = signed_update}) == ElevationStep::kRefuseUnsigned) {
      const std::string cause = TextOf(Text::kUnsignedPerMachine, Language::kEnglish);
      log.Line("refused: " + cause);
      return end(UpdateOutcome::kNotStarted, 0, cause, TextOf(Text::kNotApplied) + TextOf(Text::kUnsignedPerMachine),
                 ArchiveFate::kKeep);
    }
  }

  UpdateTransaction tx(*env.ops, *env.clock, log, app_dir);
  tx.RetryMs = env.retry_ms;
  tx.OnWaiting = [&host](const std::string& text) { host.SetStatusText(text); };
  try {
    tx.Recover();
  } catch (const EUpdateFailed& e) {
    const std::string cause = "an update that an earlier run began could not be undone: " + std::string(e.what());
    return end(UpdateOutcome::kNotStarted, 0, cause, not_applied(cause, false), ArchiveFate::kKeep);
  }
  // Without an archive there is nothing to apply, and nothing to wait for: a launcher started once
  // more after an update was applied (a second click) does not wait for the application that the
  // first one started again.
  const bool archive_there = env.ops->Attributes(archive).has_value();
  const uint64_t waited = archive_there ? WaitForApplication(host, env, log, s.FirstArgument) : 0;
  if (s.Elevated && archive_there) {
    std::string error;
    const std::string copy = HoldArchive(*env.ops, log, app_dir, archive, error);
    if (copy.empty()) {
      const std::string cause = "the archive could not be copied for the update: " + error;
      log.Line("refused: " + cause);
      return end(UpdateOutcome::kNotStarted, 0, cause, not_applied(cause, true), ArchiveFate::kKeep);
    }
    archive = copy;
  }

  unzipper.SetZipName(archive);
  // A signed update is checked before its directory is read and stays open until the end.
  try {
    signed_archive.emplace(unzipper, archive, s);
    log.Line(signed_archive->Signed() ? "the archive's signature was checked with the vendor's key"
                                      : "the update is not signed (no PUBLIC_KEY in the description file)");
    unzipper.LoadDirectory();
    unzipper.OpenArchive();  // an archive without an end record says so here
    unzipper.CloseArchive();
    // A directory the engine had to repair is not the update the vendor built: nothing of it is written.
    if (!unzipper.Repairs().empty()) throw zip::EBadZipFile(unzipper.Repairs().front());
  } catch (const platform::Exception& e) {
    // The signature or the archive itself is at fault; a file that cannot be opened (missing,
    // held) and a key that cannot be read are not the archive's.
    const bool rejected = dynamic_cast<const signature::ESignatureError*>(&e) != nullptr ||
                          dynamic_cast<const zip::EZipException*>(&e) != nullptr;
    const bool absent = !env.ops->Attributes(archive);
    RunOutcome outcome =
        end(UpdateOutcome::kNotStarted, 0, e.what(), e.what(), rejected ? ArchiveFate::kReject : ArchiveFate::kKeep);
    outcome.nothing_to_do = absent;
    // ...and a second copy of the application is not started beside the one that runs.
    if (absent && env.is_running && env.is_running(s.FirstArgument)) {
      outcome.restart = false;
      log.Line(Quoted(s.FirstArgument) + " is running: it is not started a second time");
    }
    return outcome;
  }
  UpdatePlan plan;
  ReleaseEntries release_entries;
  try {
    // The parts before the last of a split archive are never beside the launcher: its staging
    // would stop at the first entry in another part, on every start.
    if (const uint32_t disk = unzipper.EndCentral().ThisDisk(); disk != 0)
      throw EUpdateRefused(Quoted(archive) + " is the last part of an archive split into " + std::to_string(disk + 1) +
                           " parts; the launcher takes the archive whole");
    std::vector<ArchiveEntry> entries = ArchiveEntries(unzipper);
    release_entries = SplitRelease(entries);
    if (release_entries.manifest >= 0 && release_entries.manifest_size > release::kMaxTextSize)
      throw EUpdateRefused(std::string("the archive's release manifest ") + release::kManifestEntry +
                           " is larger than a release manifest may be");
    plan = MakePlan(app_dir, entries, s.VerInfo.Value("COPY_FILENAME"), s.VerInfo.Value("VER_HISTORY"));
  } catch (const EUpdateRefused& e) {
    log.Line(std::string("refused: ") + e.what());
    return end(UpdateOutcome::kNotStarted, 0, e.what(), not_applied(e.what(), true), ArchiveFate::kReject);
  }
  // Before the preflight tries a file in each folder.
  if (s.Elevated) {
    if (const std::string link = FirstLinkOfThePlan(plan); !link.empty()) {
      log.Line("refused: " + LinkRefusal(link));
      return end(UpdateOutcome::kNotStarted, 0, LinkRefusal(link), not_applied(LinkRefusal(link), true),
                 ArchiveFate::kKeep);
    }
  }
  try {
    log.Line(std::to_string(unzipper.EntryCount()) + " entries, " + std::to_string(plan.files.size()) +
             " files to write (" + std::to_string(plan.total_size) + " bytes)");
    tx.Survey(plan);
    // A release's wait comes once its manifest tells what else it touches.
    if (release_entries.manifest < 0) WaitForHolders(host, env, log, plan, waited);
    tx.Prepare(plan);
  } catch (const EUpdateRefused& e) {
    log.Line(std::string("refused: ") + e.what());
    return end(UpdateOutcome::kNotStarted, 0, e.what(), not_applied(e.what(), true), ArchiveFate::kKeep);
  }

  const bool is_release = release_entries.manifest >= 0;
  std::optional<release::Manifest> manifest;
  release::ReleasePlan release_plan;
  const std::string aside_dir = tx.WorkDir() + "\\RELEASE";  // the manifest and the patches, extracted
  auto patch_file = [&](size_t i) { return aside_dir + "\\" + std::to_string(i); };
  auto refuse_release = [&](const ReleaseRefusal& r) {
    tx.Discard();
    log.Line("refused: " + r.message);
    if (r.base_differs) result_lines.emplace_back("REASON", "base differs");
    RunOutcome outcome = end(UpdateOutcome::kNotStarted, 0, r.message, not_applied(r.message, true),
                             r.base_differs ? ArchiveFate::kKeep : ArchiveFate::kReject);
    outcome.base_differs = r.base_differs;
    return outcome;
  };
  if (is_release) {
    // Before anything of the application's is written: the manifest read through the engine into
    // the work folder, the release's rules, the bases of the patches found (their bytes are
    // verified as StageRelease reads them to patch them).
    bool fault = false;
    try {
      if (const platform::FileOpResult r = env.ops->CreateFolder(aside_dir); !r.ok())
        throw EUpdateFailed("the folder " + Quoted(aside_dir) + " could not be made: " + r.error, true);
      UpdatePlan aside;
      aside.files.push_back(PlannedFile{release_entries.manifest, "MANIFEST", std::string(release::kManifestEntry),
                                        release_entries.manifest_size, std::nullopt});
      for (size_t i = 0; i < release_entries.patches.size(); ++i)
        aside.files.push_back(PlannedFile{release_entries.patches[i].entry, std::to_string(i),
                                          release_entries.patches[i].path, release_entries.patches[i].size,
                                          std::nullopt});
      StagedOutput aside_output(*env.ops, false);
      Stage(unzipper, host, aside, aside_dir, aside_output, engine_message, fault);
      // Let go of before they are read (and, on a refusal, removed with the work folder).
      if (const platform::FileOpResult r = env.ops->FlushFolder(aside_dir); !r.ok())
        throw EUpdateFailed("the release's manifest could not be written to the disk: " + r.error, true);
      const std::vector<uint8_t> text = ReadWhole(aside_dir + "\\MANIFEST", release::kMaxTextSize, "the manifest");
      manifest = release::ParseManifest(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()),
                                        archive + "\" entry \"" + release::kManifestEntry);
      log.Line("release " + manifest->version.Text() + " of " + Quoted(manifest->product) +
               (manifest->rollback ? " (a rollback)" : ""));
      std::optional<release::Record> installed;
      try {
        installed = release::ReadInstalledRecord(app_dir);
      } catch (const release::EManifestError& e) {
        // The installation's own record, not the archive, is at fault: the archive stays.
        tx.Discard();
        log.Line(std::string("refused: ") + e.what());
        return end(UpdateOutcome::kNotStarted, 0, e.what(), not_applied(e.what(), true), ArchiveFate::kKeep);
      }
      log.Line(installed ? "installed: version " + installed->version.Text() + " of " + Quoted(installed->product)
                         : std::string("installed: no release record"));
      release::CheckApplicable(*manifest, installed);
      std::vector<release::ArchiveFile> files;
      for (const PlannedFile& f : plan.files) files.push_back({f.rel, f.size});
      for (const ReleaseEntries::Patch& p : release_entries.patches) files.push_back({p.path, p.size});
      const std::unique_ptr<release::InstalledTree> tree = release::InstalledFolder(app_dir);
      // The bases' bytes are verified as StageRelease reads them for patching, not read twice.
      release_plan = release::PlanRelease(*manifest, files, *tree, release::BaseCheck::kWhilePatching);
    } catch (const release::ERefusedRelease& e) {
      return refuse_release({e.what(), e.Reason() == release::RefusalReason::kBaseChanged});
    } catch (const release::EManifestError& e) {
      return refuse_release({e.what(), false});
    } catch (const EUpdateRefused& e) {
      return refuse_release({e.what(), false});
    } catch (const EUpdateFailed& e) {
      tx.Discard();
      log.Line(std::string("refused: ") + e.what());
      return end(UpdateOutcome::kNotStarted, 0, e.what(), not_applied(e.what(), true),
                 fault ? ArchiveFate::kReject : ArchiveFate::kKeep);
    } catch (const platform::Exception& e) {
      tx.Discard();
      log.Line(std::string("refused: ") + e.what());
      return end(UpdateOutcome::kNotStarted, 0, e.what(), not_applied(e.what(), true), ArchiveFate::kKeep);
    }
    try {
      const UpdatePlan touched = ReleaseTouches(*env.ops, plan, release_plan);
      tx.CheckSpace(touched);
      WaitForHolders(host, env, log, touched, waited);
    } catch (const EUpdateRefused& e) {
      // The machine's state, not the archive: it stays for the next try.
      tx.Discard();
      log.Line(std::string("refused: ") + e.what());
      return end(UpdateOutcome::kNotStarted, 0, e.what(), not_applied(e.what(), true), ArchiveFate::kKeep);
    }
    for (const release::KeptFile& k : release_plan.kept)
      log.Line(Quoted(app_dir + k.path) + " is dropped by the release and kept: " + k.why);
    for (const std::string& m : release_plan.missing)
      log.Line(Quoted(app_dir + m) + " is a file of the release that neither the archive nor the folder has");
  }

  bool archive_fault = false;
  int placed = 0;
  unsigned confirm_seconds = 0;
  try {
    try {
      // A release's files are hashed as they are written, for the check against its manifest.
      StagedOutput staged(*env.ops, is_release);
      Stage(unzipper, host, plan, tx.StageDir(), staged, engine_message, archive_fault);
      if (is_release)
        StageRelease(*env.ops, log, tx, plan, *manifest, release_plan, release_entries, patch_file, staged);
      if (const platform::FileOpResult r = env.ops->FlushFolder(tx.StageDir()); !r.ok())
        throw EUpdateFailed("the staged files could not be written to the disk: " + r.error, true);
    } catch (const EUpdateFailed&) {
      tx.Discard();
      throw;
    } catch (const release::ERefusedRelease& e) {
      return refuse_release({e.what(), e.Reason() == release::RefusalReason::kBaseChanged});
    } catch (const release::EStagedFileMismatch& e) {
      // A staged file that is not the vendor's, a patch that cannot be applied: the archive's fault.
      return refuse_release({e.what(), false});
    } catch (const release::EDeltaError& e) {
      return refuse_release({e.what(), false});
    } catch (const EUpdateRefused& e) {
      return refuse_release({e.what(), false});
    } catch (const platform::Exception& e) {
      // A file that could not be read (a base, a staged file): the machine's state, not the archive.
      tx.Discard();
      log.Line(std::string("refused: ") + e.what());
      return end(UpdateOutcome::kNotStarted, 0, e.what(), not_applied(e.what(), true), ArchiveFate::kKeep);
    }
    log.Line("staged " + std::to_string(plan.files.size()) + " files");
    // A release's patched files and removals are known now.
    if (s.Elevated) {
      if (const std::string link = FirstLinkOfThePlan(plan); !link.empty()) {
        tx.Discard();
        log.Line("refused: " + LinkRefusal(link));
        return end(UpdateOutcome::kNotStarted, 0, LinkRefusal(link), not_applied(LinkRefusal(link), true),
                   ArchiveFate::kKeep);
      }
    }
    confirm_seconds = ConfirmSecondsOf(*env.ops, log, s, plan, tx.StageDir());
    // The run with administrator rights never starts the application, so it cannot watch it.
    if (confirm_seconds && s.Elevated) log.Line("CONFIRM_SECONDS is not waited for by the run with administrator rights");
    if (confirm_seconds && env.start && !s.Elevated) {
      // A confirmation left by an earlier start must not count for this release.
      const std::string confirmed = app_dir + kConfirmedFile;
      if (env.ops->Attributes(confirmed)) env.ops->RemoveFile(confirmed);
    } else {
      confirm_seconds = 0;
    }
    placed = tx.Commit(plan, confirm_seconds != 0);
  } catch (const EUpdateFailed& e) {
    return end(UpdateOutcome::kRolledBack, 0, e.what(), not_applied(e.what(), e.Restored()),
               archive_fault ? ArchiveFate::kReject : ArchiveFate::kKeep);
  }
  if (is_release) {
    // The record is one of the moved files: the count is of the release's files.
    placed = static_cast<int>(release_plan.writes.size());
    int replaced = 0, added = 0, patched = 0;
    for (const release::PlannedWrite& w : release_plan.writes) {
      if (w.patched) ++patched;
      else if (w.replaces) ++replaced;
      else ++added;
    }
    const int removed = static_cast<int>(release_plan.removes.size());
    result_lines = {{"VERSION", manifest->version.Text()},
                    {"REPLACED", std::to_string(replaced)},
                    {"ADDED", std::to_string(added)},
                    {"PATCHED", std::to_string(patched)},
                    {"REMOVED", std::to_string(removed)}};
    log.Line("release " + manifest->version.Text() + " applied: " + std::to_string(replaced) + " replaced, " +
             std::to_string(patched) + " patched, " + std::to_string(added) + " added, " + std::to_string(removed) +
             " removed, " + std::to_string(release_plan.kept.size()) + " dropped files kept");
  }
  RunOutcome applied = end(UpdateOutcome::kApplied, placed, "", "", ArchiveFate::kRemove);
  applied.confirm_seconds = confirm_seconds;
  applied.archive = named_archive;
  return applied;
}

int ExitCodeOf(const RunOutcome& outcome) {
  if (outcome.base_differs) return kExitBaseDiffers;
  switch (outcome.outcome) {
    case UpdateOutcome::kApplied: return kExitApplied;
    case UpdateOutcome::kRolledBack: return kExitRolledBack;
    case UpdateOutcome::kReverted: return kExitReverted;
    case UpdateOutcome::kNotStarted: break;
  }
  return outcome.nothing_to_do ? kExitNothingToDo : kExitNotStarted;
}

void FinishRun(UpdateHost& host, Launch& launch, const RunOutcome& outcome) {
  // The next launcher may start as soon as the application is back.
  launch.lock.reset();
  // With administrator rights the application is never started: the first launcher does that.
  if (outcome.restart && !launch.request.Elevated) host.ShellOpen(launch.request.ExeFileName, kRestartArgument);
  // Unattended: nobody would close the box; the result file and the exit code say it all.
  if (!outcome.message.empty() && launch.request.Mode == RunMode::kNormal) host.ShowError(outcome.message);
  host.SetExitCode(ExitCodeOf(outcome));
  host.RequestTerminate();
}

}  // namespace launcher
