// TUnZipper: naming the archive, loading its directory, multi-part archives and comments.
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/dialogs.h"
#include "platform/file.h"
#include "platform/format.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "zip/paths.h"
#include "zip/text.h"
#include "zip/unzipper.h"
#include "le.h"

namespace zip {

namespace {

constexpr int kArchiveBufferSize = 8192;
constexpr int kScanPumpInterval = 10240;
// A disk prompt that keeps naming a missing file gives up after this many answers.
constexpr int kMaxDiskPrompts = 100;

std::string CommentToUtf8(const std::string& raw) {
  return platform::IsValidUtf8(raw) ? raw : platform::OemToUtf8(raw);
}

// True for the names archivers give the parts of a split archive (NAME.z01, NAME.zip.001): a
// middle part may be one entry's data without a single header.
bool NamedAsPart(const std::string& name) {
  const std::string ext = AsciiLower(ExtractFileExt(name));
  if (ext.size() < 3) return false;
  const size_t digits_from = ext[1] == 'z' ? 2 : 1;
  return std::all_of(ext.begin() + static_cast<std::ptrdiff_t>(digits_from), ext.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// True when a local or central header signature occurs anywhere in the stream.
bool HoldsZipHeader(platform::Stream& s) {
  if (s.Seek(0, platform::SeekOrigin::Begin) != 0) return true;  // cannot tell: assume it does
  std::vector<uint8_t> buffer(1 << 16);
  size_t kept = 0;  // the last bytes of the previous block, where a signature may begin
  for (;;) {
    const int64_t got = s.Read(buffer.data() + kept, static_cast<int64_t>(buffer.size() - kept));
    if (got <= 0) return false;
    const size_t have = kept + static_cast<size_t>(got);
    for (size_t i = 0; i + 4 <= have; ++i) {
      const uint32_t sig = Le32(buffer.data() + i);
      if (sig == LocalFileHeaderSig || sig == CentralFileHeaderSig) return true;
    }
    kept = std::min<size_t>(have, 3);
    std::copy_n(buffer.data() + (have - kept), kept, buffer.data());
  }
}

}  // namespace

TUnZipper::TUnZipper() = default;
TUnZipper::~TUnZipper() = default;

std::string TUnZipper::ComputePartBase(const std::string& name) const {
  const size_t name_start = name.find_last_of("\\:");
  const size_t from = name_start == std::string::npos ? 0 : name_start + 1;
  const size_t dot = name.find('.', from);
  return dot == std::string::npos ? name : name.substr(0, dot);
}

void TUnZipper::SetZipName(const std::string& value) {
  if (!zip_name_.empty() && platform::SameTextIgnoreCase(value, zip_name_)) return;
  std::string name = value;
  if (!name.empty() && name.back() == '?') {
    const size_t cut = name.find_last_of("\\:");
    const std::string folder = cut == std::string::npos ? std::string() : name.substr(0, cut + 1);
    const std::optional<std::string> chosen = platform::ChooseOpenFile(
        LoadMessage(kMsgOpenZipFile), LoadMessage(kMsgZipFileFilter), platform::FolderExists(folder) ? folder : "C:\\");
    if (!chosen) throw EUserCanceled(LoadMessage(kMsgCanceledSetZipName));
    name = *chosen;
  }
  zip_name_ = name;
  part_base_ = ComputePartBase(name);
  FreeLists();
  stamp_.reset();
  end_.ClearEnd();
  leading_bytes_ = 0;
  archive_.reset();
  rebuilt_ = false;
  repairs_.clear();
}

std::optional<uint64_t> TUnZipper::ArchiveStamp(const std::string& path) const {
  const std::optional<uint32_t> time = platform::GetFileDosTime(path);
  if (!time) return std::nullopt;
  // The size joins the 2-second time so that a rewrite within the same two seconds is noticed.
  platform::File file = platform::File::Open(path, platform::FileMode::OpenRead);
  const uint64_t size = file.IsOpen() ? static_cast<uint64_t>(file.Size()) : 0;
  return (static_cast<uint64_t>(*time) << 32) ^ size;
}

void TUnZipper::FreeLists() {
  sorted_.reset();
  view_ = nullptr;
  natural_.reset();
}

void TUnZipper::NewNaturalList() {
  FreeLists();
  natural_ = std::make_unique<TSortedZip>(true, dupError);
  natural_->SortMode = ByNone;
  view_ = natural_.get();
}

int TUnZipper::EntryCount() const { return natural_ ? natural_->Count() : 0; }

TZipHeaderInfo& TUnZipper::Entry(int index) const {
  if (!view_ || index < 0 || index >= view_->Count())
    throw platform::EListError(platform::Format(LoadMessage(kMsgIndexOutOfRange), index));
  return *view_->Item(index);
}

std::string TUnZipper::EntryName(int index) const { return Entry(index).FileName(); }

void TUnZipper::LoadDirectory() {
  const bool old_busy = busy_;
  busy_ = true;
  try {
    for (;;) {
      const std::string name_before = zip_name_;
      try {
        OpenArchive();
        break;
      } catch (const EIncompleteZip&) {
        archive_.reset();
        // Another attempt only makes sense when the handler pointed us somewhere else;
        // retrying the same file would fail the same way for ever.
        if (!OnInCompleteZip || zip_name_ == name_before) break;
      }
    }
  } catch (...) {
    ClearDirectory();
    busy_ = old_busy;
    throw;
  }
  CloseArchive();
  busy_ = old_busy;
}

void TUnZipper::SetArchiveStream(platform::Stream* stream) {
  if (stream == host_stream_) return;
  host_stream_ = stream;
  FreeLists();
  stamp_.reset();
  end_.ClearEnd();
  archive_.reset();
  rebuilt_ = false;
  repairs_.clear();
}

void TUnZipper::OpenArchive() {
  if (!archive_) {
    if (host_stream_)
      archive_ = std::make_unique<TS_BufferStream>(host_stream_, kArchiveBufferSize);
    else
      archive_ = std::make_unique<TLFNFileStream>(zip_name_, kArchiveBufferSize, flush_files_on_close_,
                                                  platform::FileMode::OpenReadDenyWrite);
  }
  // The host's stream cannot change under us; a file reopened by name can.
  if (!natural_ || (!host_stream_ && ArchiveStamp(zip_name_) != stamp_)) ReadDirectory();
}

void TUnZipper::CloseArchive() {
  if (!keep_zip_open_) archive_.reset();
}

void TUnZipper::ClearDirectory() {
  archive_.reset();
  FreeLists();
  end_.ClearEnd();
  leading_bytes_ = 0;
  rebuilt_ = false;
  repairs_.clear();
  stamp_.reset();
  part_count_ = 1;
  part_mode_ = pmSingle;
  zip_name_.clear();
  part_base_.clear();
}

void TUnZipper::PumpAndCheckCancel() {
  if (!do_process_messages_) return;
  Checkpoint(true);
}

void TUnZipper::PumpIfDue() {
  if (!do_process_messages_) return;
  // Checkpoints come before every 32 KiB block and every entry, thousands of times a second;
  // asking the system for messages that often costs the host window's program a tenth of the
  // extraction's time. A hundred times a second keeps every window just as responsive.
  const auto now = std::chrono::steady_clock::now();
  if (now - last_pump_ >= std::chrono::milliseconds(10)) {
    last_pump_ = now;
    platform::PumpMessages();
  }
}

void TUnZipper::Checkpoint(bool with_pause) {
  if (!do_process_messages_) return;
  PumpIfDue();
  if (CancelRequested) {
    CancelRequested = false;
    throw EUserCanceled(LoadMessage(kMsgUserAborted));
  }
  if (with_pause) {
    while (PauseRequested) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1000));
      platform::PumpMessages();
    }
  }
}

