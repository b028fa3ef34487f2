#include "platform/messages.h"

#include <cstdio>

namespace platform {

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
