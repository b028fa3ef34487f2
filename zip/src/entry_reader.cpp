#include "entry_reader.h"

#include <algorithm>
#include <cstdint>

#include "le.h"
#include "zip/errors.h"

namespace zip {

std::optional<int64_t> EntryReader::DataOffset(const TZipHeaderInfo& entry, bool& is_local_header) {
  std::lock_guard<std::mutex> lock(lock_);
  platform::Stream& s = Opened();
  const uint64_t offset = entry.RelativeOffset();
  uint8_t h[kLocalHeaderSize];
  if (offset > static_cast<uint64_t>(INT64_MAX) - 0x20000 ||
      s.Seek(static_cast<int64_t>(offset), platform::SeekOrigin::Begin) != static_cast<int64_t>(offset) ||
      s.Read(h, kLocalHeaderSize) < kLocalHeaderSize)
    return std::nullopt;
  is_local_header = Le32(h) == LocalFileHeaderSig;
  return static_cast<int64_t>(offset) + kLocalHeaderSize + Le16(h + 26) + Le16(h + 28);
}

int64_t EntryReader::SeekToData(const TZipHeaderInfo& entry) {
  const int disk = static_cast<int>(entry.DiskNumberStart());
  if (parts_.Spanned() && disk != parts_.OpenedPartIndex()) parts_.OpenPart(disk + 1);
  bool is_local_header = false;
  const std::optional<int64_t> offset = DataOffset(entry, is_local_header);
  if (!offset) throw EFatalUnzipError(LoadMessage(kMsgPrematureEnd));
  // Whatever lies there instead is not this entry's data.
  if (!is_local_header) throw EBadZipFile(LoadMessage(kMsgLocalHeaderMissing));
  std::lock_guard<std::mutex> lock(lock_);
  Opened().Seek(*offset, platform::SeekOrigin::Begin);
  return *offset;
}

bool EntryReader::Seek(int64_t offset) {
  std::lock_guard<std::mutex> lock(lock_);
  return Opened().Seek(offset, platform::SeekOrigin::Begin) == offset;
}

void EntryReader::StepBack(int64_t count) {
  std::lock_guard<std::mutex> lock(lock_);
  Opened().Seek(-count, platform::SeekOrigin::Current);
}

int64_t EntryReader::Read(uint8_t* into, int64_t count) {
  std::lock_guard<std::mutex> lock(lock_);
  return Opened().Read(into, count);
}

void EntryReader::ReadAcrossParts(uint8_t* into, int64_t count) {
  int64_t got = 0;
  if (count > 0) {
    std::lock_guard<std::mutex> lock(lock_);
    got = std::max<int64_t>(Opened().Read(into, count), 0);
  }
  if (got == count) return;
  if (!parts_.Spanned()) throw EFatalUnzipError(LoadMessage(kMsgPrematureEnd));
  while (got < count) {
    parts_.OpenPart(parts_.OpenedPartIndex() + 2);
    if (!parts_.OpenedPart()) throw EUserCanceled(LoadMessage(kMsgUserAborted));
    got += std::max<int64_t>(Opened().Read(into + got, count - got), 0);
  }
}

}  // namespace zip
