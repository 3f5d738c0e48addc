#!/bin/sh
# Rebuilds the four files in assets/ and checks them as SDL loads them.
#
#   tools/make_assets.sh
#
# Needs: apt-get and dpkg (to fetch the portrait's source package), and the
# project's build dependencies plus SDL2_image (libsdl2-image-dev).
# Optional environment:
#   ZARVO_SKIMAGE_DEB      an already downloaded python3-skimage .deb to use
#   ZARVO_TOOLS_BUILD_DIR  build directory instead of the "tools" preset's
set -eu

# The portrait's bytes are pinned: a newer package with a different photograph
# must be noticed, not silently committed.
ASTRONAUT_SHA256=88431cd9653ccd539741b555fb0a46b61558b301d4110412b5bc28b5e3ea6cb5

repo=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

# Only the package file is fetched and unpacked; none of its dependencies are
# installed.
if [ -n "${ZARVO_SKIMAGE_DEB:-}" ]; then
    deb=$ZARVO_SKIMAGE_DEB
else
    (cd "$tmp" && apt-get download python3-skimage)
    deb=$(ls "$tmp"/python3-skimage_*.deb)
fi
dpkg -x "$deb" "$tmp/pkg"
data="$tmp/pkg/usr/lib/python3/dist-packages/skimage/data"
echo "$ASTRONAUT_SHA256  $data/astronaut.png" | sha256sum -c -

cd "$repo"
if [ -n "${ZARVO_TOOLS_BUILD_DIR:-}" ]; then
    build=$ZARVO_TOOLS_BUILD_DIR
    cmake --preset tools -B "$build"
    cmake --build "$build" --target make_assets
else
    build="$repo/build-tools"
    cmake --preset tools
    cmake --build --preset tools --target make_assets
fi

"$build/tools/make_assets" all "$data" "$repo/assets"
"$build/tools/make_assets" --check "$repo/assets" "$data/astronaut.png"
