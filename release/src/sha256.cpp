#include "release/sha256.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define HALVEX_SHA_NI 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace release {

namespace {

constexpr uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                  0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

#ifdef HALVEX_SHA_NI
alignas(16) constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

bool HasShaInstructions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool ssse3 = c & (1u << 9), sse41 = c & (1u << 19);
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return ssse3 && sse41 && (b & (1u << 29));
}

// Hashes `blocks` 64-byte blocks into `h` with the processor's SHA instructions. The state is
// kept as the instructions take it: ABEF and CDGH.
__attribute__((target("sha,sse4.1,ssse3"))) void Blocks(uint32_t h[8], const uint8_t* data, size_t blocks) {
  const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h));
  __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + 4));
  const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abef_before = abef, cdgh_before = cdgh;
    __m128i w[4];
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
      __m128i& x = w[i & 3];
      if (i < 4) x = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), swap);
      __m128i m = _mm_add_epi32(x, _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * i)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, m);
      // The schedule's next four words: their first half was begun three groups ago.
      if (i >= 3 && i <= 14) {
        __m128i& next = w[(i + 1) & 3];
        next = _mm_add_epi32(next, _mm_alignr_epi8(x, w[(i + 3) & 3], 4));
        next = _mm_sha256msg2_epu32(next, x);
      }
      m = _mm_shuffle_epi32(m, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, m);
      if (i >= 1 && i <= 12) w[(i + 3) & 3] = _mm_sha256msg1_epu32(w[(i + 3) & 3], x);
    }
    abef = _mm_add_epi32(abef, abef_before);
    cdgh = _mm_add_epi32(cdgh, cdgh_before);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  dcba = _mm_blend_epi16(feba, dchg, 0xF0);
  hgfe = _mm_alignr_epi8(dchg, feba, 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(h), dcba);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4), hgfe);
}
#else
bool HasShaInstructions() { return false; }
void Blocks(uint32_t*, const uint8_t*, size_t) {}
#endif

}  // namespace

bool Sha256Hasher::Accelerated() {
  static const bool has = HasShaInstructions();
  return has;
}

Sha256Hasher::Sha256Hasher() : fast_(Accelerated()) {
  if (fast_) {
    std::memcpy(h_, kInitial, sizeof h_);
    return;
  }
  // Picks libsodium's implementations once; safe from several threads.
  if (sodium_init() < 0) throw platform::Exception("The cryptography library could not be started.");
  crypto_hash_sha256_init(&state_);
}

void Sha256Hasher::Update(const void* data, size_t size) {
  if (!fast_) {
    crypto_hash_sha256_update(&state_, static_cast<const unsigned char*>(data), size);
    return;
  }
  const auto* in = static_cast<const uint8_t*>(data);
  length_ += size;
  if (pending_ > 0) {
    const size_t n = std::min(size, sizeof block_ - pending_);
    std::memcpy(block_ + pending_, in, n);
    pending_ += n;
    in += n;
    size -= n;
    if (pending_ < sizeof block_) return;
    Blocks(h_, block_, 1);
    pending_ = 0;
  }
  Blocks(h_, in, size / 64);
  in += size / 64 * 64;
  size %= 64;
  std::memcpy(block_, in, size);
  pending_ = size;
}

Sha256 Sha256Hasher::Final() {
  Sha256 hash{};
  if (!fast_) {
    crypto_hash_sha256_final(&state_, hash.data());
    return hash;
  }
  // The padding: a one bit, zeros up to 8 bytes before a block's end, the length in bits.
  const uint64_t bits = length_ * 8;
  uint8_t tail[128] = {};
  std::memcpy(tail, block_, pending_);
  tail[pending_] = 0x80;
  const size_t total = pending_ + 9 <= 64 ? 64 : 128;
  for (int i = 0; i < 8; ++i) tail[total - 1 - i] = static_cast<uint8_t>(bits >> (8 * i));
  Blocks(h_, tail, total / 64);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 4; ++j) hash[4 * i + j] = static_cast<uint8_t>(h_[i] >> (24 - 8 * j));
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
