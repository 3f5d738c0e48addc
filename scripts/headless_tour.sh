#!/usr/bin/env bash
# Tours zarvo on a virtual display, as a person would use it: the full layout
# on a 1920 x 1080 screen, stepping through all ten tests with the Down key
# and saving a PNG screenshot of each; then the condensed layout on a
# 1280 x 1024 screen, before and after Space switches to the phase panel.
# Each run quits with Esc; the exit statuses are reported.
# usage: scripts/headless_tour.sh PATH_TO_ZARVO
set -euo pipefail
binary=$1
root=$(cd "$(dirname "$0")/.." && pwd)
shots="$root/out/tour-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$shots"
labels=(ostrel sierpinsky vhs horizontal-sine vertical-sine pattern vertical-line rotating-box
  pulsating-sphere thingie)

xvfb_pid=
stop_xvfb() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
  return 0
}
trap stop_xvfb EXIT

# start_xvfb WIDTHxHEIGHT: -displayfd picks a free display number and writes
# it to the descriptor.
start_xvfb() {
  local number_file="$shots/.display"
  : >"$number_file"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$number_file" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    grep -q '[0-9]' "$number_file" && break
    sleep 0.1
  done
  export DISPLAY=":$(tr -dc 0-9 <"$number_file")" MESA_SHADER_CACHE_DISABLE=true
  rm -f "$number_file"
}

# run_zarvo NAME TITLE: starts the program in assets/ and finds its window.
run_zarvo() {
  (cd "$root/assets" && exec "$binary") >"$shots/$1-stdout.txt" 2>"$shots/$1-stderr.txt" &
  app=$!
  window=$(timeout 20 xdotool search --sync --name "$2" | head -1) || {
    echo "The window did not appear; the program said:" >&2
    cat "$shots/$1-stdout.txt" "$shots/$1-stderr.txt" >&2
    exit 1
  }
  sleep 1  # the first frames, and a rate line that has started to climb
}

shoot() {
  xwd -id "$window" -silent | /usr/bin/convert xwd:- "$shots/$1.png"
}

quit_zarvo() {
  xdotool key Escape
  local status=0
  wait "$app" || status=$?
  echo "zarvo ($1 layout) exited with status $status"
  return $status
}

status=0
start_xvfb 1920x1080
run_zarvo full '^zarvo$'
for i in "${!labels[@]}"; do
  [ "$i" -gt 0 ] && xdotool key Down && sleep 0.6
  shoot "full-$i-${labels[$i]}"
done
quit_zarvo full || status=$?
stop_xvfb

start_xvfb 1280x1024
run_zarvo condensed '^zarvo \(condensed layout\)$'
shoot "condensed-magnitude"
xdotool key space
sleep 0.6
shoot "condensed-phase"
quit_zarvo condensed || status=$?
stop_xvfb

echo "Screenshots ($(ls "$shots"/*.png | wc -l)): $shots"
exit $status
