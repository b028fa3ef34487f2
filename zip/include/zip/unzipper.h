// TUnZipper: names an archive, loads its directory and extracts selected entries with events,
// progress and per-entry error handling.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "zip/containers.h"
#include "zip/errors.h"
#include "zip/output_files.h"
#include "zip/records.h"
#include "zip/streams.h"

namespace zip {

enum TIncompleteZipMode : uint8_t { izAssumeMulti, izAssumeBad, izAssumeNotAZip };
enum TSplitPartType : uint8_t { spFirst, spMiddle, spLast };
enum TBlockMode : uint8_t { bmStandard, bmClassic };
enum TPartMode : uint8_t { pmSingle, pmDisks, pmFiles };
enum TUZOverwriteMode : uint8_t { Prompt, Always, Never, ifNewer, ifOlder };
enum TSkipReason : uint8_t {
  srBadPassword, srNoOverwrite, srFileOpenError, srCreateError, srExcludeList,
  srArchiveBitNotSet, srNoFileToFreshen, srSkippedInStartZip
};

class TUnZipper;
struct DecodeRun;

using TStartUnzipInfo = std::function<void(TUnZipper* Sender, int NumFiles, int64_t TotalBytes, bool& StopNow)>;
using TStartUnZipEvent = std::function<void(TUnZipper* Sender, int FileIndex, std::string& FName, bool& Skip)>;
using TPromptForOverwrite = std::function<void(TUnZipper* Sender, bool& OverWriteIt, int FileIndex, std::string& FName)>;
using TSkippingFile = std::function<void(TUnZipper* Sender, TSkipReason Reason, const std::string& FName, int FileIndex, bool& Retry)>;
using TBadPassword = std::function<void(TUnZipper* Sender, int FileIndex, std::string& NewPassword)>;
using TFilePercentDone = std::function<void(TUnZipper* Sender, int Percent)>;
using TTotalPercentDone = std::function<void(TUnZipper* Sender, int Percent)>;
using TEndUnZipEvent = std::function<void(TUnZipper* Sender, int FileIndex, const std::string& FName)>;
using TBadCRC = std::function<void(TUnZipper* Sender, uint32_t CalcCRC, uint32_t StoredCRC, int FileIndex)>;
using TUnZipComplete = std::function<void(TUnZipper* Sender, int FileCount)>;
using TDecryptEvent = std::function<void(TUnZipper* Sender, uint8_t* buffer, int length, const std::string& Password)>;
using THandleMessageEvent = std::function<void(TUnZipper* Sender, int MessageID, const std::string& Msg1,
                                               const std::string& Msg2, uint32_t flags, int& Return)>;
// An entry could not be decoded (damaged data, the archive ending inside it, a local header that
// is not where the directory says). Its output file is already removed and Message names the
// entry and the cause. Abort comes in true: the failure then ends the run as an exception, as
// every other failure does; a handler that clears it lets the run go on with the next entry.
using TEntryError = std::function<void(TUnZipper* Sender, int FileIndex, const std::string& Message, bool& Abort)>;
using TInCompleteZipEvent = std::function<void(TUnZipper* Sender, TIncompleteZipMode& IncompleteMode)>;
using TGetNextDiskEvent = std::function<void(TUnZipper* Sender, int NextDisk, std::string& FName)>;
using TFileNameForSplitPartEvent =
    std::function<void(TUnZipper* Sender, std::string& FName, int PartNum, TSplitPartType SplitType)>;
using TGetNextBufferEvent = std::function<void(TUnZipper* Sender)>;

// Percent(a, b): a * 100 / b rounded to the nearest integer, ties to even, at most 100; 0 when b <= 0.
int Percent(int64_t a, int64_t b);

// Where an entry's folder part lands under DestDir (the result ends with '\').
std::string DestinationFolder(const std::string& dest_dir, bool recreate_dirs,
                              const std::vector<std::string>& relative_path_list,
                              const std::string& folder_part);
// True when `path` stays inside `dest_dir` once "." and ".." parts are resolved.
bool StaysInside(const std::string& dest_dir, const std::string& path);

class TUnZipper {
 public:
  TUnZipper();
  ~TUnZipper();
  TUnZipper(const TUnZipper&) = delete;
  TUnZipper& operator=(const TUnZipper&) = delete;

