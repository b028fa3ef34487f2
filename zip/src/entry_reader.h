// Reading an entry's local header and data for an extraction run. In an archive split into parts
// an entry's data may go on in the parts that follow; the reader opens them as it goes.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/stream.h"
#include "zip/records.h"

namespace zip {

// The parts of an archive as the unzipper holds them: the one open now, and the opening of
// another, which may ask the user for a disk and throws when the user gives up.
class ArchiveParts {
 public:
  virtual ~ArchiveParts() = default;
  virtual platform::Stream* OpenedPart() = 0;  // none once opening a part failed
  virtual int OpenedPartIndex() const = 0;     // 0-based
  virtual void OpenPart(int number) = 0;       // 1-based
  // The archive is split into parts that are opened one at a time; otherwise all of it is in
  // the open one.
  virtual bool Spanned() const = 0;
};

class EntryReader {
 public:
  explicit EntryReader(ArchiveParts& parts) : parts_(parts) {}

  // Where the data of `entry` starts, from its local header in the open part; nothing when that
  // cannot be read. `is_local_header`: a local header's signature stands there.
  std::optional<int64_t> DataOffset(const TZipHeaderInfo& entry, bool& is_local_header);
  // Opens the part the entry starts in and stands at the entry's data, whose offset it returns.
  // Throws when its local header cannot be read or is not there.
  int64_t SeekToData(const TZipHeaderInfo& entry);
  // Positions the open part at `offset`; false when it cannot get there.
  bool Seek(int64_t offset);
  // Goes back `count` bytes in the open part.
  void StepBack(int64_t count);
  // Up to `count` bytes from the open part; answers how many it read.
  int64_t Read(uint8_t* into, int64_t count);
  // Exactly `count` bytes, going on in the parts that follow when the open one ends. Throws at
  // the end of the archive, and when the user gives up a part.
  void ReadAcrossParts(uint8_t* into, int64_t count);
  // Held by every reading of the open part here; whoever else reads it at the same time (the
  // decoding ahead) holds it too, and puts the position back.
  std::mutex& Lock() { return lock_; }

 private:
  platform::Stream& Opened() { return *parts_.OpenedPart(); }

  ArchiveParts& parts_;
  std::mutex lock_;
};

}  // namespace zip
