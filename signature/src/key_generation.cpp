// Making a new key: the one place that starts libsodium. Signing, verifying and hashing use
// SHA-2 and the Ed25519 reference code, which need none of the implementations libsodium picks
// when it starts; keeping its start here keeps those implementations (Argon2, BLAKE2b, ChaCha20,
// ...) out of every program that only verifies, the launcher first.
#include <sodium.h>

#include "platform/exceptions.h"
#include "signature/keys.h"
#include "sodium_init.h"

namespace signature {

void EnsureSodium() {
  if (sodium_init() < 0) throw platform::Exception("The signature library could not be initialised");
}

SecretKey SecretKey::Generate() {
  EnsureSodium();  // the system's random source, chosen and stirred once
  std::array<uint8_t, kSeedBytes> seed;
  randombytes_buf(seed.data(), seed.size());
  SecretKey key = FromSeed(seed);
  sodium_memzero(seed.data(), seed.size());
  return key;
}

}  // namespace signature
