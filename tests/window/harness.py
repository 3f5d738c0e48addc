"""Runs the real zarvo program on a private Xvfb display and looks at it.

Stdlib only. The program and helper binaries come from the environment that
CTest sets (ZARVO_BIN, ZARVO_ASSETS, ZARVO_SEND_CLOSE).
"""

import functools
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

CONVERT = "/usr/bin/convert"  # /usr/local/bin/convert may be a stand-in


def env_path(name):
    value = os.environ.get(name)
    if not value:
        sys.exit(f"{name} is not set; run this test through ctest")
    return value


class Xvfb:
    """A private X server; -displayfd picks a free display number. -noreset:
    without it the server resets whenever its last client leaves, and a
    program connecting just then (while xdotool's short connections come and
    go) is dropped, so that SDL falls back to its offscreen driver."""

    def __init__(self, width, height):
        self.width, self.height = width, height

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             f"{self.width}x{self.height}x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb did not report its display")
                number += chunk
        self.display = ":" + number.decode().strip()
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait(timeout=10)

    def env(self, **extra):
        env = dict(os.environ)
        env.pop("WAYLAND_DISPLAY", None)
        env["DISPLAY"] = self.display
        env["MESA_SHADER_CACHE_DISABLE"] = "true"
        # llvmpipe draws in the program's own thread. Its rasterizer threads
        # would add nothing the screenshots need, and they would win the
        # program a larger share of the cores that the tests running beside
        # it are waiting for.
        env["LP_NUM_THREADS"] = "0"
        env.update(extra)
        return env


class Program:
    """The zarvo binary started in a working directory that holds the assets."""

    def __init__(self, env, cwd=None, binary=None):
        self.workdir = tempfile.mkdtemp(prefix="zarvo-test-")
        self.cwd = cwd or env_path("ZARVO_ASSETS")
        self.env = env
        self.out_path = os.path.join(self.workdir, "out.txt")
        self.err_path = os.path.join(self.workdir, "err.txt")
        with open(self.out_path, "wb") as out, open(self.err_path, "wb") as err:
            self.proc = subprocess.Popen([binary or env_path("ZARVO_BIN")], cwd=self.cwd,
                                         env=env, stdout=out, stderr=err,
                                         stdin=subprocess.DEVNULL)

    def wait(self, timeout=20):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise AssertionError(f"program did not end within {timeout} s")

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()

    def stdout(self):
        with open(self.out_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def stderr(self):
        with open(self.err_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def wait_for_stdout_lines(self, count, timeout=20):
        """The status lines must reach a file while the program runs."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            lines = self.stdout().splitlines()
            if len(lines) >= count:
                return lines
            if self.proc.poll() is not None:
                break
            time.sleep(0.05)
        return self.stdout().splitlines()

    def cleanup(self):
        self.kill()
        shutil.rmtree(self.workdir, ignore_errors=True)


def title_regex(title):
    return "^" + re.escape(title) + "$"


def find_window(env, title, timeout=20, program=None):
    """The id of the window titled `title`; on failure, says what the display
    shows instead and, given the program, whether it ended and what it said."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--name", title_regex(title)], env=env,
                               capture_output=True, text=True)
        ids = found.stdout.split()
        if ids:
            return ids[0]
        if program is not None and program.proc.poll() is not None:
            break
        time.sleep(0.1)
    named = subprocess.run(["xdotool", "search", "--name", "."], env=env, capture_output=True,
                           text=True).stdout.split()
    titles = [subprocess.run(["xdotool", "getwindowname", w], env=env, capture_output=True,
                             text=True).stdout.strip() for w in named]
    message = f"no window titled {title!r} within {timeout} s; titles on the display: {titles}"
    if program is not None:
        message += (f"; the program's status: {program.proc.poll()}"
                    f"; its stderr: {program.stderr()[-3000:]!r}")
    raise AssertionError(message)


def window_geometry(env, window):
    info = subprocess.run(["xwininfo", "-id", window], env=env, capture_output=True, text=True,
                          check=True).stdout
    values = {}
    for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
        match = re.search(re.escape(key) + r":\s+(-?\d+)", info)
        values[key] = int(match.group(1))
    return (values["Absolute upper-left X"], values["Absolute upper-left Y"], values["Width"],
            values["Height"])


def read_ppm(data):
    """Parses a binary PPM (P6, maxval 255), skipping '#' comments."""
    tokens, pos = [], 0
    while len(tokens) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        tokens.append(data[start:pos])
    if tokens[0] != b"P6" or tokens[3] != b"255":
        raise ValueError("not an 8-bit P6 PPM")
    width, height = int(tokens[1]), int(tokens[2])
    pixels = data[pos + 1:pos + 1 + width * height * 3]
    return width, height, pixels


