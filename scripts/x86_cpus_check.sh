#!/usr/bin/env bash
# Runs zarvo's kernels as older x86-64 CPUs would, under qemu-x86_64:
#   Nehalem   SSE4.2 without AES (Highway's SSSE3 target)
#   Westmere  SSE4.2 with AES and PCLMUL (SSE4)
#   Haswell   AVX2 without AVX-512 (AVX2)
# For each CPU it checks that dispatch picks that target, runs the kernels'
# tests (each compares every target the CPU executes with the plain forms),
# and renders every test in both layouts with zarvo-render, which must give
# the same bytes as on this machine. QEMU emulates no AVX-512: that target
# runs natively only, in ./test.sh.
#
# Uses the default build (./test.sh makes it; this script builds what is
# missing). Exits non-zero on any difference or failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${zarvo_build_packages[@]}" "${zarvo_test_packages[@]}" "${zarvo_emulation_packages[@]}"

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target zarvo-render zarvo-simd-targets \
  spectrum_test spectrum_alloc_test panel_kernels_test panels_test pattern_kernels_test

build=build
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0

# The renders: every test (the renderer's catalogue says how many), both
# layouts, the condensed one on either panel.
tests=$("$build/app/zarvo-render" --list-tests | wc -l)
renders=()
for ((select = 0; select < tests; ++select)); do
  renders+=("full $select" "condensed $select" "condensed $select --phase-panel")
done
render() {  # render RUNNER NAME LAYOUT SELECT [FLAGS]
  local runner=$1 name=$2 layout=$3 select=$4
  shift 4
  $runner "$build/app/zarvo-render" --assets assets --layout "$layout" --select "$select" \
    --frames 3 "$@" --out "$out/$name.ppm"
}
for render_case in "${renders[@]}"; do
  read -r layout select flags <<<"$render_case"
  render "" "native-$layout-$select${flags:+-phase}" "$layout" "$select" $flags
done

# Each CPU's tests and renders run as jobs, nproc at a time.
run_jobs() {
  local -a pids=() names=()
  local job
  for job in "$@"; do
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do sleep 0.2; done
    bash -c "$job" >"$out/log-${#pids[@]}" 2>&1 &
    pids+=($!)
    names+=("$job")
  done
  local i
  for i in "${!pids[@]}"; do
    if ! wait "${pids[$i]}"; then
      echo "FAILED: ${names[$i]}" >&2
      tail -n 20 "$out/log-$i" >&2
      failed=1
    fi
  done
}

for entry in Nehalem:ssse3 Westmere:sse4 Haswell:avx2; do
  cpu=${entry%%:*}
  expected=${entry##*:}
  runner="qemu-x86_64 -cpu $cpu"
  # TCG names the features it cannot emulate on every start; they are not ours.
  best=$($runner "$build/tests/spectrum/zarvo-simd-targets" 2>/dev/null | head -n 1)
  if [ "$best" != "$expected" ]; then
    echo "FAILED: $cpu: dispatch picks '$best', expected '$expected'" >&2
    failed=1
    continue
  fi
  echo "$cpu: dispatch picks $best; tests and renders..."
  jobs_list=()
  for test in spectrum/spectrum_test spectrum/spectrum_alloc_test display/panel_kernels_test \
              display/panels_test inputs/pattern_kernels_test; do
    # The cycle of a thousand "Thingie" phases is the dispatch path only and
    # takes minutes emulated; the renders cover the path on this CPU.
    jobs_list+=("$runner $build/tests/$test --gtest_brief=1 --gtest_filter=-PatternKernels.ThingieOnASpreadOfFramePhases")
  done
  for render_case in "${renders[@]}"; do
    read -r layout select flags <<<"$render_case"
    name="$layout-$select${flags:+-phase}"
    jobs_list+=("$runner $build/app/zarvo-render --assets assets --layout $layout --select $select --frames 3 $flags --out $out/$cpu-$name.ppm 2>/dev/null && cmp $out/native-$name.ppm $out/$cpu-$name.ppm")
  done
  run_jobs "${jobs_list[@]}"
done

if [ $failed -ne 0 ]; then
  echo "x86 CPU checks FAILED" >&2
  exit 1
fi
echo "x86 CPU checks passed: Nehalem (ssse3), Westmere (sse4), Haswell (avx2) give the native bytes"
