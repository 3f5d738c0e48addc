#!/usr/bin/env bash
# Builds a libFuzzer target with clang, ASan and UBSan, and runs it for
# SECONDS (default 600) in one process:
#   scripts/fuzz.sh [SECONDS] [extra libFuzzer flags...]            the asset BMPs
#   scripts/fuzz.sh pictures [SECONDS] [extra libFuzzer flags...]   the user's pictures
# New inputs go to build-fuzz/corpus/ (build-fuzz/picture-corpus/), the
# committed seeds are read as they are; a crash is written as
# build-fuzz/crash-* (build-fuzz/picture-crash-*) and ends the run non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${zarvo_build_packages[@]}" "${zarvo_fuzz_packages[@]}"

target=assets
if [ "${1:-}" = pictures ]; then
  target=pictures
  shift
fi
seconds=${1:-600}
shift || true
cmake --preset fuzz >/dev/null
if [ $target = assets ]; then
  cmake --build --preset fuzz --target zarvo_load_fuzz -j 2
  mkdir -p build-fuzz/corpus
  # 32 KiB holds the smallest font the font check accepts (1016 x 8 at 24
  # bits, 24438 bytes) and run-length pictures of 512 x 512 that pass the
  # picture check; an uncompressed 512 x 512 picture (263 KiB) reaches no
  # code those do not, and would make every execution far slower.
  exec build-fuzz/tests/fuzz/zarvo_load_fuzz -max_total_time="$seconds" -rss_limit_mb=2048 \
    -max_len=32768 -timeout=10 -print_final_stats=1 -artifact_prefix=build-fuzz/ "$@" \
    build-fuzz/corpus tests/fuzz/corpus tests/fuzz/regressions
fi
cmake --build --preset fuzz --target zarvo_picture_fuzz -j 2
mkdir -p build-fuzz/picture-corpus
# 64 KiB holds a JPEG, PNG or BMP of every layout at the fuzz body's size
# limit, with room for metadata segments and chunks.
exec build-fuzz/tests/fuzz/zarvo_picture_fuzz -max_total_time="$seconds" -rss_limit_mb=2048 \
  -max_len=65536 -timeout=10 -print_final_stats=1 -artifact_prefix=build-fuzz/picture- "$@" \
  build-fuzz/picture-corpus tests/fuzz/picture_corpus tests/fuzz/picture_regressions
