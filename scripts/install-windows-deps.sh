#!/usr/bin/env bash
# Installs the Debian packages that the Windows build and its tests under Wine
# need: the mingw-w64 cross compiler, Wine, and what the libraries' own builds
# use (scripts/windows/build-libraries.sh). Also enables Debian's source
# packages, from which those libraries are built. Safe to run again.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64
  nasm autoconf automake libtool dpkg-dev
  xvfb
  osslsigncode openssl
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# apt-get source needs deb-src entries for the archives the system uses.
updated=false
if ! grep -rqs '^\(Types:.*deb-src\|deb-src \)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "install-windows-deps: enabling Debian's source packages"
  list=/etc/apt/sources.list.d/quelbo-deb-src
  if ls /etc/apt/sources.list.d/*.sources >/dev/null 2>&1; then
    cat /etc/apt/sources.list.d/*.sources | sed -e 's/^Types: deb$/Types: deb-src/' | $SUDO tee $list.sources >/dev/null
  fi
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list | $SUDO tee $list.list >/dev/null
  fi
  $SUDO apt-get update -qq
  updated=true
fi

if ((${#missing[@]})); then
  echo "install-windows-deps: installing ${missing[*]}"
  $updated || $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
