#include "signature/update_check.h"

#include "platform/file.h"
#include "platform/fs.h"
#include "signature/ed25519ph.h"
#include "signature/signature_file.h"

namespace signature {

namespace {

[[noreturn]] void Refuse(Refusal reason, const std::string& message) { throw ESignatureError(reason, message); }

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The signature file's text, at most one byte more than a signature file may hold.
std::string ReadSignatureText(const std::string& sig_path) {
  if (!platform::FileExists(sig_path))
    Refuse(Refusal::Missing, "The update is not signed: signature file " + Quoted(sig_path) + " is missing");
  platform::FileStream file(sig_path, platform::FileMode::OpenRead);
  std::string text(kMaxSignatureFileSize + 1, '\0');
  text.resize(static_cast<size_t>(file.Read(text.data(), static_cast<int64_t>(text.size()))));
  return text;
}

}  // namespace

std::optional<PublicKey> TrustedPublicKey(const description::DescriptionFile& file, const std::string& path) {
  const std::string text = file.StrictValue(kPublicKeyName, path);
  if (text.empty()) return std::nullopt;
  const std::optional<PublicKey> key = ParsePublicKey(text);
  if (!key)
    throw platform::EConvertError(std::string(kPublicKeyName) + " in " + Quoted(path) +
                                  " is not a public key (the base64 of 32 bytes)");
  return key;
}

std::string SignatureFileName(const std::string& archive_path) { return archive_path + ".SIG"; }

void CheckUpdateSignature(platform::Stream& archive, const std::string& archive_path,
                          const std::string& sig_path, const PublicKey& key, const BlockHook& after_block) {
  SignatureFile sig;
  switch (ParseSignatureFile(ReadSignatureText(sig_path), sig)) {
    case SignatureFileProblem::None: break;
    case SignatureFileProblem::NotASignature:
      Refuse(Refusal::NotASignature, Quoted(sig_path) + " is not an update signature file");
    case SignatureFileProblem::Unsupported:
      Refuse(Refusal::Unsupported,
             "Update signature " + Quoted(sig_path) + " is of a version or method this program does not know");
    case SignatureFileProblem::Damaged:
      Refuse(Refusal::Damaged, "Update signature " + Quoted(sig_path) + " is damaged or cut short");
  }
  if (sig.key != key)
    Refuse(Refusal::WrongKey,
           "Update signature " + Quoted(sig_path) + " was made with another key than the one this application trusts");
  if (!VerifyStream(archive, sig.signature, key, after_block))
    Refuse(Refusal::NotMatching,
           Quoted(archive_path) + " does not match its signature: the archive was changed after it was signed");
}

}  // namespace signature
