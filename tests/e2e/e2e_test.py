#!/usr/bin/env python3
"""Vorticel on an X display as a user would: e2e_test.py --exe PATH --texture PATH --probe PATH
[--launcher WINE]. Needs DISPLAY, xdotool and import."""
import shutil
import sys
import unittest

import e2e_support as support
from e2e_support import ARGS, press, screenshot, wait_for, wait_title, windows


class EndToEnd(unittest.TestCase):
    def start(self, texture, dismiss):
        """Vorticel past the about box (a key or the close button); the run and its window.
        Under wine the texture is the working folder's; on Linux the one beside the program."""
        command = ARGS.launcher + [ARGS.exe]

        def prepare(folder):
            if texture and ARGS.launcher:
                shutil.copy(ARGS.texture, folder)
            elif not texture and not ARGS.launcher:
                command[-1] = shutil.copy(ARGS.exe, folder)
        program = support.Run(self, command, prepare=prepare)
        about = wait_for(lambda: [w for w in windows() if w[-1] == "Vorticel"])
        self.assertTrue(about, "no about box")
        self.assertLess(about[0][3] * about[0][4], 640 * 480, "a box, not the effect window")
        if dismiss == "close":
            support.probe("close", hex(about[0][0]))  # the window manager's close button
        else:
            press(about[0][0], dismiss)
        window = support.window_sized(640, 480, 40 if ARGS.launcher else 0)
        self.assertFalse([w for w in windows() if w[0] == about[0][0]], "the about box is gone")
        self.assertTrue(wait_title(window, lambda m: int(m.group(2)) > 0), "the frame-rate title")
        return program, window

    def fly_on_then_escape(self, program, window, presses):
        first = screenshot(window)[2]
        press(window, *["plus"] * presses)
        self.assertTrue(wait_for(lambda: screenshot(window)[2] != first, interval=0.2),
                        "the flight goes on after %d presses of '+'" % presses)
        press(window, "Escape")
        self.assertEqual(program.wait_exit(), 0)

    def test_the_tunnel_and_escape_at_a_huge_speed(self):
        program, window = self.start(True, "Return")
        self.assertEqual(support.picture_problems(window), [])
        # 32 presses take the position past the 32-bit range within seconds.
        self.fly_on_then_escape(program, window, 32)

    def test_without_the_texture_the_checkerboard_and_escape_at_an_infinite_speed(self):
        program, window = self.start(False, "close")
        self.assertEqual(support.picture_problems(window, support.checkerboard_problems), [])
        self.fly_on_then_escape(program, window, 300)  # 300 presses: an infinite speed
        if not ARGS.launcher:
            self.assertRegex(program.error_output(),
                             r"^PixelFormat.*\nBPP: \d+\nVorticel: no wall texture .*\n$")


if __name__ == "__main__":
    sys.exit(support.main(["exe", "texture", "probe"], ["launcher"]))
