#include "platform/command_line.h"

namespace platform {

namespace {
std::vector<std::string> g_arguments;
}

void SetArguments(int argc, char** argv) {
  g_arguments.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::vector<std::string> ProgramArguments() { return g_arguments; }

}  // namespace platform
