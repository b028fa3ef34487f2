// SHA-256 of the release's files, computed while the bytes are read once. On an x86 CPU with the
// SHA extensions the blocks go through them; elsewhere through libsodium's portable code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <sodium.h>

#include "platform/stream.h"
#include "release/manifest.h"

namespace release {

// Which code computes a hasher's blocks. kBest is the SHA extensions when this CPU has them
// (Sha256HasShaExtensions), the portable code otherwise; the others are for the tests that
// compare the two.
enum class Sha256Engine { kBest, kPortable, kShaExtensions };

// Whether this CPU has the SHA extensions and SSE4.1 (asked once, by CPUID).
bool Sha256HasShaExtensions();

class Sha256Hasher {
 public:
  // Raises platform::Exception for kShaExtensions on a CPU without them.
  explicit Sha256Hasher(Sha256Engine engine = Sha256Engine::kBest);
  void Update(const void* data, size_t size);
  Sha256 Final();

 private:
  bool sha_extensions_ = false;
  // libsodium's state; the SHA extensions' code keeps its own in the same fields, with `count`
  // in bytes, not bits.
  crypto_hash_sha256_state state_;
};

Sha256 Sha256Of(std::string_view bytes);
// Reads `stream` from its position to its end in 1 MiB blocks; `size` receives the byte count.
// Raises EReadError "Stream read error" when fewer bytes than the stream's size could be read.
Sha256 Sha256OfStream(platform::Stream& stream, uint64_t* size = nullptr);

}  // namespace release
