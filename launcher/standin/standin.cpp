// Stands in for the companion application in the demo and the end-to-end tests: records the
// command line it was started with in standin.log beside itself (one run per line, the arguments
// after the program separated by " | "), and exits; with the first argument "--linger-while=PATH"
// it stays while that file exists (a minute at most), as an application that takes its time to
// close: a test lets it go when it has seen what it waits for, however slowly the machine runs.
#include <windows.h>

#include <string>
#include <string_view>
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
  constexpr std::string_view kLinger = "--linger-while=";
  if (!args.empty() && args.front().starts_with(kLinger)) {
    const std::string hold = args.front().substr(kLinger.size());
    for (int i = 0; i < 1200 && platform::FileExists(hold); ++i) ::Sleep(50);
  }
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