void TUnZipper::ReadDirectory() {
  const bool old_busy = busy_;
  busy_ = true;
  struct BusyReset {
    bool& flag;
    bool value;
    ~BusyReset() { flag = value; }
  } busy_reset{busy_, old_busy};

  stamp_ = ArchiveStamp(zip_name_);
  FreeLists();
  leading_bytes_ = 0;
  repairs_.clear();

  std::unique_ptr<TLFNFileStream> zfc;
  platform::Stream* s = FindEndRecord(zfc);
  bool from_zfc = zfc != nullptr;
  if (s) {
    if (end_.CommentPosition + end_.ArchiveCommentLength > static_cast<uint64_t>(std::max<int64_t>(s->Size(), 0)))
      repairs_.push_back(LoadMessage(kMsgCommentTruncated));
    // A classic count that is no marker and a zip64 count that differs: one of them is wrong, and
    // which entries the archive has depends on the one believed.
    if (end_.Zip64End && end_.TotalEntries16 != 0xFFFF && end_.Zip64End->total_entries != end_.TotalEntries16)
      NoteRepair(kMsgEntryCountWrong);
    s = SeekCentralDirectory(s, from_zfc);
  } else {
    if (OnInCompleteZip) OnInCompleteZip(this, incomplete_zip_mode_);
    if (incomplete_zip_mode_ == izAssumeNotAZip) throw ENotAZipFile(LoadMessage(kMsgNotValidZip));
    if (incomplete_zip_mode_ == izAssumeMulti) {
      // A zip cut short, or a part of a split one, still holds a local or central header; a file
      // without any (a web server's error page saved under the archive's name) is something else.
      if (!NamedAsPart(zip_name_) && !HoldsZipHeader(*archive_))
        throw EIncompleteZip(platform::Format(LoadMessage(kMsgNotAZipArchive), zip_name_.c_str()));
      throw EIncompleteZip(LoadMessage(kMsgIncompleteZip));
    }
    RebuildFromLocalHeaders();
    s = archive_.get();
  }
  if (!natural_) {
    NewNaturalList();
    // Room for every entry at once; a count larger than the headers the file can hold is a lie.
    const uint64_t fits = static_cast<uint64_t>(std::max<int64_t>(s->Size(), 0)) / kCentralHeaderSize;
    natural_->SetCapacity(static_cast<int>(std::min<uint64_t>({end_.TotalEntries(), fits, 1u << 24})));
  }
  part_count_ = static_cast<int>(std::min<uint32_t>(end_.ThisDisk(), 0x7FFFFFFE)) + 1;

  // No entries but bytes of a central directory: the end record is damaged (or disagrees with a
  // zip64 one). Taking the archive for empty would lose its entries without a word.
  const bool damaged_end = !rebuilt_ && end_.TotalEntries() == 0 && end_.CentralSize > 0;
  if (damaged_end || !ReadCentralHeaders(s)) {
    // The entries are found by their local headers instead; the scan stops where the central
    // directory normally begins, and what of it can be read fills in the entries found.
    RebuildFromLocalHeaders();
    s = archive_.get();
    from_zfc = false;
    ReadCentralHeaders(s);
  }
  if (end_.ThisDisk() > 0) {
    // Leave the stream on the last part, the one ZipName names from now on.
    if (!from_zfc && part_mode_ != pmSingle && current_part_ != static_cast<int>(end_.ThisDisk())) {
      OpenPart(static_cast<int>(end_.ThisDisk()) + 1);
      s = archive_.get();
    }
    if (end_.HasComment()) {
      s->Seek(static_cast<int64_t>(end_.CommentPosition), platform::SeekOrigin::Begin);
      std::string raw(end_.ArchiveCommentLength, '\0');
      raw.resize(static_cast<size_t>(std::max<int64_t>(s->Read(raw.data(), end_.ArchiveCommentLength), 0)));
      end_.CommentText = CommentToUtf8(raw);
    }
  }
  current_part_ = from_zfc ? 0 : static_cast<int>(end_.ThisDisk());
  if (rebuilt_) current_part_ = 0;
  Resort(sort_mode_);
}

