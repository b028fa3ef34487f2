#pragma once

#include <string>

#include "launcher/update_sequence.h"

namespace zip {
class TUnZipper;
}

namespace launcher {

// Connects the engine's three events to the update sequence.
void ConnectUnZipper(zip::TUnZipper& unzipper, UpdateHost& host);

// ExtractUpdate: the archive beside the launcher (launcher_dir ends with '\'), every entry, into
// the application folder, recreating folders and attributes. Exceptions reach the caller.
void ExtractUpdate(zip::TUnZipper& unzipper, const std::string& launcher_dir);

}  // namespace launcher
