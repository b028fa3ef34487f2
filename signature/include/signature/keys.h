// Ed25519 keys of update signatures and their text forms: the public key as the base64 of its 32
// bytes (the PUBLIC_KEY value), the secret key as a small text file only its owner may read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace signature {

inline constexpr size_t kPublicKeyBytes = 32;
inline constexpr size_t kSeedBytes = 32;
inline constexpr size_t kSignatureBytes = 64;

using PublicKey = std::array<uint8_t, kPublicKeyBytes>;
using Signature = std::array<uint8_t, kSignatureBytes>;

// libsodium's form of the secret key (seed, then public key); wiped when it goes away.
class SecretKey {
 public:
  SecretKey() = default;
  ~SecretKey();
  SecretKey(const SecretKey& other) = default;
  SecretKey& operator=(const SecretKey& other) = default;

  static SecretKey Generate();
  static SecretKey FromSeed(std::span<const uint8_t, kSeedBytes> seed);
  std::span<const uint8_t, kSeedBytes> Seed() const { return std::span<const uint8_t, kSeedBytes>(bytes_.data(), kSeedBytes); }
  PublicKey Public() const;
  const uint8_t* data() const { return bytes_.data(); }

 private:
  std::array<uint8_t, 64> bytes_{};
};

// Standard base64 with padding, the only form accepted: no blanks, no line breaks.
std::string Base64(std::span<const uint8_t> bytes);
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);

// The PUBLIC_KEY value: exactly the base64 of 32 bytes, nothing around it.
std::optional<PublicKey> ParsePublicKey(std::string_view text);
std::string FormatPublicKey(const PublicKey& key);

// The secret key file: the line "halvex-secret-key 1 ed25519", then the base64 of the 32-byte
// seed; lines end with LF or CR LF.
std::string FormatSecretKeyFile(const SecretKey& key);
std::optional<SecretKey> ParseSecretKeyFile(std::string_view text);

// Cuts a small text file into lines at LF, dropping a CR before it; a final line break is
// optional. Empty when the text holds a NUL or a lone CR: no text file of ours does.
std::vector<std::string_view> TextLines(std::string_view text);

}  // namespace signature
