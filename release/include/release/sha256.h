// SHA-256 of the release's files (libsodium), computed while the bytes are read once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <sodium.h>

#include "platform/stream.h"
#include "release/manifest.h"

namespace release {

class Sha256Hasher {
 public:
  Sha256Hasher();
  void Update(const void* data, size_t size);
  Sha256 Final();

 private:
  crypto_hash_sha256_state state_;
};

Sha256 Sha256Of(std::string_view bytes);
// Reads `stream` from its position to its end in 1 MiB blocks; `size` receives the byte count.
// Raises EReadError "Stream read error" when fewer bytes than the stream's size could be read.
Sha256 Sha256OfStream(platform::Stream& stream, uint64_t* size = nullptr);

}  // namespace release
