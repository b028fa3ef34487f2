// Stands in for the companion application in the demo and the end-to-end tests: records the
// command line it was started with in standin.log beside itself (one run per line, the arguments
// after the program separated by " | "), and exits; with the first argument "--linger=MS" it
// stays that long first, as an application that takes its time to close.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/fs.h"
#include "platform/stream.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::string line;
  for (const std::string& arg : platform::ProgramArguments()) {
    if (!line.empty()) line += " | ";
    line += arg;
  }
  line += "\r\n";
  std::string log = platform::ProgramPath();
  log = log.substr(0, log.find_last_of('\\') + 1) + "standin.log";
  const std::vector<std::string> args = platform::ProgramArguments();
  if (!args.empty() && args.front().starts_with("--linger=")) ::Sleep(std::stoul(args.front().substr(9)));
  try {
    platform::File file = platform::File::Open(log, platform::FileMode::OpenReadWrite);
    if (!file.IsOpen()) file = platform::File::Open(log, platform::FileMode::Create);
    file.Seek(0, 2);
    file.Write(line.data(), static_cast<int64_t>(line.size()));
  } catch (...) {
    return 1;
  }
  return 0;
}
