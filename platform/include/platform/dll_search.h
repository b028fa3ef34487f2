// Where the program's process looks for the DLLs it loads after its start.
#pragma once

namespace platform {

// Called first thing in every program: from here on a DLL that the program or a system DLL loads
// at run time (uxtheme, version, comctl32, rstrtmgr…) comes from the system folder only, never
// from the program's folder, where whoever can drop a file beside the launcher could put a DLL
// of the same name. The DLLs the programs import are all ones Windows always takes from the
// system folder (its KnownDLLs; cmake/CheckImports.cmake holds the program to that).
// On a system without this setting (Windows 7 without its 2011 loader update) the current folder
// at least leaves the search. Nothing on other systems.
void RestrictDllSearchToSystem();

}  // namespace platform
