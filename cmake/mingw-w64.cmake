# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads).
# Programs link the C and C++ runtimes statically, so an executable needs no
# DLL beside it. QUELBO_WINDOWS_PREFIX names the folder that
# scripts/windows/build-libraries.sh fills with the libraries; it is searched
# with the compiler's own folder for headers, libraries and packages, and
# never for programs, which run on the build machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(mingw_triplet x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)
set(CMAKE_AR ${mingw_triplet}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${mingw_triplet}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT QUELBO_WINDOWS_PREFIX AND DEFINED ENV{QUELBO_WINDOWS_PREFIX})
  set(QUELBO_WINDOWS_PREFIX $ENV{QUELBO_WINDOWS_PREFIX})
endif()
set(QUELBO_WINDOWS_PREFIX "${QUELBO_WINDOWS_PREFIX}" CACHE PATH "Folder of the cross-built libraries")
# Try-compile projects see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUELBO_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet} ${QUELBO_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries only: the sysroot also has import libraries of DLLs
# (libz.dll.a beside libz.a, which a search for ".a" finds as well).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(ZLIB_LIBRARY /usr/${mingw_triplet}/lib/libz.a CACHE FILEPATH "zlib, linked statically")

set(ENV{PKG_CONFIG_LIBDIR} "${QUELBO_WINDOWS_PREFIX}/lib/pkgconfig:/usr/${mingw_triplet}/lib/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(PKG_CONFIG_USE_STATIC_LIBS ON)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
