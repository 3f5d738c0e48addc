#!/usr/bin/env bash
# Builds the release (cmake --preset release, into build-release/) and the
# Debian package from it with CPack: build-release/zarvo_<version>_<arch>.deb,
# whose path is the last line printed. Installs what is missing (the build
# packages, and dpkg-dev for the dependencies CPack reads off the binaries).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${zarvo_build_packages[@]}" "${zarvo_package_packages[@]}"

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
(cd build-release && cpack -G DEB >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-release/CMakeCache.txt)
deb="build-release/zarvo_${version}_$(dpkg --print-architecture).deb"
if [ ! -f "$deb" ]; then
  echo "package.sh: cpack did not write $deb" >&2
  exit 1
fi
echo "$PWD/$deb"
