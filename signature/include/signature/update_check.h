// The check of a signed update: the archive's bytes against its detached signature file and the
// public key the application trusts. Every refusal names its cause.
#pragma once

#include <optional>
#include <string>

#include "description/description_file.h"
#include "platform/exceptions.h"
#include "platform/stream.h"
#include "signature/ed25519ph.h"
#include "signature/keys.h"

namespace signature {

enum class Refusal { Missing, NotASignature, Unsupported, Damaged, WrongKey, NotMatching };

class ESignatureError : public platform::Exception {
 public:
  ESignatureError(Refusal reason, const std::string& message) : platform::Exception(message), reason_(reason) {}
  Refusal Reason() const { return reason_; }

 private:
  Refusal reason_;
};

inline constexpr const char* kPublicKeyName = "PUBLIC_KEY";

// The key the application trusts, from its description file (`path` names the file in messages):
// none when the file has no PUBLIC_KEY line or an empty value, and the update is not signed.
// Raises EConvertError when a PUBLIC_KEY line cannot be read for sure (see
// DescriptionFile::StrictValue) or its value is not exactly a public key: never "not signed" then.
std::optional<PublicKey> TrustedPublicKey(const description::DescriptionFile& file, const std::string& path);

// The signature file that goes with an archive: its name with ".SIG" appended.
std::string SignatureFileName(const std::string& archive_path);

// Reads `archive` whole from its start and checks it against the signature file at `sig_path`.
// Raises ESignatureError, or the runtime's file-open error when the signature file exists but
// cannot be opened, or EReadError when the archive cannot be read to its end.
void CheckUpdateSignature(platform::Stream& archive, const std::string& archive_path,
                          const std::string& sig_path, const PublicKey& key, const BlockHook& after_block = {});

}  // namespace signature
