// A signed update. When the description file holds a PUBLIC_KEY, the archive is opened once,
// others allowed to read it but not to write, delete or rename it, and checked against its
// signature file before the engine reads its directory; the engine then reads that same open
// file until the extraction ends, so the bytes checked are the bytes extracted.
#pragma once

#include <memory>
#include <string>

#include "platform/stream.h"

namespace zip {
class TUnZipper;
}

namespace launcher {

struct UpdateRequest;

inline constexpr const char* kPublicKeyName = "PUBLIC_KEY";

class SignedArchive {
 public:
  // Without a PUBLIC_KEY nothing happens and the engine opens the archive by name as always.
  // Raises signature::ESignatureError for a refused signature, platform::EConvertError for a
  // malformed key or a PUBLIC_KEY line that cannot be read for sure, the runtime's file-open
  // error for an archive that cannot be opened; in every case before anything is written.
  SignedArchive(zip::TUnZipper& unzipper, const std::string& archive_path, const UpdateRequest& request);
  // The engine lets go of the file before it is closed.
  ~SignedArchive();
  SignedArchive(const SignedArchive&) = delete;
  SignedArchive& operator=(const SignedArchive&) = delete;

  bool Signed() const { return file_ != nullptr; }

 private:
  zip::TUnZipper& unzipper_;
  std::unique_ptr<platform::FileStream> file_;
};

}  // namespace launcher
