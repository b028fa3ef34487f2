// The compression methods by the numbers archives record for them. Any 16-bit number may stand in
// an entry's record: one without a name here is a method the engine does not know at all.
#pragma once

#include <cstdint>

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

// The names of the methods other archivers write, for the messages that refuse them; nullptr for a
// number without a name.
constexpr const char* MethodName(Method method) {
  switch (method) {
    case Method::kTokenized: return "Tokenizing";
    case Method::kDeflate64: return "Deflate64";
    case Method::kDclImploded: return "PKWARE DCL Implode";
    case Method::kBzip2: return "bzip2";
    case Method::kLzma: return "LZMA";
    case Method::kCmpsc: return "IBM z/OS CMPSC";
    case Method::kTerse: return "IBM TERSE";
    case Method::kLz77: return "IBM LZ77";
    case Method::kZstandardOld:
    case Method::kZstandard: return "Zstandard";
    case Method::kMp3: return "MP3";
    case Method::kXz: return "XZ";
    case Method::kJpeg: return "JPEG";
    case Method::kWavPack: return "WavPack";
    case Method::kPpmd: return "PPMd";
    case Method::kAes: return "AES";
    default: return nullptr;
  }
}

inline Method MethodOf(const TZipHeaderInfo& entry) { return static_cast<Method>(entry.CompressionMethod); }

// The compression factor (1 to 4) of a reduce method; 0 for any other method.
constexpr int ReductionFactor(Method method) {
  const int n = static_cast<int>(method);
  return method >= Method::kReduced1 && method <= Method::kReduced4 ? n - static_cast<int>(Method::kReduced1) + 1 : 0;
}

}  // namespace zip
