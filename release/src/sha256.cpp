#include "release/sha256.h"

#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#define HALVEX_SHA_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace release {

namespace {

#if HALVEX_SHA_X86

// The round constants: the first 32 bits of the fractional parts of the cube roots of the first
// 64 primes.
alignas(16) constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

bool CpuHasShaExtensions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool ssse3 = (c & (1u << 9)) != 0, sse41 = (c & (1u << 19)) != 0;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  const bool sha = (b & (1u << 29)) != 0;
  return ssse3 && sse41 && sha;
}

// Runs the compression function over `blocks` 64-byte blocks. `h` holds a..h as the standard
// writes them; the instructions want them as the two vectors ABEF and CDGH (A in the top lane).
__attribute__((target("sha,sse4.1"))) void CompressShaExtensions(uint32_t h[8], const uint8_t* data, size_t blocks) {
  // Each message word is big-endian.
  const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  const __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h));      // lanes a b c d
  const __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + 4));  // lanes e f g h
  const __m128i badc = _mm_shuffle_epi32(dcba, 0xB1);                             // b a d c
  const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);                             // h g f e
  __m128i abef = _mm_alignr_epi8(badc, efgh, 8);                                  // f e b a
  __m128i cdgh = _mm_blend_epi16(efgh, badc, 0xF0);                               // h g d c

  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abef_in = abef, cdgh_in = cdgh;
    // w[i % 4] holds the message words 4i..4i+3 of the schedule as it rolls on.
    __m128i w[4];
    for (int i = 0; i < 4; ++i)
      w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), swap);
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
      if (i >= 4) {
        // W[t] = s1(W[t-2]) + W[t-7] + s0(W[t-15]) + W[t-16], four at a time: msg1 adds s0 of the
        // next four to the oldest four, W[t-7..t-4] straddles two vectors, msg2 adds the s1 terms.
        const __m128i oldest = w[i & 3], older = w[(i + 1) & 3], old = w[(i + 2) & 3], last = w[(i + 3) & 3];
        __m128i next = _mm_sha256msg1_epu32(oldest, older);
        next = _mm_add_epi32(next, _mm_alignr_epi8(last, old, 4));
        w[i & 3] = _mm_sha256msg2_epu32(next, last);
      }
      const __m128i wk = _mm_add_epi32(w[i & 3], _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * i)));
      // Two rounds each; after them the old ABEF is the new CDGH.
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, wk);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(wk, 0x0E));
    }
    abef = _mm_add_epi32(abef, abef_in);
    cdgh = _mm_add_epi32(cdgh, cdgh_in);
  }

  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);                                  // a b e f
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);                                  // g h c d
  _mm_storeu_si128(reinterpret_cast<__m128i*>(h), _mm_blend_epi16(feba, dchg, 0xF0));  // a b c d
  _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4), _mm_alignr_epi8(dchg, feba, 8)); // e f g h
}

#else

bool CpuHasShaExtensions() { return false; }

void CompressShaExtensions(uint32_t*, const uint8_t*, size_t) {}

#endif

}  // namespace

bool Sha256HasShaExtensions() {
  static const bool has = CpuHasShaExtensions();
  return has;
}

Sha256Hasher::Sha256Hasher(Sha256Engine engine) {
  sha_extensions_ = engine == Sha256Engine::kShaExtensions || (engine == Sha256Engine::kBest && Sha256HasShaExtensions());
  if (sha_extensions_ && !Sha256HasShaExtensions())
    throw platform::Exception("This processor has no SHA extensions.");
  if (!sha_extensions_) {
    // libsodium's SHA-256 is plain portable code: it needs none of the implementations the
    // library picks when it starts (sodium_init), which would bring all of them into the launcher.
    crypto_hash_sha256_init(&state_);
    return;
  }
  static constexpr uint32_t kStart[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::memcpy(state_.state, kStart, sizeof kStart);
  state_.count = 0;
}

void Sha256Hasher::Update(const void* data, size_t size) {
  if (!sha_extensions_) {
    crypto_hash_sha256_update(&state_, static_cast<const unsigned char*>(data), size);
    return;
  }
  if (size == 0) return;
  const uint8_t* in = static_cast<const uint8_t*>(data);
  const size_t held = static_cast<size_t>(state_.count % 64);
  state_.count += size;
  if (held > 0) {
    const size_t take = size < 64 - held ? size : 64 - held;
    std::memcpy(state_.buf + held, in, take);
    in += take;
    size -= take;
    if (held + take < 64) return;
    CompressShaExtensions(state_.state, state_.buf, 1);
  }
  CompressShaExtensions(state_.state, in, size / 64);
  std::memcpy(state_.buf, in + size / 64 * 64, size % 64);
}

Sha256 Sha256Hasher::Final() {
  Sha256 hash{};
  if (!sha_extensions_) {
    crypto_hash_sha256_final(&state_, hash.data());
    return hash;
  }
  // The padding: a 1 bit, zeros up to 8 bytes before a block's end, the message's length in bits.
  const uint64_t bits = state_.count * 8;
  size_t held = static_cast<size_t>(state_.count % 64);
  state_.buf[held++] = 0x80;
  if (held > 56) {
    std::memset(state_.buf + held, 0, 64 - held);
    CompressShaExtensions(state_.state, state_.buf, 1);
    held = 0;
  }
  std::memset(state_.buf + held, 0, 56 - held);
  for (int i = 0; i < 8; ++i) state_.buf[56 + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
  CompressShaExtensions(state_.state, state_.buf, 1);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 4; ++j) hash[4 * i + j] = static_cast<uint8_t>(state_.state[i] >> (24 - 8 * j));
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
