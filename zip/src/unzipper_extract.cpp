// TUnZipper: the extraction run, output placement and the message routine.
#include <algorithm>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "decode.h"
#include "platform/dialogs.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "zip/dos_time.h"
#include "zip/match.h"
#include "zip/paths.h"
#include "zip/text.h"
#include "zip/unzipper.h"

namespace zip {

namespace {

constexpr int kOutputBufferSize = 8192;
constexpr size_t kMaxQuestionLength = 300;
constexpr uint8_t kHostUnix = 3;

// Runs on the writer thread on the open file after its last write, through its handle: opening
// it again by name would cost as much as making it on some systems.
void RestoreAttributes(platform::File& file, uint16_t made_by, uint32_t attributes) {
#ifndef _WIN32
  if ((made_by >> 8) == kHostUnix && (attributes >> 16) != 0) {
    // The stored permission bits, without set-id and sticky bits.
    file.SetUnixMode((attributes >> 16) & 0777);
    return;
  }
#else
  (void)made_by;
#endif
  file.SetAttributes(attributes);
}

// True when a folder between `dest_dir` and `path` (a folder path ending with '\') is a link that
// leads out of `dest_dir`: whatever is made below it would land outside. A link that stays
// inside is followed; paths a host chose outside `dest_dir` are its own business.
bool ThroughOutsideLink(const std::string& dest_dir, const std::string& path) {
  if (dest_dir.empty() || path.compare(0, dest_dir.size() + 1, dest_dir + "\\") != 0) return false;
  std::string root;
  for (size_t at = path.find('\\', dest_dir.size() + 1); at != std::string::npos; at = path.find('\\', at + 1)) {
    const std::string part = path.substr(0, at);
    if (!platform::IsLink(part)) continue;
    if (root.empty()) root = platform::ResolvedPath(dest_dir);
    const std::string target = platform::ResolvedPath(part);
    if (root.empty() || target.empty() || (target != root && target.rfind(root + "\\", 0) != 0)) return true;
  }
  return false;
}

// How many files may be made ahead, each open until its turn: far enough ahead to keep making
// files while large entries decode, and at most half of the files this process may hold open (a
// limit of 1024 gives 448).
size_t FilesAhead() {
  constexpr size_t kMost = 512;
#ifdef _WIN32
  return kMost;
#else
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kMost;
  const size_t half = static_cast<size_t>(limit.rlim_cur / 2);
  return std::min(kMost, half > 64 ? half - 64 : 0);
#endif
}

// False for an empty name and one made only of control characters (and the separators).
bool HasVisibleCharacter(const std::string& name) {
  return std::any_of(name.begin(), name.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x20 && b != 0x7F && c != '\\';
  });
}

}  // namespace

class TUnZipper::RunAccess final : public RunHost {
 public:
  explicit RunAccess(TUnZipper& unzipper) : u_(unzipper) {}

  platform::Stream* OpenedPart() override { return u_.archive_.get(); }
  int OpenedPartIndex() const override { return u_.current_part_; }
  void OpenPart(int number) override { u_.OpenPart(number); }
  bool Spanned() const override { return u_.part_mode_ != pmSingle && u_.end_.ThisDisk() != 0; }
  void Checkpoint(bool with_pause) override { u_.Checkpoint(with_pause); }
  void PumpIfDue() override { u_.PumpIfDue(); }

 private:
  TUnZipper& u_;
};

int TUnZipper::ShowEngineMessage(int MessageID, const std::string& Msg1, const std::string& Msg2,
                                 uint32_t flags) {
  if (OnHandleMessage) {
    int answer = 0;
    OnHandleMessage(this, MessageID, Msg1, Msg2, flags, answer);
    return answer;
  }
  return platform::ShowMessageBox(Msg1, Msg2, flags);
}

