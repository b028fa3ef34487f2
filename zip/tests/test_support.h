// Helpers of the engine's tests: temporary folders, files, an archive writer for byte-built
// fixtures and access to the peer tools that make real archives.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/messages.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace zip_test {

// The engine's form of a path ('\' separators).
std::string EnginePath(const std::filesystem::path& path);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& Path() const { return path_; }
  // The engine's form of Path() / relative.
  std::string Engine(const std::string& relative = "") const;
  std::filesystem::path operator/(const std::string& relative) const { return path_ / relative; }

 private:
  std::filesystem::path path_;
};

#ifndef _WIN32
// Files may not grow past the limit set here while it lives; writes past it then fail as on a
// full disk. The limit is per process, so it is lifted again before anything else writes.
class FileSizeLimit {
 public:
  FileSizeLimit() {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
  }
  explicit FileSizeLimit(rlim_t bytes) : FileSizeLimit() { Set(bytes); }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  void Set(rlim_t bytes) {
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_{};
  sighandler_t old_handler_;
};
#endif

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);
uint32_t Crc32(const std::string& bytes);
std::string RawDeflate(const std::string& data, int level = 6);

struct EntryDef {
  std::string name;
  std::string data;             // the plain content
  uint16_t method = 0;          // 0 and 8 are encoded here; any other method stores `data` as is
  uint32_t dos_time = 0x5A2B6000;  // 2025-01-11 12:00:00
  uint16_t flags = 0;
  uint16_t made_by = 20;        // host 0 (MS-DOS)
  uint32_t external_attributes = 0x20;
  std::string password;         // non-empty: traditional encryption
  std::string local_extra;
  std::string central_extra;
  std::string comment;
  std::optional<uint32_t> crc;    // the stored CRC-32 instead of the real one
  std::optional<uint32_t> usize;  // the declared size instead of the real one
  std::optional<std::string> compressed;  // exact data bytes instead of encoding `data`
};

// Writes archives byte by byte: local headers and data, central directory, end record.
class ZipBuilder {
 public:
  void SetPrefix(std::string prefix) { prefix_ = std::move(prefix); }
  void Add(const EntryDef& entry) { entries_.push_back(entry); }
  // Offsets of the local headers of the last Build().
  const std::vector<uint64_t>& Offsets() const { return offsets_; }
  uint64_t CentralOffset() const { return central_offset_; }
  std::string Build(const std::string& archive_comment = "");

 private:
  std::string prefix_;
  std::vector<EntryDef> entries_;
  std::vector<uint64_t> offsets_;
  uint64_t central_offset_ = 0;
};

// A zip bomb of overlapped entries: every entry's data holds the entries after it, so each
// decodes to more than the last, and all of them share one kernel of `kernel_bytes` letters.
std::string OverlappedBomb(int entries, size_t kernel_bytes);

std::string Le16(uint16_t v);
std::string Le32(uint32_t v);
std::string Le64(uint64_t v);
std::string EndRecord(uint16_t entries, uint32_t central_size, uint32_t central_offset,
                      const std::string& comment = "", uint16_t this_disk = 0, uint16_t start_disk = 0);

// Peer tools (Info-ZIP zip/unzip, 7z) are run only by the native build: false under Windows.
bool HaveTool(const std::string& name);
// Runs a shell command; returns its exit status.
int Shell(const std::string& command);
std::string Quote(const std::filesystem::path& path);

// Every regular file under `root` with its content, by path relative to root with '/'.
std::vector<std::pair<std::string, std::string>> Tree(const std::filesystem::path& root);

// A real-world archive of the project's test archives (zip/tests/data, where NOTES.md says where
// each came from), or a folder of them.
// Throws, naming the path, when it is not there: a test must fail rather than check nothing.
std::filesystem::path SharedFixture(const std::string& relative);

// The shared archives of the legacy methods (shrink, reduce, implode), under legacy/.
const std::vector<std::string>& LegacyArchives();

// Waits for `predicate` for up to `ms`, running this thread's window messages meanwhile.
template <typename F>
bool WaitFor(F predicate, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (predicate()) return true;
    platform::PumpMessages();
    platform::Sleep(50);
  }
  return predicate();
}

}  // namespace zip_test
