# Delay-import libraries for the system DLLs whose own loading pulls further DLLs in: a program
# linked against them imports only kernel32 and the C runtime when it starts; user32, gdi32,
# shell32, comdlg32 and ole32 are loaded at the first call into them, which comes after
# platform::RestrictDllSearchToSystem. Under Wine user32 imports version.dll and loads
# uxtheme.dll as it starts, from the program's folder first unless the search was narrowed before.
# Made at configure time from the toolchain's own import libraries (their exported names) with
# dlltool; sets HALVEX_DELAY_LOADED to the libraries to link in their place.
set(HALVEX_DELAY_LOADED)
set(delay_dir ${CMAKE_BINARY_DIR}/delay-imports)
file(MAKE_DIRECTORY ${delay_dir})
foreach(dll user32 gdi32 shell32 comdlg32 ole32)
  find_library(HALVEX_IMPORT_LIB_${dll} NAMES lib${dll}.a REQUIRED)
  set(lib ${delay_dir}/lib${dll}_delayed.a)
  if(NOT EXISTS ${lib} OR ${HALVEX_IMPORT_LIB_${dll}} IS_NEWER_THAN ${lib})
    execute_process(COMMAND ${CMAKE_NM} ${HALVEX_IMPORT_LIB_${dll}} OUTPUT_VARIABLE symbols
                    ERROR_QUIET RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "cannot read the symbols of ${HALVEX_IMPORT_LIB_${dll}}")
    endif()
    string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
    set(def "LIBRARY ${dll}.dll\nEXPORTS\n")
    foreach(entry ${imports})
      string(REPLACE " I __imp_" "" name "${entry}")
      string(APPEND def "  ${name}\n")
    endforeach()
    file(WRITE ${delay_dir}/${dll}.def "${def}")
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${delay_dir}/${dll}.def --dllname ${dll}.dll
                            --output-delaylib ${lib}
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "dlltool could not make the delay-import library of ${dll}.dll")
    endif()
  endif()
  list(APPEND HALVEX_DELAY_LOADED ${lib})
endforeach()
