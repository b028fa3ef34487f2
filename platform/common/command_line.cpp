#include "platform/command_line.h"

namespace platform {

std::vector<std::string> SplitCommandLine(std::string_view s) {
  std::vector<std::string> args;
  size_t i = 0;
  for (;;) {
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    if (i >= s.size()) break;
    std::string arg;
    while (i < s.size() && static_cast<unsigned char>(s[i]) > ' ') {
      if (s[i] == '"') {
        ++i;
        while (i < s.size() && s[i] != '"') arg += s[i++];
        if (i < s.size()) ++i;
      } else {
        arg += s[i++];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace platform
