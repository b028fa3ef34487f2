// The compression methods by the numbers archives record for them. Any 16-bit number may stand in
// an entry's record: one without a name here is a method the engine does not know at all.
#pragma once

#include <cstdint>
#include <string>

#include "zip/records.h"

namespace zip {

enum class Method : uint16_t {
  kStored = 0,
  kShrunk = 1,
  kReduced1 = 2,  // reduce with compression factor 1 ...
  kReduced2 = 3,
  kReduced3 = 4,
  kReduced4 = 5,  // ... to 4
  kImploded = 6,
  kTokenized = 7,
  kDeflated = 8,
  kDeflate64 = 9,
  kDclImploded = 10,  // PKWARE's data compression library
  kBzip2 = 12,
  kLzma = 14,
  kCmpsc = 16,
  kTerse = 18,
  kLz77 = 19,
  kZstandardOld = 20,  // the number Zstandard had before it got 93
  kZstandard = 93,
  kMp3 = 94,
  kXz = 95,
  kJpeg = 96,
  kWavPack = 97,
  kPpmd = 98,
  kAes = 99,  // AES encryption: the real method is in the entry's extra field
};

inline Method MethodOf(const TZipHeaderInfo& entry) { return static_cast<Method>(entry.CompressionMethod); }

// The compression factor (1 to 4) of a reduce method; 0 for any other method.
constexpr int ReductionFactor(Method method) {
  const int n = static_cast<int>(method);
  return method >= Method::kReduced1 && method <= Method::kReduced4 ? n - static_cast<int>(Method::kReduced1) + 1 : 0;
}

// The name other archivers give `method`, as the engine's refusals show it ("Deflate64",
// "bzip2", "PPMd"...); none for a number without a name.
const char* KnownMethodName(Method method);

// Whether the engine decodes entries of `method`: stored, deflate, Deflate64, bzip2, LZMA,
// Zstandard (93), XZ, and the legacy shrink, reduce and implode.
bool CanDecodeMethod(Method method);

// Whether the engine can extract `entry`: it decodes its method and the entry is plain or under
// traditional encryption (AES and PKWARE's strong encryption are not decrypted). A host that must
// not write anything of an archive it cannot apply whole asks this of every entry first.
bool CanDecode(const TZipHeaderInfo& entry);

// What the engine lacks for `entry`, in the words of its refusal: "method 98 (PPMd)",
// "AES encryption"...; empty when CanDecode(entry).
std::string UndecodableWhat(const TZipHeaderInfo& entry);

}  // namespace zip
