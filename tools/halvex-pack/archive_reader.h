// Reading back what halvex-pack writes: an entry's bytes decoded in blocks (stored or deflated,
// checked against its CRC-32), and the release manifest of an update archive.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "release/manifest.h"
#include "release/release_plan.h"
#include "zip/unzipper.h"

namespace pack {

using BlockSink = std::function<void(const uint8_t*, size_t)>;

class ReleaseArchive {
 public:
  // Loads the archive's directory; raises the engine's errors for what is not an archive.
  explicit ReleaseArchive(const std::string& path);

  // The manifest entry's text parsed; nullopt when the archive has none. Raises EManifestError.
  std::optional<release::Manifest> ReadManifest();
  // The file entries other than the manifest, in the directory's order.
  std::vector<release::ArchiveFile> Files() const;
  // Decodes the file entry at `path` block by block. Raises platform::Exception naming the entry
  // when it is encrypted, of another method, or damaged.
  void Decode(const std::string& path, const BlockSink& sink);

 private:
  int IndexOf(const std::string& path) const;
  void DecodeEntry(int index, uint64_t max_size, const BlockSink& sink);

  std::string path_;
  zip::TUnZipper unzipper_;
  platform::FileStream file_;
};

}  // namespace pack
