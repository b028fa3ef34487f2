#include "zip/methods.h"

namespace zip {

const char* KnownMethodName(Method method) {
  switch (method) {
    case Method::kStored: return "Stored";
    case Method::kShrunk: return "Shrink";
    case Method::kReduced1:
    case Method::kReduced2:
    case Method::kReduced3:
    case Method::kReduced4: return "Reduce";
    case Method::kImploded: return "Implode";
    case Method::kTokenized: return "Tokenizing";
    case Method::kDeflated: return "Deflate";
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

bool CanDecodeMethod(Method method) {
  switch (method) {
    case Method::kStored:
    case Method::kShrunk:
    case Method::kReduced1:
    case Method::kReduced2:
    case Method::kReduced3:
    case Method::kReduced4:
    case Method::kImploded:
    case Method::kDeflated:
    case Method::kDeflate64:
    case Method::kBzip2:
    case Method::kLzma:
    case Method::kZstandard:
    case Method::kXz: return true;
    default: return false;
  }
}

bool CanDecode(const TZipHeaderInfo& entry) { return UndecodableWhat(entry).empty(); }

std::string UndecodableWhat(const TZipHeaderInfo& entry) {
  const Method method = MethodOf(entry);
  if (entry.IsEncrypted()) {
    if (method == Method::kAes) return "AES encryption";
    if (entry.GeneralFlags & 0x40) return "PKWARE strong encryption";
  }
  if (CanDecodeMethod(method)) return "";
  const char* name = KnownMethodName(method);
  return "method " + std::to_string(entry.CompressionMethod) + (name ? std::string(" (") + name + ")" : "");
}

}  // namespace zip