void TUnZipper::SetDestDir(const std::string& value) {
  if (value == "?") {
    const std::string start = platform::FolderExists(dest_dir_ + "\\") ? dest_dir_ : platform::CurrentFolder();
    const std::optional<std::string> chosen = platform::ChooseFolder(start);
    if (!chosen) throw EUserCanceled(LoadMessage(kMsgCanceledSetDestDir));
    dest_dir_ = *chosen;
  } else {
    dest_dir_ = value;
  }
  if (!dest_dir_.empty() && dest_dir_.back() == '\\') dest_dir_.pop_back();
}

void TUnZipper::SetRootDir(const std::string& value) {
  root_dir_ = value;
  if (!root_dir_.empty() && root_dir_.back() != '\\') root_dir_ += '\\';
  relative_path_list_.assign(1, root_dir_);
}

void TUnZipper::Assign(const TUnZipper& s) {
  zip_name_ = s.zip_name_;
  part_base_ = s.part_base_;
  dest_dir_ = s.dest_dir_;
  root_dir_ = s.root_dir_;
  sort_mode_ = s.sort_mode_;
  recreate_dirs_ = s.recreate_dirs_;
  overwrite_mode_ = s.overwrite_mode_;
  files_list_ = s.files_list_;
  relative_path_list_ = s.relative_path_list_;
  do_all_ = s.do_all_;
  incomplete_zip_mode_ = s.incomplete_zip_mode_;
  keep_zip_open_ = s.keep_zip_open_;
  do_process_messages_ = s.do_process_messages_;
  retain_attributes_ = s.retain_attributes_;
  replace_read_only_ = s.replace_read_only_;
  OnStartUnZipInfo = s.OnStartUnZipInfo;
  OnFilePercentDone = s.OnFilePercentDone;
  OnTotalPercentDone = s.OnTotalPercentDone;
  OnStartUnZip = s.OnStartUnZip;
  OnEndUnZip = s.OnEndUnZip;
  OnPromptForOverwrite = s.OnPromptForOverwrite;
  OnSkippingFile = s.OnSkippingFile;
  OnBadPassword = s.OnBadPassword;
  OnBadCRC = s.OnBadCRC;
  OnInCompleteZip = s.OnInCompleteZip;
  OnGetNextDisk = s.OnGetNextDisk;
  OnUnZipComplete = s.OnUnZipComplete;
  OnGetNextBuffer = s.OnGetNextBuffer;
  OnFileNameForSplitPart = s.OnFileNameForSplitPart;
}

int TUnZipper::UnZipSelected() {
  CancelRequested = false;
  if (dest_dir_ == "?") return 0;
  int result = 0;
  try {
    LoadDirectory();
    OpenArchive();
    RunAccess access(*this);
    DecodeRun run(*this, access, !test_only_);
    run_active_ = true;
    const bool saved_busy = busy_;
    busy_ = true;
    CancelRequested = false;
    const bool saved_keep = keep_zip_open_;
    keep_zip_open_ = true;
    const bool spanned_resort = end_.ThisDisk() != 0 && sort_mode_ != ByNone;
    const TZipSortMode saved_sort = sort_mode_;
    auto finish = [&]() {
      files_list_.clear();
      if (spanned_resort) Resort(saved_sort);
      keep_zip_open_ = saved_keep;
      run_active_ = false;
      busy_ = saved_busy;
      if (OnUnZipComplete) OnUnZipComplete(this, run.extracted);
    };
    folder_times_.clear();
    try {
      RefuseOverlappedEntries();
      if (!dest_dir_.empty() && !test_only_ && !platform::FolderExists(dest_dir_)) MakeFolders(dest_dir_);
      if (spanned_resort) Resort(ByNone);
      const int count = EntryCount();
      run.num_files = count;
      for (int i = 0; i < count; ++i) {
        Checkpoint(false);
        TZipHeaderInfo& e = Entry(i);
        e.Selected = SelectedBySettings(e);
        if (e.Selected)
          run.total_bytes += static_cast<int64_t>(std::min<uint64_t>(e.UncompressedSize(), INT64_MAX / 4));
        else
          --run.num_files;
      }
      bool stop = false;
      if (OnStartUnZipInfo) OnStartUnZipInfo(this, run.num_files, run.total_bytes, stop);
      if (run.num_files > 0 && !stop) {
        for (int i = 0; i < count; ++i) {
          if (!Entry(i).Selected) continue;
          do {
            ExtractEntry(run, i);
          } while (run.retry);
        }
        if (run.pipeline) run.pipeline->Drain();
        RestoreFolderTimes();
      }
    } catch (...) {
      finish();
      throw;
    }
    finish();
    result = run.extracted;
    // A run that ended early (cancelled, or every later entry skipped) may still be decoding the
    // entries after it, from the archive about to be closed.
    run.StopDecodingAhead();
    CloseArchive();
  } catch (...) {
    run_active_ = false;
    CancelRequested = false;
    throw;
  }
  CancelRequested = false;
  return result;
}