platform::Stream* TUnZipper::FindEndRecord(std::unique_ptr<TLFNFileStream>& zfc) {
  if (end_.FindEndRecord(*archive_) && end_.StartCentralDisk() <= end_.ThisDisk()) return archive_.get();
  const std::string ext = ExtractFileExt(zip_name_);
  const std::string zfc_name = zip_name_.substr(0, zip_name_.size() - ext.size()) + ".zfc";
  if (host_stream_ || !platform::FileExists(zfc_name)) return nullptr;
  zfc = std::make_unique<TLFNFileStream>(zfc_name, kArchiveBufferSize, false, platform::FileMode::OpenRead);
  if (end_.FindEndRecord(*zfc)) return zfc.get();
  zfc.reset();
  return nullptr;
}

platform::Stream* TUnZipper::SeekCentralDirectory(platform::Stream* s, bool from_zfc) {
  current_part_ = from_zfc ? 0 : static_cast<int>(end_.ThisDisk());
  if (end_.ThisDisk() > 0) {
    if (part_mode_ == pmSingle) {
      const bool drive = zip_name_.size() >= 2 && zip_name_[1] == ':';
      part_mode_ = drive && platform::IsRemovableDrive(zip_name_.substr(0, 3)) ? pmDisks : pmFiles;
    }
  } else {
    part_mode_ = pmSingle;
  }
  if (end_.TotalEntries() == 0) return s;
  if (!from_zfc && part_mode_ != pmSingle && static_cast<int>(end_.StartCentralDisk()) != current_part_) {
    OpenPart(static_cast<int>(end_.StartCentralDisk()) + 1);
    s = archive_.get();
  }
  if (!from_zfc && part_mode_ == pmSingle) leading_bytes_ = FindLeadingBytes(*s);
  s->Seek(from_zfc ? 0 : static_cast<int64_t>(end_.CentralOffset()) + leading_bytes_, platform::SeekOrigin::Begin);
  return s;
}

