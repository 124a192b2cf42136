# What the Windows build adds (configured with cmake/mingw-w64.cmake): the
# Windows API at the level of Windows 7, without the rarely used parts of
# <windows.h> or its min and max macros, and the test programs run under Wine
# in a prefix of this build tree (scripts/windows/wine-run.sh).
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)
set(QUELBO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "The Wine prefix the test programs run in")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/windows/wine-run.sh ${QUELBO_WINEPREFIX})