bool TUnZipper::SelectedBySettings(const TZipHeaderInfo& e) const {
  if (e.FileName().empty() && !e.Directory().empty() && !recreate_dirs_) return false;
  if (do_all_) return true;
  const std::string name = AsciiLower(e.Path());
  for (const std::string& pattern : files_list_)
    if (IsMatch(AsciiLower(pattern), name)) return true;
  return false;
}

int64_t TUnZipper::SelectedUncompressedSize() const {
  uint64_t total = 0;
  for (int i = 0; i < EntryCount(); ++i) {
    const TZipHeaderInfo& e = Entry(i);
    if (SelectedBySettings(e)) total += std::min<uint64_t>(e.UncompressedSize(), INT64_MAX - total);
  }
  return static_cast<int64_t>(total);
}

void TUnZipper::MakeFolders(const std::string& folder) {
  if (output_files_)
    output_files_->MakeFolders(StripTrailingBackslash(folder));
  else
    CreateDirPath(folder);
}

void TUnZipper::RemoveOutput(const std::string& fname) {
  if (output_files_)
    output_files_->Remove(fname);
  else
    platform::RemoveFile(fname);
}

void TUnZipper::RestoreFolderTimes() {
  // A folder listed twice gets the time of its last entry, as its attributes do.
  for (const FolderTime& folder : folder_times_) {
    if (output_files_) {
      if (folder.utc || IsValidDosDate(folder.dos)) output_files_->SetFolderTime(folder.path, folder.utc, folder.dos);
    } else if (folder.utc)
      platform::SetFileUtcTime(folder.path, *folder.utc);
    else if (IsValidDosDate(folder.dos))
      platform::SetFileDosTime(folder.path, folder.dos);
  }
  folder_times_.clear();
}

void TUnZipper::RefuseOverlappedEntries() const {
  // Each entry owns its local header, name and compressed data. Entries whose stretches overlap
  // let a small archive declare any size at all (many entries decoding one shared stream); no
  // writer makes them. Sorted by place, each stretch must end before the next one begins.
  struct Stretch {
    uint32_t disk;
    uint64_t start, end;
  };
  std::vector<Stretch> stretches;
  stretches.reserve(static_cast<size_t>(EntryCount()));
  for (int i = 0; i < EntryCount(); ++i) {
    const TZipHeaderInfo& e = *natural_->Item(i);
    const uint64_t start = e.RelativeOffset();
    // The name as stored: a converted name can be longer (a legacy code page's characters become
    // up to three UTF-8 bytes each) and would reach into the next entry.
    const uint64_t length =
        std::min<uint64_t>(e.CompressedSize(), UINT64_MAX / 2) + kLocalHeaderSize + e.StoredNameLength;
    stretches.push_back({e.DiskNumberStart(), start, start + std::min(length, UINT64_MAX - start)});
  }
  std::sort(stretches.begin(), stretches.end(), [](const Stretch& a, const Stretch& b) {
    return a.disk != b.disk ? a.disk < b.disk : a.start < b.start;
  });
  for (size_t i = 1; i < stretches.size(); ++i) {
    if (stretches[i].disk == stretches[i - 1].disk && stretches[i].start < stretches[i - 1].end)
      throw EOverlappedEntries(LoadMessage(kMsgOverlappedEntries));
  }
}