def read_xwd(data):
    """(width, height, RGB bytes, rows packed) of an xwd dump of a 24-bit
    TrueColor window, the only kind Xvfb's 24-bit screens give: 32 bits a
    pixel, red in the high byte, rows unpadded. Read here rather than through
    ImageMagick, whose start-up for every screenshot was most of the window
    tests' own work."""
    if len(data) < 100:
        raise ValueError(f"an xwd dump of {len(data)} bytes")
    (header_size, version, pixmap_format, depth, width, height, _, byte_order, _, _, _,
     bits_per_pixel, bytes_per_line, _, red, green, blue, _, _, colours) = struct.unpack(
         ">20I", data[:80])
    if (version, pixmap_format, depth, bits_per_pixel, bytes_per_line, red, green, blue) != (
            7, 2, 24, 32, 4 * width, 0xFF0000, 0xFF00, 0xFF):
        raise ValueError("not a 24-bit TrueColor xwd dump: version %d, format %d, depth %d, "
                         "%d bits a pixel, %d bytes a row of %d, masks %x %x %x" % (
                             version, pixmap_format, depth, bits_per_pixel, bytes_per_line,
                             width, red, green, blue))
    start = header_size + 12 * colours
    if len(data) < start + bytes_per_line * height:
        raise ValueError(f"an xwd dump of {len(data)} bytes for {width} x {height} pixels")
    rows = data[start:start + bytes_per_line * height]
    # LSBFirst: blue, green, red, pad in memory; MSBFirst: pad, red, green, blue.
    r, g, b = (2, 1, 0) if byte_order == 0 else (1, 2, 3)
    pixels = bytearray(3 * width * height)
    pixels[0::3], pixels[1::3], pixels[2::3] = rows[r::4], rows[g::4], rows[b::4]
    return width, height, bytes(pixels)


def xwd_dump(env, window):
    """xwd's dump of the window, as bytes."""
    return subprocess.run(["xwd", "-id", window, "-silent"], env=env, capture_output=True,
                          check=True).stdout


def screenshot(env, window):
    """The window's client area as (width, height, RGB bytes, rows packed)."""
    return read_xwd(xwd_dump(env, window))


def key(env, *names, delay=0.25):
    for name in names:
        subprocess.run(["xdotool", "key", name], env=env, check=True)
        time.sleep(delay)


def keys_in_one_poll(env, program, *names):
    """Presses and releases the keys while the program is stopped, so that
    every event waits in its X connection and one poll reads them all: sent
    to a running program, fast presses may still straddle two polls."""
    os.kill(program.proc.pid, signal.SIGSTOP)
    try:
        subprocess.run(["xdotool", "key", "--delay", "0", *names], env=env, check=True)
        # A round trip of another client: the server has handled the presses
        # by the time it answers.
        subprocess.run(["xdotool", "getmouselocation"], env=env, check=True,
                       stdout=subprocess.DEVNULL)
    finally:
        os.kill(program.proc.pid, signal.SIGCONT)


def send_close(env, window):
    subprocess.run([env_path("ZARVO_SEND_CLOSE"), window], env=env, check=True)


def wait_for_screenshot(env, window, accept, timeout=20):
    """Polls screenshots until accept(width, height, pixels) is true; returns the last."""
    deadline = time.monotonic() + timeout
    shot = None
    while time.monotonic() < deadline:
        shot = screenshot(env, window)
        if accept(*shot):
            return shot, True
        time.sleep(0.1)
    return shot, False


