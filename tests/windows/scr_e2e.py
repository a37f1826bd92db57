#!/usr/bin/env python3
"""Vorticel.scr under wine, installed in a folder with grottebl.jpg: scr_e2e.py --build DIR
--launcher WINE --probe PATH --texture PATH. Needs DISPLAY, xdotool and import."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_support as support  # noqa: E402
from e2e_support import ARGS, TITLE, wait_for, wait_title  # noqa: E402


def setUpModule():
    global SCR, SCREEN
    SCREEN = support.screenshot("root")[:2]
    folder = tempfile.mkdtemp(prefix="vorticel-scr-")
    unittest.addModuleCleanup(shutil.rmtree, folder, ignore_errors=True)
    SCR = shutil.copy(os.path.join(ARGS.build, "bin", "Vorticel.scr"), folder)
    shutil.copy(ARGS.texture, folder)
    forget_the_settings()  # before the tests, which start from the defaults, and after them
    unittest.addModuleCleanup(forget_the_settings)


def forget_the_settings():
    subprocess.run(ARGS.launcher + ["reg", "delete", "HKCU\\Software\\Vorticel", "/f"],
                   capture_output=True, timeout=support.WAIT)


def mouse_moves(*offsets):
    """The mouse put off the middle of the screen by each offset in turn, a second apart."""
    for dx, dy in offsets:
        x, y = SCREEN[0] // 2 + dx, SCREEN[1] // 2 + dy
        subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)
        time.sleep(1)


class ScrEndToEnd(unittest.TestCase):
    def start(self, *switches):
        return support.Run(self, ARGS.launcher + [SCR, *switches])

    def driver(self, *arguments):
        """scr-driver.exe's lines, then its exit status."""
        exe = os.path.join(ARGS.build, "tests", "windows", "scr-driver.exe")
        result = subprocess.run(ARGS.launcher + [exe, *arguments], capture_output=True, text=True,
                                timeout=2 * support.WAIT)
        return result.stdout.splitlines() + ["status %d" % result.returncode]

    def full_screen(self, switch):
        """The saver started with the mouse in the middle; its window over the whole screen."""
        mouse_moves((0, 0))
        saver = self.start(switch)
        found = wait_for(lambda: [w for w in support.windows()
                                  if w[1:5] == (0, 0, *SCREEN) and TITLE.match(w[-1])])
        self.assertTrue(found, "no window over the screen: %r" % support.windows())
        return saver, found[0][0]

    def test_full_screen_shows_the_tunnel_once_and_a_key_ends_it(self):
        saver, window = self.full_screen("/s")
        self.assertEqual(support.picture_problems(window), [])
        # 64 quads a ring by default.
        self.assertTrue(wait_title(window, lambda m: int(m.group(2)) > 63 * 16))
        self.assertEqual(self.start("/s").wait_exit(), 0, "a second one leaves at once")
        support.press(window, "space")
        self.assertEqual(saver.wait_exit(), 0)

    def test_settings_dialog_saves_what_full_screen_then_shows_and_the_mouse_ends_it(self):
        # The defaults shown, every setting changed and OK; with no switch they are read back.
        scr = "Z:" + SCR.replace("/", "\\")
        self.assertEqual(self.driver("settings", scr, "/c"), [
            "density 3 of 4, sinusoid 0, speed 10, zoom 20, fps 0, cap 60", "status 0"])
        self.assertEqual(self.driver("settings", scr, ""), [
            "density 0 of 4, sinusoid 1, speed 25, zoom 40, fps 1, cap 30", "status 0"])
        saver, window = self.full_screen("-S")
        # 8 quads a ring.
        self.assertTrue(wait_title(window, lambda m: 0 < int(m.group(2)) <= 63 * 16))
        mouse_moves((1, 0), (60, 0))  # should the first be the first move it sees
        self.assertEqual(saver.wait_exit(), 0)

    def test_preview_fills_its_window_follows_it_and_ends_with_it(self):
        # Wine draws OpenGL in another process's window offscreen: frames show in the title.
        seen = self.driver("preview", "Z:" + SCR.replace("/", "\\"))
        for line in ("child covers 320 x 240", "child follows to 400 x 300", "status 0"):
            self.assertIn(line, seen)
        titles = [TITLE.match(s[12:]) for s in seen if s.startswith("child title ")]
        self.assertTrue(titles and titles[0] and int(titles[0].group(2)) > 0, seen)

    def test_a_bad_switch_shows_the_usage_and_exits_1(self):
        saver = self.start("/x")
        box = wait_for(lambda: [w for w in support.windows() if w[-1] == "Vorticel"])
        self.assertTrue(box, "no usage box")
        support.press(box[0][0], "Return")
        self.assertEqual(saver.wait_exit(), 1)


if __name__ == "__main__":
    sys.exit(support.main(["build", "probe", "texture"], ["launcher"]))
