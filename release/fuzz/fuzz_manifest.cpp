// The release manifest and the installed record: text from an update archive and from the
// application's folder. What reads must write back to text that reads the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "release/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const release::Manifest m = release::ParseManifest(text, "fuzz");
    const std::string again = release::FormatManifest(m);
    if (release::FormatManifest(release::ParseManifest(again, "again")) != again) __builtin_trap();
  } catch (const release::EManifestError&) {
  }
  try {
    const release::Record r = release::ParseRecord(text, "fuzz");
    const std::string again = release::FormatRecord(r);
    if (release::FormatRecord(release::ParseRecord(again, "again")) != again) __builtin_trap();
  } catch (const release::EManifestError&) {
  }
  if (const auto v = release::Version::Parse(text); v && release::Version::Parse(v->Text()) != v) __builtin_trap();
  return 0;
}
