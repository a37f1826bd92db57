#!/usr/bin/env python3
"""End-to-end tests: drive the real Vorticel executable on an X display as a user would.

Usage: e2e_test.py --exe PATH --texture PATH --probe PATH [--launcher wine64]
                   [--clock-jump LIBRARY] [unittest args]
With a launcher (the Windows build under wine) the window size allows for wine's frame and the
checks of the X11 platform layer's own details are left out.
The clock-jump library, preloaded, moves the program's clock far into a run (Linux only).
Needs DISPLAY (the test command provides a private Xvfb) and xdotool, ImageMagick's import.
"""
import argparse
import os
import shutil
import sys
import tempfile
import time
import unittest

import e2e_support as support
from e2e_support import probe, press, screenshot, title, wait_for, windows

ARGS = None
ABOUT_TEXT = (
    "Very open interpretation of this week theme :)\n"
    "This is a rewrite of my first Quorvane entry,\n"
    " then it is a rebirth...\n\n"
    "Keys:\n 1...4: set nb poly\n SPACE: enable/disable sinusoide size\n"
    " ESC: stop tunnel\n\nMay the FUN be with you!"
)
NO_TEXTURE, FIFO = "none", "fifo"


def wait_title(window, predicate=lambda m: True, timeout=None):
    return wait_for(lambda: (lambda m: m if m and predicate(m) else None)(title(window)),
                    timeout, interval=0.05)


