#!/usr/bin/env python3
"""A picture of 16384 x 16384 pixels through zarvo-render's whole path costs
at most 64 MiB above a run without a picture (peak resident memory, as the
kernel counts it for each run): a PNG and a baseline JPEG, read a row at a
time; an interlaced PNG, whose passes go into the fit as they come; and a
progressive JPEG, whose coefficients libjpeg keeps until its last scan (in a
temporary file here). The interlaced PNG must show as the plain one, and
the progressive JPEG as the baseline one (which djpeg decodes to the same
pixels).

Skipped under the sanitizers, whose shadow memory is not the program's.
"""

import os
import subprocess
import sys
import tempfile
import zlib
import struct

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "window"))
from harness import Checks  # noqa: E402

RENDER = os.environ["ZARVO_RENDER"]
ASSETS = os.environ["ZARVO_ASSETS"]
SIDE = 16384
GOAL_MIB = 64
checks = Checks()
check = checks.check


if os.environ.get("ZARVO_SANITIZED") == "1":
    print("skipped under the sanitizers")
    sys.exit(0)


def run(args):
    """(status, stderr, peak resident MiB) of one zarvo-render run."""
    process = subprocess.Popen([RENDER, "--assets", ASSETS, *args], stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE)
    err = process.stderr.read().decode()
    _, status, usage = os.wait4(process.pid, 0)
    return os.waitstatus_to_exitcode(status), err, usage.ru_maxrss / 1024


# Grey (x + 3 y) // 64 % 256 for every x + 3 y a row of 512 can reach, so that
# a row's band is one slice instead of 512 Python divisions.
BANDS = bytes(i // 64 % 256 for i in range(512 + 3 * SIDE))


def row(y):
    """Grey row y: diagonal bands and a bright square, so the sheet is not flat."""
    line = bytearray(BANDS[3 * y:3 * y + 512] * (SIDE // 512))
    if 4096 <= y < 8192:
        line[4096:8192] = b"\xf0" * 4096
    return line


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def write_png(path, interlaced):
    """An 8-bit grey PNG, streamed through zlib a row at a time."""
    passes = [(0, 8, 0, 8), (4, 8, 0, 8), (0, 4, 4, 8), (2, 4, 0, 4), (0, 2, 2, 4), (1, 2, 0, 2),
              (0, 1, 1, 2)] if interlaced else [(0, 1, 0, 1)]
    squeeze = zlib.compressobj(6)
    idat = []
    for x0, dx, y0, dy in passes:
        for y in range(y0, SIDE, dy):
            idat.append(squeeze.compress(b"\0" + row(y)[x0::dx]))
    idat.append(squeeze.flush())
    ihdr = struct.pack(">IIBBBBB", SIDE, SIDE, 8, 0, 0, 0, 1 if interlaced else 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr))
        f.write(chunk(b"IDAT", b"".join(idat)))
        f.write(chunk(b"IEND", b""))


def write_jpeg(path, progressive):
    """cjpeg reading a PGM of the rows from its standard input."""
    with open(path, "wb") as out:
        cjpeg = subprocess.Popen(["cjpeg", "-quality", "90", *(["-progressive"] if progressive
                                                               else [])],
                                 stdin=subprocess.PIPE, stdout=out)
        cjpeg.stdin.write(b"P5\n%d %d\n255\n" % (SIDE, SIDE))
        for y in range(SIDE):
            cjpeg.stdin.write(row(y))
        cjpeg.stdin.close()
        check(cjpeg.wait() == 0, f"cjpeg made {path}")


with tempfile.TemporaryDirectory(prefix="zarvo-big-picture-") as work:
    def path(name):
        return os.path.join(work, name)

    write_png(path("big.png"), False)
    write_png(path("big-interlaced.png"), True)
    write_jpeg(path("big.jpg"), False)
    write_jpeg(path("big-progressive.jpg"), True)
    # Compared on disk: this process stays small, since the kernel counts a
    # child's memory from the fork on.
    for name in ("big.jpg", "big-progressive.jpg"):
        subprocess.run(["djpeg", "-outfile", path(name + ".pgm"), path(name)], check=True)
    check(subprocess.run(["cmp", "-s", path("big.jpg.pgm"), path("big-progressive.jpg.pgm")])
          .returncode == 0, "the baseline and progressive JPEGs decode alike in djpeg")
    for name in ("big.jpg", "big-progressive.jpg"):
        os.remove(path(name + ".pgm"))

    status, err, base = run(["--out", path("none.ppm")])
    check(status == 0, f"a run without a picture: {err}")
    with open(path("none.ppm"), "rb") as f:
        canvases = {"none": f.read()}
    for name in ("big.png", "big-interlaced.png", "big.jpg", "big-progressive.jpg"):
        status, err, peak = run(["--picture", path(name), "--out", path(name + ".ppm")])
        print(f"{name}: peak {peak:.0f} MiB, {peak - base:.0f} MiB above a run without a picture")
        check(status == 0, f"{name} renders: {err}")
        check(peak - base <= GOAL_MIB, f"{name}: {peak - base:.0f} MiB above, goal {GOAL_MIB}")
        if status == 0:
            with open(path(name + ".ppm"), "rb") as f:
                canvases[name] = f.read()
    check(canvases.get("big.png") == canvases.get("big-interlaced.png"),
          "the interlaced PNG shows as the plain one")
    check(canvases.get("big.jpg") == canvases.get("big-progressive.jpg"),
          "the progressive JPEG shows as the baseline one")
    check(canvases.get("big.png") != canvases["none"], "the picture shows")

checks.finish()