template <class E>
void TUnZipper::EntryFailed(DecodeRun& run, int index, const E& failure) {
  const std::string& path = Entry(index).Path();
  const std::string message = (path.empty() ? "entry #" + std::to_string(index + 1) : path) + ": " + failure.what();
  bool abort = true;
  if (OnEntryError) OnEntryError(this, index, message, abort);
  if (abort) throw E(message);
  run.retry = false;
  run.CountSkipped();
}

void TUnZipper::ExtractEntry(DecodeRun& run, int index) {
  try {
    ProcessEntry(run, index);
  } catch (const EZCompressionError& e) {
    EntryFailed(run, index, e);
  } catch (const EFatalUnzipError& e) {
    EntryFailed(run, index, e);
  } catch (const EBadZipFile& e) {
    EntryFailed(run, index, e);
  } catch (const ECantWriteUCF& e) {
    // A full disk fails every entry that follows: it always ends the run.
    throw ECantWriteUCF(Entry(index).Path() + ": " + e.what());
  }
}

void TUnZipper::GiveUp(DecodeRun& run, TSkipReason reason, const std::string& fname, int index) {
  bool retry = false;
  if (OnSkippingFile) OnSkippingFile(this, reason, fname, index, retry);
  run.CountSkipped();
}

void TUnZipper::ProcessEntry(DecodeRun& run, int index) {
  run.retry = false;
  TZipHeaderInfo& h = run.header;
  h.Assign(Entry(index));
  // Without a name there is nowhere to put the data; passing over it would lose it quietly. A
  // name of nothing but control characters is no name either: garbage read as a header.
  if (!HasVisibleCharacter(h.Path())) throw EBadZipFile(LoadMessage(kMsgNoFileName));
  const bool is_file = !h.FileName().empty();
  if (is_file) run.PositionAtEntry();
  const std::string folder = DestinationFolder(dest_dir_, recreate_dirs_, relative_path_list_, h.Directory());

  if (!is_file) {
    // Nothing may be created outside the destination, whatever the stored path says.
    if (!StaysInside(dest_dir_, folder)) {
      GiveUp(run, srCreateError, folder, index);
      return;
    }
    if (!test_only_) {
      if (ThroughOutsideLink(dest_dir_, folder)) {
        GiveUp(run, srCreateError, folder, index);
        return;
      }
      if (recreate_dirs_ && !platform::FolderExists(folder)) {
        if (run.maker) run.maker->ClearWayTo(StripTrailingBackslash(folder));
        MakeFolders(folder);
        if (run.maker) run.maker->FolderMade();
      }
      if (retain_attributes_ && output_files_) {
        output_files_->SetFolderAttributes(StripTrailingBackslash(folder), h.ExternalAttributes);
      } else if (retain_attributes_) {
        uint32_t attributes = h.ExternalAttributes;
#ifndef _WIN32
        // There a read-only folder would keep the files that follow out of it.
        attributes &= ~static_cast<uint32_t>(platform::kAttrReadOnly);
#endif
        platform::SetPathAttributes(StripTrailingBackslash(folder), attributes);
      }
      // Stamped once everything is written: each file made inside would change it again.
      if (recreate_dirs_) folder_times_.push_back({StripTrailingBackslash(folder), h.FileDateTime, h.UtcTime()});
    }
    ++run.extracted;
    return;
  }

  std::string fname = folder + h.FileName();
  if (!StaysInside(dest_dir_, fname)) {
    GiveUp(run, srCreateError, fname, index);
    return;
  }
  bool skip = false;
  if (OnStartUnZip) OnStartUnZip(this, index, fname, skip);
  // A file made ahead for this entry is used if the entry still goes to it, and removed if not.
  FileMadeAhead made_ahead = run.maker ? run.maker->Take(index, fname) : FileMadeAhead();
  if (skip) return;

  if (!test_only_) {
    const std::string parent = ExtractFilePath(fname);
    if (!parent.empty() && parent != run.known_folder) {
      if (ThroughOutsideLink(dest_dir_, parent)) {
        GiveUp(run, srCreateError, fname, index);
        return;
      }
      if (!platform::FolderExists(StripTrailingBackslash(parent))) {
        if (run.maker) run.maker->ClearWayTo(StripTrailingBackslash(parent));
        MakeFolders(parent);
        if (run.maker) run.maker->FolderMade();
      }
      run.known_folder = parent;
    }
  }
  if (h.IsEncrypted() && !UnsupportedEncryption(h) && !run.CheckPassword(index)) {
    GiveUp(run, srBadPassword, h.Path(), index);
    return;
  }
  if (!test_only_ && output_files_) {
    std::unique_ptr<TOutputFile> out = output_files_->Create(index, fname, h.UncompressedSize());
    if (!out) {
      GiveUp(run, srCreateError, fname, index);
      return;
    }
    run.pipeline->Begin(std::move(out));
  } else if (!test_only_) {
    std::unique_ptr<TLFNFileStream> out = made_ahead.Release();
    if (!out) {
      if (!OverwriteAllowed(run, fname, h, index)) return;
      out = CreateOutput(run, fname, h, index);
      if (!out) return;
    }
    // Bytes decoded ahead are written on this thread: it has nothing else to do meanwhile.
    run.pipeline->Begin(std::move(out), run.DecodedAhead(index));
  }
  bool unsupported = false;
  bool undecodable = false;
  DecodeAndClose(run, index, fname, unsupported, undecodable);
  const bool matched = !undecodable && run.crc == h.Crc32 && !(unsupported && run.usize > 0);

  if (matched) {
    ++run.extracted;
    if (OnEndUnZip) OnEndUnZip(this, index, fname);
    return;
  }
  if (h.IsEncrypted() && !unsupported) {
    if (OnBadPassword) {
      std::string next = Password;
      OnBadPassword(this, index, next);
      if (next != Password) {
        Password = next;
        run.retry = true;
      }
    }
    if (!run.retry) {
      bool retry = false;
      if (OnSkippingFile) OnSkippingFile(this, srBadPassword, h.Path(), index, retry);
    }
  } else if (OnBadCRC) {
    OnBadCRC(this, run.crc, h.Crc32, index);
  }
  if (!test_only_) RemoveOutput(fname);
}