bool TUnZipper::ReadCentralHeaders(platform::Stream*& s) {
  const auto next_part = [this, &s]() -> platform::Stream* {
    OpenPart(current_part_ + 2);
    s = archive_.get();
    return s;
  };
  const bool multi = part_mode_ != pmSingle;
  TZipHeaderInfo* prev = nullptr;
  uint16_t prev_extra = 0;
  for (uint64_t i = 0;; ++i) {
    // Past its count, a directory read as it stands still holds records when the end record
    // undercounts them: they are read too, and the count called wrong, rather than the entries
    // after it left out without a word. Each record takes its bytes of the file, so this ends.
    const bool counted = i < end_.TotalEntries();
    if (!counted && (rebuilt_ || multi || end_.TotalEntries() == 0)) break;
    PumpAndCheckCancel();
    auto entry = std::make_unique<TZipHeaderInfo>();
    entry->OemConvertMode = oem_convert_;
    const bool pass_next = !rebuilt_ && multi;
    bool ok = entry->ReadCentralHeader(s, pass_next ? next_part : std::function<platform::Stream*()>());
    if (!counted) {
      if (!ok) break;
      NoteRepair(kMsgEntryCountWrong);
    }
    if (!ok && prev_extra > 0) {
      if (prev) prev->ExtraFieldLength = 0;
      s->Seek(-static_cast<int64_t>(prev_extra), platform::SeekOrigin::Current);
      prev_extra = 0;
      ok = entry->ReadCentralHeader(s, pass_next ? next_part : std::function<platform::Stream*()>());
      if (ok && !rebuilt_) NoteRepair(kMsgExtraFieldMissing);
    }
    if (!ok) {
      if (rebuilt_) break;
      if (multi) {
        ClearDirectory();
        throw EBadZipFile(LoadMessage(kMsgNotValidZip));
      }
      return false;
    }
    if (leading_bytes_ > 0) entry->SetRelativeOffset(entry->RelativeOffset() + static_cast<uint64_t>(leading_bytes_));
    const uint16_t m = entry->ExtraFieldLength;
    const uint16_t k = entry->FileCommentLength;
    if (rebuilt_) {
      const int at = natural_->IndexOf(entry.get());
      if (at >= 0) {
        TZipHeaderInfo* listed = natural_->Item(at);
        const uint64_t offset = listed->RelativeOffset();
        listed->Assign(*entry);
        listed->SetRelativeOffset(offset);
        prev = listed;
      } else {
        prev = nullptr;
      }
      s->Seek(static_cast<int64_t>(m) + k, platform::SeekOrigin::Current);
      prev_extra = m;
      continue;
    }
    TZipHeaderInfo* added = entry.get();
    try {
      natural_->Add(entry.get());
      entry.release();
    } catch (const platform::EListError&) {
      // Two directory records on one local header: the shape of a zip bomb, whose entries all
      // decode the same data. No writer makes it; rebuilding from the local headers instead
      // would quietly drop all but one of the entries.
      throw EOverlappedEntries(LoadMessage(kMsgOverlappedEntries));
    }
    if (end_.ThisDisk() > 0 && added->HasComment()) {
      // Later the part that holds it may be gone.
      const int64_t here = s->Position();
      s->Seek(m, platform::SeekOrigin::Current);
      std::string raw(k, '\0');
      raw.resize(static_cast<size_t>(std::max<int64_t>(s->Read(raw.data(), k), 0)));
      added->FileComment = CommentToUtf8(raw);
      s->Seek(here, platform::SeekOrigin::Begin);
    }
    s->Seek(static_cast<int64_t>(m) + k, platform::SeekOrigin::Current);
    prev = added;
    prev_extra = m;
  }
  return true;
}

