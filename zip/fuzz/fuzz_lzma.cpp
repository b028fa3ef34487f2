// Drives the LZMA (method 14, its 4-byte header and properties first) decoder on arbitrary bytes (input layout in stream_fuzz.h).
#include "stream_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return stream_fuzz::Run(zip::Method::kLzma, data, size);
}
