// The two file dialogs the engine offers for "?" settings. Both give nothing when the user
// cancels; on a platform without dialogs they always give nothing.
#pragma once

#include <optional>
#include <string>

namespace platform {

// An open-file dialog. `filter` lists description|pattern pairs separated by '|', as in
// "Zip Files (*.ZIP)|*.zip|All Files (*.*)|*.*".
std::optional<std::string> ChooseOpenFile(const std::string& title, const std::string& filter,
                                          const std::string& initial_folder);

// A folder-selection dialog that may create folders, starting at `start_folder`.
std::optional<std::string> ChooseFolder(const std::string& start_folder);

}  // namespace platform