bool TUnZipper::OverwriteAllowed(DecodeRun& run, std::string& fname, const TZipHeaderInfo& entry, int index) {
  if (overwrite_mode_ == Always || !platform::FileExists(fname)) return true;
  bool write = false;
  switch (overwrite_mode_) {
    case Never: break;
    case ifNewer:
    case ifOlder: {
      const std::optional<uint32_t> existing = platform::GetFileDosTime(fname);
      // An entry without a valid date cannot be compared: the existing file stays.
      if (existing && IsValidDosDate(entry.FileDateTime)) {
        const double mine = DosDateTimeToDateTime(entry.FileDateTime);
        const double theirs = DosDateTimeToDateTime(*existing);
        write = overwrite_mode_ == ifNewer ? mine > theirs : mine < theirs;
      }
      break;
    }
    case Prompt:
    default:
      if (OnPromptForOverwrite) {
        OnPromptForOverwrite(this, write, index, fname);
      } else {
        std::string name = EntryName(index);
        const std::string head = LoadMessage(kMsgReplaceExisting);
        if (head.size() + name.size() + 1 > kMaxQuestionLength) {
          // Keep the end of a very long name, where it differs from its neighbours.
          size_t cut = name.size() - (kMaxQuestionLength - head.size() - 4);
          while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) ++cut;
          name = "..." + name.substr(cut);
        }
        write = ShowEngineMessage(kMsgReplaceExisting, head + name + "?", LoadMessage(kMsgFileExistsAlert),
                                  platform::kMbYesNo) == platform::kIdYes;
      }
      break;
  }
  if (!write) GiveUp(run, srNoOverwrite, fname, index);
  return write;
}

