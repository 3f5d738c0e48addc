#!/usr/bin/env python3
"""Runs the real program on missing, unreadable and malformed BMP files.

Each case sets up a fresh working directory with the four files the program
loads at start-up, one of them missing or wrong, and checks that the program
names that file (and no other) in an SDL error line on stderr, exits with
status 1 (not by a signal) within a second, stays within a modest amount of
memory and that no sanitizer reports anything. Every case fails while the
sheets load, before any window is opened, so no display is needed.

The binary comes from ZARVO_BIN; ZARVO_SANITIZED=1 marks a sanitizer build,
which may take longer to start.
"""

import os
import random
import resource
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

PICTURES = ["ostrel-512x512.bmp", "vhs-512x512.bmp", "sierpinsky-512x512.bmp"]
OSTREL, VHS, SIERPINSKY = PICTURES
FONT = "font2.bmp"
ALL_FILES = PICTURES + [FONT]

# A failed start-up does little more than read a few files. The sanitizer
# build runs slower, so it gets more time, never the normal build.
SANITIZED = os.environ.get("ZARVO_SANITIZED", "0") not in ("", "0", "OFF")
TIME_LIMIT_S = 3.0 if SANITIZED else 1.0
# The largest sheet the loader lets SDL allocate is 4096 x 4096 x 4 bytes
# (64 MiB); a header claiming more must be refused before the allocation.
MEMORY_LIMIT_MB = 256


def bmp_8bit(width, height, byte_at=lambda x, y: (x ^ y) & 255):
    """An uncompressed 8-bit BMP with a grey-ramp palette."""
    row_size = (width + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom row first
        row = bytes(byte_at(x, y) for x in range(width))
        rows.append(row + b"\0" * (row_size - width))
    return _bmp(width, height, 8, b"".join(rows))


def bmp_24bit(width, height, pixel_at=lambda x, y: (255, 255, 255) if (x + y) % 3 else (0, 0, 0)):
    """An uncompressed 24-bit BMP; pixel_at gives (r, g, b)."""
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = b"".join(bytes((b, g, r)) for r, g, b in (pixel_at(x, y) for x in range(width)))
        rows.append(row + b"\0" * (row_size - width * 3))
    return _bmp(width, height, 24, b"".join(rows))


def bmp_32bit(width, height):
    """An uncompressed 32-bit BMP (blue, green, red, unused), white glyph dots on black."""
    pixel = lambda x, y: b"\xff\xff\xff\0" if (x + y) % 3 else b"\0\0\0\0"  # noqa: E731
    rows = [b"".join(pixel(x, y) for x in range(width)) for y in range(height - 1, -1, -1)]
    return _bmp(width, height, 32, b"".join(rows))


def _bmp(width, height, bits, data, compression=0):
    """File header, 40-byte info header, a grey palette for 8 bits, data."""
    palette = b"".join(bytes((k, k, k, 0)) for k in range(256)) if bits == 8 else b""
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(data), 2835,
                       2835, 256 if bits == 8 else 0, 0)
    return header + info + palette + data


def core_header_bmp(width, height, bits, data):
    """A BMP with the 12-byte BITMAPCOREHEADER of 16-bit sizes (no palette)."""
    offset = 14 + 12
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + struct.pack("<IHHHH", 12, width, height, 1, bits) + data


def with_u32(data, at, value):
    """`data` with the little-endian 32-bit field at byte `at` set to `value`."""
    return data[:at] + struct.pack("<I", value) + data[at + 4:]


def random_bytes(seed, count, prefix=b""):
    """Fixed pseudo-random bytes after `prefix`: the same file on every run."""
    return prefix + random.Random(seed).randbytes(count - len(prefix))


GOOD_PICTURE = bmp_8bit(512, 512)
GOOD_FONT = bmp_24bit(128, 64)


class Directory:
    """The file's name is taken by an empty directory."""


class Unreadable:
    """A good file without read permission for the user that runs the program."""

    def __init__(self, content):
        self.content = content


class Fifo:
    """A named pipe; with `writer`, a process keeps writing into it (so a
    reader would never see its end)."""

    def __init__(self, writer=False):
        self.writer = writer


class Link:
    """A symbolic link to `target` (which need not exist)."""

    def __init__(self, target):
        self.target = target


class Socket:
    """A Unix socket that a process listens on."""


