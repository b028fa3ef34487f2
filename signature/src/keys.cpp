#include "signature/keys.h"

#include <sodium.h>


namespace signature {

namespace {
constexpr std::string_view kSecretKeyHeader = "halvex-secret-key 1 ed25519";
}

SecretKey::~SecretKey() { sodium_memzero(bytes_.data(), bytes_.size()); }

SecretKey SecretKey::FromSeed(std::span<const uint8_t, kSeedBytes> seed) {
  SecretKey key;
  PublicKey pk;
  crypto_sign_ed25519_seed_keypair(pk.data(), key.bytes_.data(), seed.data());
  return key;
}

PublicKey SecretKey::Public() const {
  PublicKey pk;
  crypto_sign_ed25519_sk_to_pk(pk.data(), bytes_.data());
  return pk;
}

std::string Base64(std::span<const uint8_t> bytes) {
  std::string text(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), sodium_base64_VARIANT_ORIGINAL);
  text.pop_back();  // the terminating NUL
  return text;
}

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  if (text.empty()) return std::vector<uint8_t>();  // libsodium wants buffers, even for nothing
  std::vector<uint8_t> bytes(text.size() / 4 * 3);
  size_t length = 0;
  const char* end = nullptr;
  if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length, &end,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      end != text.data() + text.size())
    return std::nullopt;
  bytes.resize(length);
  // libsodium takes bytes above 0x7F for letters of the alphabet, and leaves unused low bits of
  // the last character unchecked: one text per byte string, the one we would write.
  if (Base64(bytes) != text) return std::nullopt;
  return bytes;
}

std::optional<PublicKey> ParsePublicKey(std::string_view text) {
  const std::optional<std::vector<uint8_t>> bytes = DecodeBase64(text);
  if (!bytes || bytes->size() != kPublicKeyBytes) return std::nullopt;
  PublicKey key;
  std::copy(bytes->begin(), bytes->end(), key.begin());
  return key;
}

std::string FormatPublicKey(const PublicKey& key) { return Base64(key); }

std::string FormatSecretKeyFile(const SecretKey& key) {
  return std::string(kSecretKeyHeader) + "\n" + Base64(key.Seed()) + "\n";
}

std::optional<SecretKey> ParseSecretKeyFile(std::string_view text) {
  const std::vector<std::string_view> lines = TextLines(text);
  if (lines.size() != 2 || lines[0] != kSecretKeyHeader) return std::nullopt;
  std::optional<std::vector<uint8_t>> seed = DecodeBase64(lines[1]);
  if (!seed || seed->size() != kSeedBytes) return std::nullopt;
  SecretKey key = SecretKey::FromSeed(std::span<const uint8_t, kSeedBytes>(seed->data(), kSeedBytes));
  sodium_memzero(seed->data(), seed->size());
  return key;
}

std::vector<std::string_view> TextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  if (text.find('\0') != std::string_view::npos) return {};
  while (!text.empty()) {
    const size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find('\r') != std::string_view::npos) return {};
    lines.push_back(line);
    text = lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
  }
  return lines;
}

}  // namespace signature
