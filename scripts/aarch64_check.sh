#!/usr/bin/env bash
# Cross-builds zarvo's kernels (grid, FFT, generators, panels) and their
# tests for 64-bit ARM Linux and runs the tests under qemu-aarch64: every
# SIMD target Highway compiles there (NEON and scalar) against the plain
# forms, computed on the same emulated machine, bit for bit.
#
# Installs what it needs from Debian's packages: the cross compiler,
# qemu-user, and the arm64 packages of Highway and GoogleTest (multiarch).
# The build goes to build-aarch64/. Extra arguments go to ctest, e.g.
#   scripts/aarch64_check.sh -R PanelKernels
# Set ZARVO_WERROR=1 to turn warnings into errors. Exits non-zero on any
# failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_architecture arm64
ensure_packages cmake "${zarvo_emulation_packages[@]}" "${zarvo_aarch64_packages[@]}"

werror=OFF
[ "${ZARVO_WERROR:-0}" = 1 ] && werror=ON
cmake --preset aarch64 -DZARVO_WARNINGS_AS_ERRORS=$werror >/dev/null
cmake --build --preset aarch64 -j "$(nproc)"
echo "SIMD targets under qemu-aarch64, best first:" \
  $(qemu-aarch64 -L /usr/aarch64-linux-gnu build-aarch64/tests/spectrum/zarvo-simd-targets)
# The precondition stops are death tests: under qemu-aarch64 the forked child
# never ends (it spins in the emulated abort), and those stops are plain code
# that the native run and the runs as older x86 CPUs check.
ctest --test-dir build-aarch64 --output-on-failure -j "$(nproc)" -E '^FftPreconditions[.]' "$@"
