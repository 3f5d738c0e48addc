#!/usr/bin/env python3
"""zarvo-render with the user's picture, PNG output and the panels.

- A picture equal to a built-in sheet, written as PNG, gives byte for byte the
  canvas of the built-in test.
- A PNG canvas decodes to the bytes of the PPM canvas of the same frame; the
  panel files equal the canvas regions they come from, in both layouts (in the
  condensed one, the panel not shown equals the other render's).
- Pictures and paths it cannot use: one error line naming the file and what
  was wrong, status 1, and no file written.

ImageMagick (/usr/bin/convert) decodes the PNG files and writes the pictures.
"""

import os
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "window"))
from harness import read_ppm  # noqa: E402

RENDER = os.environ["ZARVO_RENDER"]
ASSETS = os.environ["ZARVO_ASSETS"]
CONVERT = "/usr/bin/convert"  # /usr/local/bin/convert may be a stand-in
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what)


def render(*args):
    done = subprocess.run([RENDER, "--assets", ASSETS, *args], capture_output=True, text=True,
                          timeout=120)
    return done.returncode, done.stderr


def ppm_pixels(path):
    """(width, height, RGB bytes) of a binary PPM; PNG files go through convert."""
    if path.endswith(".ppm"):
        with open(path, "rb") as f:
            return read_ppm(f.read())
    return read_ppm(subprocess.run([CONVERT, path, "-depth", "8", "ppm:-"], capture_output=True,
                                   check=True).stdout)


def region(image, x, y, size=512):
    width, _, pixels = image
    return b"".join(pixels[((y + r) * width + x) * 3:((y + r) * width + x + size) * 3]
                    for r in range(size))


def png_header(width, height):
    """The first 33 bytes of a PNG: signature and IHDR (8-bit grey)."""
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + b"IHDR" + ihdr +
            struct.pack(">I", 0))


def jpeg_header(width, height):
    """SOI, an APP0 segment, then a baseline start of frame."""
    app0 = b"\xff\xe0" + struct.pack(">H", 16) + b"JFIF\0" + bytes(9)
    sof = b"\xff\xc0" + struct.pack(">HBHHB", 11, 8, height, width, 1) + b"\x01\x11\x00"
    return b"\xff\xd8" + app0 + sof


def bmp_header(width, height):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, 0, 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(info) + 1024, 0, 0, 14 + len(info) + 1024) + info


