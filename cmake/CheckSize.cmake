# Fails when a shipped program, as shipped (stripped), is not smaller than its limit: the launcher
# travels with every update of the vendor's application, and each library or table it gains adds
# to every download. Says how large it is either way.
#   cmake -DPROGRAM=HalvexUpdate.exe -DLIMIT=2097152 -P CheckSize.cmake
#
cmake_minimum_required(VERSION 3.25)

file(SIZE "${PROGRAM}" size)
get_filename_component(name "${PROGRAM}" NAME)
math(EXPR kib "${size} / 1024")
math(EXPR limit_kib "${LIMIT} / 1024")
if(size GREATER_EQUAL LIMIT)
  message(FATAL_ERROR "${name} is ${size} bytes (${kib} KiB), not under its limit of ${LIMIT} bytes (${limit_kib} KiB)")
endif()
message(STATUS "${name} is ${size} bytes (${kib} KiB), under its limit of ${limit_kib} KiB")
