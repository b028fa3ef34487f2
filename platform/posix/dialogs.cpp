#include "platform/dialogs.h"

namespace platform {

// Nobody to ask on the command line: the engine reports these as cancelled.
std::optional<std::string> ChooseOpenFile(const std::string&, const std::string&, const std::string&) {
  return std::nullopt;
}

std::optional<std::string> ChooseFolder(const std::string&) { return std::nullopt; }

}  // namespace platform
