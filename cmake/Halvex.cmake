# Shared helpers for the module CMakeLists.

# halvex_add_test(NAME SOURCES... [LIBS ...]): a GoogleTest binary registered with ctest.
function(halvex_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  if(WIN32)
    # Console subsystem for tests, so their output reaches ctest.
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  target_compile_definitions(${name} PRIVATE
    HALVEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    HALVEX_BINARY_DIR="${CMAKE_BINARY_DIR}"
    HALVEX_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/zip/tests/data")
  # Each binary's tests carry its name as their label, so that scripts/test runs and counts them
  # suite by suite.
  if(WIN32)
    # Under Wine every process start costs seconds: run each binary once, whole. Its XML report
    # holds the counts of the tests inside.
    set(report "${CMAKE_BINARY_DIR}/test-results/${name}.xml")
    if(CMAKE_HOST_UNIX)
      set(report "Z:${report}")  # Wine shows the Unix root as drive Z:
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 --gtest_output=xml:${report})
    set_tests_properties(${name} PROPERTIES TIMEOUT 1200 LABELS ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES TIMEOUT 600 LABELS ${name})
  endif()
  set_property(GLOBAL APPEND PROPERTY HALVEX_TEST_SUITES ${name})
endfunction()

# halvex_add_fuzzers(MODULE): every <module>/fuzz/fuzz_*.cpp becomes a libFuzzer binary of the
# same name (only in the `fuzz` preset, built with clang). Its seed corpus is
# <module>/fuzz/corpus/<name>/; scripts/fuzz runs each for a bounded time.
function(halvex_add_fuzzers module)
  if(NOT HALVEX_FUZZ)
    return()
  endif()
  file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz_*.cpp)
  foreach(src ${fuzzers})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ${module})
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endforeach()
endfunction()

# halvex_ship(TARGET): a program vendors ship beside their application. On Windows it is stripped
# after linking, its debug information kept apart in the build tree (TARGET.exe.debug, linked by
# a .gnu_debuglink section, for reading crash addresses with gdb or addr2line), and
# `cmake --install` puts it into the vendor's folder.
function(halvex_ship target)
  set_property(GLOBAL APPEND PROPERTY HALVEX_SHIPPED ${target})
  install(TARGETS ${target} RUNTIME DESTINATION .)
  if(WIN32)
    # The C++ runtime's demangler stays out (ship/no_demangle.cpp), and so do sections nothing
    # refers to: the cross-built C libraries have a section per function and no unwind tables
    # (scripts/setup), so their parts a program never calls are left behind. Our own C++ keeps its
    # unwind tables, which the linker keeps, and they keep every function of ours.
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/ship/no_demangle.cpp)
    target_link_options(${target} PRIVATE -Wl,--wrap=__cxa_demangle -Wl,--gc-sections)
    set(exe $<TARGET_FILE:${target}>)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${exe} ${exe}.debug
      COMMAND ${CMAKE_STRIP} --strip-all ${exe}
      COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug ${exe}
      WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
      VERBATIM)
  endif()
endfunction()

# halvex_add_shipped_checks(): called once, after every module. The target `shipped` builds
# every shipped program (what `cmake --install` needs). On Windows a test reads the import
# table of each and fails on a DLL that a clean Windows 7 to 11 does not have
# (cmake/CheckImports.cmake holds the allowed list).
function(halvex_add_shipped_checks)
  get_property(shipped GLOBAL PROPERTY HALVEX_SHIPPED)
  add_custom_target(shipped DEPENDS ${shipped})
  if(NOT WIN32)
    return()
  endif()
  set(programs)
  foreach(target ${shipped})
    list(APPEND programs $<TARGET_FILE:${target}>)
  endforeach()
  string(REPLACE ";" "|" programs "${programs}")
  add_test(NAME shipped_imports
           COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} "-DPROGRAMS=${programs}"
                   -P ${PROJECT_SOURCE_DIR}/cmake/CheckImports.cmake)
endfunction()

# halvex_program_resources(TARGET RC_FILE): a Windows program's resource script, which includes
# the shared manifest and version resource (cmake/win32/) and may name the icon (assets/logo/).
function(halvex_program_resources target rc)
  set(shared ${PROJECT_SOURCE_DIR}/cmake/win32)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES
    INCLUDE_DIRECTORIES "${shared};${PROJECT_SOURCE_DIR}/assets/logo"
    OBJECT_DEPENDS "${shared}/program.manifest;${shared}/version.rc;${PROJECT_SOURCE_DIR}/assets/logo/halvex.ico")
endfunction()
