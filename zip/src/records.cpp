#include "zip/records.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "le.h"
#include "platform/text.h"
#include "zip/dos_time.h"
#include "zip/methods.h"

namespace zip {

uint32_t CentralFileHeaderSig = 0x02014B50;
uint32_t LocalFileHeaderSig = 0x04034B50;
uint32_t EndCentralDirSig = 0x06054B50;
uint32_t Zip64EndCentralDirSig = 0x06064B50;
uint32_t Zip64EndCentralLocSig = 0x07064B50;
uint8_t LocalSigBytes[4] = {0x50, 0x4B, 0x03, 0x04};
uint8_t EndSigFirstByte = 0x50;

void SetSignatures(uint32_t central, uint32_t local, uint32_t end) {
  CentralFileHeaderSig = central ? central : 0x02014B50;
  LocalFileHeaderSig = local ? local : 0x04034B50;
  EndCentralDirSig = end ? end : 0x06054B50;
  for (int i = 0; i < 4; ++i) LocalSigBytes[i] = static_cast<uint8_t>(LocalFileHeaderSig >> (8 * i));
  EndSigFirstByte = static_cast<uint8_t>(EndCentralDirSig);
}

namespace {

constexpr uint32_t kMarker32 = 0xFFFFFFFF;
constexpr uint16_t kMarker16 = 0xFFFF;
constexpr uint16_t kUnicodePathTag = 0x7075;
constexpr uint16_t kExtendedTimeTag = 0x5455;  // flags, then the times the flags name
constexpr uint16_t kOldUnixTag = 0x5855;       // access time, then modification time
constexpr uint16_t kNtfsTag = 0x000A;          // 4 reserved bytes, then tagged attributes
constexpr uint16_t kNtfsTimesTag = 0x0001;     // modification, access and creation FILETIMEs
constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kSeconds1601To1970 = 11644473600;
constexpr uint8_t kHostDos = 0, kHostHpfs = 6, kHostNtfs = 10, kHostVfat = 14;
constexpr uint32_t kDirectoryAttribute = 0x10;

int64_t ReadSome(platform::Stream& stream, void* buffer, int64_t count) {
  return count > 0 ? stream.Read(buffer, count) : 0;
}

}  // namespace

void TZipHeaderInfo::ClearHeader() {
  VersionMadeBy = 45;
  VersionNeeded = 20;
  GeneralFlags = 0;
  CompressionMethod = static_cast<uint16_t>(Method::kDeflated);
  FileDateTime = 0;
  Crc32 = 0xFFFFFFFF;
  CompressedSize32 = UncompressedSize32 = 0;
  FileNameLength = StoredNameLength = ExtraFieldLength = LocalExtraLength = FileCommentLength = 0;
  DiskNumberStart16 = 0;
  InternalAttributes = 1;
  ExternalAttributes = 0x20;
  RelativeOffset32 = 0;
  HeaderPosition = 0;
  Zip64Values.reset();
  FileComment.reset();
  ModTime.reset();
  NtfsTime.reset();
  Selected = false;
  OemConvertMode = oemNever;
  file_name_.clear();
  directory_.clear();
}

void TZipHeaderInfo::SetFileName(const std::string& name) {
  file_name_ = name;
  FileNameLength = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

void TZipHeaderInfo::SetDirectory(const std::string& dir) {
  directory_ = dir;
  FileNameLength = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

TZip64Values& TZipHeaderInfo::EnsureZip64() {
  if (!Zip64Values) Zip64Values = std::make_unique<TZip64Values>();
  return *Zip64Values;
}

uint64_t TZipHeaderInfo::CompressedSize() const {
  if (CompressedSize32 == kMarker32 && Zip64Values && (Zip64Values->present & 2))
    return Zip64Values->compressed_size;
  return CompressedSize32;
}

uint64_t TZipHeaderInfo::UncompressedSize() const {
  if (UncompressedSize32 == kMarker32 && Zip64Values && (Zip64Values->present & 1))
    return Zip64Values->uncompressed_size;
  return UncompressedSize32;
}

uint64_t TZipHeaderInfo::RelativeOffset() const {
  if (RelativeOffset32 == kMarker32 && Zip64Values && (Zip64Values->present & 4))
    return Zip64Values->relative_offset;
  return RelativeOffset32;
}

uint32_t TZipHeaderInfo::DiskNumberStart() const {
  if (DiskNumberStart16 == kMarker16 && Zip64Values && (Zip64Values->present & 8))
    return Zip64Values->disk_number_start;
  return DiskNumberStart16;
}

void TZipHeaderInfo::SetCompressedSize(uint64_t value) {
  if (value < kMarker32) {
    CompressedSize32 = static_cast<uint32_t>(value);
  } else {
    EnsureZip64().compressed_size = value;
    Zip64Values->present |= 2;
    CompressedSize32 = kMarker32;
  }
}

void TZipHeaderInfo::SetUncompressedSize(uint64_t value) {
  if (value < kMarker32) {
    UncompressedSize32 = static_cast<uint32_t>(value);
  } else {
    EnsureZip64().uncompressed_size = value;
    Zip64Values->present |= 1;
    UncompressedSize32 = kMarker32;
  }
}

void TZipHeaderInfo::SetRelativeOffset(uint64_t value) {
  if (value < kMarker32) {
    RelativeOffset32 = static_cast<uint32_t>(value);
  } else {
    EnsureZip64().relative_offset = value;
    Zip64Values->present |= 4;
    RelativeOffset32 = kMarker32;
  }
}

void TZipHeaderInfo::SetComment(const std::optional<std::string>& text) {
  FileComment = text;
  FileCommentLength = text ? static_cast<uint16_t>(std::min<size_t>(text->size(), 0xFFFF)) : 0;
}

void TZipHeaderInfo::Assign(const TZipHeaderInfo& s) {
  VersionMadeBy = s.VersionMadeBy;
  VersionNeeded = s.VersionNeeded;
  GeneralFlags = s.GeneralFlags;
  CompressionMethod = s.CompressionMethod;
  FileDateTime = s.FileDateTime;
  Crc32 = s.Crc32;
  CompressedSize32 = s.CompressedSize32;
  UncompressedSize32 = s.UncompressedSize32;
  ExtraFieldLength = s.ExtraFieldLength;
  LocalExtraLength = s.LocalExtraLength;
  FileCommentLength = s.FileCommentLength;
  DiskNumberStart16 = s.DiskNumberStart16;
  InternalAttributes = s.InternalAttributes;
  ExternalAttributes = s.ExternalAttributes;
  RelativeOffset32 = s.RelativeOffset32;
  HeaderPosition = s.HeaderPosition;
  ModTime = s.ModTime;
  NtfsTime = s.NtfsTime;
  file_name_ = s.file_name_;
  directory_ = s.directory_;
  FileNameLength = s.FileNameLength;
  StoredNameLength = s.StoredNameLength;
  if (s.Zip64Values)
    EnsureZip64() = *s.Zip64Values;
  else
    Zip64Values.reset();
  if (s.FileCommentLength > 0 && s.FileComment)
    FileComment = s.FileComment;
  else
    FileComment.reset();
  Selected = s.Selected;
}

void TZipHeaderInfo::ProcessName(const std::string& raw_bytes, bool central,
                                 const std::string* unicode_path) {
  // A NUL ends the name: nothing after it can be part of a path.
  const size_t nul = raw_bytes.find('\0');
  const std::string cut_copy = nul == std::string::npos ? std::string() : raw_bytes.substr(0, nul);
  const std::string& raw = nul == std::string::npos ? raw_bytes : cut_copy;
  std::string name;
  const bool host_dos = !central || (VersionMadeBy >> 8) == 0;
  const bool oem = host_dos && (OemConvertMode == oemAlways ||
                                (OemConvertMode == oemFlexible && (VersionMadeBy & 0x0B00) != 0x0B00));
  if ((GeneralFlags & 0x0800) && platform::IsValidUtf8(raw)) {
    name = raw;
  } else if (unicode_path) {
    name = *unicode_path;
  } else if (oem) {
    name = platform::OemToUtf8(raw);
  } else if (!host_dos && platform::IsValidUtf8(raw)) {
    // Unix and other hosts store the bytes of their own (nowadays UTF-8) file names.
    name = raw;
  } else {
    name = platform::AnsiToUtf8(raw);
  }
  for (char& c : name)
    if (c == '/') c = '\\';
  // UTF-8 never has a '\' or ':' byte inside a multi-byte character, so a plain split is safe.
  const size_t cut = name.find_last_of("\\:");
  if (cut == std::string::npos) {
    directory_.clear();
    file_name_ = name;
  } else {
    directory_ = name.substr(0, cut + 1);
    file_name_ = name.substr(cut + 1);
    if (directory_.back() != '\\') directory_ += '\\';
  }
  FileNameLength = static_cast<uint16_t>(std::min<size_t>(directory_.size() + file_name_.size(), 0xFFFF));
}

namespace {

// Walks the blocks of an extra field: zip64 values for the marked fields and the Unicode path.
void WalkExtraField(const uint8_t* data, size_t m, TZipHeaderInfo& info, std::string& raw_name,
                    std::optional<std::string>& unicode_path) {
  size_t pos = 0;
  bool extended_time = false;  // an extended timestamp wins over the older Unix field, wherever it is
  bool unix_time = false;
  while (pos + 4 <= m) {
    const uint16_t tag = Le16(data + pos);
    const size_t size = Le16(data + pos + 2);
    const size_t start = pos + 4;
    if (start + size > m) break;  // a block that claims more than the field holds ends the walk
    const uint8_t* block = data + start;
    if (tag == 0x0001) {
      size_t q = 0;
      auto take64 = [&](bool wanted, uint64_t& out, uint8_t bit) {
        if (!wanted) return;
        if (q + 8 > size) { q = size; return; }
        if (!info.Zip64Values) info.Zip64Values = std::make_unique<TZip64Values>();
        out = Le64(block + q);
        info.Zip64Values->present |= bit;
        q += 8;
      };
      TZip64Values scratch;
      TZip64Values& z = info.Zip64Values ? *info.Zip64Values : scratch;
      uint64_t usize = z.uncompressed_size, csize = z.compressed_size, offset = z.relative_offset;
      take64(info.UncompressedSize32 == kMarker32, usize, 1);
      take64(info.CompressedSize32 == kMarker32, csize, 2);
      take64(info.RelativeOffset32 == kMarker32, offset, 4);
      if (info.Zip64Values) {
        info.Zip64Values->uncompressed_size = usize;
        info.Zip64Values->compressed_size = csize;
        info.Zip64Values->relative_offset = offset;
        if (info.DiskNumberStart16 == kMarker16 && q + 4 <= size) {
          info.Zip64Values->disk_number_start = Le32(block + q);
          info.Zip64Values->present |= 8;
        }
      } else if (info.DiskNumberStart16 == kMarker16 && q + 4 <= size) {
        info.Zip64Values = std::make_unique<TZip64Values>();
        info.Zip64Values->disk_number_start = Le32(block + q);
        info.Zip64Values->present |= 8;
      }
    } else if (tag == kExtendedTimeTag && size >= 5 && (block[0] & 1)) {
      info.ModTime = static_cast<int32_t>(Le32(block + 1));
      extended_time = true;
    } else if (tag == kOldUnixTag && size >= 8 && !extended_time) {
      info.ModTime = static_cast<int32_t>(Le32(block + 4));
      unix_time = true;
    } else if (tag == kNtfsTag && size >= 4) {
      for (size_t at = 4; at + 4 <= size;) {
        const uint16_t attribute = Le16(block + at);
        const size_t length = Le16(block + at + 2);
        if (at + 4 + length > size) break;
        const uint64_t ticks = length >= 24 ? Le64(block + at + 4) : 0;
        // Zero means not recorded; a count beyond what the system can hold is damage.
        if (attribute == kNtfsTimesTag && ticks > 0 && ticks < (uint64_t{1} << 62))
          info.NtfsTime = static_cast<int64_t>(ticks);
        at += 4 + length;
      }
    } else if (tag == kUnicodePathTag && size >= 5 && block[0] == 1) {
      // Honoured only while it still describes the stored name (its CRC-32 matches).
      const uint32_t crc = Le32(block + 1);
      const uint32_t actual = static_cast<uint32_t>(
          ::crc32(0, reinterpret_cast<const Bytef*>(raw_name.data()), static_cast<uInt>(raw_name.size())));
      std::string utf8(reinterpret_cast<const char*>(block + 5), size - 5);
      if (crc == actual && platform::IsValidUtf8(utf8)) unicode_path = std::move(utf8);
    }
    pos = start + size;
  }
  // Shown in seconds where nothing else records the time.
  if (!extended_time && !unix_time && info.NtfsTime)
    info.ModTime = *info.NtfsTime / kTicksPerSecond - kSeconds1601To1970;
}

}  // namespace

std::optional<int64_t> TZipHeaderInfo::UtcTime() const {
  if (NtfsTime) return NtfsTime;
  if (ModTime) return (*ModTime + kSeconds1601To1970) * kTicksPerSecond;
  return std::nullopt;
}

void TZipHeaderInfo::ReadExtraField(platform::Stream& stream) {
  std::vector<uint8_t> data(ExtraFieldLength);
  const int64_t got = ReadSome(stream, data.data(), ExtraFieldLength);
  std::string no_name;
  std::optional<std::string> unused;
  WalkExtraField(data.data(), static_cast<size_t>(std::max<int64_t>(got, 0)), *this, no_name, unused);
}

bool TZipHeaderInfo::ReadCentralHeader(platform::Stream*& stream,
                                       const std::function<platform::Stream*()>& next_part) {
  const int64_t p0 = stream->Position();
  uint8_t h[kCentralHeaderSize];
  int64_t got = std::max<int64_t>(stream->Read(h, kCentralHeaderSize), 0);
  if (got < kCentralHeaderSize && next_part &&
      (got == 0 || (got >= 4 && Le32(h) == CentralFileHeaderSig))) {
    if (platform::Stream* next = next_part()) {
      stream = next;
      got += std::max<int64_t>(stream->Read(h + got, kCentralHeaderSize - got), 0);
    }
  }
  if (got < kCentralHeaderSize || Le32(h) != CentralFileHeaderSig) {
    stream->Seek(p0, platform::SeekOrigin::Begin);
    return false;
  }
  const uint16_t n = Le16(h + 28);
  const uint16_t m = Le16(h + 30);
  std::string raw(n, '\0');
  if (n > 0 && stream->Read(raw.data(), n) < n) {
    stream->Seek(p0, platform::SeekOrigin::Begin);
    return false;
  }
  VersionMadeBy = Le16(h + 4);
  VersionNeeded = Le16(h + 6);
  GeneralFlags = Le16(h + 8);
  CompressionMethod = Le16(h + 10);
  FileDateTime = NormalizeDosDateTime(Le32(h + 12));
  Crc32 = Le32(h + 16);
  CompressedSize32 = Le32(h + 20);
  UncompressedSize32 = Le32(h + 24);
  ExtraFieldLength = m;
  LocalExtraLength = 0;
  FileCommentLength = Le16(h + 32);
  DiskNumberStart16 = Le16(h + 34);
  InternalAttributes = Le16(h + 36);
  ExternalAttributes = Le32(h + 38);
  RelativeOffset32 = Le32(h + 42);
  HeaderPosition = static_cast<uint64_t>(p0);
  Zip64Values.reset();
  FileComment.reset();
  ModTime.reset();
  NtfsTime.reset();
  Selected = false;
  std::optional<std::string> unicode_path;
  if (m > 0) {
    const int64_t q = stream->Position();
    uint8_t data[0x10000];
    const int64_t have = std::max<int64_t>(stream->Read(data, m), 0);
    WalkExtraField(data, static_cast<size_t>(have), *this, raw, unicode_path);
    stream->Seek(q, platform::SeekOrigin::Begin);
  }
  ProcessName(raw, true, unicode_path ? &*unicode_path : nullptr);
  StoredNameLength = n;
  // Writers on DOS and Windows may mark a folder by its attribute alone, without the trailing
  // slash: made as a file, it would keep the entries inside it out.
  const uint8_t host = static_cast<uint8_t>(VersionMadeBy >> 8);
  const bool dos_attributes = host == kHostDos || host == kHostHpfs || host == kHostNtfs || host == kHostVfat;
  if (dos_attributes && (ExternalAttributes & kDirectoryAttribute) && !file_name_.empty() && UncompressedSize() == 0) {
    directory_ += file_name_ + "\\";
    file_name_.clear();
    FileNameLength = static_cast<uint16_t>(std::min<size_t>(directory_.size(), 0xFFFF));
  }
  return true;
}

bool TZipHeaderInfo::ReadLocalHeader(platform::Stream& stream) {
  const int64_t p0 = stream.Position();
  uint8_t h[kLocalHeaderSize];
  if (stream.Read(h, kLocalHeaderSize) < kLocalHeaderSize || Le32(h) != LocalFileHeaderSig) {
    stream.Seek(p0, platform::SeekOrigin::Begin);
    return false;
  }
  const uint16_t n = Le16(h + 26);
  const uint16_t m = Le16(h + 28);
  std::string raw(n, '\0');
  if (n > 0 && stream.Read(raw.data(), n) < n) {
    stream.Seek(p0, platform::SeekOrigin::Begin);
    return false;
  }
  VersionMadeBy = 45;  // the name is judged as a new record's would be
  GeneralFlags = Le16(h + 6);
  ProcessName(raw, false, nullptr);
  StoredNameLength = n;
  VersionMadeBy = 0;
  VersionNeeded = Le16(h + 4);
  CompressionMethod = Le16(h + 8);
  FileDateTime = NormalizeDosDateTime(Le32(h + 10));
  Crc32 = Le32(h + 14);
  CompressedSize32 = Le32(h + 18);
  UncompressedSize32 = Le32(h + 22);
  ExtraFieldLength = 0;
  LocalExtraLength = m;
  FileCommentLength = 0;
  DiskNumberStart16 = 0;
  InternalAttributes = 0;
  ExternalAttributes = 0;
  RelativeOffset32 = static_cast<uint32_t>(p0);
  HeaderPosition = 0;
  Zip64Values.reset();
  FileComment.reset();
  Selected = false;
  if (m > 0) {
    const int64_t q = stream.Position();
    uint8_t z[32];
    if (stream.Read(z, 32) == 32 && Le16(z) == 1) {
      auto values = std::make_unique<TZip64Values>();
      values->tag = 1;
      values->size = Le16(z + 2);
      values->uncompressed_size = Le64(z + 4);
      values->compressed_size = Le64(z + 12);
      values->relative_offset = Le64(z + 20);
      values->disk_number_start = Le32(z + 28);
      // Only what lies inside the block and inside the extra field counts.
      const size_t limit = std::min<size_t>(values->size, m >= 4 ? m - 4u : 0u);
      values->present = static_cast<uint8_t>((limit >= 8 ? 1 : 0) | (limit >= 16 ? 2 : 0) |
                                             (limit >= 24 ? 4 : 0) | (limit >= 28 ? 8 : 0));
      Zip64Values = std::move(values);
    }
    stream.Seek(q, platform::SeekOrigin::Begin);
  }
  return true;
}

// ---- TEndCentral ----

void TEndCentral::ClearEnd() {
  Signature = EndCentralDirSig;
  ThisDisk16 = StartCentralDisk16 = EntriesThisDisk = TotalEntries16 = 0;
  CentralSize = CentralOffset32 = 0;
  ArchiveCommentLength = 0;
  CommentText.reset();
  CommentPosition = 0;
}

uint32_t TEndCentral::ThisDisk() const {
  return ThisDisk16 == kMarker16 && Zip64End ? Zip64End->this_disk : ThisDisk16;
}

uint32_t TEndCentral::StartCentralDisk() const {
  return StartCentralDisk16 == kMarker16 && Zip64End ? Zip64End->start_central_disk : StartCentralDisk16;
}

uint64_t TEndCentral::TotalEntries() const {
  return TotalEntries16 == kMarker16 && Zip64End ? Zip64End->total_entries : TotalEntries16;
}

uint64_t TEndCentral::CentralOffset() const {
  return CentralOffset32 == kMarker32 && Zip64End ? Zip64End->central_offset : CentralOffset32;
}

void TEndCentral::SetThisDisk(uint32_t value) {
  if (value > 0xFFFE) {
    if (!Zip64End) Zip64End = std::make_unique<TZip64EndRecord>();
    Zip64End->this_disk = value;
    ThisDisk16 = kMarker16;
  } else {
    ThisDisk16 = static_cast<uint16_t>(value);
  }
}

void TEndCentral::SetTotalEntries(uint64_t value) {
  if (value > 0xFFFE) {
    if (!Zip64End) Zip64End = std::make_unique<TZip64EndRecord>();
    TotalEntries16 = kMarker16;
  } else {
    TotalEntries16 = static_cast<uint16_t>(value);
  }
  if (Zip64End) Zip64End->total_entries = value;
}

void TEndCentral::SetCentralOffset(uint64_t value) {
  if (value > 0xFFFFFFFEull) {
    if (!Zip64End) Zip64End = std::make_unique<TZip64EndRecord>();
    Zip64End->central_offset = value;
    CentralOffset32 = kMarker32;
  } else {
    CentralOffset32 = static_cast<uint32_t>(value);
  }
}

void TEndCentral::SetComment(const std::string& text) {
  CommentText = text;
  ArchiveCommentLength = static_cast<uint16_t>(std::min<size_t>(text.size(), 0xFFFF));
}

void TEndCentral::Assign(const TEndCentral& s) {
  Signature = s.Signature;
  ThisDisk16 = s.ThisDisk16;
  StartCentralDisk16 = s.StartCentralDisk16;
  EntriesThisDisk = s.EntriesThisDisk;
  TotalEntries16 = s.TotalEntries16;
  CentralSize = s.CentralSize;
  CentralOffset32 = s.CentralOffset32;
  ArchiveCommentLength = s.ArchiveCommentLength;
  CommentText = s.CommentText;
  CommentPosition = s.CommentPosition;
}

bool TEndCentral::FindEndRecord(platform::Stream& stream) {
  const int64_t s = stream.Size();
  if (s < kEndRecordSize) return s == 0;
  const int64_t w = std::min<int64_t>(kEndSearchWindow, s);
  std::vector<uint8_t> buf(static_cast<size_t>(w));
  stream.Seek(s - w, platform::SeekOrigin::Begin);
  if (stream.Read(buf.data(), w) < w) return false;
  int64_t b = w - kEndRecordSize;
  for (; b >= 0; --b)
    if (buf[b] == EndSigFirstByte && Le32(&buf[b]) == EndCentralDirSig) break;
  if (b < 0) return false;
  const uint8_t* r = &buf[b];
  Signature = EndCentralDirSig;
  ThisDisk16 = Le16(r + 4);
  StartCentralDisk16 = Le16(r + 6);
  EntriesThisDisk = Le16(r + 8);
  TotalEntries16 = Le16(r + 10);
  CentralSize = Le32(r + 12);
  CentralOffset32 = Le32(r + 16);
  ArchiveCommentLength = Le16(r + 20);
  CommentText.reset();
  CommentPosition = static_cast<uint64_t>(s - w + b + kEndRecordSize);
  Zip64End.reset();
  Zip64Locator.reset();
  if (b >= kZip64LocatorSize && Le32(&buf[b - kZip64LocatorSize]) == Zip64EndCentralLocSig) {
    const uint8_t* l = &buf[b - kZip64LocatorSize];
    Zip64Locator = std::make_unique<TZip64Locator>();
    Zip64Locator->signature = Le32(l);
    Zip64Locator->end_disk = Le32(l + 4);
    Zip64Locator->end_offset = Le64(l + 8);
    Zip64Locator->total_disks = Le32(l + 16);
    uint8_t z[kZip64EndSize] = {};
    const uint64_t at = Zip64Locator->end_offset;
    // A locator that points at anything but a zip64 record is ignored: its numbers would be noise.
    if (s >= kZip64EndSize && at <= static_cast<uint64_t>(s - kZip64EndSize)) {
      stream.Seek(static_cast<int64_t>(at), platform::SeekOrigin::Begin);
      if (stream.Read(z, kZip64EndSize) == kZip64EndSize && Le32(z) == Zip64EndCentralDirSig) {
        Zip64End = std::make_unique<TZip64EndRecord>();
        Zip64End->signature = Le32(z);
        Zip64End->rest_size = Le64(z + 4);
        Zip64End->version_made_by = Le16(z + 12);
        Zip64End->version_needed = Le16(z + 14);
        Zip64End->this_disk = Le32(z + 16);
        Zip64End->start_central_disk = Le32(z + 20);
        Zip64End->entries_this_disk = Le64(z + 24);
        Zip64End->total_entries = Le64(z + 32);
        Zip64End->central_size = Le64(z + 40);
        Zip64End->central_offset = Le64(z + 48);
      }
    }
  }
  return true;
}

}  // namespace zip
