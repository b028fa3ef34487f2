// The signature file, the public key value and the secret key file: text from outside.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "signature/signature_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  signature::SignatureFile file;
  if (signature::ParseSignatureFile(text, file) == signature::SignatureFileProblem::None) {
    signature::SignatureFile again;
    if (signature::ParseSignatureFile(signature::FormatSignatureFile(file), again) != signature::SignatureFileProblem::None ||
        again.key != file.key || again.signature != file.signature)
      __builtin_trap();
  }
  if (const auto key = signature::ParsePublicKey(text); key && signature::FormatPublicKey(*key) != text) __builtin_trap();
  signature::ParseSecretKeyFile(text);
  return 0;
}
