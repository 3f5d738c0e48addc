#!/usr/bin/env bash
# Makes zarvo's icon from the program's own output: the input panel of
# "Thingie" at frame 2 (512 x 512, cut from zarvo-render's canvas), scaled to
# the sizes of the hicolor icon theme and written to assets/icons/ as PNG.
# (Its magnitude panel, thin lines on black, is nearly black at 48 pixels.)
# Needs zarvo-render built (./test.sh builds it) and ImageMagick. The same
# program and ImageMagick give the same files.
set -euo pipefail
cd "$(dirname "$0")/.."
render=${ZARVO_RENDER:-build/app/zarvo-render}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$render" --assets assets --layout full --select 9 --frames 2 --out "$work/frame.ppm"
mkdir -p assets/icons
for size in 48 64 128 256 512; do
  # The panel's 512 x 512 pixels start at (21, 21). No time stamps, so
  # that a second run writes the same bytes.
  /usr/bin/convert "$work/frame.ppm" -crop 512x512+21+21 +repage -resize "${size}x${size}" \
    -strip -define png:exclude-chunks=date,time "assets/icons/org.zarvo.Zarvo-$size.png"
done
echo "wrote assets/icons/org.zarvo.Zarvo-{48,64,128,256,512}.png"
