#!/usr/bin/env python3
"""zarvo-render's command line: --help and --version, a plain render, and
what it does with options it cannot use (the message, the exit status, and
no file written).

The binary comes from ZARVO_RENDER, the assets from ZARVO_ASSETS, the
version CMake gave the project from ZARVO_VERSION.
"""

import os
import subprocess
import sys
import tempfile

RENDER = os.environ["ZARVO_RENDER"]
ASSETS = os.environ["ZARVO_ASSETS"]
VERSION = os.environ["ZARVO_VERSION"]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what)


def run(args, cwd=None):
    done = subprocess.run([RENDER] + args, cwd=cwd, capture_output=True, text=True, timeout=60)
    return done.returncode, done.stdout, done.stderr


with tempfile.TemporaryDirectory() as work:
    status, out, err = run(["--help"])
    check(status == 0, f"--help exits 0 (got {status})")
    check(out.startswith("usage: zarvo-render"), f"--help prints the usage: {out[:60]!r}")
    for option in ["--out", "--panels", "--picture", "--layout", "--select", "--phase-panel",
                   "--frames", "--first-frame", "--keys", "--ms-per-frame", "--assets",
                   "--find-input-panel", "--help", "--version"]:
        check(option in out, f"--help lists {option}")
    check(err == "", f"--help writes nothing to stderr: {err!r}")

    status, out, err = run(["--version"])
    check((status, out) == (0, f"zarvo-render {VERSION}\n"),
          f"--version prints the project's version: {status}, {out!r}")

    # A plain render: a binary PPM of the full layout, 1640 x 800.
    image = os.path.join(work, "frame.ppm")
    status, out, err = run(["--assets", ASSETS, "--select", "9", "--out", image])
    check(status == 0, f"a render exits 0 (got {status}, {err!r})")
    with open(image, "rb") as f:
        check(f.read(15) == b"P6\n1640 800\n255", "the render is a 1640 x 800 PPM")

    # (arguments, status, words the one error line must hold)
    cases = [
        (["--bogus", "--out", "x.ppm"], 64, ["unknown option '--bogus'", "--help"]),
        (["--help-me"], 64, ["unknown option '--help-me'"]),
        ([], 64, ["--out FILE, --panels DIR or --find-input-panel SHOT is required"]),
        (["--select", "10", "--out", "x.ppm"], 64, ["bad test '10'"]),
        (["--frames", "two", "--out", "x.ppm"], 64, ["bad frame count 'two'"]),
        (["--layout", "wide", "--out", "x.ppm"], 64, ["unknown layout 'wide'"]),
        (["--keys", "1:Left", "--out", "x.ppm"], 64, ["unknown key 'Left'"]),
        (["--out"], 64, ["--out needs a value"]),
        (["--assets", os.path.join(work, "nowhere"), "--out", "x.ppm"], 1,
         ["cannot enter", "nowhere"]),
        (["--assets", ASSETS, "--out", os.path.join(work, "no", "dir", "x.ppm")], 1,
         [os.path.join(work, "no", "dir", "x.ppm")]),
        (["--assets", ASSETS, "--out", "x.gif"], 64, ["--out x.gif", ".png, .ppm or .bmp"]),
        # A file option names one file, never an empty name.
        (["--picture", "", "--out", "x.ppm"], 64, ["--picture needs a file name"]),
        (["--out", ""], 64, ["--out needs a file name"]),
        (["--panels", "", "--out", "x.ppm"], 64, ["--panels needs a file name"]),
        (["--assets", "", "--out", "x.ppm"], 64, ["--assets needs a file name"]),
        (["--find-input-panel", ""], 64, ["--find-input-panel needs a file name"]),
        (["--picture", "a.png", "--picture", "b.png", "--out", "x.ppm"], 64,
         ["--picture given twice"]),
        (["--out", "x.ppm", "--out", "x.bmp"], 64, ["--out given twice"]),
        (["--panels", "p", "--out", "x.ppm", "--panels", "q"], 64, ["--panels given twice"]),
    ]
    for args, want_status, words in cases:
        status, out, err = run(args, cwd=work)
        what = " ".join(args) or "(no arguments)"
        check(status == want_status, f"{what}: exit status {status}, want {want_status}")
        for word in words:
            check(word in err, f"{what}: message {err!r} holds {word!r}")
        check(out == "", f"{what}: nothing on stdout ({out!r})")
        check(not [n for n in os.listdir(work) if n.startswith("x.")], f"{what}: no file written")

    # Endings in any case: the file is what its ending says.
    for name, magic in (("x.PNG", b"\x89PNG"), ("x.Ppm", b"P6\n"), ("x.BMP", b"BM")):
        status, out, err = run(["--assets", ASSETS, "--out", name], cwd=work)
        with open(os.path.join(work, name), "rb") as f:
            check(status == 0 and f.read(len(magic)) == magic, f"--out {name}: {status} {err!r}")
        os.remove(os.path.join(work, name))

print(f"{len(failures)} failed" if failures else "all passed")
sys.exit(1 if failures else 0)
