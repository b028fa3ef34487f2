// Deflate64 (method 9): deflate with a 64 KiB window, a length code 285 of 16 extra bits (base 3,
// so lengths up to 65538) and distance codes 30 and 31 (14 extra bits, reaching 64 KiB back).
// No library decodes it; this is the engine's own streaming decoder.
#pragma once

#include <memory>

#include "../stream_decoder.h"

namespace zip {

std::unique_ptr<StreamDecoder> MakeDeflate64Decoder();

}  // namespace zip
