#!/usr/bin/env bash
# Builds the web site, zarvo in the browser, into build-web/site/: the page
# (index.html, zarvo.js) and the module (zarvo_page.js, the WebAssembly
# inside it), which together open from disk (file://) or from any static
# server. Installs what it needs from Debian's packages.
#
# The module is the program's own frame composition compiled by emscripten
# for Highway's WebAssembly SIMD128 target alone (no dispatch, Highway's
# headers only). The page has no SDL: its four sheets are read at build time
# by a native tool with the program's own loaders (SDL's BMP decoder) and
# compiled into the module. The native tools land in build-web/host
# (zarvo-web-sheets; zarvo-render for the tests, zarvo-frame-times for the
# benchmark).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${zarvo_build_packages[@]}" "${zarvo_web_packages[@]}"

jobs=$(nproc)
werror=OFF
[ "${ZARVO_WERROR:-0}" = 1 ] && werror=ON
# Debian's emscripten finds its JavaScript parser (acorn) among Debian's
# node modules, which another node installed on the machine does not search.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

cmake -S . -B build-web/host -DCMAKE_BUILD_TYPE=Release -DZARVO_BUILD_TESTS=OFF \
  -DZARVO_BUILD_BENCHMARKS=OFF -DZARVO_BUILD_WINDOW=OFF -DZARVO_WARNINGS_AS_ERRORS=$werror >/dev/null
cmake --build build-web/host --target zarvo-web-sheets zarvo-render zarvo-frame-times -j "$jobs"
build-web/host/web/zarvo-web-sheets assets build-web/page_sheets.cpp

# Highway's headers alone, in a folder of their own: the system's include
# folder itself would bring glibc's headers into a WebAssembly build.
hwy_headers=$(dirname "$(echo '#include <hwy/highway.h>' | c++ -x c++ -E -H - 2>&1 >/dev/null |
  grep -m1 'hwy/highway.h' | sed 's/^\.* //')")
mkdir -p build-web/hwy-headers
ln -sfn "$hwy_headers" build-web/hwy-headers/hwy

emcmake cmake -S . -B build-web/wasm -DCMAKE_BUILD_TYPE=Release -DZARVO_SIMD_STATIC=ON \
  -DZARVO_HWY_HEADERS="$PWD/build-web/hwy-headers" -DZARVO_WITH_SDL=OFF -DZARVO_BUILD_WINDOW=OFF \
  -DZARVO_BUILD_TESTS=OFF -DZARVO_BUILD_BENCHMARKS=OFF -DZARVO_WARNINGS_AS_ERRORS=$werror \
  -DZARVO_WEB_SHEETS_SOURCE="$PWD/build-web/page_sheets.cpp" >/dev/null
cmake --build build-web/wasm -j "$jobs"

site=build-web/site
rm -rf "$site.new"
mkdir -p "$site.new"
cp web/index.html web/zarvo.js build-web/wasm/web/zarvo_page.js "$site.new/"
rm -rf "$site"
mv "$site.new" "$site"
bytes=$(cat "$site"/* | wc -c)
gzipped=$(cat "$site"/* | gzip -9 | wc -c)
echo "build-web/site: $bytes bytes ($gzipped compressed with gzip -9)"