with tempfile.TemporaryDirectory(prefix="zarvo-render-picture-") as work:
    def path(name):
        return os.path.join(work, name)

    # The built-in sheets as PNG pictures: the same canvas.
    for select, sheet in ((0, "ostrel-512x512.bmp"), (2, "vhs-512x512.bmp")):
        picture = path(f"sheet-{select}.png")
        subprocess.run([CONVERT, os.path.join(ASSETS, sheet), "-type", "Grayscale",
                        "-depth", "8", picture], check=True)
        for layout in ("full", "condensed"):
            status, err = render("--layout", layout, "--select", str(select), "--out",
                                 path("built-in.ppm"))
            check(status == 0, f"built-in {sheet} renders: {err}")
            status, err = render("--layout", layout, "--select", str(select), "--picture",
                                 picture, "--out", path("picture.ppm"))
            check(status == 0, f"{sheet} as a PNG picture renders: {err}")
            check(ppm_pixels(path("picture.ppm")) == ppm_pixels(path("built-in.ppm")),
                  f"{sheet} as a PNG picture gives the built-in canvas ({layout})")

    # PNG output and the panels, in both layouts and on either condensed panel.
    cases = [("full", [], {"magnitude": 555, "phase": 1089}),
             ("condensed", [], {"magnitude": 555}),
             ("condensed", ["--phase-panel"], {"phase": 555})]
    shown = {}
    for layout, extra, panels in cases:
        name = layout + "".join(extra)
        args = ["--layout", layout, "--select", "9", "--frames", "3", *extra]
        status, err = render(*args, "--out", path(f"{name}.ppm"))
        check(status == 0, f"{name}: PPM render: {err}")
        status, err = render(*args, "--out", path(f"{name}.png"), "--panels", path(name))
        check(status == 0, f"{name}: PNG render with panels: {err}")
        canvas = ppm_pixels(path(f"{name}.ppm"))
        check(ppm_pixels(path(f"{name}.png")) == canvas, f"{name}: the PNG decodes to the canvas")
        files = sorted(os.listdir(path(name)))
        check(files == ["input.png", "magnitude.png", "phase.png"], f"{name}: panel files {files}")
        check(region(ppm_pixels(path(f"{name}/input.png")), 0, 0) == region(canvas, 21, 21),
              f"{name}: input.png is the input panel")
        for panel, x in panels.items():
            cut = region(ppm_pixels(path(f"{name}/{panel}.png")), 0, 0)
            check(cut == region(canvas, x, 21), f"{name}: {panel}.png is the canvas at x {x}")
            shown[(layout, panel)] = cut
        for panel in ("magnitude", "phase"):
            check(ppm_pixels(path(f"{name}/{panel}.png"))[:2] == (512, 512),
                  f"{name}: {panel}.png is 512 x 512")
    # The condensed panel not shown is the one the other render shows.
    for name, panel in (("condensed", "phase"), ("condensed--phase-panel", "magnitude")):
        cut = region(ppm_pixels(path(f"{name}/{panel}.png")), 0, 0)
        check(cut == shown[("condensed", panel)], f"{name}: {panel}.png, not shown, is the panel")

    # Pictures it cannot use.
    os.mkfifo(path("pipe.png"))
    os.mkdir(path("folder.png"))
    with open(path("empty.png"), "wb"):
        pass
    with open(path("text.png"), "w") as f:
        f.write("not a picture\n")
    subprocess.run([CONVERT, "-size", "4x4", "xc:gray", path("small.gif")], check=True)
    subprocess.run([CONVERT, "-size", "40x30", "xc:gray", path("good.png")], check=True)
    with open(path("good.png"), "rb") as f:
        good_png = f.read()
    with open(path("cut.png"), "wb") as f:
        f.write(good_png[:len(good_png) // 2])
    with open(path("wide.png"), "wb") as f:
        f.write(png_header(20000, 10))
    with open(path("tall.jpg"), "wb") as f:
        f.write(jpeg_header(100, 16385))
    with open(path("huge.bmp"), "wb") as f:
        f.write(bmp_header(30000, 30000))
    with open(path("empty.bmp"), "wb") as f:
        f.write(bmp_header(4, 0) + bytes(1024))
    table = [
        ("missing.png", "cannot open"),
        ("folder.png", "expected a regular file, found a directory"),
        ("pipe.png", "expected a regular file, found a named pipe"),
        ("empty.png", "empty file"),
        ("text.png", "not a PNG, JPEG or BMP image"),
        ("small.gif", "not a PNG, JPEG or BMP image"),
        ("cut.png", "cannot decode"),
        ("wide.png", "expected an image of at most 16384 x 16384 pixels, "
                     "found a header claiming 20000 x 10"),
        ("tall.jpg", "found a header claiming 100 x 16385"),
        ("huge.bmp", "found a header claiming 30000 x 30000"),
        ("empty.bmp", "cannot decode"),
    ]
    for name, words in table:
        out = path("out.png")
        panels = path("panels")
        status, err = render("--picture", path(name), "--out", out, "--panels", panels)
        lines = err.splitlines()
        print(f"{status}  {name}: {err.strip()}")
        check(status == 1, f"{name}: exit status {status}, want 1")
        check(len(lines) == 1 and path(name) in lines[0] and words in lines[0],
              f"{name}: one line naming the file with {words!r}: {err!r}")
        check(not os.path.exists(out) and not os.path.exists(panels), f"{name}: nothing written")
        check(not any(n.startswith("out.png") for n in os.listdir(work)),
              f"{name}: no half-written file")

    # Options that do not fit together.
    status, err = render("--picture", path("good.png"), "--select", "5", "--out", path("x.png"))
    check(status == 64 and "picture test" in err, f"--picture with --select 5: {status} {err!r}")
    check(not os.path.exists(path("x.png")), "--picture with --select 5: nothing written")

print(f"{len(failures)} failed" if failures else "all passed")
sys.exit(1 if failures else 0)
