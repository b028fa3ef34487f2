// bzip2 (method 12): the engine's own streaming decoder. One or more bzip2 streams, each a header
// ("BZh" and the block size in hundreds of kB, 1 to 9) and blocks of Burrows-Wheeler transformed
// data, each block checked by its CRC and the stream by the CRCs of its blocks.
//
// Per block: the Huffman tables (2 to 6, lengths 1 to 20) and the selectors that name one for
// every 50 symbols; the symbols are move-to-front indexes with runs of the front byte written in
// RUNA/RUNB digits; the inverse transform goes through a vector that packs the byte and the
// next position in one 32-bit word; then runs of 4 equal bytes and a count byte expand.
// Everything read is bounded before use: a stream that would overflow its block, name a table
// it does not have or point its origin outside the block is refused as damaged. Randomised
// blocks (written by encoders of the last century only) are refused by name.
#pragma once

#include <cstdint>
#include <memory>

#include "../stream_decoder.h"

namespace zip {

std::unique_ptr<StreamDecoder> MakeBzip2Decoder();

// The CRC of bzip2's blocks (polynomial 0x04C11DB7, most significant bit first), continued from
// `crc` (start with 0xFFFFFFFF, end by inverting).
uint32_t Bzip2Crc(uint32_t crc, const uint8_t* data, size_t size);

}  // namespace zip
