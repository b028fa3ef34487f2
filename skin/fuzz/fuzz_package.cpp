// Package loading from untrusted bytes: the stored form, the zlib stream, the container, the BMP
// pictures, the INI text and every data class. Any outcome but a clean load or one of the
// runtime's exceptions is a fault.
#include <cstddef>
#include <cstdint>

#include "platform/exceptions.h"
#include "platform/stream.h"
#include "skin/skin_data.h"
#include "skin/skin_info.h"
#include "skin/skin_package.h"
#include "skin/zlib_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte chooses the form: a stored package, a bare zlib stream, or a plain container
  // that is compressed here first, so that mutations reach the container, picture and INI
  // readers instead of dying in the zlib check.
  if (size < 1) return 0;
  platform::MemoryStream input(data + 1, size - 1);
  skin::TbsCompressedStoredSkin stored;
  try {
    if (data[0] & 2) {
      platform::MemoryStream packed;
      skin::PackStream(input, packed);
      packed.SetPosition(0);
      stored.ReadCompressedData(packed);
    } else if (data[0] & 1) {
      stored.LoadFromPackageStream(input);
    } else {
      stored.ReadCompressedData(input);
    }
  } catch (const platform::Exception&) {
    return 0;
  }
  skin::TbsSkinData skin_data;
  try {
    skin_data.LoadPackage(stored);
  } catch (const platform::Exception&) {
  }
  try {
    (void)skin::DescribePackage(stored);
  } catch (const platform::Exception&) {
  }
  return 0;
}
