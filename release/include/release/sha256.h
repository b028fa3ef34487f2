// SHA-256 of the release's files (libsodium), computed while the bytes are read once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <sodium.h>

#include "platform/stream.h"
#include "release/manifest.h"

namespace release {

// Where the processor has SHA instructions (x86-64), its blocks are hashed with them: several
// times as fast as libsodium's portable code, which hashes them elsewhere.
class Sha256Hasher {
 public:
  Sha256Hasher();
  void Update(const void* data, size_t size);
  Sha256 Final();
  // Whether this machine's blocks go through the processor's SHA instructions.
  static bool Accelerated();

 private:
  bool fast_ = false;
  crypto_hash_sha256_state state_;  // without them
  // With them: the chaining value, the bytes of a block not yet complete, the length so far.
  uint32_t h_[8] = {};
  uint8_t block_[64] = {};
  size_t pending_ = 0;
  uint64_t length_ = 0;
};

Sha256 Sha256Of(std::string_view bytes);
// Reads `stream` from its position to its end in 1 MiB blocks; `size` receives the byte count.
// Raises EReadError "Stream read error" when fewer bytes than the stream's size could be read.
Sha256 Sha256OfStream(platform::Stream& stream, uint64_t* size = nullptr);

}  // namespace release
