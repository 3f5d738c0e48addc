#!/usr/bin/env bash
# The soak of the real program on a private Xvfb screen: 20,000 frames (set
# ZARVO_SOAK_FRAMES for another count) with a key every few hundred frames,
# the resident memory sampled throughout, the last picture compared with the
# renderer's and Esc at the end. Takes several minutes and prints its figures.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/packages.sh
ensure_packages "${zarvo_build_packages[@]}" "${zarvo_display_packages[@]}" "${zarvo_test_packages[@]}"

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target zarvo zarvo-render
ctest --test-dir build -L soak --output-on-failure --verbose
