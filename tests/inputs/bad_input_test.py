#!/usr/bin/env python3
"""Runs the real program on missing and malformed BMP files.

Each case sets up a fresh working directory with the four files the program
loads at start-up, one of them missing or wrong, and checks that the program
names the file on stderr, exits with a non-zero status (not by a signal) and
that no sanitizer reports anything. Every case fails while the sheets load,
before any window is opened, so no display is needed.

The binary comes from ZARVO_BIN.
"""

import os
import struct
import subprocess
import sys
import tempfile

PICTURES = ["ostrel-512x512.bmp", "vhs-512x512.bmp", "sierpinsky-512x512.bmp"]
FONT = "font2.bmp"


def bmp_8bit(width, height, byte_at=lambda x, y: (x ^ y) & 255):
    """An uncompressed 8-bit BMP with a grey-ramp palette."""
    row_size = (width + 3) & ~3
    palette = b"".join(bytes((k, k, k, 0)) for k in range(256))
    rows = []
    for y in range(height - 1, -1, -1):  # bottom row first
        row = bytes(byte_at(x, y) for x in range(width))
        rows.append(row + b"\0" * (row_size - width))
    return _bmp(width, height, 8, palette, b"".join(rows))


def bmp_24bit(width, height, pixel_at=lambda x, y: (255, 255, 255) if (x + y) % 3 else (0, 0, 0)):
    """An uncompressed 24-bit BMP; pixel_at gives (r, g, b)."""
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = b"".join(bytes((b, g, r)) for r, g, b in (pixel_at(x, y) for x in range(width)))
        rows.append(row + b"\0" * (row_size - width * 3))
    return _bmp(width, height, 24, b"", b"".join(rows))


def _bmp(width, height, bits, palette, data):
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    colours = 256 if bits == 8 else 0
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                       colours, 0)
    return header + info + palette + data


GOOD_PICTURE = bmp_8bit(512, 512)
GOOD_FONT = bmp_24bit(128, 64)


def case_files(**overrides):
    """The four good files, with overrides: name -> bytes, or None to omit."""
    files = {name: GOOD_PICTURE for name in PICTURES}
    files[FONT] = GOOD_FONT
    files.update(overrides)
    return files


# (case name, files, texts that must appear on stderr)
CASES = [
    ("missing " + name, case_files(**{name: None}), ["Unable to open surface: " + name])
    for name in PICTURES + [FONT]
] + [
    ("24-bit picture", case_files(**{PICTURES[0]: bmp_24bit(512, 512)}),
     [PICTURES[0], "expected an 8-bit picture of 512 x 512", "found 24 bits per pixel"]),
    ("256 x 256 picture", case_files(**{PICTURES[1]: bmp_8bit(256, 256)}),
     [PICTURES[1], "expected an 8-bit picture of 512 x 512", "256 x 256 pixels"]),
    ("512 x 511 picture", case_files(**{PICTURES[2]: bmp_8bit(512, 511)}),
     [PICTURES[2], "expected an 8-bit picture", "512 x 511 pixels"]),
    ("picture that is not a BMP", case_files(**{PICTURES[2]: b"BM not really a bitmap"}),
     ["Unable to open surface: " + PICTURES[2]]),
    ("8-bit font", case_files(**{FONT: bmp_8bit(128, 64)}),
     [FONT, "expected a 24-bit font sheet", "found 8 bits per pixel"]),
    ("font 4 pixels wide", case_files(**{FONT: bmp_24bit(4, 1200)}),
     [FONT, "at least one cell (8 pixels) wide", "found 4 pixels"]),
    ("font with too few rows", case_files(**{FONT: bmp_24bit(128, 56)}),
     [FONT, "expected at least 8 rows", "found 56 pixels"]),
    ("empty font file", case_files(**{FONT: b""}), ["Unable to open surface: " + FONT]),
]

SANITIZER_TEXTS = ["AddressSanitizer", "LeakSanitizer", "runtime error"]


def run_case(binary, name, files, expected_texts):
    failures = []
    with tempfile.TemporaryDirectory(prefix="zarvo-bad-input-") as work:
        for file_name, content in files.items():
            if content is not None:
                with open(os.path.join(work, file_name), "wb") as f:
                    f.write(content)
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        env["SDL_VIDEODRIVER"] = "dummy"
        env["SDL_AUDIODRIVER"] = "dummy"
        try:
            result = subprocess.run([binary], cwd=work, env=env, capture_output=True,
                                    timeout=60, text=True, errors="replace")
        except subprocess.TimeoutExpired:
            return [f"{name}: did not end within 60 s (did it get past the sheets?)"]
    stderr = result.stderr
    if result.returncode < 0:
        failures.append(f"{name}: ended by signal {-result.returncode}")
    elif result.returncode == 0:
        failures.append(f"{name}: exit status 0 after a bad file")
    for text in expected_texts:
        if text not in stderr:
            failures.append(f"{name}: stderr lacks {text!r}")
    if "ERROR: " not in stderr:
        failures.append(f"{name}: no SDL error log line on stderr")
    for text in SANITIZER_TEXTS:
        if text in stderr:
            failures.append(f"{name}: sanitizer report ({text!r})")
    if "Window dimensions" in result.stdout:
        failures.append(f"{name}: a window was created")
    if failures:
        failures.append(f"--- {name}: status {result.returncode}\nstdout:\n{result.stdout}"
                        f"stderr:\n{stderr}")
    return failures


def main():
    binary = os.environ.get("ZARVO_BIN")
    if not binary or not os.path.isfile(binary):
        print(f"ZARVO_BIN does not name the program: {binary!r}", file=sys.stderr)
        return 1
    failures = []
    for name, files, expected in CASES:
        case_failures = run_case(binary, name, files, expected)
        print(f"{'FAIL' if case_failures else 'ok  '} {name}")
        failures.extend(case_failures)
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
