# Cross toolchain: x86_64-w64-mingw32, the -posix variant (std::thread and friends).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HALVEX_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HALVEX_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HALVEX_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HALVEX_TRIPLE}-windres)
# libjpeg-turbo, libsodium, libdeflate, ISA-L, bzip2, liblzma, libzstd and libdivsufsort are cross-built by
# scripts/setup into build/cache.
get_filename_component(HALVEX_TOP ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${HALVEX_TRIPLE} ${HALVEX_TOP}/build/cache/libjpeg-turbo-win64
    ${HALVEX_TOP}/build/cache/libsodium-win64 ${HALVEX_TOP}/build/cache/libdeflate-win64
    ${HALVEX_TOP}/build/cache/isal-win64 ${HALVEX_TOP}/build/cache/bzip2-win64
    ${HALVEX_TOP}/build/cache/xz-win64 ${HALVEX_TOP}/build/cache/zstd-win64
    ${HALVEX_TOP}/build/cache/divsufsort-win64)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests run under Wine, in a prefix inside the build tree, with a private X server if needed.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
