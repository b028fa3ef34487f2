// Output placed by the host: an extraction whose host gives it TOutputFiles makes no file or
// folder of its own. Every file, folder, attribute and time it would write goes through the host
// instead, so that a host can route them through its own file operations (count them, fail them,
// hash the bytes as they pass). The checks that only read (where a path leads, what exists) stay
// the engine's; what is done with a file already at a name (OverwriteMode, ReplaceReadOnly, a link
// or a device there) is the host's, and no file is made ahead of its entry's turn.
//
// Threads: Create, Remove, MakeFolders, SetFolderAttributes and SetFolderTime are called on the
// thread that runs the extraction; a file's Write and Finish on the engine's writer thread, while
// the next entry is decoded. Never two of them at once: a file is finished before the next one is
// created, and removed only once its writer has let go of it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace zip {

// What a finished file is given before it is closed.
struct TOutputStamp {
  // The last write time: in UTC (100-nanosecond steps since 1601) when the entry stores one,
  // else its DOS date and time (the creator's local time); neither for an entry without a valid
  // date.
  std::optional<int64_t> utc;
  std::optional<uint32_t> dos_time;
  // With RetainAttributes: the entry's Windows attributes, and the permission bits an entry made
  // on a POSIX system stores (to be used instead where the system has them).
  std::optional<uint32_t> attributes;
  std::optional<uint32_t> unix_mode;
};

class TOutputFile {
 public:
  // A file destroyed without Finish is closed as it is (the engine then removes it).
  virtual ~TOutputFile() = default;
  // Raises when the bytes cannot be written; ECantWriteUCF carries the host's own text.
  virtual void Write(const uint8_t* data, size_t size) = 0;
  // Every byte is written: gives the file its time and attributes and closes it, on the disk
  // when the host's own rules (or FlushFilesOnClose) ask for it. Raises as Write does.
  virtual void Finish(const TOutputStamp& stamp) = 0;
};

class TOutputFiles {
 public:
  virtual ~TOutputFiles() = default;
  // Makes the file of entry `index` at `fname` (the name OnStartUnZip settled), `size` being
  // the entry's declared size. Null when it cannot be made: the entry is skipped with
  // srCreateError.
  virtual std::unique_ptr<TOutputFile> Create(int index, const std::string& fname, uint64_t size) = 0;
  // Removes what a failed entry left at `fname`.
  virtual void Remove(const std::string& fname) = 0;
  // Makes `folder` (no trailing '\') and every missing folder above it; raises when it cannot.
  virtual void MakeFolders(const std::string& folder) = 0;
  // A folder entry's attributes for its existing folder (Windows attributes, as stored).
  virtual void SetFolderAttributes(const std::string& folder, uint32_t attributes) = 0;
  // A folder entry's time, once every file of the run is written (the same forms as a file's).
  virtual void SetFolderTime(const std::string& folder, std::optional<int64_t> utc, uint32_t dos_time) = 0;
};

}  // namespace zip
