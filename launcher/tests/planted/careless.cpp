// A program that loads version.dll and uxtheme.dll by name, as system DLLs do for the programs
// they serve: with the argument "--restricted" it first narrows the search as the shipped
// programs do; with "--restricted-user32" it then loads user32.dll, whose own loads Wine makes
// from the program's folder. It shows the tests that a DLL planted beside a program is picked up when the
// search is left as it is, so that its absence beside the launcher means something.
#include <windows.h>

#include <cstring>

#include "platform/dll_search.h"

int main(int argc, char** argv) {
  const bool user32 = argc > 1 && !std::strcmp(argv[1], "--restricted-user32");
  if (user32 || (argc > 1 && !std::strcmp(argv[1], "--restricted"))) platform::RestrictDllSearchToSystem();
  if (user32) return ::LoadLibraryW(L"user32.dll") ? 0 : 1;
  const bool version = ::LoadLibraryW(L"version.dll") != nullptr;
  const bool uxtheme = ::LoadLibraryW(L"uxtheme.dll") != nullptr;
  return version && uxtheme ? 0 : 1;
}
