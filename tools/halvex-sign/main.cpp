// halvex-sign: the vendor's side of signed updates. Makes a key pair, signs an update archive
// (writing ARCHIVE.SIG beside it) and checks a signature as the launcher does.
// Exit codes: 0 done (verify: valid), 1 verify: the signature does not hold, 2 usage or I/O error.
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/command_line.h"
#include "platform/dll_search.h"
#include "platform/exceptions.h"
#include "platform/fs.h"
#include "description/description_file.h"
#include "platform/stream.h"
#include "signature/ed25519ph.h"
#include "signature/signature_file.h"
#include "signature/update_check.h"

namespace {

enum ExitCode { kOk = 0, kInvalid = 1, kError = 2 };

constexpr const char* kUsage =
    "usage: halvex-sign keygen SECRET_FILE\n"
    "       halvex-sign sign SECRET_FILE UPDATE.ZIP\n"
    "       halvex-sign verify PUBLIC_KEY_OR_FILE UPDATE.ZIP\n"
    "\n"
    "keygen  makes a new key pair: the secret key goes into SECRET_FILE (a new file only you may\n"
    "        read), the PUBLIC_KEY= line for the application's UPDATE\\VER_INFO.INF is printed\n"
    "sign    writes UPDATE.ZIP.SIG, the signature of every byte of UPDATE.ZIP\n"
    "verify  checks UPDATE.ZIP against UPDATE.ZIP.SIG with the public key given as its base64\n"
    "        text or as a file holding it (VER_INFO.INF with its PUBLIC_KEY= line, or the key alone)\n"
    "exit    0 done or valid, 1 signature does not hold, 2 usage or I/O error\n";

// Small text files only: secret key files.
constexpr int64_t kMaxTextFile = 64 * 1024;

std::string EnginePath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ReadSmallFile(const std::string& path) {
  platform::FileStream file(path, platform::FileMode::OpenRead);
  std::string text(static_cast<size_t>(kMaxTextFile) + 1, '\0');
  text.resize(static_cast<size_t>(file.Read(text.data(), kMaxTextFile + 1)));
  if (static_cast<int64_t>(text.size()) > kMaxTextFile)
    throw platform::EReadError("\"" + path + "\" is too large for a key file");
  return text;
}

int Keygen(const std::string& secret_path) {
  const signature::SecretKey key = signature::SecretKey::Generate();
  const std::string text = signature::FormatSecretKeyFile(key);
  platform::FileStream file(secret_path, platform::FileMode::CreatePrivate);
  file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  if (!file.Handle().Flush()) throw platform::EWriteError("Stream write error");
  std::cout << "PUBLIC_KEY=" << signature::FormatPublicKey(key.Public()) << "\n";
  return kOk;
}

// A path, or a message naming one, as this system writes paths: the engine's '\' are '/' on POSIX.
std::string Shown(std::string text) {
#ifndef _WIN32
  for (char& c : text)
    if (c == '\\') c = '/';
#endif
  return text;
}

int Sign(const std::string& secret_path, const std::string& archive_path) {
  const std::optional<signature::SecretKey> key = signature::ParseSecretKeyFile(ReadSmallFile(secret_path));
  if (!key) {
    std::cerr << "halvex-sign: \"" << Shown(secret_path) << "\" is not a secret key file made by halvex-sign keygen\n";
    return kError;
  }
  platform::FileStream archive(archive_path, platform::FileMode::OpenReadDenyWrite);
  const std::string text = signature::FormatSignatureFile({key->Public(), signature::SignStream(archive, *key)});
  const std::string sig_path = signature::SignatureFileName(archive_path);
  platform::FileStream out(sig_path, platform::FileMode::Create);
  out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  std::cerr << "halvex-sign: wrote \"" << Shown(sig_path) << "\"\n";
  return kOk;
}

// The key as its base64 text, or a file: a description file read as the launcher reads it (a
// PUBLIC_KEY line it cannot read for sure raises its error), or the key alone on one line.
std::optional<signature::PublicKey> KeyFromArgument(const std::string& arg) {
  if (std::optional<signature::PublicKey> key = signature::ParsePublicKey(arg)) return key;
  if (!platform::FileExists(arg)) return std::nullopt;
  description::DescriptionFile file;
  file.LoadFromFile(arg);
  if (std::optional<signature::PublicKey> key = signature::TrustedPublicKey(file, arg)) return key;
  if (file.Count() == 1) return signature::ParsePublicKey(file.Lines()[0]);
  return std::nullopt;
}

int Verify(const std::string& key_arg, const std::string& archive_path) {
  const std::optional<signature::PublicKey> key = KeyFromArgument(key_arg);
  if (!key) {
    std::cerr << "halvex-sign: \"" << Shown(key_arg)
              << "\" is neither a public key (the base64 of 32 bytes) nor a file holding one\n";
    return kError;
  }
  platform::FileStream archive(archive_path, platform::FileMode::OpenReadDenyWrite);
  try {
    signature::CheckUpdateSignature(archive, archive_path, signature::SignatureFileName(archive_path), *key);
  } catch (const signature::ESignatureError& e) {
    std::cerr << "halvex-sign: " << Shown(e.Message()) << "\n";
    return e.Reason() == signature::Refusal::Missing ? kError : kInvalid;
  }
  std::cerr << "halvex-sign: \"" << Shown(archive_path) << "\": signature valid\n";
  return kOk;
}

int Run(const std::vector<std::string>& args) {
  const std::string command = args.empty() ? std::string() : args[0];
  try {
    if (command == "keygen" && args.size() == 2) return Keygen(EnginePath(args[1]));
    if (command == "sign" && args.size() == 3) return Sign(EnginePath(args[1]), EnginePath(args[2]));
    if (command == "verify" && args.size() == 3) {
      const bool is_key = signature::ParsePublicKey(args[1]).has_value();
      return Verify(is_key ? args[1] : EnginePath(args[1]), EnginePath(args[2]));
    }
  } catch (const std::exception& e) {
    std::cerr << "halvex-sign: " << Shown(e.what()) << "\n";
    return kError;
  }
  std::cerr << kUsage;
  return kError;
}

}  // namespace

int main(int argc, char** argv) {
  platform::RestrictDllSearchToSystem();
  platform::SetArguments(argc, argv);
  return Run(platform::ProgramArguments());
}
