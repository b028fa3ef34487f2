// Reduce: every byte is coded against a small set of likely followers of the byte before it;
// the byte 144 (DLE) introduces a match of 3 or more bytes within the last 4 KiB.
#include "legacy/legacy_decoders.h"
#include "legacy/legacy_io.h"

namespace zip::legacy {

namespace {

constexpr std::uint8_t kEscape = 144;
constexpr std::size_t kWindowSize = 16384;

struct FactorTables {
  int length_mask;
  int distance_shift;
  int distance_mask;
};
constexpr FactorTables kFactors[5] = {{0, 0, 0}, {127, 7, 1}, {63, 6, 3}, {31, 5, 7}, {15, 4, 15}};

// Bits of an index into a follower set of n entries: enough to write n - 1, at least one.
constexpr int FollowerIndexBits(int n) {
  if (n == 0) return 8;
  int bits = 1;
  while ((1 << bits) < n) ++bits;
  return bits;
}

}  // namespace

DecodeEnd Unreduce(ByteReader& in, OutputSink& out, WorkArea& work, int factor,
                   std::int64_t uncompressed_size) {
  BitReader bits(in);
  BlockWriter writer(out);
  Window<kWindowSize> window(work.reduce.window, writer);
  if (factor < 1 || factor > 4) return DecodeEnd::kDamaged;
  const FactorTables& tables = kFactors[factor];

  std::uint8_t (*followers)[64] = work.reduce.followers;
  int follower_count[256];
  for (int x = 255; x >= 0; --x) {
    follower_count[x] = static_cast<int>(bits.Read(6));
    for (int i = 0; i < follower_count[x]; ++i) followers[x][i] = static_cast<std::uint8_t>(bits.Read(8));
    // Indexes of a damaged stream may point past the set's end; they find zeros, not stale bytes.
    for (int i = follower_count[x]; i < 64; ++i) followers[x][i] = 0;
  }

  std::int64_t to_go = uncompressed_size;
  DecodeEnd end = DecodeEnd::kComplete;
  int state = 0;
  int length = 0;
  int v = 0;
  std::uint8_t last = 0;
  while (to_go > 0) {
    std::uint8_t c;
    const int n = follower_count[last];
    if (n == 0 || bits.Read(1) != 0) {
      c = static_cast<std::uint8_t>(bits.Read(8));
    } else {
      c = followers[last][bits.Read(FollowerIndexBits(n))];
    }
    if (bits.overrun()) {
      end = DecodeEnd::kDataEnded;
      break;
    }

    switch (state) {
      case 0:
        if (c == kEscape) {
          state = 1;
        } else {
          window.Put(c);
          --to_go;
        }
        break;
      case 1:
        if (c == 0) {
          window.Put(kEscape);
          --to_go;
          state = 0;
        } else {
          v = c;
          length = v & tables.length_mask;
          state = length == tables.length_mask ? 2 : 3;
        }
        break;
      case 2:
        length += c;
        state = 3;
        break;
      case 3: {
        const int count = length + 3;
        const int distance = ((v >> tables.distance_shift) & tables.distance_mask) * 256 + c + 1;
        to_go -= count;
        window.Copy(static_cast<std::size_t>(distance), static_cast<std::size_t>(count));
        state = 0;
        break;
      }
    }
    last = c;
  }
  window.Finish();
  writer.Flush();
  return end;
}

}  // namespace zip::legacy
