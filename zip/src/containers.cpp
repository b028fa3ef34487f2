#include "zip/containers.h"

#include "zip/dos_time.h"
#include "zip/text.h"

namespace zip {

int CompressionRate(const TZipHeaderInfo& e) {
  const uint64_t u = e.UncompressedSize();
  if (u == 0) return 0;
  const double r = std::nearbyint(static_cast<double>(e.CompressedSize()) * 100.0 / static_cast<double>(u));
  return r > 100 ? 100 : static_cast<int>(r);
}

int TSortedZip::CompareKeys(const TZipHeaderInfo* a, const TZipHeaderInfo* b) const {
  switch (SortMode) {
    case ByName: return CompareTextAscii(a->Path(), b->Path());
    case ByFileName: return CompareTextAscii(a->FileName(), b->FileName());
    case ByDirectoryName: return CompareTextAscii(a->Directory(), b->Directory());
    case ByDate:
      return DosDateTimeToDateTime(b->FileDateTime) > DosDateTimeToDateTime(a->FileDateTime) ? 1 : -1;
    case ByCompressedSize:
      return static_cast<int32_t>(static_cast<uint32_t>(b->CompressedSize()) -
                                  static_cast<uint32_t>(a->CompressedSize())) > 0 ? 1 : -1;
    case ByUnCompressedSize:
      return static_cast<int32_t>(static_cast<uint32_t>(b->UncompressedSize()) -
                                  static_cast<uint32_t>(a->UncompressedSize())) > 0 ? 1 : -1;
    case ByRate: return CompressionRate(*b) - CompressionRate(*a);
    case ByNone:
    default: {
      const int64_t d = static_cast<int64_t>(a->DiskNumberStart()) - static_cast<int64_t>(b->DiskNumberStart());
      if (d != 0) return d < 0 ? -1 : 1;
      const uint64_t ao = a->RelativeOffset(), bo = b->RelativeOffset();
      return bo < ao ? 1 : (bo == ao ? 0 : -1);
    }
  }
}

}  // namespace zip
