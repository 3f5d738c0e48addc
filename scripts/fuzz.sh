#!/usr/bin/env bash
# Builds the libFuzzer target over the BMP loading path (tests/fuzz) with
# clang, ASan and UBSan, and runs it for SECONDS (default 600) in one process.
# New inputs go to build-fuzz/corpus/, the committed seeds are read as they
# are; a crash is written as build-fuzz/crash-* and ends the run non-zero.
# Usage: scripts/fuzz.sh [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${zarvo_build_packages[@]}" "${zarvo_fuzz_packages[@]}"

seconds=${1:-600}
shift || true
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target zarvo_load_fuzz -j 2
mkdir -p build-fuzz/corpus
# 32 KiB holds the smallest font the font check accepts (1016 x 8 at 24
# bits, 24438 bytes) and run-length pictures of 512 x 512 that pass the
# picture check; an uncompressed 512 x 512 picture (263 KiB) reaches no code
# those do not, and would make every execution far slower.
exec build-fuzz/tests/fuzz/zarvo_load_fuzz -max_total_time="$seconds" -rss_limit_mb=2048 \
  -max_len=32768 -timeout=10 -print_final_stats=1 -artifact_prefix=build-fuzz/ "$@" \
  build-fuzz/corpus tests/fuzz/corpus tests/fuzz/regressions
