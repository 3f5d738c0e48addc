#!/usr/bin/env bash
# Builds a release of zarvo and runs it from the folder that holds its four
# BMP files. Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) it
# runs the program on a virtual 1920 x 1080 display instead, saves a
# screenshot of the window, quits with Esc and reports the exit status.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
source scripts/packages.sh

headless=0
[ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && headless=1
if [ $headless = 1 ]; then
  ensure_packages "${zarvo_build_packages[@]}" "${zarvo_display_packages[@]}"
else
  ensure_packages "${zarvo_build_packages[@]}"
fi

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target zarvo
binary="$root/build-release/app/zarvo"

if [ $headless = 0 ]; then
  cd assets
  exec "$binary"
fi

exec scripts/headless_tour.sh "$binary"
