#!/usr/bin/env bash
# Builds the Windows programs for release into dist/windows/, with SHA256SUMS
# beside them: scripts/release-windows.sh [CMAKE ARGS...], for example
# -DQUELBO_UPDATE_HOST=host:port -DQUELBO_UPDATE_PUBLIC_KEY=KEY. The build
# lives in build-windows-release/ (or $WINDOWS_BUILD_DIR) and takes the
# cross-built libraries of build-windows/ when they are there.
#
# Signing them (Authenticode), with osslsigncode from Debian and the
# publisher's code-signing certificate and key in a PKCS#12 file:
#   osslsigncode sign -pkcs12 publisher.pfx -readpass pass.txt -n Quelbo \
#     -t http://timestamp.example/ -in dist/windows/X.exe -out X.exe.signed
#   mv X.exe.signed dist/windows/X.exe          (for each program)
#   (cd dist/windows && sha256sum -b *.exe > SHA256SUMS)
#   osslsigncode verify -in dist/windows/X.exe  (what a player's Windows checks)
# A signature changes the file, so the sums are made again after signing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_BUILD_DIR:-build-windows-release}
if [ ! -d "$build/deps" ] && [ -d build-windows/deps ]; then
  mkdir -p "$build"
  cp -a build-windows/deps "$build/deps"
fi
programs=(quelbo-updater quelbo-publish)
WINDOWS_BUILD_DIR=$build QUELBO_TARGETS="${programs[*]}" scripts/build-windows.sh -DCMAKE_BUILD_TYPE=Release "$@"

dist=dist/windows
rm -rf "$dist"
mkdir -p "$dist"
for p in "${programs[@]}"; do
  exe=$(find "$build" -name "$p.exe" -path "*/app/*" -print -quit)
  [ -n "$exe" ] || { echo "release-windows: $p.exe was not built" >&2; exit 1; }
  cp "$exe" "$dist/"
  x86_64-w64-mingw32-strip "$dist/$p.exe"
done
(cd "$dist" && sha256sum -b ./*.exe | sed 's| \*\./| *|' > SHA256SUMS)
echo "release-windows: $(cd "$dist" && ls | tr '\n' ' ')in $dist"
