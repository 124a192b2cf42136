#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo need.
# Safe to run again: only missing packages are installed.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # libraries
  zlib1g-dev libdeflate-dev libsodium-dev libssl-dev libpng-dev libjpeg62-turbo-dev libfreetype-dev libfontconfig-dev libtinyxml2-dev
  libx11-dev libxext-dev libxrandr-dev libxcursor-dev libxtst-dev libxfixes-dev
  # fonts: a CJK-capable sans face stands in for the Windows faces
  fonts-wqy-microhei fontconfig
  # tests and demo: real server, real X server, archive oracles and peers
  nginx xvfb x11-utils xdotool openbox zip unzip libarchive-tools curl procps iproute2 python3
  # picture oracle: the GDK pixbuf loaders read run-length bitmaps and icon files
  libgdk-pixbuf2.0-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Windows build and its tests under Wine (scripts/build-windows.sh).
if [ "${QUELBO_SKIP_WINDOWS:-0}" != 1 ]; then
  "$(dirname "$0")/install-windows-deps.sh"
fi