  // ---- archive and directory ----
  const std::string& ZipName() const { return zip_name_; }
  void SetZipName(const std::string& value);
  void LoadDirectory();
  int EntryCount() const;
  // Entry `index` of the sorted view.
  TZipHeaderInfo& Entry(int index) const;
  std::string EntryName(int index) const;
  std::string EntryComment(int index);
  void SetEntryComment(int index, const std::string& text);
  std::string ArchiveComment();
  void SetArchiveComment(const std::string& text);
  const TEndCentral& EndCentral() const { return end_; }
  // Bytes in front of the archive that its recorded offsets do not count (a self-extractor's
  // program added without adjusting them). The loaded offsets are corrected by this much; a
  // host may warn that the archive is not as it was written.
  int64_t LeadingBytes() const { return leading_bytes_; }

  // The archive's bytes come from `stream`, which the host has opened and keeps open until it
  // sets nullptr again, instead of from opening ZipName (which still names the archive in
  // messages). Only a single-part archive is read this way: no other file is opened for it.
  void SetArchiveStream(platform::Stream* stream);

  void OpenArchive();
  void CloseArchive();
  void ClearDirectory();
  void Resort(TZipSortMode mode);
  // Opens part n (1-based) of a multi-part archive as the archive stream.
  void OpenPart(int n);

  TZipSortMode SortMode() const { return sort_mode_; }
  void SetSortMode(TZipSortMode v) { sort_mode_ = v; }
  TIncompleteZipMode IncompleteZipMode() const { return incomplete_zip_mode_; }
  void SetIncompleteZipMode(TIncompleteZipMode v) { incomplete_zip_mode_ = v; }
  bool KeepZipOpen() const { return keep_zip_open_; }
  void SetKeepZipOpen(bool v) { keep_zip_open_ = v; }
  bool DoProcessMessages() const { return do_process_messages_; }
  void SetDoProcessMessages(bool v) { do_process_messages_ = v; }
  // When set, every extracted file is on the disk when UnZipSelected returns: each is flushed
  // and closed by threads of their own while the next entries are extracted, and a file that
  // cannot be flushed ends the run with ECantWriteUCF naming it.
  bool FlushFilesOnClose() const { return flush_files_on_close_; }
  void SetFlushFilesOnClose(bool v) { flush_files_on_close_ = v; }
  TOEMConvert OEMConvert() const { return oem_convert_; }
  void SetOEMConvert(TOEMConvert v) { oem_convert_ = v; }
  TBlockMode BlockMode() const { return block_mode_; }
  void SetBlockMode(TBlockMode v) { block_mode_ = v; }
  TPartMode PartMode() const { return part_mode_; }
  void SetPartMode(TPartMode v) { part_mode_ = v; }
  int PartCount() const { return part_count_; }
  bool VerifyDiskLabels() const { return verify_disk_labels_; }
  void SetVerifyDiskLabels(bool v) { verify_disk_labels_ = v; }
  bool Rebuilt() const { return rebuilt_; }
  // What had to be repaired or recovered to load the directory (the rebuild from the local
  // headers, a record's missing extra field, a comment cut short), one text each; empty when the
  // directory is as it was written. Bytes in front of the archive are LeadingBytes instead. A
  // host that must have the archive exactly as its maker wrote it refuses one with repairs.
  const std::vector<std::string>& Repairs() const { return repairs_; }

  // ---- extraction ----
  int UnZipSelected();
  int ShowEngineMessage(int MessageID, const std::string& Msg1, const std::string& Msg2, uint32_t flags);
  void Assign(const TUnZipper& source);

