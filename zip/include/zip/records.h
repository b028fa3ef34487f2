// The archive's records as the engine reads them: one entry (TZipHeaderInfo) from a central or a
// local header, and the end of central directory record with its zip64 companions (TEndCentral).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/stream.h"

namespace zip {

enum TOEMConvert : uint8_t { oemAlways = 0, oemNever = 1, oemFlexible = 2 };

// Signatures; SetSignatures(0, 0, 0) selects the standard values.
extern uint32_t CentralFileHeaderSig;
extern uint32_t LocalFileHeaderSig;
extern uint32_t EndCentralDirSig;
extern uint32_t Zip64EndCentralDirSig;
extern uint32_t Zip64EndCentralLocSig;
extern uint8_t LocalSigBytes[4];
extern uint8_t EndSigFirstByte;
void SetSignatures(uint32_t central, uint32_t local, uint32_t end);

constexpr int kLocalHeaderSize = 30;
constexpr int kCentralHeaderSize = 46;
constexpr int kEndRecordSize = 22;
constexpr int kZip64LocatorSize = 20;
constexpr int kZip64EndSize = 56;
constexpr int kEndSearchWindow = 65557;  // the longest comment plus the record

struct TZip64Values {
  uint16_t tag = 1;
  uint16_t size = 0;
  uint64_t uncompressed_size = 0;
  uint64_t compressed_size = 0;
  uint64_t relative_offset = 0;
  uint32_t disk_number_start = 0;
  // Which of the four values the extra field actually held (bits 0..3 in the order above).
  uint8_t present = 0;
};

class TZipHeaderInfo {
 public:
  TZipHeaderInfo() { ClearHeader(); }
  TZipHeaderInfo(const TZipHeaderInfo&) = delete;
  TZipHeaderInfo& operator=(const TZipHeaderInfo&) = delete;
  TZipHeaderInfo(TZipHeaderInfo&&) = default;
  TZipHeaderInfo& operator=(TZipHeaderInfo&&) = default;

  // Replaces `stream` through next_part when a multi-part central directory runs into the next
  // part; next_part may be empty.
  bool ReadCentralHeader(platform::Stream*& stream,
                         const std::function<platform::Stream*()>& next_part = {});
  bool ReadLocalHeader(platform::Stream& stream);
  // Walks the central extra field at the stream's position; never reads past its m bytes.
  void ReadExtraField(platform::Stream& stream);

  uint64_t CompressedSize() const;
  uint64_t UncompressedSize() const;
  uint64_t RelativeOffset() const;
  uint32_t DiskNumberStart() const;
  void SetCompressedSize(uint64_t value);
  void SetUncompressedSize(uint64_t value);
  void SetRelativeOffset(uint64_t value);

  bool IsEncrypted() const { return (GeneralFlags & 1) != 0; }
  bool HasDataDescriptor() const { return (GeneralFlags & 8) != 0; }
  bool HasComment() const { return FileCommentLength > 0; }
  void SetComment(const std::optional<std::string>& text);

  void SetFileName(const std::string& name);
  void SetDirectory(const std::string& dir);
  const std::string& FileName() const { return file_name_; }
  const std::string& Directory() const { return directory_; }
  std::string Path() const { return directory_ + file_name_; }

  void Assign(const TZipHeaderInfo& source);
  void ClearHeader();

  uint16_t VersionMadeBy;
  uint16_t VersionNeeded;
  uint16_t GeneralFlags;
  uint16_t CompressionMethod;
  uint32_t FileDateTime;
  uint32_t Crc32;
  uint32_t CompressedSize32;
  uint32_t UncompressedSize32;
  uint16_t FileNameLength;
  // The name's length in bytes as the header stores it (FileNameLength counts the converted
  // name): what the entry takes up in the archive.
  uint16_t StoredNameLength;
  uint16_t ExtraFieldLength;
  uint16_t LocalExtraLength;
  uint16_t FileCommentLength;
  uint16_t DiskNumberStart16;
  uint16_t InternalAttributes;
  uint32_t ExternalAttributes;
  uint32_t RelativeOffset32;
  uint64_t HeaderPosition;
  std::unique_ptr<TZip64Values> Zip64Values;
  std::optional<std::string> FileComment;
  // The last change in seconds since 1970 (UTC), when the central extra field records it (an
  // extended timestamp, the older Unix field, or else the NTFS field); FileDateTime is the
  // creator's local time.
  std::optional<int64_t> ModTime;
  // The last change from the NTFS extra field (0x000a), in 100-nanosecond steps since 1601 (UTC).
  std::optional<int64_t> NtfsTime;
  // The most precise UTC time of the last change the entry carries, in 100-nanosecond steps since
  // 1601: the NTFS time, else ModTime; none when only the DOS time is there.
  std::optional<int64_t> UtcTime() const;
  bool Selected;
  TOEMConvert OemConvertMode;

 private:
  TZip64Values& EnsureZip64();
  // Turns the stored name bytes into the two UTF-8 name parts.
  void ProcessName(const std::string& raw, bool central, const std::string* unicode_path);

  std::string file_name_;
  std::string directory_;
};

struct TZip64EndRecord {
  uint32_t signature = 0x06064B50;
  uint64_t rest_size = 44;
  uint16_t version_made_by = 45;
  uint16_t version_needed = 45;
  uint32_t this_disk = 0;
  uint32_t start_central_disk = 0;
  uint64_t entries_this_disk = 0;
  uint64_t total_entries = 0;
  uint64_t central_size = 0;
  uint64_t central_offset = 0;
};

struct TZip64Locator {
  uint32_t signature = 0x07064B50;
  uint32_t end_disk = 0;
  uint64_t end_offset = 0;
  uint32_t total_disks = 1;
};

class TEndCentral {
 public:
  TEndCentral() { ClearEnd(); }

  bool FindEndRecord(platform::Stream& stream);

  uint32_t ThisDisk() const;
  uint32_t StartCentralDisk() const;
  uint64_t TotalEntries() const;
  uint64_t CentralOffset() const;
  void SetThisDisk(uint32_t value);
  void SetTotalEntries(uint64_t value);
  void SetCentralOffset(uint64_t value);

  bool HasComment() const { return ArchiveCommentLength > 0; }
  void SetComment(const std::string& text);
  void Assign(const TEndCentral& source);
  void ClearEnd();

  uint32_t Signature;
  uint16_t ThisDisk16;
  uint16_t StartCentralDisk16;
  uint16_t EntriesThisDisk;
  uint16_t TotalEntries16;
  uint32_t CentralSize;
  uint32_t CentralOffset32;
  uint16_t ArchiveCommentLength;
  std::optional<std::string> CommentText;
  uint64_t CommentPosition;
  std::unique_ptr<TZip64EndRecord> Zip64End;
  std::unique_ptr<TZip64Locator> Zip64Locator;
};

}  // namespace zip