void TUnZipper::NoteRepair(int message) {
  const std::string repair = LoadMessage(message);
  if (std::find(repairs_.begin(), repairs_.end(), repair) == repairs_.end()) repairs_.push_back(repair);
}

void TUnZipper::RebuildFromLocalHeaders() {
  if (ScanLocalHeaders()) return;
  ClearDirectory();
  throw EBadZipFile(LoadMessage(kMsgNotValidZip));
}

int64_t TUnZipper::FindLeadingBytes(platform::Stream& s) const {
  // The central directory ends where the end record begins. When it does not begin at its
  // recorded offset but that much later, everything was moved by the same distance.
  if (end_.Zip64Locator || end_.CommentPosition < kEndRecordSize) return 0;
  const uint64_t end_at = end_.CommentPosition - kEndRecordSize;
  const uint64_t recorded = end_.CentralOffset();
  if (end_at < end_.CentralSize || end_at - end_.CentralSize <= recorded) return 0;
  const uint64_t real = end_at - end_.CentralSize;
  const auto central_at = [&s](uint64_t at) {
    uint8_t sig[4];
    return s.Seek(static_cast<int64_t>(at), platform::SeekOrigin::Begin) == static_cast<int64_t>(at) &&
           s.Read(sig, 4) == 4 && Le32(sig) == CentralFileHeaderSig;
  };
  if (central_at(recorded) || !central_at(real)) return 0;
  return static_cast<int64_t>(real - recorded);
}

