// Stands in for the companion application in the demo and the end-to-end tests: records the
// command line it was started with in standin.log beside itself (one run per line, the arguments
// after the program separated by " | "), and exits; with the first argument "--linger-while=PATH"
// it stays while that file exists (a minute at most), as an application that takes its time to
// close: a test lets it go when it has seen what it waits for, however slowly the machine runs.
// A file standin.act beside it makes it a release that acts after logging (its line ends with the
// action in brackets): "confirm" makes UPDATE\CONFIRMED, "exit N" ends with code N, "stay N"
// stays N seconds and ends without confirming, "parent" writes the id of the process that started
// it into standin.parent beside it.
#include <windows.h>

#include <tlhelp32.h>

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
  const std::string dir = log.substr(0, log.find_last_of('\\') + 1);
  std::string action;
  if (platform::FileExists(dir + "standin.act")) {
    try {
      platform::File act = platform::File::Open(dir + "standin.act", platform::FileMode::OpenRead);
      action.resize(static_cast<size_t>(act.Size()));
      act.Read(action.data(), static_cast<int64_t>(action.size()));
    } catch (...) {
      return 1;
    }
    while (!action.empty() && (action.back() == '\n' || action.back() == '\r')) action.pop_back();
    line.insert(line.size() - 2, " [" + action + "]");
  }
  try {
    platform::File file = platform::File::Open(log, platform::FileMode::OpenReadWrite);
    if (!file.IsOpen()) file = platform::File::Open(log, platform::FileMode::Create);
    file.Seek(0, 2);
    file.Write(line.data(), static_cast<int64_t>(line.size()));
  } catch (...) {
    return 1;
  }
  if (action == "confirm") {
    try {
      platform::File::Open(dir + "UPDATE\\CONFIRMED", platform::FileMode::Create);
    } catch (...) {
      return 1;
    }
  } else if (action.starts_with("exit ")) {
    return std::stoi(action.substr(5));
  } else if (action == "parent") {
    DWORD parent = 0;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
      if (entry.th32ProcessID == ::GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    ::CloseHandle(snapshot);
    try {
      platform::File out = platform::File::Open(dir + "standin.parent", platform::FileMode::Create);
      const std::string text = std::to_string(parent);
      out.Write(text.data(), static_cast<int64_t>(text.size()));
    } catch (...) {
      return 1;
    }
  } else if (action.starts_with("stay ")) {
    ::Sleep(static_cast<DWORD>(std::stoi(action.substr(5))) * 1000);
  }
  return 0;
}
