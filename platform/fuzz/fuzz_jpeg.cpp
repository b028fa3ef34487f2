// JPEG pictures from untrusted bytes (the runtime's picture class decodes the logo, and any
// picture a future design may carry). Any outcome but a picture of the size its header gives or
// the picture error is a fault; the side limit keeps every allocation bounded.
#include <cstddef>
#include <cstdint>

#include "platform/exceptions.h"
#include "platform/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const platform::JpegPicture p = platform::DecodeJpeg(data, size);
    if (p.width <= 0 || p.height <= 0 || p.width > 16384 || p.height > 16384 ||
        p.pixels.size() != static_cast<size_t>(p.width) * static_cast<size_t>(p.height))
      __builtin_trap();
    for (const uint32_t pixel : p.pixels)
      if ((pixel >> 24) != 0xFF) __builtin_trap();
  } catch (const platform::Exception&) {
  }
  return 0;
}
