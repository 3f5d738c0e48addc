#!/usr/bin/env bash
# Shows zarvo on a virtual display: starts Xvfb (1920 x 1080, the full
# layout), runs the program from assets/, saves screenshots as PNG files in a
# fresh folder under out/, quits with Esc and reports the exit status.
# usage: scripts/headless_tour.sh PATH_TO_ZARVO
set -euo pipefail
binary=$1
root=$(cd "$(dirname "$0")/.." && pwd)
shots="$root/out/tour-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$shots"

# -displayfd picks a free display number and writes it to the descriptor.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$shots/display.txt" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  grep -q '[0-9]' "$shots/display.txt" 2>/dev/null && break
  sleep 0.1
done
export DISPLAY=":$(tr -dc 0-9 <"$shots/display.txt")" MESA_SHADER_CACHE_DISABLE=true
rm -f "$shots/display.txt"

(cd "$root/assets" && exec "$binary") >"$shots/stdout.txt" 2>"$shots/stderr.txt" &
app=$!

window=$(timeout 20 xdotool search --sync --name '^zarvo$' | head -1) || {
  echo "The window did not appear; the program said:" >&2
  cat "$shots/stdout.txt" "$shots/stderr.txt" >&2
  exit 1
}
sleep 1  # let a few frames go by
shot="$shots/zarvo.png"
xwd -id "$window" -silent | /usr/bin/convert xwd:- "$shot"
echo "Screenshot: $shot"

xdotool key Escape
status=0
wait "$app" || status=$?
echo "zarvo exited with status $status"
exit $status
