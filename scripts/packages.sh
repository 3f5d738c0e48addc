# Installs the Debian packages that zarvo needs, skipping those already there.
# Sourced by run.sh and test.sh: ensure_packages PACKAGE...
# A non-root user gets the apt-get command to run instead.

zarvo_build_packages=(build-essential cmake pkg-config libhwy-dev libsdl2-dev libpng-dev libjpeg-dev libglew-dev libgl1-mesa-dev
  libgl1-mesa-dri libegl1 libegl-mesa0 libx11-dev)
# What a display-less machine needs to show the window and take screenshots.
zarvo_display_packages=(xvfb xauth xdotool x11-apps x11-utils imagemagick)
# The pictures tests make with other tools: cjpeg and djpeg, exiftool.
zarvo_test_packages=(libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev libkissfft-dev python3
  libjpeg-turbo-progs libimage-exiftool-perl)
# Making the Debian package (scripts/package.sh) and checking it, its
# desktop entry, metadata and manual pages (tests/package).
zarvo_package_packages=(dpkg-dev fakeroot file gzip man-db lintian desktop-file-utils appstream)
# Running the kernels as other CPUs (scripts/x86_cpus_check.sh,
# scripts/aarch64_check.sh), and cross-building them for 64-bit ARM against
# arm64 packages (multiarch; ensure_architecture arm64 comes first).
zarvo_emulation_packages=(qemu-user)
zarvo_aarch64_packages=(g++-aarch64-linux-gnu libhwy-dev:arm64 libgtest-dev:arm64)
# The web build (scripts/web_build.sh): emscripten (with binaryen) compiles
# the page's module; the host build above makes its sheets and the
# zarvo-render it is compared with. The browser tests
# (scripts/web_test.sh) run Debian's Chromium, driven through npm's
# puppeteer-core by node.
zarvo_web_packages=(emscripten binaryen)
zarvo_browser_packages=(chromium)
# The libFuzzer build (scripts/fuzz.sh): clang and its runtime libraries,
# which hold libFuzzer and clang's sanitizers. The tests do not need them.
zarvo_fuzz_packages=(clang libclang-rt-14-dev)

# Lets dpkg install packages of another architecture (e.g. arm64).
ensure_architecture() {
  dpkg --print-foreign-architectures | grep -qx "$1" && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "dpkg does not take $1 packages yet. As root:" >&2
    echo "  sudo dpkg --add-architecture $1 && sudo apt-get update" >&2
    return 1
  fi
  echo "Adding the $1 architecture to dpkg"
  dpkg --add-architecture "$1"
  # ensure_packages updates the package lists before it installs.
}

ensure_packages() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Install them as root first:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  # A stale package list makes install fail on a fresh machine: update first.
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
