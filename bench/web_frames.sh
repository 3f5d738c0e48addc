#!/usr/bin/env bash
# The page's speed: each test's frame in both layouts in Chromium and in
# node (the WebAssembly module, SIMD128) next to the native build's on the
# SSE4 target (also 128 bits wide) and as dispatched, in one run, with the
# ratios. Builds the site and the native tools first (scripts/web_build.sh).
#
#   bench/web_frames.sh [ROUNDS]      (default 3; each figure the median of its rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${zarvo_browser_packages[@]}"
scripts/web_build.sh >/dev/null
(cd web/tests && npm ci --no-audit --no-fund --loglevel=error)
node web/tests/frame_times.mjs build-web/site build-web/host/web/zarvo-frame-times assets "$@"