class EndToEnd(unittest.TestCase):
    def start(self, texture=True, env=None):
        """Vorticel in a folder of its own with the texture beside it, none, or a FIFO."""
        def prepare(folder):
            path = os.path.join(folder, "grottebl.jpg")
            if texture == FIFO:
                os.mkfifo(path)
            elif texture is True:
                shutil.copy(ARGS.texture, path)
        program = support.Run(ARGS.launcher + [ARGS.exe], env, prepare)
        self.addCleanup(program.close)
        return program

    def about_box(self):
        found = wait_for(lambda: [w for w in windows() if w[5] == "Vorticel"])
        self.assertTrue(found, "the about box did not appear")
        return found[0]

    def main_window(self):
        """The effect window (640 x 480; under wine its client area), once it shows the rate."""
        window = support.window_sized(640, 480, 40 if ARGS.launcher else 0)
        self.assertIsNotNone(wait_title(window), title(window))
        return window

    def through_about(self, how="Return"):
        """Dismisses the about box with a key or the close button; the effect window."""
        about = self.about_box()[0]
        if how == "close":
            probe("close", hex(about))
        else:
            press(about, how)
        return self.main_window()

    def escape_exits(self, program, window):
        press(window, "Escape")
        self.assertEqual(program.wait_exit(), 0)

    def test_about_box_comes_first_and_enter_opens_the_tunnel(self):
        program = self.start()
        about = self.about_box()
        time.sleep(0.3)
        self.assertEqual([w[5] for w in windows()], ["Vorticel"], "only the about box is shown")
        self.assertLess(about[3] * about[4], 640 * 480)

        press(about[0], "Return")
        window = support.window_sized(640, 480, 40 if ARGS.launcher else 0)
        self.assertFalse(any(w[0] == about[0] for w in windows()), "the about box is gone")
        # The title shows the frame rate within three seconds of the window appearing.
        self.assertIsNotNone(wait_title(window, timeout=3.0), title(window))
        if not ARGS.launcher:
            self.assertRegex(program.error_output(), r"PixelFormat Selected: \d+\nBPP: \d+\n")
        time.sleep(1.0)
        self.assertEqual(support.tunnel_problems(screenshot(window)), [])
        # ESC stops the tunnel; the program closes by itself with status 0.
        self.escape_exits(program, window)

    def test_escape_dismisses_the_about_box_keys_thin_the_polygons_and_close_ends_it(self):
        program = self.start()
        window = self.through_about("Escape")
        # Slow the flight to a standstill so the number of visible rings stays put.
        press(window, *(["minus"] * 40), "4")
        time.sleep(1.2)
        fine = wait_title(window, lambda m: int(m.group(2)) % 128 == 0 and int(m.group(2)) > 0)
        self.assertIsNotNone(fine)
        time.sleep(1.2)
        fine = wait_title(window)
        press(window, "1")
        coarse = wait_title(window, lambda m: int(m.group(2)) != int(fine.group(2)))
        self.assertIsNotNone(coarse, "the triangle count changes after key 1")
        self.assertEqual(int(coarse.group(2)) * 8, int(fine.group(2)))
        # The frame rates the title shows, each over a full period at its stride.
        time.sleep(1.2)
        coarse = wait_title(window)
        print("\nframe rate at 640 x 480: polyStep 1: %s fps (%s tri), polyStep 8: %s fps (%s tri)"
              % (fine.group(1), fine.group(2), coarse.group(1), coarse.group(2)), file=sys.stderr)
        probe("close", hex(window))  # the window manager's close button
        self.assertEqual(program.wait_exit(), 0)

    def test_without_the_texture_file_the_wall_is_the_checkerboard(self):
        # A FIFO in its place, with no writer, must not hold the program up either; the close
        # button dismisses the about box as well as a key.
        for texture, how in ((NO_TEXTURE, "close"), (FIFO, "Return")):
            with self.subTest(texture=texture):
                program = self.start(texture)
                window = self.through_about(how)
                time.sleep(0.5)
                self.assertEqual(support.checkerboard_problems(screenshot(window)), [])
                self.escape_exits(program, window)
                if not ARGS.launcher:  # one line says where it looked
                    self.assertRegex(program.error_output(),
                                     r"^PixelFormat Selected: \d+\nBPP: \d+\nVorticel: .*\n$")

    def test_thirty_days_into_a_run_the_tunnel_still_flies(self):
        if ARGS.launcher or not ARGS.clock_jump:
            self.skipTest("the clock is moved by a preloaded library: Linux executable only")
        # Two seconds after its first reading the program's clock jumps 30 days ahead: one
        # frame spans the 30 days, then the flight goes on from there.
        program = self.start(env={"LD_PRELOAD": ARGS.clock_jump,
                                  "VORTICEL_CLOCK_JUMP": str(30 * 86400),
                                  "VORTICEL_CLOCK_JUMP_AFTER": "2"})
        window = self.through_about()
        self.assertIsNotNone(wait_for(lambda: "clock-jump:" in program.error_output()),
                             "the clock jumped")
        # The title period that holds the jump shows next to no frames a second; the ones
        # after it show the frame rate again.
        time.sleep(2.5)
        shown = wait_title(window, lambda m: 1 <= float(m.group(1)) < 1e7 and int(m.group(2)) > 0)
        self.assertIsNotNone(shown, title(window))
        print("\nthirty days into a run: %s" % shown.group(0), file=sys.stderr)
        # The tunnel moves: a later picture differs from this one.
        first = screenshot(window)[2]
        self.assertTrue(wait_for(lambda: screenshot(window)[2] != first, interval=0.2),
                        "the picture changes")
        self.escape_exits(program, window)

    def test_escape_ends_the_run_at_huge_and_infinite_speeds(self):
        # 32 presses of '+' take the position past the 32-bit range within seconds; 300 make
        # the speed infinite. The flight goes on, and ESC still runs the tunnel out.
        for presses in (32, 300):
            with self.subTest(presses=presses):
                program = self.start()
                window = self.through_about()
                press(window, *["plus"] * presses)
                time.sleep(1.5)
                self.assertIsNone(program.process.poll(), "still running")
                self.assertIsNotNone(wait_title(window, lambda m: int(m.group(2)) > 0))
                self.escape_exits(program, window)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--texture", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--launcher", default="", help="program that runs the executable")
    parser.add_argument("--clock-jump", default="", help="library that moves the clock ahead")
    ARGS, rest = parser.parse_known_args()
    ARGS.exe, ARGS.texture, support.PROBE = map(os.path.abspath, (ARGS.exe, ARGS.texture, ARGS.probe))
    ARGS.clock_jump = ARGS.clock_jump and os.path.abspath(ARGS.clock_jump)
    ARGS.launcher = ARGS.launcher.split()
    if ARGS.launcher:
        support.WAIT = 60.0  # wine's first start on a new display is slow
    else:
        # On Linux the program takes the texture installed beside it when the working folder
        # has none: a copy alone in a folder of its own has neither.
        alone = tempfile.mkdtemp()
        ARGS.exe = shutil.copy(ARGS.exe, alone)
    return support.run_tests(rest)


if __name__ == "__main__":
    sys.exit(main())
