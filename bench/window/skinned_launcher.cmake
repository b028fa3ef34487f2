# Builds the launcher with the skinned window in a build folder of its own, without changing the
# launcher's build files: configure with
#   cmake --preset win64 -B build/controls-win64 \
#         -DCMAKE_PROJECT_HalvexUpdate_INCLUDE=$PWD/bench/window/skinned_launcher.cmake
# After every module is added, HalvexUpdate and launcher_tests get the two status-panel glyphs,
# the skin engine with its carried skins, and HALVEX_SKINNED_WINDOW (which makes main_form use
# the skinned controls and frame). These are the lines the launcher's own CMakeLists needs.
function(_halvex_skinned_launcher)
  if(NOT HALVEX_WIN32 OR NOT TARGET HalvexUpdate OR NOT TARGET skin)
    return()
  endif()
  halvex_embed(_corp kGlyphCorp ${PROJECT_SOURCE_DIR}/assets/logo/glyph_corp.bmp)
  halvex_embed(_tel kGlyphTel ${PROJECT_SOURCE_DIR}/assets/logo/glyph_tel.bmp)
  foreach(_target HalvexUpdate launcher_tests)
    if(TARGET ${_target})
      target_sources(${_target} PRIVATE ${_corp} ${_tel})
      target_link_libraries(${_target} PRIVATE skin skin_assets)
      target_compile_definitions(${_target} PRIVATE HALVEX_SKINNED_WINDOW=1)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL _halvex_skinned_launcher)
