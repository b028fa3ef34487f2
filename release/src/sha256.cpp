#include "release/sha256.h"

#include <vector>

namespace release {

Sha256Hasher::Sha256Hasher() {
  // Picks libsodium's implementations once; safe from several threads.
  if (sodium_init() < 0) throw platform::Exception("The cryptography library could not be started.");
  crypto_hash_sha256_init(&state_);
}

void Sha256Hasher::Update(const void* data, size_t size) {
  crypto_hash_sha256_update(&state_, static_cast<const unsigned char*>(data), size);
}

Sha256 Sha256Hasher::Final() {
  Sha256 hash{};
  crypto_hash_sha256_final(&state_, hash.data());
  return hash;
}

Sha256 Sha256Of(std::string_view bytes) {
  Sha256Hasher h;
  h.Update(bytes.data(), bytes.size());
  return h.Final();
}

Sha256 Sha256OfStream(platform::Stream& stream, uint64_t* size) {
  Sha256Hasher h;
  std::vector<uint8_t> block(1u << 20);
  const int64_t expected = stream.Size() - stream.Position();
  uint64_t total = 0;
  while (true) {
    const int64_t got = stream.Read(block.data(), static_cast<int64_t>(block.size()));
    if (got <= 0) break;
    h.Update(block.data(), static_cast<size_t>(got));
    total += static_cast<uint64_t>(got);
  }
  // A read error looks like the end of the data to the stream; a hash of part of a file would
  // pass for the file's.
  if (static_cast<int64_t>(total) != expected) throw platform::EReadError("Stream read error");
  if (size) *size = total;
  return h.Final();
}

}  // namespace release
