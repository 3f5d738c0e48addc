#!/usr/bin/env python3
"""zarvo-render writes all of its files or none, and never leaves a
temporary file:

- a later output failing (a panel's path taken by a folder, the panels'
  folder inside a regular file): no new file anywhere, earlier files whole;
- a full disk (a small tmpfs, where this machine lets the test mount one):
  no new file, and the space used before is used again after;
- a kill (SIGKILL, SIGTERM) at moments spread over whole runs: every file at
  a final path is either the one from before or a complete new one, and no
  other name appears;
- a run that replaces earlier files: all replaced, readable as any file the
  user makes (the umask's mode).
"""

import os
import random
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "window"))
from harness import Checks  # noqa: E402

RENDER = os.environ["ZARVO_RENDER"]
ASSETS = os.environ["ZARVO_ASSETS"]
checks = Checks()
check = checks.check
CANVAS_PPM = b"P6\n1640 800\n255\n"
CANVAS_BYTES = len(CANVAS_PPM) + 1640 * 800 * 3


def render_args(out, panels, select="9"):
    return [RENDER, "--assets", ASSETS, "--select", select, "--out", out, "--panels", panels]


def run(out, panels, select="9"):
    done = subprocess.run(render_args(out, panels, select), capture_output=True, text=True,
                          timeout=300)
    return done.returncode, done.stderr


def listing(folder):
    """Every name under `folder`, hidden ones included, as relative paths."""
    names = set()
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            names.add(os.path.relpath(os.path.join(root, name), folder))
    return names


def complete(path):
    """True when the file at `path` is a whole output of its kind."""
    with open(path, "rb") as f:
        data = f.read()
    if path.endswith(".ppm"):
        return data.startswith(CANVAS_PPM) and len(data) == CANVAS_BYTES
    return data.startswith(b"\x89PNG\r\n\x1a\n") and data.endswith(b"IEND\xaeB`\x82")


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


with tempfile.TemporaryDirectory(prefix="zarvo-render-outputs-") as work:
    def path(*names):
        return os.path.join(work, *names)

    # A later output fails: phase.png is taken by a folder; the canvas
    # (staged first) must not appear, the earlier canvas stays whole.
    os.makedirs(path("a", "panels", "phase.png"))
    write(path("a", "canvas.ppm"), b"the earlier canvas")
    before = listing(path("a"))
    status, err = run(path("a", "canvas.ppm"), path("a", "panels"))
    check(status == 1 and "phase.png" in err, f"a panel taken by a folder: {status} {err!r}")
    check(listing(path("a")) == before, f"a panel taken by a folder: {listing(path('a')) - before}")
    with open(path("a", "canvas.ppm"), "rb") as f:
        check(f.read() == b"the earlier canvas", "a panel taken by a folder: the earlier canvas")

    os.makedirs(path("b"))
    write(path("b", "file"), b"")
    status, err = run(path("b", "canvas.ppm"), path("b", "file", "panels"))
    check(status == 1 and listing(path("b")) == {"file"},
          f"panels inside a file: {status} {err!r} {listing(path('b'))}")

    # Replacing: every file new, complete, with the umask's mode.
    os.makedirs(path("c", "panels"))
    for name in ("canvas.ppm", "panels/input.png", "panels/magnitude.png", "panels/phase.png"):
        write(path("c", name), b"old")
    status, err = run(path("c", "canvas.ppm"), path("c", "panels"))
    mask = os.umask(0)
    os.umask(mask)
    for name in ("canvas.ppm", "panels/input.png", "panels/magnitude.png", "panels/phase.png"):
        check(status == 0 and complete(path("c", name)), f"replaced {name}: {status} {err!r}")
        mode = os.stat(path("c", name)).st_mode & 0o777
        check(mode == 0o666 & ~mask, f"{name}: mode {oct(mode)}, want {oct(0o666 & ~mask)}")
    check(listing(path("c")) == {"canvas.ppm", "panels", "panels/input.png",
                                 "panels/magnitude.png", "panels/phase.png"},
          f"replaced: only the outputs: {listing(path('c'))}")

    # A full disk: room for the canvas, not for the panels after it.
    disk = path("disk")
    os.makedirs(disk)
    size = CANVAS_BYTES + 64 * 1024
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", disk],
                             capture_output=True).returncode == 0
    if not mounted:
        print("skipped the full disk: no tmpfs can be mounted here")
    else:
        try:
            free = os.statvfs(disk).f_bfree
            status, err = run(os.path.join(disk, "canvas.ppm"), os.path.join(disk, "panels"))
            check(status == 1 and "No space left on device" in err, f"full disk: {status} {err!r}")
            check(listing(disk) == set(), f"full disk: nothing left: {listing(disk)}")
            check(os.statvfs(disk).f_bfree == free, "full disk: the space is free again")
            # With room for all, the same run writes everything.
            subprocess.run(["mount", "-o", f"remount,size={4 * size}", disk], check=True)
            status, err = run(os.path.join(disk, "canvas.ppm"), os.path.join(disk, "panels"))
            check(status == 0 and complete(os.path.join(disk, "canvas.ppm")),
                  f"a disk with room: {status} {err!r}")
        finally:
            subprocess.run(["umount", disk], check=True)

    # Kills at moments spread over whole runs, against earlier files or none.
    started = time.monotonic()
    run(path("timing.ppm"), path("timing"))
    span = time.monotonic() - started
    randomness = random.Random(18)
    outcomes = {"old": 0, "new": 0, "none": 0}
    for attempt in range(40):
        folder = path(f"k{attempt}")
        os.makedirs(folder)
        had_old = attempt % 2 == 0
        if had_old:
            write(os.path.join(folder, "canvas.ppm"), b"old")
        expected = {"canvas.ppm", "panels", "panels/input.png", "panels/magnitude.png",
                    "panels/phase.png"}
        process = subprocess.Popen(render_args(os.path.join(folder, "canvas.ppm"),
                                               os.path.join(folder, "panels")),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(randomness.uniform(0, span * 1.5))
        process.send_signal(signal.SIGKILL if attempt % 4 < 2 else signal.SIGTERM)
        process.wait()
        names = listing(folder)
        check(names <= expected, f"kill {attempt}: only outputs: {names - expected}")
        for name in names - {"panels"}:
            full = os.path.join(folder, name)
            is_old = name == "canvas.ppm" and had_old and open(full, "rb").read() == b"old"
            check(is_old or complete(full), f"kill {attempt}: {name} old or complete")
        outcome = "none" if "canvas.ppm" not in names else (
            "old" if had_old and open(os.path.join(folder, "canvas.ppm"), "rb").read() == b"old"
            else "new")
        outcomes[outcome] += 1
    print(f"kills: {outcomes}")

checks.finish()
