#include "launcher/signed_archive.h"

#include "launcher/update_sequence.h"
#include "platform/exceptions.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "signature/update_check.h"
#include "zip/unzipper.h"

namespace launcher {

SignedArchive::SignedArchive(zip::TUnZipper& unzipper, const std::string& archive_path, const UpdateRequest& s)
    : unzipper_(unzipper) {
  const std::string description = s.AppDir + kDescriptionFile;
  // A description file that exists but could not be read may hold a key: applying the update
  // unchecked would let anyone who can lock that file for a moment skip the signature.
  if (!s.DescriptionRead && platform::FileExists(description))
    throw platform::EFOpenError("The update is not applied: its description file \"" + description +
                                "\" could not be read, so its signature cannot be checked");
  const std::optional<signature::PublicKey> key = signature::TrustedPublicKey(s.VerInfo, description);
  if (!key) return;
  auto file = std::make_unique<platform::FileStream>(archive_path, platform::FileMode::OpenReadDenyWrite);
  // The window keeps repainting while a large archive is read, as during the extraction.
  signature::CheckUpdateSignature(*file, archive_path, signature::SignatureFileName(archive_path), *key,
                                  [] { platform::PumpMessages(); });
  file_ = std::move(file);
  unzipper_.SetArchiveStream(file_.get());
}

SignedArchive::~SignedArchive() {
  if (file_) unzipper_.SetArchiveStream(nullptr);
}

}  // namespace launcher