void TUnZipper::DecodeAndClose(DecodeRun& run, int index, const std::string& fname, bool& unsupported,
                               bool& undecodable) {
  try {
    bool success = false;
    try {
      success = run.Decode(index, unsupported);
    } catch (const EZCompressionError&) {
      // A wrong password passes the check byte once in 256 times and then yields data that does
      // not inflate: such an entry is judged like one whose CRC-32 differs.
      if (!run.header.IsEncrypted()) throw;
      undecodable = true;
    }
    // The data ended before the declared size: what is missing cannot be made up, and a file cut
    // short looks complete to whoever uses it.
    if (success && !unsupported && run.written < run.usize) throw EFatalUnzipError(LoadMessage(kMsgPrematureEnd));
    if (!run.pipeline) return;
    // A failed entry's file is removed anyway; cut at what was written it holds no tail of zeros.
    const int64_t keep = !unsupported && run.written < run.usize ? run.written : -1;
    const TZipHeaderInfo& h = run.header;
    if (output_files_) {
      std::optional<TOutputStamp> stamp;
      if (success && !unsupported) {
        stamp.emplace();
        stamp->utc = h.UtcTime();
        if (!stamp->utc && IsValidDosDate(h.FileDateTime)) stamp->dos_time = h.FileDateTime;
        if (retain_attributes_) {
          stamp->attributes = h.ExternalAttributes;
          if ((h.VersionMadeBy >> 8) == kHostUnix && (h.ExternalAttributes >> 16) != 0)
            stamp->unix_mode = (h.ExternalAttributes >> 16) & 0777;
        }
      }
      run.pipeline->FinishHosted(std::move(stamp));
    } else {
      std::optional<uint32_t> time;
      std::function<void(platform::File&)> attributes;
      if (success && !unsupported) {
        // A time in UTC goes to the file as it is; the DOS time is the creator's local time.
        const std::optional<int64_t> utc = h.UtcTime();
        if (!utc) time = h.FileDateTime;
        if (retain_attributes_ || utc)
          attributes = [utc, keep_attributes = retain_attributes_, made_by = h.VersionMadeBy,
                        bits = h.ExternalAttributes](platform::File& file) {
            if (utc) file.SetUtcTime(*utc);
            if (keep_attributes) RestoreAttributes(file, made_by, bits);
          };
      }
      run.pipeline->Finish(keep, time, std::move(attributes));
    }
    // The next entry is decoded while this one is written, closed and stamped.
    int next = index + 1;
    while (next < EntryCount() && !Entry(next).Selected) ++next;
    run.DecodeAhead(next);
    MakeAhead(run, next);
    run.pipeline->Wait();
  } catch (...) {
    // The file was made at its full declared length: what is left of it would look complete.
    if (run.pipeline) {
      run.pipeline->Abandon();
      RemoveOutput(fname);
    }
    throw;
  }
}

