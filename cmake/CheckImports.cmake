# Reads the import table of every shipped program and fails on a DLL that a clean Windows 7 to 11
# does not have, or that Windows would take from the program's folder (one that is not a
# KnownDLL). Under Wine such a program may still start (Wine serves zlib1.dll, for one, since its
# own user32 needs it), so only the import table tells.
#   cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DPROGRAMS="a.exe|b.exe" -P CheckImports.cmake
#
cmake_minimum_required(VERSION 3.25)

# The system's own DLLs the programs really use. Keep it short: an entry that no shipped program
# uses any more is reported too, so the list cannot carry what the code left behind.
# Imported, loaded with the program:
set(allowed
  ADVAPI32.DLL   # the random source of key generation, the secret key file's access list
  KERNEL32.DLL   # files, processes, memory
  MSVCRT.DLL     # the C runtime MinGW links against (on every Windows since XP)
)
# Delay-loaded (cmake/DelayImports.cmake): loaded at the first call, after the program narrowed
# the DLL search to the system folder. Their names stand in the program as plain text.
set(delay_loaded
  COMDLG32.DLL   # the file dialogs
  GDI32.DLL      # drawing, fonts, regions
  OLE32.DLL      # COM for the shell's dialogs
  SHELL32.DLL    # starting the application, folders
  USER32.DLL     # windows, messages, message boxes
)

# Windows takes these from the system folder whatever lies beside the program: the KnownDLLs that
# every Windows from 7 to 11 lists (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\
# KnownDLLs; ntdll is always the system's). Any other DLL a program imports is looked for in the
# program's folder first, before the program runs a line of its own: a version.dll or uxtheme.dll
# dropped beside the launcher would run inside it. Such a DLL is loaded at run time, after
# platform::RestrictDllSearchToSystem, from the system folder only.
set(known_dlls
  ADVAPI32.DLL CLBCATQ.DLL COMDLG32.DLL GDI32.DLL IMAGEHLP.DLL IMM32.DLL KERNEL32.DLL MSCTF.DLL
  MSVCRT.DLL NORMALIZ.DLL NSI.DLL NTDLL.DLL OLE32.DLL OLEAUT32.DLL PSAPI.DLL RPCRT4.DLL
  SECHOST.DLL SETUPAPI.DLL SHELL32.DLL SHLWAPI.DLL USER32.DLL WLDAP32.DLL WS2_32.DLL
)
foreach(name ${allowed} ${delay_loaded})
  if(NOT name IN_LIST known_dlls)
    message(FATAL_ERROR "${name} is allowed but is not a KnownDLL of every Windows 7 to 11: a DLL of "
                        "that name beside a program would be loaded in its place")
  endif()
endforeach()

if(NOT OBJDUMP OR NOT PROGRAMS)
  message(FATAL_ERROR "usage: cmake -DOBJDUMP=... -DPROGRAMS=a.exe|b.exe -P CheckImports.cmake")
endif()
string(REPLACE "|" ";" programs "${PROGRAMS}")
set(used)
set(failed FALSE)
foreach(program ${programs})
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE rc
                  ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(SEND_ERROR "${program}: cannot read its import table: ${err}")
    set(failed TRUE)
    continue()
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
  set(names)
  foreach(line ${lines})
    string(REGEX REPLACE "^DLL Name: *" "" name "${line}")
    string(STRIP "${name}" name)
    string(TOUPPER "${name}" name)
    list(APPEND names ${name})
  endforeach()
  list(REMOVE_DUPLICATES names)
  get_filename_component(shown ${program} NAME)
  message(STATUS "${shown}: ${names}")
  if(NOT names)
    message(SEND_ERROR "${shown}: no imports found; is it a Windows program?")
    set(failed TRUE)
  endif()
  foreach(name ${names})
    list(APPEND used ${name})
    if(NOT name IN_LIST known_dlls)
      message(SEND_ERROR "${shown} imports ${name}, which Windows looks for beside the program "
                         "first (it is not a KnownDLL): load it at run time from the system folder "
                         "(LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32) or link it statically")
      set(failed TRUE)
    elseif(name IN_LIST delay_loaded)
      message(SEND_ERROR "${shown} imports ${name} when it starts: link it through its delay-import "
                         "library (cmake/DelayImports.cmake), so that it is loaded after the DLL "
                         "search was narrowed (under Wine its own imports come from beside the program)")
      set(failed TRUE)
    elseif(NOT name IN_LIST allowed)
      message(SEND_ERROR "${shown} imports ${name}, which is not one of the system DLLs allowed "
                         "here: link its library statically (a system DLL of every Windows 7 to "
                         "11 that the code really uses may be added to the list)")
      set(failed TRUE)
    endif()
  endforeach()
  # The delay-loaded DLLs, by the names the program holds.
  file(STRINGS ${program} texts REGEX "^[A-Za-z0-9_]+\\.[dD][lL][lL]$")
  set(later)
  foreach(text ${texts})
    string(TOUPPER "${text}" name)
    if(NOT name IN_LIST names)
      list(APPEND later ${name})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES later)
  message(STATUS "${shown} loads later: ${later}")
  foreach(name ${later})
    list(APPEND used ${name})
    if(NOT name IN_LIST delay_loaded)
      message(SEND_ERROR "${shown} names ${name} to load later, which is not one of the system DLLs "
                         "allowed here")
      set(failed TRUE)
    endif()
  endforeach()
endforeach()
foreach(name ${allowed} ${delay_loaded})
  if(NOT name IN_LIST used)
    message(SEND_ERROR "${name} is allowed but no shipped program imports it: remove it from the list")
    set(failed TRUE)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "shipped programs import DLLs outside the allowed list")
endif()