class Sparse:
    """A regular file of `size` bytes (a hole after `head`), which takes no
    room on the disk."""

    def __init__(self, size, head):
        self.size = size
        self.head = head


def refused_claim(width, height):
    """The message for a header claiming more than the largest sheet."""
    return ("expected a BMP image of at most 4096 x 4096 pixels, "
            f"found a header claiming {width} x {height}")


# Its info header is no 12-byte one, so width and height are the signed
# 32-bit fields at bytes 18 and 22; the refusal gives their magnitudes.
RANDOM_AFTER_BM = random_bytes(11, 4096, b"BM")
assert struct.unpack_from("<I", RANDOM_AFTER_BM, 14)[0] != 12
RANDOM_CLAIM = tuple(abs(v) for v in struct.unpack_from("<ii", RANDOM_AFTER_BM, 18))

UNABLE = "Unable to open surface: "
NOT_REGULAR = "expected a regular file, found "
# A 32-bit image of the largest sheet, with a megabyte to spare.
MAX_FILE_BYTES = 4 * 4096 * 4096 + (1 << 20)
EIGHT_BIT_512 = "expected an 8-bit picture of 512 x 512"

# (case name, file, content, texts its error line must hold besides the name)
# Content: bytes, None for a missing file, Directory or Unreadable. Every
# other file of the four is good.
CASES = [
    # Not there, or not a file that can be read.
    *[(f"missing {name}", name, None, [UNABLE + name]) for name in ALL_FILES],
    ("empty picture", OSTREL, b"", [UNABLE + OSTREL]),
    ("empty font file", FONT, b"", [UNABLE + FONT]),
    ("picture name taken by a directory", VHS, Directory(), [NOT_REGULAR + "a directory"]),
    ("unreadable picture", SIERPINSKY, Unreadable(GOOD_PICTURE), [UNABLE + SIERPINSKY]),
    # Cut short or not a BMP at all.
    ("picture header cut short", OSTREL, GOOD_PICTURE[:30], [UNABLE + OSTREL]),
    ("font header cut short", FONT, GOOD_FONT[:16], [UNABLE + FONT]),
    ("picture pixels cut short", VHS, GOOD_PICTURE[:len(GOOD_PICTURE) // 2], [UNABLE + VHS]),
    ("font missing its top row", FONT, GOOD_FONT[:-128 * 3], [UNABLE + FONT]),
    ("picture that is not a BMP", SIERPINSKY, b"BM not really a bitmap", [UNABLE + SIERPINSKY]),
    ("random bytes as a picture", SIERPINSKY, random_bytes(7, 4096), [UNABLE + SIERPINSKY]),
    ("random bytes after BM as a font", FONT, RANDOM_AFTER_BM, [refused_claim(*RANDOM_CLAIM)]),
    # Valid BMP files of the wrong depth.
    ("24-bit picture", OSTREL, bmp_24bit(512, 512),
     [EIGHT_BIT_512, "found 24 bits per pixel"]),
    ("8-bit font", FONT, bmp_8bit(128, 64), ["expected a 24-bit font sheet", "found 8 bits per pixel"]),
    ("32-bit font", FONT, bmp_32bit(128, 64),
     ["expected a 24-bit font sheet", "found 32 bits per pixel"]),
    # Valid BMP files of the wrong size.
    ("256 x 256 picture", VHS, bmp_8bit(256, 256), [EIGHT_BIT_512, "256 x 256 pixels"]),
    ("513 x 512 picture", OSTREL, bmp_8bit(513, 512),
     [EIGHT_BIT_512, "513 x 512 pixels in rows of 516 bytes"]),
    ("512 x 511 picture", SIERPINSKY, bmp_8bit(512, 511), [EIGHT_BIT_512, "512 x 511 pixels"]),
    ("font 4 pixels wide", FONT, bmp_24bit(4, 1200),
     ["at least one cell (8 pixels) wide", "found 4 pixels"]),
    ("font with one row of cells", FONT, bmp_24bit(128, 8),
     ["expected at least 8 rows", "found 8 pixels"]),
    ("font with too few rows", FONT, bmp_24bit(128, 56), ["expected at least 8 rows", "found 56 pixels"]),
    # Headers claiming huge images in files of a few bytes. SDL would
    # allocate and clear the whole claimed surface before reading a pixel.
    ("picture header claiming 46000 x 46000", OSTREL, _bmp(46000, 46000, 8, b""),
     [refused_claim(46000, 46000)]),
    ("picture header claiming 2^31 - 1 wide", SIERPINSKY, _bmp(2**31 - 1, 512, 8, b""),
     [refused_claim(2**31 - 1, 512)]),
    ("picture header claiming -2^31 rows (top-down)", VHS,
     _bmp(512, -2**31, 8, b"\0" * 64), [refused_claim(512, 2**31)]),
    # Run-length coded: "end of bitmap" at once is a complete 30000 x 30000 image.
    ("run-length picture claiming 30000 x 30000", VHS, _bmp(30000, 30000, 8, b"\0\1", 1),
     [refused_claim(30000, 30000)]),
    ("font header claiming 1 x 2^31 - 1", FONT, _bmp(1, 2**31 - 1, 24, b"\0" * 64),
     [refused_claim(1, 2**31 - 1)]),
    ("old-style font header claiming 65535 x 65535", FONT,
     core_header_bmp(65535, 65535, 24, b"\0" * 64), [refused_claim(65535, 65535)]),
    ("picture with its pixels claimed 4 GiB into the file", OSTREL,
     with_u32(GOOD_PICTURE, 10, 0xFFFFFFF0), [UNABLE + OSTREL]),
    # Not regular files: each would block the open or the read, or never
    # end. None is read.
    ("picture name taken by a named pipe", OSTREL, Fifo(), [NOT_REGULAR + "a named pipe"]),
    ("font name taken by a named pipe that a writer keeps filling", FONT, Fifo(writer=True),
     [NOT_REGULAR + "a named pipe"]),
    ("picture linked to /dev/zero", VHS, Link("/dev/zero"), [NOT_REGULAR + "a character device"]),
    ("font linked to /dev/urandom", FONT, Link("/dev/urandom"),
     [NOT_REGULAR + "a character device"]),
    ("picture linked to /dev/null", SIERPINSKY, Link("/dev/null"),
     [NOT_REGULAR + "a character device"]),
    ("font linked to /dev/tty", FONT, Link("/dev/tty"), [NOT_REGULAR + "a character device"]),
    ("picture name taken by a listening socket", OSTREL, Socket(), [NOT_REGULAR + "a socket"]),
    ("picture linked to the root directory", VHS, Link("/"), [NOT_REGULAR + "a directory"]),
    ("picture linked to nothing", SIERPINSKY, Link("no-such-file.bmp"), [UNABLE + SIERPINSKY]),
    ("font linked to itself", FONT, Link(FONT), [UNABLE + FONT]),
    # Regular files too large for any sheet, a good header first: refused by
    # their size, unread.
    ("picture of 1 TiB after a good header", OSTREL, Sparse(1 << 40, GOOD_PICTURE[:1078]),
     ["expected a file of at most", f"found {1 << 40} bytes"]),
    ("font one byte larger than the largest sheet", FONT, Sparse(MAX_FILE_BYTES + 1, GOOD_FONT),
     [f"expected a file of at most {MAX_FILE_BYTES} bytes", f"found {MAX_FILE_BYTES + 1} bytes"]),
]

SANITIZER_TEXTS = ["AddressSanitizer", "LeakSanitizer", "runtime error"]


def as_other_user():
    """The command prefix that runs the program without root's power to read
    any file, or an empty one when it already runs as an ordinary user."""
    if os.geteuid() != 0:
        return []
    if shutil.which("setpriv"):
        return ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
    if shutil.which("runuser"):
        return ["runuser", "-u", "nobody", "--"]
    raise RuntimeError("running as root without setpriv or runuser: cannot drop the right to "
                       "read an unreadable file")


def lay_out(work, bad_name, content, helpers):
    """Writes the four files into `work`; returns the command prefix. Processes
    that must outlive the program's start (a pipe's writer, a socket's
    listener) go into `helpers`."""
    for name in ALL_FILES:
        if name != bad_name:
            with open(os.path.join(work, name), "wb") as f:
                f.write(GOOD_FONT if name == FONT else GOOD_PICTURE)
    path = os.path.join(work, bad_name)
    if isinstance(content, Directory):
        os.mkdir(path)
    elif isinstance(content, Fifo):
        os.mkfifo(path)
        if content.writer:
            # Blocks until a reader opens the pipe, then never stops.
            helpers.append(subprocess.Popen(["sh", "-c", 'exec cat /dev/zero > "$1"', "sh", path],
                                            stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL))
    elif isinstance(content, Link):
        os.symlink(content.target, path)
    elif isinstance(content, Socket):
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        listener.bind(path)
        listener.listen(1)
        helpers.append(listener)
    elif isinstance(content, Sparse):
        with open(path, "wb") as f:
            f.write(content.head)
            f.truncate(content.size)
    elif isinstance(content, Unreadable):
        with open(path, "wb") as f:
            f.write(content.content)
        os.chmod(path, 0)
        # The other user must reach the directory and the good files.
        os.chmod(work, 0o755)
        for name in ALL_FILES:
            if name != bad_name:
                os.chmod(os.path.join(work, name), 0o644)
        return as_other_user()
    elif content is not None:
        with open(path, "wb") as f:
            f.write(content)
    return []


def run_case(binary, name, bad_name, content, expected_texts):
    failures = []
    helpers = []
    with tempfile.TemporaryDirectory(prefix="zarvo-bad-input-") as work:
        try:
            prefix = lay_out(work, bad_name, content, helpers)
            env = dict(os.environ)
            env.pop("DISPLAY", None)
            env.pop("WAYLAND_DISPLAY", None)
            env["SDL_VIDEODRIVER"] = "dummy"
            env["SDL_AUDIODRIVER"] = "dummy"
            # Every allocation of a failed start-up is small and freed or
            # reachable: leaks and outsized requests are reports too.
            env["ASAN_OPTIONS"] = (env.get("ASAN_OPTIONS", "") +
                                   f":detect_leaks=1:max_allocation_size_mb={MEMORY_LIMIT_MB}")
            peak_before_kb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
            start = time.monotonic()
            try:
                result = subprocess.run(prefix + [binary], cwd=work, env=env, capture_output=True,
                                        timeout=60, text=True, errors="replace")
            except subprocess.TimeoutExpired:
                return [f"{name}: did not end within 60 s (did it get past the sheets?)"], 60.0, ""
            seconds = time.monotonic() - start
        finally:
            for helper in helpers:
                if isinstance(helper, socket.socket):
                    helper.close()
                else:
                    helper.kill()
                    helper.wait()
    stderr = result.stderr
    if result.returncode < 0:
        failures.append(f"{name}: ended by signal {-result.returncode}")
    elif result.returncode != 1:
        failures.append(f"{name}: exit status {result.returncode}, expected 1")
    if seconds > TIME_LIMIT_S:
        failures.append(f"{name}: took {seconds:.2f} s, more than {TIME_LIMIT_S} s")
    # ru_maxrss (KiB) is the largest of all children so far: when it grew
    # during this case, the new value is this case's peak.
    peak_kb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    if peak_kb > peak_before_kb and peak_kb > MEMORY_LIMIT_MB * 1024:
        failures.append(f"{name}: resident memory reached {peak_kb // 1024} MiB")
    error_lines = [line for line in stderr.splitlines() if line.startswith("ERROR: ")]
    named = [line for line in error_lines if bad_name in line]
    if not named:
        failures.append(f"{name}: no SDL error line names {bad_name}")
    for text in expected_texts:
        if not any(text in line for line in named):
            failures.append(f"{name}: no error line naming the file holds {text!r}")
    for other in ALL_FILES:
        if other != bad_name and any(other in line for line in error_lines):
            failures.append(f"{name}: an error line names the good file {other}")
    for text in SANITIZER_TEXTS:
        if text in stderr:
            failures.append(f"{name}: sanitizer report ({text!r})")
    if "Window dimensions" in result.stdout:
        failures.append(f"{name}: a window was created")
    if failures:
        failures.append(f"--- {name}: status {result.returncode}\nstdout:\n{result.stdout}"
                        f"stderr:\n{stderr}")
    return failures, seconds, (error_lines[0][len("ERROR: "):] if error_lines else "")


def main():
    binary = os.environ.get("ZARVO_BIN")
    if not binary or not os.path.isfile(binary):
        print(f"ZARVO_BIN does not name the program: {binary!r}", file=sys.stderr)
        return 1
    failures = []
    for name, bad_name, content, expected in CASES:
        case_failures, seconds, message = run_case(binary, name, bad_name, content, expected)
        print(f"{'FAIL' if case_failures else 'ok  '} {seconds:5.2f} s  {name}: {message}")
        failures.extend(case_failures)
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
