#!/usr/bin/env bash
# Builds zarvo and runs every test: the pure-CPU tests, the tests of the real
# program and its window (on private Xvfb displays), then the CPU and
# program tests again under AddressSanitizer and UBSan, and the window
# tests under them too.
# Exits non-zero on any failure. Set ZARVO_WERROR=1 to turn warnings into errors.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
ensure_packages "${zarvo_build_packages[@]}" "${zarvo_display_packages[@]}" "${zarvo_test_packages[@]}" \
  "${zarvo_package_packages[@]}"

werror=OFF
[ "${ZARVO_WERROR:-0}" = 1 ] && werror=ON
jobs=$(nproc)

cmake --preset default -DZARVO_WARNINGS_AS_ERRORS=$werror >/dev/null
cmake --build --preset default -j "$jobs"
# The soak (label soak) takes minutes: tests/window/soak.sh runs it.
ctest --test-dir build --output-on-failure -j "$jobs" -LE soak

# The window tests here take the default build's renderer as their oracle:
# the same bytes, without the sanitizers' cost.
cmake --preset asan -DZARVO_WARNINGS_AS_ERRORS=$werror -DZARVO_ORACLE_RENDER="$PWD/build/app/zarvo-render" >/dev/null
cmake --build --preset asan -j "$jobs"
# The package test (label package) builds and checks the release package: once is enough.
# Leak checking is on, but for the window tests, which turn it off
# themselves: the GL driver and D-Bus keep allocations to the end by design.
# Any other report ends the program with a failure status, which the tests
# check. The window tests run beside the others, whose cores they would
# mostly leave idle on their own.
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE "soak|package"