  const std::vector<std::string>& FilesList() const { return files_list_; }
  void SetFilesList(const std::vector<std::string>& v) { files_list_ = v; }
  std::vector<std::string>& MutableFilesList() { return files_list_; }
  bool DoAll() const { return do_all_; }
  void SetDoAll(bool v) { do_all_ = v; }
  const std::string& DestDir() const { return dest_dir_; }
  void SetDestDir(const std::string& value);
  const std::string& RootDir() const { return root_dir_; }
  void SetRootDir(const std::string& value);
  const std::vector<std::string>& RelativePathList() const { return relative_path_list_; }
  void SetRelativePathList(const std::vector<std::string>& v) { relative_path_list_ = v; }
  bool RecreateDirs() const { return recreate_dirs_; }
  void SetRecreateDirs(bool v) { recreate_dirs_ = v; }
  TUZOverwriteMode OverwriteMode() const { return overwrite_mode_; }
  void SetOverwriteMode(TUZOverwriteMode v) { overwrite_mode_ = v; }
  bool RetainAttributes() const { return retain_attributes_; }
  void SetRetainAttributes(bool v) { retain_attributes_ = v; }
  bool ReplaceReadOnly() const { return replace_read_only_; }
  void SetReplaceReadOnly(bool v) { replace_read_only_ = v; }
  // The declared uncompressed size of the entries that DoAll, FilesList and RecreateDirs select
  // in the loaded directory: what a run would write at most (each entry is cut off at its
  // declared size). For a host's free-space check before UnZipSelected.
  int64_t SelectedUncompressedSize() const;
  // The host's own placement of what a run writes (see output_files.h), which the host keeps
  // alive through the run; null (the default): the engine makes its files and folders itself.
  TOutputFiles* OutputFiles() const { return output_files_; }
  void SetOutputFiles(TOutputFiles* files) { output_files_ = files; }
  // Decode and check every selected entry without writing anything.
  bool TestOnly() const { return test_only_; }
  void SetTestOnly(bool v) { test_only_ = v; }

  std::string Password;
  bool CancelRequested = false;
  bool PauseRequested = false;

  // ---- events ----
  TStartUnzipInfo OnStartUnZipInfo;
  TStartUnZipEvent OnStartUnZip;
  TPromptForOverwrite OnPromptForOverwrite;
  TSkippingFile OnSkippingFile;
  TBadPassword OnBadPassword;
  TFilePercentDone OnFilePercentDone;
  TTotalPercentDone OnTotalPercentDone;
  TEndUnZipEvent OnEndUnZip;
  TBadCRC OnBadCRC;
  TUnZipComplete OnUnZipComplete;
  TDecryptEvent OnDecrypt;
  THandleMessageEvent OnHandleMessage;
  TEntryError OnEntryError;
  TInCompleteZipEvent OnInCompleteZip;
  TGetNextDiskEvent OnGetNextDisk;
  TFileNameForSplitPartEvent OnFileNameForSplitPart;
  TGetNextBufferEvent OnGetNextBuffer;

 private:
  // The unzipper's parts and checkpoints as an extraction run reaches them.
  class RunAccess;

  void ReadDirectory();
  // The stream whose end record was found: the archive, or the separate directory file (.zfc)
  // of a split archive, which `zfc` then holds; none when neither has one.
  platform::Stream* FindEndRecord(std::unique_ptr<TLFNFileStream>& zfc);
  // Settles how a split archive's parts are stored and stands at the first central header;
  // answers the stream that holds it (another part may have been opened).
  platform::Stream* SeekCentralDirectory(platform::Stream* s, bool from_zfc);
  // Lists the central directory's entries from the position of `s`, which is replaced when the
  // directory goes on in the next part. Once the directory was rebuilt it only completes the
  // entries already listed. False when a header cannot be read and the entries are to be found
  // by their local headers instead; two entries on one local header raise EOverlappedEntries.
  // Records that follow past the end record's count (one file, not rebuilt) are listed too, and
  // the count noted as wrong among the repairs.
  bool ReadCentralHeaders(platform::Stream*& s);
  // Adds the text of `message` to the repairs once.
  void NoteRepair(int message);
  // Rebuilds the list from the local headers; without one to rebuild from, the directory is
  // cleared and the archive refused.
  void RebuildFromLocalHeaders();
  bool ScanLocalHeaders();
  int64_t FindLeadingBytes(platform::Stream& s) const;
  std::optional<uint64_t> ArchiveStamp(const std::string& path) const;
  std::string PartFileName(int n, TSplitPartType type);
  std::string AskForDisk(int n, const std::string& proposal);
  bool CheckDiskLabel(int n, const std::string& path) const;
  void Checkpoint(bool with_pause);
  void PumpIfDue();  // window messages only, at most a hundred times a second
  void PumpAndCheckCancel();
  void NewNaturalList();
  void FreeLists();
  std::string ComputePartBase(const std::string& name) const;

