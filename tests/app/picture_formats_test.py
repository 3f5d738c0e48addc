#!/usr/bin/env python3
"""zarvo-render --picture on the pictures a user meets, each against a
reference picture that means the same thing in a plainer form, rendered too
and compared canvas for canvas (or against the status and reason it must
give):

- a greyscale PNG with a transparent colour (tRNS) against the same ramp
  with that grey composited over black; a 16-bit one against its high bytes;
- an interlaced PNG against the same picture not interlaced;
- damaged PNGs (a chunk's length or checksum broken before the image data)
  and JPEGs cut anywhere after their scan begins: refused, with the
  library's reason, promptly;
- EXIF orientations 3, 6 and 8 (and the rest): a JPEG tagged by exiftool
  against ImageMagick's -auto-orient of it; a PNG with an eXIf chunk
  written here against the picture turned by ImageMagick;
- a CMYK JPEG as ImageMagick writes it (YCCK, Adobe's inverted inks)
  against ImageMagick's own conversion to RGB, within one grey level;
- a 32-bit BMP whose fourth byte is padding against the 24-bit BMP of the
  same colours, and one whose header has an alpha mask against the RGBA PNG.

The pictures are made here with ImageMagick, cjpeg, exiftool and struct.
"""

import os
import struct
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "window"))
from harness import Checks, read_ppm  # noqa: E402

RENDER = os.environ["ZARVO_RENDER"]
ASSETS = os.environ["ZARVO_ASSETS"]
SANITIZED = os.environ.get("ZARVO_SANITIZED") == "1"
CONVERT = "/usr/bin/convert"  # /usr/local/bin/convert may be a stand-in
checks = Checks()
check = checks.check


def render(picture, out, *extra):
    """(status, stderr, seconds) of zarvo-render with `picture`."""
    start = time.monotonic()
    try:
        done = subprocess.run([RENDER, "--assets", ASSETS, "--picture", picture, "--out", out,
                               *extra], capture_output=True, text=True, timeout=120)
    except subprocess.TimeoutExpired:
        return None, "no end after 120 s", time.monotonic() - start
    return done.returncode, done.stderr, time.monotonic() - start


def canvas(picture, work):
    out = os.path.join(work, "canvas.ppm")
    status, err, _ = render(picture, out)
    check(status == 0, f"{os.path.basename(picture)} renders: {err.strip()}")
    if status != 0:
        return None
    with open(out, "rb") as f:
        pixels = read_ppm(f.read())
    os.remove(out)
    return pixels


def same_canvas(picture, reference, work, what):
    a = canvas(picture, work)
    b = canvas(reference, work)
    check(a is not None and a == b, f"{what}: {os.path.basename(picture)} shows as "
          f"{os.path.basename(reference)}")


def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def png(width, height, depth, colour, rows, extra=b""):
    """A PNG of filtered-nothing rows (bytes each), `extra` chunks before IDAT."""
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    return path


def magick(*args):
    subprocess.run([CONVERT, *args], check=True)


def exif_block(orientation, big_endian):
    """A TIFF header and one image directory holding the orientation tag."""
    e = ">" if big_endian else "<"
    entry = struct.pack(e + "HHIHH", 0x0112, 3, 1, orientation, 0)
    return ((b"MM" if big_endian else b"II") + struct.pack(e + "HI", 42, 8) +
            struct.pack(e + "H", 1) + entry + struct.pack(e + "I", 0))


def bmp(width, height, bits, pixel_rows, header=40, masks=None):
    """A bottom-up BMP; rows are given top first, already packed."""
    stride = (width * bits + 31) // 32 * 4
    body = b"".join(row.ljust(stride, b"\0") for row in reversed(pixel_rows))
    compression = 3 if masks else 0
    info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, len(body),
                       2835, 2835, 0, 0)
    if masks:
        info += struct.pack("<4I", *masks)
    info = info.ljust(header, b"\0")
    offset = 14 + len(info)
    return b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset) + info + body


