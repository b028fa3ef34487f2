// The block-wise inflate of an entry, shared by its own turn and by the decoding ahead of it
// (ahead_decoder.h): the same calls on the same input blocks give the same output blocks, and
// damaged data fails after the same ones, whichever thread decodes.
#pragma once

#include <isa-l/igzip_lib.h>

#include <cstddef>
#include <cstdint>

namespace zip {

// Raises EZCompressionError: invalid compressed data, with `detail` in brackets if any.
[[noreturn]] void InflateFailed(const char* detail);
// What ISA-L found wrong, in a few words; none for a code without words.
const char* InflateErrorText(int code);

// Inflates one deflate stream into `out` (room for `block` bytes). `refill(const uint8_t*& data)`
// gives the next block of compressed bytes and its size, 0 at their end; `flush(data, n)` takes
// every full output block and the last, shorter one; `between()` runs after every full block.
// Raises through InflateFailed when the stream is damaged or ends before its last block.
template <class Refill, class Flush, class Between>
void InflateBlocks(inflate_state& z, uint8_t* out, uint32_t block, Refill&& refill, Flush&& flush,
                   Between&& between) {
  isal_inflate_init(&z);
  z.crc_flag = ISAL_DEFLATE;
  z.next_out = out;
  z.avail_out = block;
  const uint8_t* data = nullptr;
  size_t n = refill(data);
  z.next_in = const_cast<uint8_t*>(data);
  z.avail_in = static_cast<uint32_t>(n);
  bool input_done = false;
  for (;;) {
    const uint32_t out_before = z.avail_out;
    const int r = isal_inflate(&z);
    if (r < 0) InflateFailed(InflateErrorText(r));
    const bool finished = z.block_state == ISAL_BLOCK_FINISH;
    if (z.avail_out == 0 || finished) {
      flush(static_cast<const uint8_t*>(out), static_cast<size_t>(block - z.avail_out));
      if (finished) return;
      z.next_out = out;
      z.avail_out = block;
      // One input block may inflate to many output blocks.
      between();
      continue;
    }
    if (z.avail_in > 0) continue;
    if (!input_done) {
      n = refill(data);
      input_done = n == 0;
      z.next_in = const_cast<uint8_t*>(data);
      z.avail_in = static_cast<uint32_t>(n);
    } else if (z.avail_out == out_before) {
      // The entry's data ran out before the deflate stream ended: the data is damaged.
      InflateFailed("unexpected end of data");
    }
  }
}

}  // namespace zip