void TUnZipper::MakeAhead(DecodeRun& run, int from) noexcept {
  // Far enough ahead to keep making files while large entries decode (see FilesAhead). Only
  // small files are made ahead: making is what costs for them, and a file is made at its full
  // length, which on Windows takes its space at once; at most 512 x 256 KiB are held that way,
  // all of it the archive's own files. A file made ahead holds no buffer until it is written.
  static const size_t kFilesAhead = FilesAhead();
  constexpr uint64_t kLargestMadeAhead = 256u << 10;
  // A host that places the files makes each in its turn.
  if (output_files_) return;
  try {
    if (!run.maker) {
      const std::string dest = dest_dir_;
      run.maker = std::make_unique<FileMaker>(
          // The checks of the entry's own turn; folders are not made ahead.
          [dest](const std::string& name) {
            const std::string parent = ExtractFilePath(name);
            return !parent.empty() && StaysInside(dest, name) &&
                   platform::FolderExists(StripTrailingBackslash(parent)) && !ThroughOutsideLink(dest, parent);
          },
          // Only a new file: making it never truncates or replaces anything, a link included.
          // Flushed, when asked, by the output pipeline once written.
          [](const std::string& name) {
            return std::make_unique<TLFNFileStream>(name, kOutputBufferSize, false, platform::FileMode::CreateNew);
          });
    }
    for (int index = std::max(from, run.asked_through + 1);
         index < EntryCount() && run.maker->Outstanding() < kFilesAhead; ++index) {
      run.asked_through = index;
      const TZipHeaderInfo& entry = Entry(index);
      // An encrypted entry may yet be given up for its password; it is made in its turn.
      if (!entry.Selected || entry.IsEncrypted() || entry.UncompressedSize() > kLargestMadeAhead) continue;
      TZipHeaderInfo h;
      h.Assign(entry);
      if (h.FileName().empty()) continue;
      run.maker->Ask(index,
                     DestinationFolder(dest_dir_, recreate_dirs_, relative_path_list_, h.Directory()) + h.FileName(),
                     static_cast<int64_t>(std::min<uint64_t>(h.UncompressedSize(), INT64_MAX / 2)));
    }
  } catch (...) {
    // Nothing is made ahead: every entry makes its file in its turn.
  }
}

std::unique_ptr<TLFNFileStream> TUnZipper::CreateOutput(DecodeRun& run, const std::string& fname,
                                                        const TZipHeaderInfo& entry, int index) {
  // A link in the entry's place is replaced, never written through: its target may lie anywhere.
  // So is a pipe or a device: it cannot hold the entry, and writing into it would hang or send
  // the data elsewhere.
  if (platform::IsLink(fname) || platform::IsSpecialFile(fname)) platform::RemoveFile(fname);
  // A read-only file is never replaced behind its owner's back; POSIX lets a privileged
  // process write it anyway, so the attribute is looked at before trying.
  if (const auto attrs = platform::PathAttributes(fname);
      attrs && !(*attrs & platform::kAttrDirectory) && (*attrs & platform::kAttrReadOnly)) {
    if (!replace_read_only_) {
      GiveUp(run, srCreateError, fname, index);
      return nullptr;
    }
    platform::SetPathAttributes(fname, *attrs & ~platform::kAttrReadOnly);
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::unique_ptr<TLFNFileStream> out;
    try {
      out = std::make_unique<TLFNFileStream>(fname, kOutputBufferSize, false, platform::FileMode::Create);
      out->SetSize(static_cast<int64_t>(std::min<uint64_t>(entry.UncompressedSize(), INT64_MAX / 2)));
      out->Seek(0, platform::SeekOrigin::Begin);
      return out;
    } catch (const platform::EFCreateError&) {
      if (replace_read_only_ && attempt == 0) {
        if (const auto attrs = platform::PathAttributes(fname); attrs && (*attrs & platform::kAttrReadOnly))
          platform::SetPathAttributes(fname, *attrs & ~platform::kAttrReadOnly);
        continue;
      }
    } catch (const platform::Exception&) {
      // The file exists but cannot take its size: nothing of it is worth keeping.
      out.reset();
      platform::RemoveFile(fname);
    }
    break;
  }
  GiveUp(run, srCreateError, fname, index);
  return nullptr;
}

}  // namespace zip
