# Reads the import table of every shipped program and fails on a DLL that a clean Windows 7 to 11
# does not have. Under Wine such a program may still start (Wine serves zlib1.dll, for one, since
# its own user32 needs it), so only the import table tells.
#   cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DPROGRAMS="a.exe|b.exe" -P CheckImports.cmake
#
cmake_minimum_required(VERSION 3.25)

# The system's own DLLs the programs really use. Keep it short: an entry that no shipped program
# imports any more is reported too, so the list cannot carry what the code left behind.
set(allowed
  ADVAPI32.DLL   # the random source of key generation, the secret key file's access list
  COMDLG32.DLL   # the file dialogs
  GDI32.DLL      # drawing, fonts, regions
  KERNEL32.DLL   # files, processes, memory
  MSVCRT.DLL     # the C runtime MinGW links against (on every Windows since XP)
  OLE32.DLL      # COM for the shell's dialogs
  SHELL32.DLL    # starting the application, folders
  USER32.DLL     # windows, messages, message boxes
)

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
    if(NOT name IN_LIST allowed)
      message(SEND_ERROR "${shown} imports ${name}, which is not one of the system DLLs allowed "
                         "here: link its library statically (a system DLL of every Windows 7 to "
                         "11 that the code really uses may be added to the list)")
      set(failed TRUE)
    endif()
  endforeach()
endforeach()
foreach(name ${allowed})
  if(NOT name IN_LIST used)
    message(SEND_ERROR "${name} is allowed but no shipped program imports it: remove it from the list")
    set(failed TRUE)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "shipped programs import DLLs outside the allowed list")
endif()
