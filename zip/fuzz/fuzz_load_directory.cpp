// Loads the directory of fuzzed archive bytes in every incomplete-archive mode and reads the
// comments; any outcome but a clean load or one of the engine's exceptions is a fault.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/exceptions.h"
#include "zip/unzipper.h"

namespace {

std::string TempName(const char* ext) {
  return "/tmp/halvex_fuzz_load_" + std::to_string(getpid()) + ext;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The .EXE name makes the rebuild scan start at offset 14000, as for self-extractors.
  const std::string name = TempName(size > 0 && (data[0] & 1) ? ".exe" : ".zip");
  if (FILE* f = std::fopen(name.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  for (zip::TIncompleteZipMode mode : {zip::izAssumeMulti, zip::izAssumeBad, zip::izAssumeNotAZip}) {
    zip::TUnZipper u;
    u.SetDoProcessMessages(false);
    u.SetIncompleteZipMode(mode);
    u.SetSortMode(static_cast<zip::TZipSortMode>(size % 8));
    // Split parts are looked for beside the archive; none exist, so opening them fails cleanly.
    u.SetZipName(name);
    try {
      u.LoadDirectory();
      for (int i = 0; i < u.EntryCount(); ++i) {
        const zip::TZipHeaderInfo& e = u.Entry(i);
        (void)e.UncompressedSize();
        u.EntryComment(i);
      }
      u.ArchiveComment();
    } catch (const platform::Exception&) {
    }
  }
  std::remove(name.c_str());
  return 0;
}