def first_difference(width, actual, expected, skip=None):
    """(x, y, actual rgb, expected rgb) of the first differing pixel, or None."""
    if len(actual) != len(expected):
        return ("size", len(actual), len(expected))
    if actual == expected:
        return None
    for i in range(0, len(actual), 3):
        if actual[i:i + 3] != expected[i:i + 3]:
            x, y = (i // 3) % width, (i // 3) // width
            if skip and skip(x, y):
                continue
            return (x, y, tuple(actual[i:i + 3]), tuple(expected[i:i + 3]))
    return None


class Checks:
    """Collects failures so one run reports every broken case."""

    def __init__(self):
        self.failures = []
        self.passed = 0

    def check(self, condition, message):
        if condition:
            self.passed += 1
        else:
            self.failures.append(message)
            print("FAIL:", message, flush=True)

    def finish(self):
        print(f"{self.passed} passed, {len(self.failures)} failed")
        sys.exit(1 if self.failures else 0)


def exited_by_signal(code):
    return code is not None and code < 0


def renderer_path():
    """The renderer that says what the window must show: the build's own, or
    the one ZARVO_ORACLE_RENDER names (the sanitizer build takes the default
    build's, which gives the same bytes many times faster)."""
    oracle = os.environ.get("ZARVO_ORACLE_RENDER")
    if oracle:
        return oracle
    return os.path.join(os.path.dirname(env_path("ZARVO_BIN")), "zarvo-render")


@functools.lru_cache(maxsize=None)
def test_labels():
    """The tests' menu labels in order, from the renderer's catalogue."""
    return subprocess.run([renderer_path(), "--list-tests"], check=True, capture_output=True,
                          text=True).stdout.splitlines()


def render_canvas(workdir, layout, select, phase_panel=False, first_frame=1, frames=2):
    """zarvo-render's canvas for a state, as packed RGB bytes. Two frames by
    default, so that the help line has its steady tint."""
    out = os.path.join(workdir, "expected.ppm")
    args = [renderer_path(), "--assets", env_path("ZARVO_ASSETS"), "--layout", layout,
            "--select", str(select), "--first-frame", str(first_frame), "--frames", str(frames),
            "--out", out]
    if phase_panel:
        args.append("--phase-panel")
    subprocess.run(args, check=True)
    with open(out, "rb") as f:
        return read_ppm(f.read())[2]


def same_outside_rate_line(width, actual, expected):
    """Equal everywhere but the rate line: rows 0-8 of the last 197 columns,
    which carry the live frame rate."""
    if len(actual) != len(expected):
        return False
    row = width * 3
    keep = (width - 197) * 3
    for y in range(9):
        if actual[y * row:y * row + keep] != expected[y * row:y * row + keep]:
            return False
    return actual[9 * row:] == expected[9 * row:]


def wait_for_canvas(env, window, width, expected, timeout=15):
    """Polls screenshots until one equals `expected` outside the rate line."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        shot = screenshot(env, window)
        if same_outside_rate_line(width, shot[2], expected):
            return True
        time.sleep(0.1)
    return False


def first_frame_for(frame):
    """--first-frame for a two-frame render that ends on a frame with the
    phase of `frame` (the phase repeats every 1000 frames)."""
    return (frame - 2) % 1000 + 1


def canvas_of_state(workdir, layout, select, phase_panel, frame):
    """The renderer's canvas for the selection and panel at a frame number
    (or any frame with the same phase)."""
    return render_canvas(workdir, layout, select, phase_panel, first_frame_for(frame))


class PhaseReader:
    """Reads the animation phase off a screenshot's rate line.

    The line is "%3.0f FPS, ph=%1.3f", so the three decimals of the phase are
    its characters 14 to 16, 8 pixels apart from x = width - 197. Columns 1-7
    of a character cell, with the shadow below and to the right, belong to that
    character alone (column 0 also takes the shadow of the one before), so
    each decimal is read by comparing those columns, rows 0 to 8, with the
    same digit drawn by zarvo-render. The phase is the frame number mod 1000.
    """

    def __init__(self, workdir, layout, width):
        self.width = width
        self.digits = {}
        for frame, shown in ((12, "012"), (345, "345"), (678, "678"), (999, "999")):
            pixels = render_canvas(workdir, layout, 5, first_frame=frame, frames=1)
            for place, digit in enumerate(shown):
                self.digits[self._cell(pixels, place)] = digit
        if sorted(self.digits.values()) != list("0123456789"):
            raise AssertionError("the rate line's ten digits are not told apart")

    def _cell(self, pixels, place):
        x = self.width - 197 + 8 * (14 + place)
        row = self.width * 3
        return b"".join(pixels[y * row + (x + 1) * 3:y * row + (x + 8) * 3] for y in range(9))

    def read(self, pixels):
        """The frame number mod 1000 shown, or None when a digit is unreadable
        (a screenshot taken while the window was being redrawn)."""
        shown = [self.digits.get(self._cell(pixels, place)) for place in range(3)]
        return None if None in shown else int("".join(shown))


def selection_in_menu(width, pixels):
    """The menu entries whose highlight bar is lit, judged by its right end
    (x 150-158), which no label reaches."""
    row = width * 3
    return [i for i in range(len(test_labels()))
            if all(pixels[(560 + 12 * i) * row + x * 3:(560 + 12 * i) * row + x * 3 + 3]
                   == b"\xff\xff\xff" for x in range(150, 159))]


__all__ = ["CONVERT", "Xvfb", "Program", "find_window", "window_geometry", "screenshot", "xwd_dump",
           "key", "send_close", "wait_for_screenshot", "read_ppm", "read_xwd", "env_path",
           "renderer_path", "test_labels", "render_canvas", "same_outside_rate_line", "wait_for_canvas",
           "first_difference", "Checks", "signal", "first_frame_for", "canvas_of_state",
           "PhaseReader", "selection_in_menu"]