  // extraction
  bool SelectedBySettings(const TZipHeaderInfo& entry) const;
  void RefuseOverlappedEntries() const;
  // Gives the folders made for folder entries their stored times, at the end of a run.
  void RestoreFolderTimes();
  // per entry
  void ProcessEntry(DecodeRun& run, int index);
  // ProcessEntry, with a failure of the entry's data named after the entry and offered to
  // OnEntryError.
  void ExtractEntry(DecodeRun& run, int index);
  template <class E>
  void EntryFailed(DecodeRun& run, int index, const E& failure);
  // Decodes the entry into its output (none when testing) and closes the output; an exception
  // leaves no output behind. `undecodable`: an encrypted entry's data did not inflate.
  void DecodeAndClose(DecodeRun& run, int index, const std::string& fname, bool& unsupported,
                      bool& undecodable);
  bool OverwriteAllowed(DecodeRun& run, std::string& fname, const TZipHeaderInfo& entry, int index);
  std::unique_ptr<TLFNFileStream> CreateOutput(DecodeRun& run, const std::string& fname,
                                               const TZipHeaderInfo& entry, int index);
  // Asks for the files of the entries from `from` on to be made ahead of their turn, where that
  // touches nothing that exists.
  void MakeAhead(DecodeRun& run, int from) noexcept;
  void GiveUp(DecodeRun& run, TSkipReason reason, const std::string& fname, int index);
  // Through the host's output when it has one.
  void MakeFolders(const std::string& folder);
  void RemoveOutput(const std::string& fname);

  std::string zip_name_;
  std::string part_base_;
  std::unique_ptr<TS_BufferStream> archive_;
  platform::Stream* host_stream_ = nullptr;
  std::unique_ptr<TSortedZip> natural_;
  TSortedZip* view_ = nullptr;  // the natural list itself in ByNone
  std::unique_ptr<TSortedZip> sorted_;
  TEndCentral end_;
  int64_t leading_bytes_ = 0;
  std::optional<uint64_t> stamp_;
  int current_part_ = 0;
  int part_count_ = 1;
  TPartMode part_mode_ = pmSingle;
  bool verify_disk_labels_ = true;
  bool rebuilt_ = false;
  std::vector<std::string> repairs_;
  bool busy_ = false;
  bool run_active_ = false;
  TZipSortMode sort_mode_ = ByNone;
  TIncompleteZipMode incomplete_zip_mode_ = izAssumeMulti;
  bool keep_zip_open_ = false;
  bool do_process_messages_ = true;
  bool flush_files_on_close_ = false;
  std::chrono::steady_clock::time_point last_pump_{};
  TOEMConvert oem_convert_ = oemAlways;
  TBlockMode block_mode_ = bmStandard;

  std::vector<std::string> files_list_;
  bool do_all_ = false;
  std::string dest_dir_;
  std::string root_dir_;
  std::vector<std::string> relative_path_list_;
  bool recreate_dirs_ = false;
  TUZOverwriteMode overwrite_mode_ = Prompt;
  bool retain_attributes_ = true;
  bool replace_read_only_ = false;
  bool test_only_ = false;
  TOutputFiles* output_files_ = nullptr;
  struct FolderTime {
    std::string path;
    uint32_t dos;
    std::optional<int64_t> utc;
  };
  std::vector<FolderTime> folder_times_;
};

}  // namespace zip
