#include "signature/ed25519ph.h"

#include <sodium.h>

#include <vector>

#include "platform/exceptions.h"

namespace signature {

namespace {

constexpr int64_t kBlockSize = 64 * 1024;

// Feeds every byte of the stream, from its start, into the prehash.
void HashWhole(platform::Stream& stream, crypto_sign_ed25519ph_state& state, const BlockHook& after_block) {
  const int64_t size = stream.Size();
  stream.Seek(0, platform::SeekOrigin::Begin);
  std::vector<uint8_t> block(kBlockSize);
  int64_t total = 0;
  for (;;) {
    const int64_t got = stream.Read(block.data(), kBlockSize);
    if (got <= 0) break;
    crypto_sign_ed25519ph_update(&state, block.data(), static_cast<unsigned long long>(got));
    total += got;
    if (after_block) after_block();
  }
  if (total != size) throw platform::EReadError("Stream read error");
}

}  // namespace

Signature SignStream(platform::Stream& stream, const SecretKey& key) {
  crypto_sign_ed25519ph_state state;
  crypto_sign_ed25519ph_init(&state);
  HashWhole(stream, state, {});
  Signature signature;
  crypto_sign_ed25519ph_final_create(&state, signature.data(), nullptr, key.data());
  return signature;
}

bool VerifyStream(platform::Stream& stream, const Signature& signature, const PublicKey& key,
                  const BlockHook& after_block) {
  // No EnsureSodium here: verifying uses SHA-512 and the Ed25519 reference code, neither of which
  // is among the implementations libsodium picks when it starts, and leaving its start out keeps
  // every primitive it picks among (Argon2, BLAKE2b, ChaCha20, ...) out of the launcher.
  crypto_sign_ed25519ph_state state;
  crypto_sign_ed25519ph_init(&state);
  HashWhole(stream, state, after_block);
  return crypto_sign_ed25519ph_final_verify(&state, signature.data(), key.data()) == 0;
}

}  // namespace signature
