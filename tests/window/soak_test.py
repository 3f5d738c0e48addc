"""A long run of the real program: tens of thousands of frames with a person's
keys, steady memory, the right picture at the end and a clean quit.

The program runs on a private Xvfb screen in the condensed layout, where
Space shows in the picture. Every KEY_EVERY frames one key is pressed, in a
cycle that visits all ten tests with Down (wrapping from the last to the
first), switches the panel, visits them again with Up and switches back; after
each key the window must equal the renderer's canvas for the state the keys
lead to. Frames are counted from the phase that the rate line shows: it
advances by one thousandth a frame and wraps every 1000 frames, so readings
taken less than 1000 frames apart give the exact number of frames between
them. The resident memory (VmRSS) is sampled with every reading; from frame
1000 on its largest and smallest sample may differ by at most 1 MiB. Once
ZARVO_SOAK_FRAMES frames (default 20000) have passed, the last screenshot
must equal the renderer's canvas and Esc must end the program with status 0.

Takes several minutes: run it with tests/window/soak.sh, or
ctest --test-dir build -L soak --verbose.
"""

import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (Checks, PhaseReader, Program, Xvfb, canvas_of_state, find_window,  # noqa: E402
                     key, same_outside_rate_line, screenshot)

LAYOUT, TITLE, WIDTH = "condensed", "zarvo (condensed layout)", 1100
FRAMES = int(os.environ.get("ZARVO_SOAK_FRAMES", "20000"))
KEY_EVERY = 300
CYCLE = ["Down"] * 10 + ["space"] + ["Up"] * 10 + ["space"]
SETTLED = 1000  # frames after which the memory must hold steady
RSS_SPREAD_KIB = 1024
# Readings further apart than this could be 1000 frames apart or more and
# lose count: one present and the 4 ms pause alone allow at most about 110
# frames a second here.
MAX_GAP_S = 5.0
LOOK_EVERY_S = 1.0

checks = Checks()
workdir = tempfile.mkdtemp(prefix="zarvo-soak-")
reader = PhaseReader(workdir, LAYOUT, WIDTH)


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS line")


class Watch:
    """Screenshots with the frame count they show and a memory sample each."""

    def __init__(self, env, window, pid, started):
        self.env, self.window, self.pid = env, window, pid
        self.frames = None
        self.last_phase = None
        self.last_time = started
        self.samples = []  # (frame, VmRSS in KiB)

    def look(self):
        """A screenshot and the frame it shows, or (pixels, None) when its
        rate line cannot be read."""
        pixels = screenshot(self.env, self.window)[2]
        now = time.monotonic()
        phase = reader.read(pixels)
        if phase is None:
            return pixels, None
        if now - self.last_time > MAX_GAP_S:
            raise AssertionError(f"{now - self.last_time:.1f} s without a readable rate line: "
                                 "the frame count is lost")
        if self.frames is None:
            # Within MAX_GAP_S of the start: fewer than 1000 frames so far.
            self.frames = phase
        else:
            self.frames += (phase - self.last_phase) % 1000
        self.last_phase, self.last_time = phase, now
        self.samples.append((self.frames, resident_kib(self.pid)))
        return pixels, self.frames

    def shows(self, select, phase_panel, tries=20):
        """Looks until a screenshot equals the renderer's canvas for the state
        at the frame it shows."""
        for _ in range(tries):
            pixels, frame = self.look()
            if frame is not None and same_outside_rate_line(
                    WIDTH, pixels, canvas_of_state(workdir, LAYOUT, select, phase_panel, frame)):
                return True
            time.sleep(0.1)
        return False


def run():
    with Xvfb(1280, 1024) as x:
        env = x.env()
        started = time.monotonic()
        prog = Program(env)
        try:
            window = find_window(env, TITLE, program=prog)
            watch = Watch(env, window, prog.proc.pid, started)
            select, phase_panel = 0, False
            checks.check(watch.shows(select, phase_panel), "start: Ostrel, magnitude panel")
            next_key, presses = KEY_EVERY, 0
            while watch.frames is None or watch.frames < FRAMES:
                time.sleep(LOOK_EVERY_S)
                watch.look()
                if watch.frames is None or watch.frames < next_key:
                    continue
                name = CYCLE[presses % len(CYCLE)]
                key(env, name, delay=0.05)
                presses += 1
                if name == "space":
                    phase_panel = not phase_panel
                else:
                    select = (select + (1 if name == "Down" else -1)) % 10
                checks.check(watch.shows(select, phase_panel),
                             f"key {presses} ({name}) near frame {watch.frames}: entry {select}, "
                             f"phase panel {phase_panel}")
                next_key = watch.frames + KEY_EVERY
            checks.check(prog.proc.poll() is None, "the program runs to the end")
            last_match = watch.shows(select, phase_panel)
            checks.check(last_match, f"last screenshot: entry {select}, phase panel {phase_panel}")
            frames = watch.frames
            key(env, "Escape")
            code = prog.wait()
            took = time.monotonic() - started
            checks.check(code == 0, f"exit status {code}")
            checks.check("ERROR" not in prog.stderr(), f"stderr {prog.stderr()!r}")

            settled = [kib for frame, kib in watch.samples if frame >= SETTLED]
            spread = max(settled) - min(settled) if settled else None
            print(f"frames: {frames} in {took:.0f} s ({frames / took:.1f} frames/s with the "
                  f"screenshots), {presses} keys")
            print(f"VmRSS: {len(watch.samples)} samples, the first {watch.samples[0][1]} KiB at "
                  f"frame {watch.samples[0][0]}")
            if settled:
                print(f"VmRSS after frame {SETTLED}: {len(settled)} samples, min {min(settled)} "
                      f"KiB, max {max(settled)} KiB, spread {spread} KiB")
            step = max(1, len(watch.samples) // 20)
            print("VmRSS (KiB) by frame:", ", ".join(f"{frame}:{kib}"
                                                     for frame, kib in watch.samples[::step]))
            print(f"last screenshot equals the renderer's canvas: {last_match}; exit status {code}")
            checks.check(len(settled) >= 10,
                         f"only {len(settled)} memory samples after frame {SETTLED}")
            checks.check(spread is not None and spread <= RSS_SPREAD_KIB,
                         f"VmRSS after frame {SETTLED} spreads over {spread} KiB "
                         f"(at most {RSS_SPREAD_KIB})")
        finally:
            prog.cleanup()


try:
    run()
finally:
    shutil.rmtree(workdir, ignore_errors=True)
checks.finish()