bool TUnZipper::ScanLocalHeaders() {
  if (rebuilt_) return false;
  rebuilt_ = true;
  FreeLists();
  TS_BufferStream& s = *archive_;
  const int64_t start = platform::SameTextIgnoreCase(ExtractFileExt(zip_name_), ".EXE") ? 14000 : 0;
  s.Seek(start, platform::SeekOrigin::Begin);
  int matched = 0;
  int64_t counted = 0;
  for (;;) {
    uint8_t b;
    if (s.Read(&b, 1) < 1) return false;
    if (++counted % kScanPumpInterval == 0) PumpAndCheckCancel();
    if (b == LocalSigBytes[matched]) {
      if (++matched < 4) continue;
      uint8_t version[2];
      if (s.Read(version, 2) < 2) return false;
      matched = 0;
      if (version[1] >= 10) continue;
      s.Seek(-6, platform::SeekOrigin::Current);
      break;
    }
    matched = b == LocalSigBytes[0] ? 1 : 0;
  }
  NewNaturalList();
  for (;;) {
    auto entry = std::make_unique<TZipHeaderInfo>();
    entry->OemConvertMode = oem_convert_;
    if (!entry->ReadLocalHeader(s)) break;
    PumpAndCheckCancel();
    const int64_t skip = static_cast<int64_t>(entry->LocalExtraLength) +
                         static_cast<int64_t>(std::min<uint64_t>(entry->CompressedSize(), INT64_MAX / 2)) +
                         (entry->HasDataDescriptor() ? 16 : 0);
    natural_->Add(entry.get());
    entry.release();
    s.Seek(skip, platform::SeekOrigin::Current);
  }
  end_.SetThisDisk(0);
  current_part_ = 0;
  end_.SetCentralOffset(static_cast<uint64_t>(s.Position()));
  end_.SetTotalEntries(static_cast<uint64_t>(EntryCount()));
  part_count_ = 1;
  repairs_.push_back(LoadMessage(kMsgDirectoryRebuilt));
  return true;
}

void TUnZipper::Resort(TZipSortMode mode) {
  sorted_.reset();
  view_ = natural_.get();
  if (mode != ByNone && natural_) {
    sorted_ = std::make_unique<TSortedZip>(false, dupAccept);
    sorted_->SortMode = mode;
    sorted_->SetCapacity(natural_->Count());
    for (int i = 0; i < natural_->Count(); ++i) sorted_->Add(natural_->Item(i));
    view_ = sorted_.get();
  }
  sort_mode_ = mode;
}

std::string TUnZipper::PartFileName(int n, TSplitPartType type) {
  std::string name;
  std::string conventional;
  if (block_mode_ == bmClassic) {
    name = part_base_ + platform::Format(".%3.3d", n);
    conventional = part_base_ + platform::Format(".zip.%3.3d", n);
  } else if (type == spLast) {
    name = part_base_ + ".zip";
    conventional = part_base_ + ".ZIP";
  } else {
    name = part_base_ + ".zip." + platform::Format("z%2.2d", n);
    // Archivers name the parts NAME.z01, NAME.z02 ... NAME.zip.
    conventional = part_base_ + platform::Format(".z%2.2d", n);
  }
  if (!platform::FileExists(name) && platform::FileExists(conventional)) return conventional;
  return name;
}

std::string TUnZipper::AskForDisk(int n, const std::string& proposal) {
  std::string name = proposal;
  if (OnGetNextDisk) {
    OnGetNextDisk(this, n, name);
  } else if (part_mode_ == pmDisks) {
    const std::string text = std::string(LoadMessage(kMsgInsertDisk)) + std::to_string(n) +
                             LoadMessage(kMsgOfMultiDiskSet);
    if (ShowEngineMessage(kMsgInsertDisk, text, "", platform::kMbOkCancel) == platform::kIdCancel)
      name.clear();
  }
  return name;
}

bool TUnZipper::CheckDiskLabel(int n, const std::string& path) const {
  if (part_mode_ != pmDisks) return true;
  std::string label = platform::VolumeLabel(AsciiUpper(LeftChars(path, 3)));
  label = LeftChars(label, 11);
  return RightChars(label, 3) == platform::Format("%3.3d", n);
}

