// The detached signature file UPDATE.ZIP.SIG: three lines of text,
//
//   halvex-signature 1 ed25519ph
//   key <base64 of the signer's 32-byte public key>
//   sig <base64 of the 64-byte Ed25519ph signature of the whole archive>
//
// each ended by LF or CR LF (the last line's break is optional), nothing else in the file. The
// key line only lets a signature made with another key be told apart from an altered archive;
// verification always uses the key the application trusts.
#pragma once

#include <string>
#include <string_view>

#include "signature/keys.h"

namespace signature {

inline constexpr const char* kSignatureHeader = "halvex-signature 1 ed25519ph";
// A signature file is about 190 bytes; anything much larger is not one.
inline constexpr size_t kMaxSignatureFileSize = 1024;

struct SignatureFile {
  PublicKey key{};
  Signature signature{};
};

enum class SignatureFileProblem {
  None,
  NotASignature,  // not our header at all (or far too large)
  Unsupported,    // our header with another version or method
  Damaged,        // our header, but the key or signature line is missing, cut short or garbled
};

SignatureFileProblem ParseSignatureFile(std::string_view text, SignatureFile& out);
std::string FormatSignatureFile(const SignatureFile& file);

}  // namespace signature
