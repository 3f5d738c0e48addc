"""A storm of key presses on the real window: the program keeps drawing,
each poll moves the selection by at most one, and it quits cleanly.

One poll takes every key press that arrived since the last: its arrow step is
the last arrow press found (so it moves the selection by one at most) and any
number of Space presses toggles once. Where the poll boundaries fall inside a
fast storm is up to the scheduler, so a storm with several arrow presses can
end on any entry. SDL adds a second rule: a release followed within 2 ms by
another press of the same key is taken for auto-repeat, and that press
arrives as a repeat, which the program ignores. The storms below are built so
that their end is known all the same, or checked for being one valid state:

1. a thousand presses and releases cycling through twenty different keys
   (arrows, Space and keys the program ignores), so that the same key comes
   back only every twenty presses and each press is a real one: the window
   goes on drawing and afterwards shows one of the twenty states (entry and
   panel) exactly as the renderer draws it;
2. a thousand presses and releases with a single Down and a single Space
   among keys the program ignores: however the polls divide it, the
   selection moves by exactly one and the panel switches once;
3. forty presses sent while the program is stopped, so that the first poll
   after it resumes finds them all: six Ups and six Spaces, then one Down,
   in groups far enough apart that every press is a real one. The last arrow
   is the Down, so the selection moves by one (the sum of the arrows would
   move it back five, the first arrow back one), and the six Spaces switch
   the panel once, not six times.

Then slow keys, one per poll, and Esc: exit status 0.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (Checks, PhaseReader, Program, Xvfb, canvas_of_state, find_window,  # noqa: E402
                     key, same_outside_rate_line, screenshot, selection_in_menu)

LAYOUT, TITLE, WIDTH = "condensed", "zarvo (condensed layout)", 1100
# Twenty keys with no effect: neither arrows nor Space nor a quit key.
IGNORED = ["Left", "Right", "a", "b", "c", "d", "e", "f", "g", "h", "1", "2", "3", "4", "5", "6",
           "Return", "Tab", "BackSpace", "Home"]

checks = Checks()
workdir = tempfile.mkdtemp(prefix="zarvo-storm-")
reader = PhaseReader(workdir, LAYOUT, WIDTH)


def shows_state(env, window, select, phase_panel, tries=20):
    """Screenshots until one equals the renderer's canvas for the state at
    the frame its rate line shows (outside the live rate itself)."""
    for _ in range(tries):
        pixels = screenshot(env, window)[2]
        frame = reader.read(pixels)
        if frame is not None and same_outside_rate_line(
                WIDTH, pixels, canvas_of_state(workdir, LAYOUT, select, phase_panel, frame)):
            return True
        time.sleep(0.1)
    return False


def observed_state(env, window, tries=20):
    """(entry, phase panel) of a screenshot that equals the renderer's canvas
    for one of the twenty states, or None."""
    for _ in range(tries):
        pixels = screenshot(env, window)[2]
        frame = reader.read(pixels)
        lit = selection_in_menu(WIDTH, pixels)
        if frame is not None and len(lit) == 1:
            for phase_panel in (False, True):
                expected = canvas_of_state(workdir, LAYOUT, lit[0], phase_panel, frame)
                if same_outside_rate_line(WIDTH, pixels, expected):
                    return lit[0], phase_panel
        time.sleep(0.1)
    return None


def send_storm(env, keys):
    """Sends the presses and releases as fast as xdotool can; returns the seconds taken."""
    start = time.monotonic()
    subprocess.run(["xdotool", "key", "--delay", "0"] + keys, env=env, check=True)
    return time.monotonic() - start


def storm_with_screenshots(env, window, keys):
    """Sends a storm while taking screenshots; returns the seconds it took and
    the phases read during it and in three screenshots after it."""
    took = []
    sender = threading.Thread(target=lambda: took.append(send_storm(env, keys)))
    sender.start()
    during = []
    while sender.is_alive():
        during.append(reader.read(screenshot(env, window)[2]))
    sender.join()
    after = []
    for _ in range(3):
        time.sleep(0.2)
        after.append(reader.read(screenshot(env, window)[2]))
    if not took:
        raise AssertionError("xdotool failed during the storm")
    return took[0], [p for p in during if p is not None], [p for p in after if p is not None]


def process_state(pid):
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()[0]


def run():
    with Xvfb(1280, 1024) as x:
        env = x.env()
        prog = Program(env)
        try:
            window = find_window(env, TITLE, program=prog)
            checks.check(shows_state(env, window, 0, False), "start: Ostrel, magnitude panel")

            # 1. Mixed storm: 50 rounds of twenty different keys.
            mixed = (["Down", "space", "Up"] + IGNORED[:17]) * 50
            took, during, after = storm_with_screenshots(env, window, mixed)
            print(f"mixed storm: {len(mixed)} presses and releases in {took:.2f} s; "
                  f"phases read during it {during}, after it {after}")
            checks.check(len(set(during)) == len(during),
                         f"mixed storm: the rate line changes while it lasts: {during}")
            checks.check(prog.proc.poll() is None, "mixed storm: the program still runs")
            checks.check(len(after) >= 2 and len(set(after)) == len(after),
                         f"mixed storm: the rate line keeps changing afterwards: {after}")
            state = observed_state(env, window)
            checks.check(state is not None, "mixed storm: the window shows one of the 20 states")
            if state is None:
                return
            select, phase_panel = state
            print(f"mixed storm: ended on entry {select}, "
                  f"{'phase' if phase_panel else 'magnitude'} panel")

            # 2. One Down and one Space among a thousand ignored presses.
            quiet = [IGNORED[i % 20] for i in range(998)]
            quiet[300:300] = ["Down"]
            quiet[700:700] = ["space"]
            took = send_storm(env, quiet)
            print(f"single-arrow storm: {len(quiet)} presses and releases in {took:.2f} s")
            select, phase_panel = (select + 1) % 10, not phase_panel
            checks.check(shows_state(env, window, select, phase_panel),
                         f"single-arrow storm: entry {select}, phase panel {phase_panel}")

            # 3. Forty presses in one poll. Stopped, the program reads nothing;
            # the events (a few kilobytes) wait on its connection, and the
            # first poll after it resumes drains them all. The pauses between
            # groups keep SDL from taking a press for auto-repeat.
            groups = [["Up"] + [IGNORED[(3 * i + j) % 20] for j in range(3)] + ["space"]
                      for i in range(6)]
            groups.append(["Down"] + IGNORED[:9])
            prog.proc.send_signal(signal.SIGSTOP)
            while process_state(prog.proc.pid) != "T":
                time.sleep(0.01)
            for group in groups:
                send_storm(env, group)
                time.sleep(0.02)
            time.sleep(0.2)
            prog.proc.send_signal(signal.SIGCONT)
            select, phase_panel = (select + 1) % 10, not phase_panel
            checks.check(shows_state(env, window, select, phase_panel),
                         f"one poll of six Ups and Spaces, then a Down: entry {select}, "
                         f"phase panel {phase_panel}")

            # Slow keys, each in its own poll.
            key(env, "Up", "Up", "space")
            select, phase_panel = (select - 2) % 10, not phase_panel
            checks.check(shows_state(env, window, select, phase_panel),
                         f"slow Up, Up, Space: entry {select}, phase panel {phase_panel}")
            print(f"final selection: entry {select}, {'phase' if phase_panel else 'magnitude'} "
                  "panel")

            key(env, "Escape")
            code = prog.wait()
            checks.check(code == 0, f"exit status {code}")
            checks.check("ERROR" not in prog.stderr(), f"stderr {prog.stderr()!r}")
        finally:
            prog.cleanup()


try:
    run()
finally:
    shutil.rmtree(workdir, ignore_errors=True)
checks.finish()
