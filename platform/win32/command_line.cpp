#include "platform/command_line.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {

void SetArguments(int, char**) {}

std::vector<std::string> ProgramArguments() {
  std::vector<std::string> args = SplitCommandLine(Narrow(::GetCommandLineW()));
  if (!args.empty()) args.erase(args.begin());
  return args;
}

}  // namespace platform
