#!/usr/bin/env python3
"""zarvo-render --picture on pictures of 16384 x 16384 pixels against the
formats' own command-line decoders writing to /dev/null (djpeg for JPEG,
pngtopnm for PNG, bmptopnm for BMP), run side by side in alternating rounds;
prints medians, the ratio of decoding plus fitting (a render with the picture
less one without) to the decoder's time, and the peak memory above a run
without a picture.

usage: bench/picture_rates.py [ROUNDS]   (after building the default preset;
       needs libjpeg-turbo-progs and netpbm: scripts/packages.sh lists them)
"""

import os
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RENDER = os.path.join(ROOT, "build", "app", "zarvo-render")
ASSETS = os.path.join(ROOT, "assets")
SIDE = 16384
ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 3


def timed(command):
    """(seconds, peak resident MiB) of one run, its output thrown away."""
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {' '.join(command)}")
    return time.monotonic() - start, usage.ru_maxrss / 1024


def rows(colours):
    """Bands and a bright square, `colours` bytes a pixel."""
    band = bytes((x * 7 + (x >> 5) * 3) % 256 for x in range(colours * 512 + 1024))
    for y in range(SIDE):
        line = bytearray(band[(y * 29) % 1024:][:colours * 512] * (SIDE // 512))
        if 4096 <= y < 8192:
            line[colours * 4096:colours * 8192] = b"\xf0" * (colours * 4096)
        yield bytes(line)


def make(work, colours):
    """The picture as PNM, JPEG, progressive JPEG, PNG and BMP files."""
    name = "grey" if colours == 1 else "colour"
    pnm = os.path.join(work, f"{name}.pnm")
    with open(pnm, "wb") as f:
        f.write(b"P%d\n%d %d\n255\n" % (5 if colours == 1 else 6, SIDE, SIDE))
        for line in rows(colours):
            f.write(line)
    files = {}
    for kind, flags in (("jpg", []), ("progressive.jpg", ["-progressive"])):
        files[kind] = os.path.join(work, f"{name}.{kind}")
        with open(files[kind], "wb") as out:
            subprocess.run(["cjpeg", "-quality", "90", *flags, pnm], stdout=out, check=True)
    files["png"] = os.path.join(work, f"{name}.png")
    with open(files["png"], "wb") as out:
        subprocess.run(["pnmtopng"], stdin=open(pnm, "rb"), stdout=out, check=True,
                       stderr=subprocess.DEVNULL)
    files["bmp"] = os.path.join(work, f"{name}.bmp")
    with open(files["bmp"], "wb") as out:
        stride = (SIDE * 3 + 3) // 4 * 4
        info = struct.pack("<IiiHHIIiiII", 40, SIDE, -SIDE, 1, 24, 0, stride * SIDE, 0, 0, 0, 0)
        out.write(b"BM" + struct.pack("<IHHI", 54 + stride * SIDE, 0, 0, 54) + info)
        for line in rows(colours):
            if colours == 1:
                grey = line
                line = bytearray(3 * len(grey))
                line[0::3] = line[1::3] = line[2::3] = grey
            else:
                line = bytearray(line)
                line[0::3], line[2::3] = line[2::3], line[0::3]
            out.write(line)
    os.remove(pnm)
    return name, files


def reference(path):
    if path.endswith(".jpg"):
        return ["djpeg", "-outfile", "/dev/null", path]
    return ["pngtopnm" if path.endswith(".png") else "bmptopnm", path]


with tempfile.TemporaryDirectory(prefix="zarvo-picture-rates-") as work:
    render = [RENDER, "--assets", ASSETS, "--out", os.path.join(work, "out.ppm")]
    pictures = [make(work, 1), make(work, 3)]
    print(f"{'picture':28} {'decoder':>9} {'render':>9} {'decode+fit':>11} {'ratio':>6} "
          f"{'memory above':>13}")
    for name, files in pictures:
        for kind, path in files.items():
            times = {"decoder": [], "render": [], "none": []}
            peak = 0.0
            base_peak = 0.0
            for _ in range(ROUNDS):
                times["decoder"].append(timed(reference(path))[0])
                t, peak = timed(render + ["--picture", path])
                times["render"].append(t)
                t, base_peak = timed(render)
                times["none"].append(t)
            decoder = statistics.median(times["decoder"])
            whole = statistics.median(times["render"])
            fit = whole - statistics.median(times["none"])
            print(f"{name + ' ' + kind:28} {decoder:8.2f}s {whole:8.2f}s {fit:10.2f}s "
                  f"{fit / decoder:6.2f} {peak - base_peak:10.0f} MiB")
