# What the Windows build adds (configured with cmake/mingw-w64.cmake): the
# Windows API at the level of Windows 7, without the rarely used parts of
# <windows.h> or its min and max macros, and the test programs run under Wine
# in a prefix of this build tree (scripts/windows/wine-run.sh).
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)
set(QUELBO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "The Wine prefix the test programs run in")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/windows/wine-run.sh ${QUELBO_WINEPREFIX})

# The manifest, icon and version resource of the Windows programs.
enable_language(RC)
set(QUELBO_PROGRAM_VERSION 1.0.0.0 CACHE STRING "The version the Windows programs carry (four numbers)")
find_package(Python3 REQUIRED COMPONENTS Interpreter)
# quelbo_windows_resources(TARGET DESCRIPTION): the program asks for no
# elevation, is aware of each monitor's DPI, names the systems it supports,
# and shows our icon and its version in Explorer.
function(quelbo_windows_resources target description)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  set(QUELBO_RC_ICON ${dir}/program.ico)
  set(QUELBO_RC_MANIFEST ${CMAKE_SOURCE_DIR}/resources/windows/program.manifest)
  set(QUELBO_RC_NAME ${target})
  set(QUELBO_RC_DESCRIPTION ${description})
  string(REPLACE "." "," QUELBO_RC_VERSION_COMMAS ${QUELBO_PROGRAM_VERSION})
  add_custom_command(OUTPUT ${QUELBO_RC_ICON}
                     COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/windows/png-to-ico.py ${QUELBO_RC_ICON}
                             ${CMAKE_SOURCE_DIR}/resources/icon.png
                     DEPENDS ${CMAKE_SOURCE_DIR}/resources/windows/png-to-ico.py ${CMAKE_SOURCE_DIR}/resources/icon.png
                     VERBATIM)
  configure_file(${CMAKE_SOURCE_DIR}/resources/windows/program.rc.in ${dir}/program.rc @ONLY)
  set_source_files_properties(${dir}/program.rc PROPERTIES OBJECT_DEPENDS "${QUELBO_RC_ICON};${QUELBO_RC_MANIFEST}")
  target_sources(${target} PRIVATE ${dir}/program.rc)
endfunction()
