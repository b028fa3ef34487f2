# halvex_embed(OUT_VAR SYMBOL FILE): writes a C++ source that holds FILE's bytes as
#   extern const unsigned char SYMBOL[]; extern const unsigned long long SYMBOL_size;
# (in namespace halvex_assets) and returns its path in OUT_VAR. The source is remade whenever
# the file changes (the file is a configure dependency).
function(halvex_embed out_var symbol file)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  file(READ ${file} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
  set(source ${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp)
  set(content "// Generated from ${file}; do not edit.\nnamespace halvex_assets {\nextern const unsigned char ${symbol}[] = {\n${bytes}0};\nextern const unsigned long long ${symbol}_size = ${size};\n}  // namespace halvex_assets\n")
  if(EXISTS ${source})
    file(READ ${source} old)
  endif()
  if(NOT "${old}" STREQUAL "${content}")
    file(WRITE ${source} "${content}")
  endif()
  set(${out_var} ${source} PARENT_SCOPE)
endfunction()
