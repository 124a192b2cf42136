#!/usr/bin/env bash
# Cross-builds the libraries the Windows build links, from Debian's own source
# packages, into a prefix: scripts/windows/build-libraries.sh PREFIX.
# zlib comes built (libz-mingw-w64-dev). A library whose stamp file is in the
# prefix is not built again; delete PREFIX to start over.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
mkdir -p "$1"
prefix=$(cd "$1" && pwd)
work=$prefix/.work
mkdir -p "$work/src" "$prefix/stamps"
host=x86_64-w64-mingw32
toolchain=$root/cmake/mingw-w64.cmake
jobs=${QUELBO_JOBS:-2}
log=$work/build.log

# Source packages and the versions tried when the newest has no source to
# download (security updates have sometimes been published without one).
declare -A fallback=([libpng1.6]="1.6.39-2+deb12u5")

say() { echo "build-libraries: $*"; }

# The unpacked tree of a source package (Debian's patches applied).
unpack() {
  local package=$1 dir=$work/src/$1
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir" "$work/dl-$package"
    mkdir -p "$work/dl-$package"
    (
      cd "$work/dl-$package"
      apt-get source --download-only -qq "$package" >>"$log" 2>&1 ||
        { [ -n "${fallback[$package]:-}" ] && apt-get source --download-only -qq "$package=${fallback[$package]}" >>"$log" 2>&1; } ||
        { echo "build-libraries: cannot download the source package $package (see $log)" >&2; exit 1; }
      dpkg-source --no-check -x ./*.dsc "$dir" >>"$log" 2>&1
    )
    rm -rf "$work/dl-$package"
    touch "$dir/.unpacked"
  fi
  echo "$dir"
}

cmake_library() {
  local name=$1 package=$2
  shift 2
  [ -f "$prefix/stamps/$name" ] && return 0
  say "$name"
  local src
  src=$(unpack "$package")
  rm -rf "$work/build-$name"
  nice cmake -S "$src" -B "$work/build-$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQUELBO_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_POLICY_DEFAULT_CMP0074=NEW "$@" >>"$log" 2>&1
  nice cmake --build "$work/build-$name" -j "$jobs" >>"$log" 2>&1
  cmake --install "$work/build-$name" >>"$log" 2>&1
  rm -rf "$work/build-$name"
  touch "$prefix/stamps/$name"
}

build_libdeflate() {
  [ -f "$prefix/stamps/libdeflate" ] && return 0
  say libdeflate
  local src version
  src=$(unpack libdeflate)
  version=$(sed -n 's/^#define LIBDEFLATE_VERSION_STRING[^"]*"\(.*\)"/\1/p' "$src/libdeflate.h")
  (cd "$src" && make clean >>"$log" 2>&1 || true
   nice make -j "$jobs" CC=$host-gcc-posix AR=$host-gcc-ar-posix libdeflatestatic.lib >>"$log" 2>&1)
  mkdir -p "$prefix/include" "$prefix/lib/pkgconfig"
  cp "$src/libdeflate.h" "$prefix/include/"
  cp "$src/libdeflatestatic.lib" "$prefix/lib/libdeflate.a"
  cat >"$prefix/lib/pkgconfig/libdeflate.pc" <<EOF
prefix=$prefix
includedir=\${prefix}/include
libdir=\${prefix}/lib

Name: libdeflate
Description: Fast implementation of DEFLATE, zlib, and gzip
Version: $version
Libs: -L\${libdir} -ldeflate
Cflags: -I\${includedir} -DLIBDEFLATE_STATIC
EOF
  touch "$prefix/stamps/libdeflate"
}

build_libsodium() {
  [ -f "$prefix/stamps/libsodium" ] && return 0
  say libsodium
  local src
  src=$(unpack libsodium)
  rm -rf "$work/build-libsodium"
  mkdir -p "$work/build-libsodium"
  # Debian's source tree carries no generated configure script.
  [ -x "$src/configure" ] || (cd "$src" && nice autoreconf -fi >>"$log" 2>&1)
  (cd "$work/build-libsodium" &&
   nice "$src/configure" --host=$host --prefix="$prefix" --disable-shared --enable-static \
     CC=$host-gcc-posix >>"$log" 2>&1 &&
   nice make -j "$jobs" >>"$log" 2>&1 && make install >>"$log" 2>&1)
  rm -rf "$work/build-libsodium"
  touch "$prefix/stamps/libsodium"
}

: >"$log"
trap 'status=$?; [ $status -eq 0 ] || { echo "build-libraries: failed; the end of $log:" >&2; tail -n 30 "$log" >&2; }' EXIT

cmake_library libpng libpng1.6 -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
cmake_library libjpeg-turbo libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF
cmake_library freetype freetype -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_BROTLI=ON \
  -DFT_DISABLE_HARFBUZZ=ON -DFT_REQUIRE_PNG=ON -DFT_REQUIRE_ZLIB=ON
cmake_library tinyxml2 tinyxml2 -DBUILD_SHARED_LIBS=OFF -Dtinyxml2_BUILD_TESTING=OFF
cmake_library googletest googletest -DBUILD_SHARED_LIBS=OFF -Dgtest_force_shared_crt=OFF
build_libdeflate
build_libsodium
rm -rf "$work/src"
say "ready in $prefix"
