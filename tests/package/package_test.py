#!/usr/bin/env python3
"""The Debian package, as a user would meet it.

Builds the package with scripts/package.sh (the release build and CPack),
holds it to lintian (no errors), unpacks it with dpkg-deb -x into the folder
ZARVO_PACKAGE_ROOT names and checks the tree: the program, the command and
zarvo-render, the four BMP files, a valid desktop entry, the icon at each
size of the hicolor theme, valid AppStream metadata and manual pages that
man renders. package_window_test.py then starts the unpacked program.
"""

import gzip
import os
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "window"))
from harness import Checks, env_path  # noqa: E402

SOURCE = env_path("ZARVO_SOURCE_DIR")
VERSION = env_path("ZARVO_VERSION")
ROOT = env_path("ZARVO_PACKAGE_ROOT")
APP_ID = "org.zarvo.Zarvo"
ICON_SIZES = [48, 64, 128, 256, 512]

checks = Checks()


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


built = run([os.path.join(SOURCE, "scripts", "package.sh")])
if built.returncode != 0:
    print(built.stdout[-4000:], built.stderr[-4000:], sep="\n")
    sys.exit("scripts/package.sh failed")
deb = built.stdout.strip().splitlines()[-1]
arch = run(["dpkg", "--print-architecture"]).stdout.strip()
checks.check(os.path.basename(deb) == f"zarvo_{VERSION}_{arch}.deb", f"package name {deb}")
print(f"package: {deb}, {os.path.getsize(deb)} bytes")

lint = run(["lintian", deb])
errors = [line for line in lint.stdout.splitlines() if line.startswith("E:")]
checks.check(not errors, f"lintian reports errors: {errors}")
for line in lint.stdout.splitlines():
    if line.startswith("W:"):
        print("lintian:", line)

depends = run(["dpkg-deb", "-f", deb, "Depends"]).stdout
for library in ["libsdl2", "libglew", "libhwy"]:
    checks.check(library in depends, f"Depends names {library}: {depends.strip()}")

# A tree left by an earlier run must not pass for this package's.
shutil.rmtree(ROOT, ignore_errors=True)
subprocess.run(["dpkg-deb", "-x", deb, ROOT], check=True)
usr = os.path.join(ROOT, "usr")

for path in ["bin/zarvo", "bin/zarvo-render", "libexec/zarvo/zarvo"]:
    full = os.path.join(usr, path)
    checks.check(os.path.isfile(full) and os.access(full, os.X_OK),
                 f"usr/{path} is an executable file")
for name in ["ostrel-512x512.bmp", "vhs-512x512.bmp", "sierpinsky-512x512.bmp", "font2.bmp"]:
    with open(os.path.join(SOURCE, "assets", name), "rb") as f:
        source = f.read()
    installed = os.path.join(usr, "share", "zarvo", name)
    checks.check(os.path.isfile(installed) and open(installed, "rb").read() == source,
                 f"usr/share/zarvo/{name} is the asset")
for path in ["share/doc/zarvo/copyright", "share/doc/zarvo/changelog.gz"]:
    checks.check(os.path.isfile(os.path.join(usr, path)), f"usr/{path} is there")

desktop = os.path.join(usr, "share", "applications", f"{APP_ID}.desktop")
valid = run(["desktop-file-validate", desktop])
checks.check(valid.returncode == 0 and "error" not in valid.stdout,
             f"desktop entry valid: {valid.stdout}{valid.stderr}")
with open(desktop) as f:
    entry = f.read()
checks.check("\nExec=zarvo\n" in entry and f"\nIcon={APP_ID}\n" in entry,
             "the desktop entry starts zarvo with its icon")

for size in ICON_SIZES:
    icon = os.path.join(usr, "share", "icons", "hicolor", f"{size}x{size}", "apps",
                        f"{APP_ID}.png")
    checks.check(os.path.isfile(icon) and png_size(icon) == (size, size),
                 f"a {size} x {size} PNG icon in the hicolor theme")

metainfo = os.path.join(usr, "share", "metainfo", f"{APP_ID}.metainfo.xml")
valid = run(["appstreamcli", "validate", "--no-net", metainfo])
checks.check(valid.returncode == 0, f"AppStream metadata valid: {valid.stdout}{valid.stderr}")
with open(metainfo) as f:
    checks.check(f'<release version="{VERSION}"' in f.read(), "metadata names the version")

for page, title in [("zarvo", "ZARVO(1)"), ("zarvo-render", "ZARVO-RENDER(1)")]:
    path = os.path.join(usr, "share", "man", "man1", f"{page}.1.gz")
    shown = run(["man", "--warnings", "-l", path],
                env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
    checks.check(shown.returncode == 0 and shown.stderr == "",
                 f"man -l {page}.1.gz renders without warnings: {shown.stderr!r}")
    checks.check(title in shown.stdout and "NAME" in shown.stdout and "SYNOPSIS" in shown.stdout,
                 f"{page}'s page has its title, NAME and SYNOPSIS")
    with gzip.open(path, "rt") as f:
        checks.check(VERSION in f.readline(), f"{page}'s page names the version")

renderer = os.path.join(usr, "bin", "zarvo-render")
shown = run([renderer, "--version"])
checks.check(shown.stdout == f"zarvo-render {VERSION}\n", f"--version: {shown.stdout!r}")

checks.finish()
