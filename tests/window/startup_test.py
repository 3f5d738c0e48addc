"""Start-up, layout, status lines, presenter and quitting, on the real window.

Each case starts the program on a private Xvfb screen of a chosen size and
checks what a user (or a pipe reading its output) would see.
"""

import os
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from harness import (CONVERT, Checks, Program, Xvfb, find_window, key, read_ppm,  # noqa: E402
                     read_xwd, render_canvas, send_close, wait_for_canvas, window_geometry,
                     xwd_dump)

checks = Checks()


def status_lines_ok(lines, width):
    return (len(lines) >= 3 and lines[0].startswith("Status: Using GLEW ")
            and lines[1].startswith("Status: Using GL version ")
            and lines[2] == f"Window dimensions: {width} x 800")


def xwd_read_as_imagemagick_reads_it(env, window, name):
    """The screenshots' own xwd reader against ImageMagick's, on one dump of
    the window; a cut dump is refused."""
    dump = xwd_dump(env, window)
    ppm = subprocess.run([CONVERT, "xwd:-", "-depth", "8", "ppm:-"], input=dump,
                         capture_output=True, check=True).stdout
    checks.check(read_xwd(dump) == read_ppm(ppm), f"{name}: the xwd reader agrees with convert")
    try:
        read_xwd(dump[:-1])
        checks.check(False, f"{name}: a cut xwd dump is read")
    except ValueError:
        checks.check(True, "")


def layout_case(screen, title, width, quit_with):
    """The window's title, place and size, the status lines, the first frames and the quit."""
    name = f"screen {screen[0]}x{screen[1]}"
    with Xvfb(*screen) as x:
        env = x.env()
        prog = Program(env)
        try:
            window = find_window(env, title, program=prog)
            lines = prog.wait_for_stdout_lines(3)
            checks.check(status_lines_ok(lines, width),
                         f"{name}: status lines while running: {lines}")
            checks.check(prog.proc.poll() is None, f"{name}: program still runs after start-up")
            checks.check(window_geometry(env, window) == (10, 28, width, 800),
                         f"{name}: geometry {window_geometry(env, window)}")
            if screen[0] >= width + 10 and screen[1] >= 828:
                # Each canvas pixel is one window pixel, the right way up.
                layout = "full" if width == 1640 else "condensed"
                expected = render_canvas(prog.workdir, layout, 0)
                checks.check(wait_for_canvas(env, window, width, expected),
                             f"{name}: the window shows the canvas")
                xwd_read_as_imagemagick_reads_it(env, window, name)
            if quit_with == "close":
                send_close(env, window)
            elif quit_with == "term":
                prog.proc.send_signal(signal.SIGTERM)
            else:
                key(env, quit_with)
            code = prog.wait()
            checks.check(code == 0, f"{name}: quit with {quit_with} gives exit {code}")
            checks.check("ERROR" not in prog.stderr(), f"{name}: stderr {prog.stderr()!r}")
        finally:
            prog.cleanup()


layout_case((1920, 1080), "zarvo", 1640, "Escape")
layout_case((1280, 1024), "zarvo (condensed layout)", 1100, "q")
layout_case((1640, 900), "zarvo", 1640, "close")
layout_case((1639, 900), "zarvo (condensed layout)", 1100, "close")


def failure_case(name, env, expect_in_stderr, expect_code, quit_after=None, status_lines=None):
    prog = Program(env)
    try:
        if quit_after:
            # The program goes on after these errors: wait for the message,
            # then ask it to quit as a user would.
            import time
            deadline = time.monotonic() + 20
            while time.monotonic() < deadline and expect_in_stderr not in prog.stderr():
                time.sleep(0.1)
            quit_after(prog)
        code = prog.wait()
        err = prog.stderr()
        checks.check(expect_in_stderr in err, f"{name}: stderr lacks {expect_in_stderr!r}: {err!r}")
        if expect_code == "nonzero":
            checks.check(code is not None and code > 0, f"{name}: exit {code}, want non-zero")
        else:
            checks.check(code == expect_code, f"{name}: exit {code}, want {expect_code}")
        if status_lines is not None:
            lines = prog.stdout().splitlines()
            checks.check(status_lines_ok(lines, status_lines), f"{name}: status lines {lines}")
        return err
    finally:
        prog.cleanup()


def no_display_env(**extra):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    env["MESA_SHADER_CACHE_DISABLE"] = "true"
    env.update(extra)
    return env


# No window can be created: no GL context, exit status 2.
failure_case("dummy video driver", no_display_env(SDL_VIDEODRIVER="dummy"),
             "ERROR: Unable to create OpenGL context: ", 2)

# No display at all: SDL falls back to an offscreen EGL window, where glewInit
# fails for want of a GLX display; the status lines are printed all the same
# and the program runs on (invisibly) until asked to quit.
failure_case("glewInit fails", no_display_env(), "ERROR: Error: ", 0,
             quit_after=lambda p: p.proc.send_signal(signal.SIGTERM), status_lines=1100)

with Xvfb(1920, 1080) as x:
    # GLSL 1.30 only: the "#version 330" fragment shader does not compile.
    err = failure_case("fragment shader", x.env(MESA_GL_VERSION_OVERRIDE="3.0",
                                                MESA_GLSL_VERSION_OVERRIDE="130"),
                       "ERROR: Couldn't compile fragment shader: \n", "nonzero")
    checks.check("GLSL 3.30 is not supported" in err, f"fragment shader: compiler log {err!r}")

    # A core-profile context refuses GL_CLAMP: two logged errors, then it runs.
    env = x.env(MESA_GL_VERSION_OVERRIDE="4.5FC")
    err = failure_case("core profile", env, "ERROR: OpenGL error: 1280", 0,
                       quit_after=lambda p: key(env, "Escape"))
    checks.check(err.count("OpenGL error: 1280") == 2, f"core profile: {err!r}")

checks.finish()
