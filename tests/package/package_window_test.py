#!/usr/bin/env python3
"""The unpacked package's program on a private Xvfb display, started from an
unrelated working directory: the window must appear with its title and show
what the unpacked zarvo-render composes for the same state, Esc must end it
with status 0, and nothing may be written where it was started.

package_test.py unpacks the package into the folder ZARVO_PACKAGE_ROOT names
first; CTest runs it as this test's fixture.
"""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "window"))
from harness import (Checks, Program, Xvfb, env_path, find_window, key, read_ppm,  # noqa: E402
                     wait_for_canvas)

usr = os.path.join(env_path("ZARVO_PACKAGE_ROOT"), "usr")
checks = Checks()

with tempfile.TemporaryDirectory(prefix="zarvo-package-") as work:
    # What the window must show: the unpacked renderer's canvas of the first
    # test, two frames in (the help line in its steady tint).
    expected_path = os.path.join(work, "expected.ppm")
    subprocess.run([os.path.join(usr, "bin", "zarvo-render"), "--assets",
                    os.path.join(usr, "share", "zarvo"), "--layout", "full", "--select", "0",
                    "--frames", "2", "--out", expected_path], check=True)
    with open(expected_path, "rb") as f:
        width, height, expected = read_ppm(f.read())

    elsewhere = os.path.join(work, "elsewhere")
    os.mkdir(elsewhere)
    with Xvfb(1920, 1080) as x:
        env = x.env()
        prog = Program(env, cwd=elsewhere, binary=os.path.join(usr, "bin", "zarvo"))
        try:
            window = find_window(env, "zarvo", program=prog)
            checks.check(wait_for_canvas(env, window, width, expected),
                         "the window shows the renderer's canvas")
            key(env, "Escape")
            code = prog.wait()
            checks.check(code == 0, f"Esc ends the program with status {code}")
            checks.check("ERROR" not in prog.stderr(), f"no error line: {prog.stderr()!r}")
            checks.check(os.listdir(elsewhere) == [], "nothing written to the working directory")
        finally:
            prog.cleanup()

checks.finish()
