// A small ZIP writer for update archives: stored and deflated entries, folder entries, zip64
// records when a size, an offset or the entry count needs them (or always, when asked), names in
// UTF-8 (general-purpose bit 11 when a name is not plain ASCII), the MS-DOS time and an extended
// timestamp (0x5455, the last change in seconds since 1970 UTC) and the Windows attributes
// (read-only, hidden, system, archive; "made by" MS-DOS, so every extractor reads them as such).
//
// Entries are written one after the other to a seekable stream: a whole entry prepared in memory
// (PackBuffer, which may run on any thread), or a large one streamed through zlib in blocks, its
// local header completed by seeking back. Finish writes the central directory and the end
// records; an archive without Finish is not an archive. Errors are the stream's (EWriteError) or
// EZipWriterError for what no archive can hold (a name longer than 65535 bytes).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "platform/stream.h"

namespace release {

class EZipWriterError : public platform::Exception {
  using Exception::Exception;
};

struct ZipEntryInfo {
  std::string name;             // '\' or '/' between parts; written with '/'
  bool is_folder = false;       // written with a trailing '/'
  uint32_t attributes = 0;      // Windows attributes; the folder bit is added for folders
  uint32_t dos_time = 0;        // MS-DOS local date and time, date in the high word
  std::optional<int64_t> unix_time;  // written as an extended timestamp when it fits 32 bits
};

// An entry's data ready to be written: deflated (method 8), or stored (method 0) when deflating
// does not make it smaller.
struct PackedData {
  uint16_t method = 0;
  uint32_t crc32 = 0;
  uint64_t size = 0;            // uncompressed
  std::vector<uint8_t> bytes;   // as written
};

// Deflates `data` whole (libdeflate, `level` 1-12).
PackedData PackBuffer(std::span<const uint8_t> data, int level);

struct ZipWriterOptions {
  bool always_zip64 = false;  // zip64 extra fields and end records for every entry
  int stream_level = 6;       // zlib level of streamed entries
};

class ZipWriter {
 public:
  explicit ZipWriter(platform::Stream& out, ZipWriterOptions options = {});
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  void AddFolder(const ZipEntryInfo& info);
  void AddPacked(const ZipEntryInfo& info, const PackedData& data);
  // Reads `source` from its position to its end in blocks, passing each block to `on_block`
  // (once per byte of the file, even when the entry ends up stored), and deflates it; when that
  // does not make it smaller it is read again and stored. `size` is the size the source is
  // expected to have: any other count (the file changed while it was read) raises
  // EZipWriterError naming `info.name`.
  void AddStream(const ZipEntryInfo& info, platform::Stream& source, uint64_t size,
                 const std::function<void(const uint8_t*, size_t)>& on_block = {});
  void Finish();

  uint64_t EntryCount() const { return entries_.size(); }

 private:
  struct Central {
    std::string name;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t dos_time = 0;
    std::optional<int64_t> unix_time;
    uint32_t crc32 = 0;
    uint64_t packed = 0;
    uint64_t size = 0;
    uint64_t offset = 0;
    uint32_t attributes = 0;
    bool local_zip64 = false;  // the central record then has zip64 sizes too
  };

  Central Start(const ZipEntryInfo& info);
  void WriteLocalHeader(Central& c, bool zip64);
  void PatchLocalHeader(const Central& c, uint64_t header_at, bool zip64);

  platform::Stream& out_;
  ZipWriterOptions options_;
  std::vector<Central> entries_;
  uint64_t position_ = 0;
  bool finished_ = false;
};

}  // namespace release
