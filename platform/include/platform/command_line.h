#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line by the platform's usual rule: blanks and control characters separate
// arguments, a double-quoted stretch may contain blanks, the quotes are dropped. The first item
// is the program itself.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// The process's arguments after the program name (Windows: from GetCommandLineW; POSIX: argv as
// passed to SetArguments).
std::vector<std::string> ProgramArguments();
void SetArguments(int argc, char** argv);

}  // namespace platform