with tempfile.TemporaryDirectory(prefix="zarvo-picture-formats-") as work:
    def path(name):
        return os.path.join(work, name)

    # A grey ramp with a transparent grey, at 8 and 16 bits; the high byte
    # decides a 16-bit sample (the low byte 255 - g would round it up).
    ramp = [bytes(range(256))] * 3
    write(path("ramp.png"), png(256, 3, 8, 0, ramp))
    write(path("ramp-trns.png"), png(256, 3, 8, 0, ramp, chunk(b"tRNS", struct.pack(">H", 128))))
    write(path("ramp-over-black.png"),
          png(256, 3, 8, 0, [bytes(0 if g == 128 else g for g in range(256))] * 3))
    ramp16 = [b"".join(struct.pack(">H", g << 8 | (255 - g)) for g in range(256))] * 3
    write(path("ramp16.png"), png(256, 3, 16, 0, ramp16))
    write(path("ramp16-trns.png"),
          png(256, 3, 16, 0, ramp16, chunk(b"tRNS", struct.pack(">H", 128 << 8 | 127))))
    same_canvas(path("ramp-trns.png"), path("ramp-over-black.png"), work, "grey with tRNS")
    same_canvas(path("ramp16.png"), path("ramp.png"), work, "16-bit grey")
    same_canvas(path("ramp16-trns.png"), path("ramp-over-black.png"), work, "16-bit grey with tRNS")

    # A photograph-like picture in the formats below.
    magick("-size", "120x80", "-seed", "7", "plasma:fractal", "-define", "png:exclude-chunks=all",
           path("plasma.png"))
    magick(path("plasma.png"), "-interlace", "PNG", path("plasma-interlaced.png"))
    same_canvas(path("plasma-interlaced.png"), path("plasma.png"), work, "interlaced PNG")

    # Damage before the image data: a gAMA chunk's length byte flipped, or
    # one of its bytes (its checksum no longer matches); and after it.
    with open(path("plasma.png"), "rb") as f:
        good = f.read()
    gama = chunk(b"gAMA", struct.pack(">I", 45455))
    with_gama = good[:33] + gama + good[33:]
    write(path("gama.png"), with_gama)
    same_canvas(path("gama.png"), path("plasma.png"), work, "a gAMA chunk")
    broken_length = bytearray(with_gama)
    broken_length[33] ^= 0x40
    broken_data = bytearray(with_gama)
    broken_data[33 + 8] ^= 0x01
    idat = with_gama.find(b"IDAT")
    idat_length = struct.unpack(">I", with_gama[idat - 4:idat])[0]
    broken_idat = bytearray(with_gama)
    broken_idat[idat + 4 + idat_length] ^= 0x10  # its checksum
    damaged = [("gama-length.png", broken_length, "premature end of file"),
               ("gama-crc.png", broken_data, "gAMA: CRC error"),
               ("idat-crc.png", broken_idat, "IDAT: CRC error"),
               ("no-iend.png", with_gama[:-12], "premature end of file"),
               ("cut-in-idat.png", with_gama[:idat + 40], "premature end of file")]

    # JPEGs cut anywhere after the start of scan, or just before the end of
    # image; baseline, progressive and grey.
    magick(path("plasma.png"), path("plasma.ppm"))
    for name, flags in (("base", []), ("prog", ["-progressive"]), ("grey", ["-grayscale"])):
        jpeg = subprocess.run(["cjpeg", *flags, path("plasma.ppm")], capture_output=True,
                              check=True).stdout
        write(path(f"{name}.jpg"), jpeg)
        sos = jpeg.find(b"\xff\xda")
        for cut in (sos + 20, (sos + len(jpeg)) // 2, len(jpeg) - 2):
            damaged.append((f"{name}-cut-{cut}.jpg", jpeg[:cut], "Premature end of JPEG file"))
    for name, data, reason in damaged:
        status, err, seconds = render(write(path(name), data), path("out.ppm"))
        check(status == 1 and reason in err and err.count("\n") == 1,
              f"{name}: refused with {reason!r}: {status} {err!r}")
        check(seconds < (60 if SANITIZED else 10), f"{name}: refused in {seconds:.1f} s")
        check(not os.path.exists(path("out.ppm")), f"{name}: nothing written")

    # EXIF orientations: a JPEG tagged by exiftool, and a PNG with an eXIf
    # chunk in either byte order.
    turns = {2: ["-flop"], 3: ["-rotate", "180"], 4: ["-flip"], 5: ["-transpose"],
             6: ["-rotate", "90"], 7: ["-transverse"], 8: ["-rotate", "270"]}
    raw_rows = None
    for orientation, turn in turns.items():
        tagged = path(f"o{orientation}.jpg")
        write(tagged, open(path("base.jpg"), "rb").read())
        subprocess.run(["exiftool", "-q", "-overwrite_original", "-n",
                        f"-Orientation={orientation}", tagged], check=True)
        magick(tagged, "-auto-orient", path(f"o{orientation}-upright.png"))
        same_canvas(tagged, path(f"o{orientation}-upright.png"), work,
                    f"JPEG orientation {orientation}")
        exif = exif_block(orientation, orientation % 2 == 0)
        tagged_png = good[:33] + chunk(b"eXIf", exif) + good[33:]
        write(path(f"o{orientation}.png"), tagged_png)
        magick(path("plasma.png"), *turn, path(f"o{orientation}-turned.png"))
        same_canvas(path(f"o{orientation}.png"), path(f"o{orientation}-turned.png"), work,
                    f"PNG orientation {orientation}")

    # CMYK: ImageMagick writes YCCK with Adobe's inverted inks, and reads
    # the inks back through the same libjpeg; each channel is then the light
    # left by its ink and the black, (255 - C)(255 - K) / 255 rounded.
    magick(path("plasma.png"), "-colorspace", "CMYK", "-quality", "95", path("cmyk.jpg"))
    inks = subprocess.run([CONVERT, path("cmyk.jpg"), "-depth", "8", "cmyk:-"],
                          capture_output=True, check=True).stdout
    check(len(inks) == 120 * 80 * 4, f"CMYK inks of 120 x 80 pixels: {len(inks)} bytes")
    light = bytes(((255 - inks[i + c]) * (255 - inks[i + 3]) + 127) // 255
                  for i in range(0, len(inks), 4) for c in range(3))
    write(path("cmyk-as-rgb.png"), png(120, 80, 8, 2, [light[y * 360:(y + 1) * 360]
                                                        for y in range(80)]))
    same_canvas(path("cmyk.jpg"), path("cmyk-as-rgb.png"), work, "CMYK JPEG")

    # 32-bit BMPs: padding (a 40-byte header, no mask) or alpha (a V5
    # header with an alpha mask), against the 24-bit BMP and the RGBA PNG.
    colours = [[((x * 37) % 256, (y * 59) % 256, (x * y) % 256, (x * 16 + 3) % 256)
                for x in range(16)] for y in range(9)]
    write(path("rgb24.bmp"), bmp(16, 9, 24, [bytes(v for (r, g, b, _) in row for v in (b, g, r))
                                             for row in colours]))
    bgra = [bytes(v for (r, g, b, a) in row for v in (b, g, r, a)) for row in colours]
    write(path("padding32.bmp"), bmp(16, 9, 32, bgra))
    write(path("alpha32.bmp"),
          bmp(16, 9, 32, bgra, header=124, masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000)))
    write(path("rgba.png"), png(16, 9, 8, 6, [bytes(v for p in row for v in p) for row in colours]))
    same_canvas(path("padding32.bmp"), path("rgb24.bmp"), work, "32-bit BMP with padding")
    same_canvas(path("alpha32.bmp"), path("rgba.png"), work, "32-bit BMP with an alpha mask")

checks.finish()
