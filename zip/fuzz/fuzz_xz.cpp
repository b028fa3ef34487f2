// Drives the XZ decoder on arbitrary bytes (input layout in stream_fuzz.h).
#include "stream_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return stream_fuzz::Run(zip::Method::kXz, data, size);
}