void TUnZipper::OpenPart(int n) {
  // The host's stream holds one part; the others are files it has not vouched for.
  if (host_stream_) throw EIncompleteZip(LoadMessage(kMsgIncompleteZip));
  archive_.reset();
  std::string name;
  if (part_mode_ == pmFiles) {
    const TSplitPartType type = n == part_count_ && busy_ ? spLast : (n == 1 ? spFirst : spMiddle);
    if (OnFileNameForSplitPart) {
      name = part_base_;
      OnFileNameForSplitPart(this, name, n, type);
    } else {
      name = PartFileName(n, type);
    }
  } else {
    for (int attempt = 0;; ++attempt) {
      if (attempt >= kMaxDiskPrompts) throw EUserCanceled(LoadMessage(kMsgCanceledNewDisk));
      name = AskForDisk(n, zip_name_);
      if (name.empty()) throw EUserCanceled(LoadMessage(kMsgCanceledNewDisk));
      if (verify_disk_labels_ && !CheckDiskLabel(n, name)) continue;
      if (!platform::FileExists(name)) continue;
      break;
    }
  }
  archive_ = std::make_unique<TLFNFileStream>(name, kArchiveBufferSize, flush_files_on_close_,
                                              platform::FileMode::OpenRead);
  current_part_ = n - 1;
  stamp_ = ArchiveStamp(name);
  zip_name_ = name;
}

std::string TUnZipper::EntryComment(int index) {
  if (index < 0 || index >= EntryCount())
    throw platform::EListError(platform::Format(LoadMessage(kMsgIndexOutOfRange), index));
  {
    const TZipHeaderInfo& listed = Entry(index);
    if (!listed.HasComment()) return {};
    if (listed.FileComment) return *listed.FileComment;
  }
  // Opening may read a changed directory again: the entry is looked up afterwards.
  OpenArchive();
  if (index >= EntryCount() || !Entry(index).HasComment()) {
    if (part_mode_ == pmSingle) CloseArchive();
    return {};
  }
  TZipHeaderInfo& e = Entry(index);
  TS_BufferStream& s = *archive_;
  const int64_t here = s.Position();
  s.Seek(static_cast<int64_t>(e.HeaderPosition), platform::SeekOrigin::Begin);
  uint8_t h[kCentralHeaderSize];
  std::string raw;
  if (s.Read(h, kCentralHeaderSize) == kCentralHeaderSize) {
    const uint16_t n = Le16(h + 28), m = Le16(h + 30), k = Le16(h + 32);
    s.Seek(static_cast<int64_t>(n) + m, platform::SeekOrigin::Current);
    raw.assign(k, '\0');
    raw.resize(static_cast<size_t>(std::max<int64_t>(s.Read(raw.data(), k), 0)));
  }
  e.FileComment = CommentToUtf8(raw);
  s.Seek(here, platform::SeekOrigin::Begin);
  if (part_mode_ == pmSingle) CloseArchive();
  return *e.FileComment;
}

void TUnZipper::SetEntryComment(int index, const std::string& text) {
  if (index < 0 || index >= EntryCount())
    throw platform::EListError(platform::Format(LoadMessage(kMsgIndexOutOfRange), index));
  TZipHeaderInfo& e = Entry(index);
  if (!e.FileComment || *e.FileComment != text) e.SetComment(text);
}

std::string TUnZipper::ArchiveComment() {
  if (!end_.HasComment()) return {};
  if (end_.CommentText) return *end_.CommentText;
  OpenArchive();
  TS_BufferStream& s = *archive_;
  const int64_t here = s.Position();
  s.Seek(static_cast<int64_t>(end_.CommentPosition), platform::SeekOrigin::Begin);
  std::string raw(end_.ArchiveCommentLength, '\0');
  raw.resize(static_cast<size_t>(std::max<int64_t>(s.Read(raw.data(), end_.ArchiveCommentLength), 0)));
  end_.CommentText = CommentToUtf8(raw);
  s.Seek(here, platform::SeekOrigin::Begin);
  if (part_mode_ == pmSingle) CloseArchive();
  return *end_.CommentText;
}

void TUnZipper::SetArchiveComment(const std::string& text) {
  if (!end_.CommentText || *end_.CommentText != text) end_.SetComment(text);
}

}  // namespace zip
