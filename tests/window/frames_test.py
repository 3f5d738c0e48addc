"""Every test in the real window, frame for frame against the headless renderer.

For each layout the program is started on a private Xvfb screen and driven
with keys as a person would. zarvo-render, which composes frames with the
same code and no window, says what the window must show: the screenshot must
equal its canvas everywhere except the rate line (rows 0 to 8 of the last 197
columns), which carries the live frame rate.
"""

import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (Checks, Program, Xvfb, env_path, find_window, key,  # noqa: E402
                     keys_in_one_poll, render_canvas, renderer_path, same_outside_rate_line,
                     screenshot, send_close, test_labels, wait_for_canvas)

LABELS = test_labels()
# The animated tests, which the window shows moving.
MOVING = [LABELS.index(name) for name in ("Vertical Line", "Rotating Box", "Pulsating Sphere",
                                          "Thingie")]

checks = Checks()
workdir = tempfile.mkdtemp(prefix="zarvo-frames-")


def render(layout, select, phase_panel=False, first_frame=1):
    return render_canvas(workdir, layout, select, phase_panel, first_frame)


def input_panel(width, pixels):
    row = width * 3
    return b"".join(pixels[y * row + 21 * 3:y * row + 533 * 3] for y in range(21, 533))


def wait_for(env, window, width, expected):
    return wait_for_canvas(env, window, width, expected)


def frames_matching_input_panel(layout, select, shot_pixels, width):
    path = os.path.join(workdir, "shot.ppm")
    with open(path, "wb") as f:
        f.write(b"P6\n%d 800\n255\n" % width + shot_pixels)
    found = subprocess.run([renderer_path(), "--assets", env_path("ZARVO_ASSETS"), "--layout", layout,
                            "--select", str(select), "--find-input-panel", path],
                           check=True, capture_output=True, text=True).stdout.split()
    return [int(f) for f in found]


def check_moving(env, window, layout, width, select, name):
    """The window moves; some frame of the renderer equals it outside the rate line."""
    first = screenshot(env, window)[2]
    time.sleep(0.3)
    second = screenshot(env, window)[2]
    checks.check(input_panel(width, first) != input_panel(width, second),
                 f"{name}: the input panel moves between screenshots")
    # A screenshot may catch the buffer swap half done: try a few.
    for _ in range(5):
        shot = screenshot(env, window)[2]
        for frame in frames_matching_input_panel(layout, select, shot, width):
            # Two frames, so the help line has its steady tint.
            start = frame - 1 if frame > 1 else 1000
            if same_outside_rate_line(width, shot, render(layout, select, first_frame=start)):
                checks.check(True, "")
                return
        time.sleep(0.1)
    checks.check(False, f"{name}: no renderer frame equals the window")


def run_layout(screen, layout, title, width):
    with Xvfb(*screen) as x:
        env = x.env()
        prog = Program(env)
        try:
            window = find_window(env, title, program=prog)
            # The six still tests, reached with Down, then the four moving ones.
            for select in range(len(LABELS)):
                name = f"{layout}: {LABELS[select]}"
                if select > 0:
                    key(env, "Down")
                if select in MOVING:
                    check_moving(env, window, layout, width, select, name)
                else:
                    checks.check(wait_for(env, window, width, render(layout, select)),
                                 f"{name}: window equals the renderer's canvas")

            # Down from the last entry wraps to the first, Up from the first to the last.
            key(env, "Down")
            checks.check(wait_for(env, window, width, render(layout, 0)),
                         f"{layout}: Down from Thingie selects Ostrel")
            key(env, "Up")
            check_moving(env, window, layout, width, 9, f"{layout}: Up from Ostrel selects Thingie")
            key(env, "Down")
            checks.check(wait_for(env, window, width, render(layout, 0)),
                         f"{layout}: back to Ostrel")

            # A held key moves the selection once, whatever its auto-repeat does.
            subprocess.run(["xdotool", "keydown", "Down"], env=env, check=True)
            time.sleep(1.3)
            subprocess.run(["xdotool", "keyup", "Down"], env=env, check=True)
            checks.check(wait_for(env, window, width, render(layout, 1)),
                         f"{layout}: a held Down moves by one")
            # Several presses that land in one poll move it by one too.
            keys_in_one_poll(env, prog, "Down", "Down", "Down")
            checks.check(wait_for(env, window, width, render(layout, 2)),
                         f"{layout}: three Downs in one poll move by one")

            # Space: the condensed layout switches panel and back; the full
            # layout shows no change.
            key(env, "space")
            condensed = layout == "condensed"
            checks.check(wait_for(env, window, width, render(layout, 2, phase_panel=condensed)),
                         f"{layout}: Space {'shows the phase' if condensed else 'changes nothing'}")
            key(env, "space")
            checks.check(wait_for(env, window, width, render(layout, 2)),
                         f"{layout}: Space again switches back")

            send_close(env, window) if condensed else key(env, "Escape")
            code = prog.wait()
            checks.check(code == 0, f"{layout}: exit status {code}")
            checks.check("ERROR" not in prog.stderr(), f"{layout}: stderr {prog.stderr()!r}")
        finally:
            prog.cleanup()


run_layout((1920, 1080), "full", "zarvo", 1640)
run_layout((1280, 1024), "condensed", "zarvo (condensed layout)", 1100)
checks.finish()
