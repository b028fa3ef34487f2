// The release manifest and the installed release record: what a vendor's release is, as text.
//
// The manifest travels inside UPDATE.ZIP as the entry "UPDATE/~HALVEX-RELEASE" (kManifestEntry),
// so the archive's signature covers it; the launcher reads it and never extracts it. It names the
// product, the release's version, the versions it may be applied to (or any), whether it is a
// deliberate rollback, every file of the release with its size and SHA-256, and the files of the
// previous release that this one no longer has, with the SHA-256 of the vendor's old bytes:
//
//   halvex-release 1
//   product <id>
//   version <version>
//   from any                       or   from <version> <version> ...
//   rollback                       (optional)
//   file <size> <sha256> <path>    (any number)
//   patch <base-sha256> <path>     (any number, after the files)
//   drop <sha256> <path>           (any number, after the files and patches)
//
// A patch line says that the file at <path> (one of the file lines, which gives the result's size
// and SHA-256) travels as a delta patch against the installed file of the same path, whose bytes
// must have <base-sha256>; the patch is the archive entry PatchEntryName(path), below
// "UPDATE\~HALVEX-PATCH\", a folder the launcher keeps for itself and never extracts. A manifest
// with patch lines has the header "halvex-release 2", so that a reader that knows no patches
// refuses it instead of extracting files it cannot make; one without them keeps
// "halvex-release 1".
//
// The installed record, UPDATE\RELEASE.INF in the application's folder, says which release is
// installed: the same lines without from, rollback and drop, under the header
// "halvex-installed 1". `halvex-pack stamp` writes it into a release folder (so an installation
// knows its version from the first day); the launcher writes RecordOf(manifest) after it applied a
// release.
//
// Both are UTF-8 text, lines ended by LF or CR LF (the last one's break may be left out), fields
// separated by one blank, nothing trimmed, no blank lines. A path is the rest of its line: '\'
// between its parts, relative to the application's folder, no empty, "." or ".." part, no '/', no
// control character. Sizes are decimal without leading zeros; a SHA-256 is 64 lower-case
// hexadecimal digits. The readers are strict and bounded (kMaxTextSize, kMaxLines, kMaxPathBytes)
// and raise EManifestError naming the line and the cause; the writers write files and drops sorted
// by path, LF line ends.
//
// A version is 1 to 8 decimal numbers joined by '.', each 0 to 999999999 without leading zeros
// ("1", "2.10.3"). Versions compare number by number from the left, a missing number counting as
// 0: 1.9 < 1.10 < 2 and 1.2 == 1.2.0.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exceptions.h"

namespace release {

inline constexpr const char* kManifestEntry = "UPDATE\\~HALVEX-RELEASE";
inline constexpr const char* kRecordFile = "UPDATE\\RELEASE.INF";
inline constexpr const char* kManifestHeader = "halvex-release 1";
inline constexpr const char* kPatchManifestHeader = "halvex-release 2";  // a manifest with patch lines
inline constexpr const char* kPatchFolder = "UPDATE\\~HALVEX-PATCH\\";
inline constexpr const char* kRecordHeader = "halvex-installed 1";

inline constexpr size_t kMaxTextSize = 32u << 20;
inline constexpr size_t kMaxLines = 250000;
inline constexpr size_t kMaxPathBytes = 1024;
inline constexpr size_t kMaxProductBytes = 64;  // letters, digits, '.', '_', '-'
inline constexpr size_t kMaxVersionNumbers = 8;
inline constexpr uint32_t kMaxVersionNumber = 999999999;

using Sha256 = std::array<uint8_t, 32>;

class Version {
 public:
  Version() = default;
  static std::optional<Version> Parse(std::string_view text);
  std::string Text() const;
  const std::vector<uint32_t>& Numbers() const { return numbers_; }
  friend std::strong_ordering operator<=>(const Version& a, const Version& b);
  friend bool operator==(const Version& a, const Version& b) { return (a <=> b) == 0; }

 private:
  std::vector<uint32_t> numbers_{0};
};

struct ReleaseFile {
  std::string path;
  uint64_t size = 0;
  Sha256 sha256{};
};

struct DroppedFile {
  std::string path;
  Sha256 sha256{};
};

// A file of the release shipped as a delta patch against the installed file at the same path.
struct PatchedFile {
  std::string path;
  Sha256 base_sha256{};
};

struct Manifest {
  std::string product;
  Version version;
  bool from_any = false;
  std::vector<Version> from;  // when not from_any: at least one
  bool rollback = false;
  std::vector<ReleaseFile> files;
  std::vector<PatchedFile> patches;  // each one a path of `files`
  std::vector<DroppedFile> dropped;
};

struct Record {
  std::string product;
  Version version;
  std::vector<ReleaseFile> files;
};

// A manifest or record that is not well formed. The text names `source` and the line.
class EManifestError : public platform::Exception {
  using Exception::Exception;
};

// Both raise EManifestError; `source` names the text in messages (a file or an archive entry).
Manifest ParseManifest(std::string_view text, std::string_view source);
Record ParseRecord(std::string_view text, std::string_view source);
std::string FormatManifest(const Manifest& manifest);
std::string FormatRecord(const Record& record);
Record RecordOf(const Manifest& manifest);

// The product id rule and the path rule of the text, for the tool's arguments and tree walk.
bool IsValidProduct(std::string_view id);
// Why `path` cannot be a path of a release; empty when it can.
std::string PathProblem(std::string_view path);
// Paths the launcher keeps for itself (its record, its work folder, its log and result file, the
// manifest's own name): never a file of a release, compared without regard to case.
bool IsReservedPath(std::string_view path);

// The archive entry holding the patch of the release's file at `path`, and back: the file's path
// when `entry` lies in the patch folder (compared without regard to case), else nullopt.
std::string PatchEntryName(std::string_view path);
std::optional<std::string> PatchedPathOf(std::string_view entry);

std::string HexOf(const Sha256& hash);
std::optional<Sha256> ParseSha256(std::string_view hex);

}  // namespace release
