#include "platform/messages.h"

#include <unistd.h>

#include <cstdio>

namespace platform {

void Sleep(unsigned ms) { ::usleep(static_cast<useconds_t>(ms) * 1000); }

bool PumpMessages() { return false; }

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  if (!caption.empty())
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  else
    std::fprintf(stderr, "%s\n", text.c_str());
  switch (flags & 0x0F) {
    case kMbOkCancel: return kIdCancel;
    case kMbYesNo: return kIdNo;
    case kMbYesNoCancel: return kIdCancel;
    default: return kIdOk;
  }
}

}  // namespace platform
