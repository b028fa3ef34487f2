#include "platform/dll_search.h"

#include <windows.h>

namespace platform {

void RestrictDllSearchToSystem() {
  // Looked up: a Windows 7 without KB2533623 has no such export, and a program importing it
  // would not start there.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const auto set_default = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                        ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                  : nullptr;
  if (!set_default || !set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
}

}  // namespace platform
