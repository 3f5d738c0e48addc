#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus (corpus/) and the crafted regression
inputs (regressions/) next to this script.

The seeds are small BMP files of every form SDL decodes, so that the fuzzer
starts inside the decoder rather than at its first "not a BMP": 1-, 4-, 8-,
16-, 24- and 32-bit, run-length coded, old-style and long headers, top-down,
a picture and a font that pass the program's checks, and files cut short.
The regression inputs are headers that claimed huge images in a few bytes.

The files corpus/found-* were kept as they are from a fuzzing run, for the
branches they reach that the seeds below do not; this script leaves them
alone. Inputs the fuzzer finds to fail are copied into regressions/ as they
are.
"""

import os
import struct
import sys

sys.dont_write_bytecode = True  # the import below leaves no cache in the tree
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "inputs"))
from bad_input_test import _bmp, bmp_8bit, bmp_24bit, core_header_bmp  # noqa: E402

BI_RLE8, BI_RLE4, BI_BITFIELDS = 1, 2, 3


def bmp_with_header(width, height, bits, data, compression=0, palette=b"", header_size=40,
                    masks=b""):
    """A BMP whose info header is `header_size` bytes long (40, 108 or 124);
    bitfield masks follow a 40-byte header and sit inside a longer one."""
    fields = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression,
                         len(data), 2835, 2835, len(palette) // 4, 0)
    if header_size == 40:
        info = fields + masks
    else:
        info = (fields + masks).ljust(header_size, b"\0")
    offset = 14 + len(info) + len(palette)
    return struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset) + info + palette + data


def rle8_picture():
    """512 x 512 in runs of 255, 255 and 2 per row: a picture the check passes."""
    rows = b"".join(bytes((255, y & 255, 255, (y * 3) & 255, 2, 255, 0, 0)) for y in range(512))
    return _bmp(512, 512, 8, rows + b"\0\1", compression=BI_RLE8)


def rle4_8x8():
    """Runs of two alternating colours, a literal run, a delta, end of bitmap."""
    data = (bytes((8, 0x12, 0, 0)) + bytes((0, 4, 0x34, 0x56, 4, 0x78, 0, 0)) +
            bytes((0, 2, 1, 1)) + bytes((4, 0x9a, 0, 0)) + b"\0\1")
    palette = b"".join(bytes((k * 16, k * 16, k * 16, 0)) for k in range(16))
    return bmp_with_header(8, 8, 4, data, BI_RLE4, palette)


def one_bit_16x16():
    palette = b"\0\0\0\0\xff\xff\xff\0"
    rows = b"".join(struct.pack(">HH", (0xA5A5 >> (y % 4)) & 0xFFFF, 0) for y in range(16))
    return bmp_with_header(16, 16, 1, rows, palette=palette)


def rgb565_8x8():
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    rows = b"".join(struct.pack("<H", (x * 4093 + y * 977) & 0xFFFF) for y in range(8)
                    for x in range(8))
    return bmp_with_header(8, 8, 16, rows, BI_BITFIELDS, masks=masks)


def argb_v5_8x8():
    """A 124-byte BITMAPV5HEADER with alpha, red, green and blue masks."""
    masks = struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    rows = b"".join(bytes((x * 30, y * 30, 200, 255 - x)) for y in range(8) for x in range(8))
    return bmp_with_header(8, 8, 32, rows, BI_BITFIELDS, header_size=124, masks=masks)


def font_sheet():
    """128 x 64 at 24 bits: sixteen cells of 8 x 8 in each of eight rows, white
    dots on black, every cell different: a font the check passes."""
    def pixel(x, y):
        code = (y // 8) * 16 + x // 8
        on = (code >> ((x + y) % 8)) & 1
        return (255, 255, 255) if on else (0, 0, 0)
    return bmp_24bit(128, 64, pixel)


SEEDS = {
    "picture-8bit-4x4.bmp": bmp_8bit(4, 4),
    "picture-8bit-4x-4-top-down.bmp": bmp_8bit(4, 4)[:22] + struct.pack("<i", -4) +
    bmp_8bit(4, 4)[26:],
    "picture-rle8-512x512.bmp": rle8_picture(),
    "picture-rle4-8x8.bmp": rle4_8x8(),
    "picture-1bit-16x16.bmp": one_bit_16x16(),
    "picture-8bit-cut-in-header.bmp": bmp_8bit(4, 4)[:30],
    "picture-8bit-cut-in-pixels.bmp": bmp_8bit(64, 4)[:-100],
    "font-24bit-128x64.bmp": font_sheet(),
    "sheet-24bit-8x8.bmp": bmp_24bit(8, 8),
    "sheet-24bit-core-header-8x8.bmp": core_header_bmp(8, 8, 24, bmp_24bit(8, 8)[54:]),
    "sheet-16bit-565-8x8.bmp": rgb565_8x8(),
    "sheet-32bit-v5-8x8.bmp": argb_v5_8x8(),
    "sheet-24bit-cut-in-pixels.bmp": bmp_24bit(16, 16)[:-40],
}

REGRESSIONS = {
    # Each cost gigabytes and seconds inside SDL before anything refused it.
    "core-header-claiming-65535x65535.bmp": core_header_bmp(65535, 65535, 24, b"\0" * 64),
    "rle8-claiming-30000x30000-ending-at-once.bmp": _bmp(30000, 30000, 8, b"\0\1",
                                                         compression=BI_RLE8),
    "header-claiming-1x2147483647.bmp": _bmp(1, 2**31 - 1, 8, b"\0" * 64),
    "header-claiming-46000x-46000.bmp": _bmp(46000, -46000, 8, b""),
}


def write_all(folder, files):
    os.makedirs(folder, exist_ok=True)
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)


if __name__ == "__main__":
    write_all(os.path.join(HERE, "corpus"), SEEDS)
    write_all(os.path.join(HERE, "regressions"), REGRESSIONS)
