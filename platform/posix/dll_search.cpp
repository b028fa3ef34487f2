#include "platform/dll_search.h"

namespace platform {

// Shared objects are found through the system's own rules, never beside the program.
void RestrictDllSearchToSystem() {}

}  // namespace platform
