#!/usr/bin/env bash
# Frame rates of the real loop under Xvfb (1920 x 1080, so both layouts fit),
# for the full and the condensed layout and every test, in alternating rounds.
# usage: bench/loop_rates.sh [seconds per loop]   (after building the default preset)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench="$root/build/bench/zarvo_bench_loop"
export MESA_SHADER_CACHE_DISABLE=true
# Every test of the renderer's catalogue.
tests=$(seq 0 $(("$("$root/build/app/zarvo-render" --list-tests | wc -l)" - 1)))
for layout in full condensed; do
  # shellcheck disable=SC2086
  xvfb-run -a -s "-screen 0 1920x1080x24" "$bench" "$layout" "${1:-3}" $tests
done
