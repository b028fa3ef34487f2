# Cross toolchain: x86_64-w64-mingw32, the -posix variant (std::thread and friends).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HALVEX_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HALVEX_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HALVEX_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HALVEX_TRIPLE}-windres)
# libjpeg-turbo, libsodium, libdeflate, ISA-L, bzip2, liblzma, libzstd and libdivsufsort are cross-built by
# scripts/setup into build/cache, in folders named by their recipe that it lists in
# build/cross-libs.cmake (a tree set up before that list was written has the fixed names).
get_filename_component(HALVEX_TOP ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
if(EXISTS ${HALVEX_TOP}/build/cross-libs.cmake)
  include(${HALVEX_TOP}/build/cross-libs.cmake)
else()
  set(HALVEX_CROSS_PREFIXES)
  foreach(name libjpeg-turbo libsodium libdeflate isal bzip2 xz zstd divsufsort)
    list(APPEND HALVEX_CROSS_PREFIXES ${HALVEX_TOP}/build/cache/${name}-win64)
  endforeach()
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${HALVEX_TRIPLE} ${HALVEX_CROSS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests run under Wine, in a prefix inside the build tree, with a private X server if needed.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
