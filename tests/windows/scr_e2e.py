#!/usr/bin/env python3
"""End-to-end tests of Vorticel.scr, the Windows screensaver, under wine on an X display.

Usage: scr_e2e.py --build DIR --launcher WINE --probe PATH --texture PATH [unittest args]
DIR is a Windows build: DIR/bin/Vorticel.scr and DIR/tests/windows/scr-driver.exe, which plays
the display settings' part (a preview window, the settings dialog, the usage box). The .scr runs
from a folder of its own with grottebl.jpg beside it, as installed in the system folder.
Needs DISPLAY (scripts/windows.sh provides a private Xvfb), xdotool and ImageMagick's import.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_support as support  # noqa: E402
from e2e_support import TITLE, region_stats, screenshot, wait_for, windows  # noqa: E402

ARGS = None
WAIT = 60.0  # bound for anything to happen under wine; never a pass/fail on speed
USAGE = "/p HWND"


def screen_size():
    out = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True, check=True)
    return tuple(map(int, out.stdout.split()))


def looks_like_the_tunnel(test, shot, what):
    """Textured rock: warm, varied; neither black nor the grey checkerboard."""
    quarters = [region_stats(shot, x, y, x + 0.5, y + 0.5) for x in (0, 0.5) for y in (0, 0.5)]
    test.assertGreater(max(q[0] for q in quarters), 20, "%s: not black" % what)
    test.assertGreater(min(q[2] for q in quarters), 3, "%s: every quarter is textured" % what)
    test.assertGreater(max(q[1] for q in quarters), 3, "%s: the warm rock, not grey squares" % what)


def windows_path(path):
    """The path as a Windows program sees it: wine maps the Unix root to drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class ScrEndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="vorticel-scr-")
        cls.scr = os.path.join(cls.folder, "Vorticel.scr")
        shutil.copy(os.path.join(ARGS.build, "bin", "Vorticel.scr"), cls.scr)
        shutil.copy(ARGS.texture, os.path.join(cls.folder, "grottebl.jpg"))
        cls.driver_exe = os.path.join(ARGS.build, "tests", "windows", "scr-driver.exe")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def start(self, *arguments):
        process = subprocess.Popen(ARGS.launcher + [self.scr, *arguments], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)

        def stop():
            if process.poll() is None:
                process.kill()
                process.wait()
        self.addCleanup(stop)
        return process

    def driver(self, *arguments, **options):
        return subprocess.run(ARGS.launcher + [self.driver_exe, *arguments], capture_output=True,
                              text=True, timeout=2 * WAIT, **options)

    def exit_status(self, process):
        try:
            return process.wait(WAIT)
        except subprocess.TimeoutExpired:
            return None

    def mouse(self, x, y):
        subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)

    def start_full_screen(self, switch):
        """Starts the saver with the mouse in the middle of the screen, where the tests move it."""
        width, height = screen_size()
        self.mouse(width // 2, height // 2)
        return self.start(switch)

    def full_screen(self):
        """Waits for the saver's window over the whole screen, with its frame-rate title; its id."""
        width, height = screen_size()
        found = wait_for(lambda: [w for w in windows()
                                  if w[1:5] == (0, 0, width, height) and TITLE.match(w[5])])
        self.assertTrue(found, "no window covering the screen with the frame-rate title: %r" % windows())
        return found[0][0]

    def triangles(self, window, count=3):
        """The triangle counts of the next few title refreshes."""
        seen = []
        gone = []

        def next_title():
            names = [w[5] for w in windows() if w[0] == window]
            if not names:
                gone.append(True)
            elif not seen or names[0] != seen[-1]:
                seen.append(names[0])
            return gone or len(seen) > count
        self.assertTrue(wait_for(next_title), "the title stopped changing: %r" % seen)
        self.assertFalse(gone, "the saver's window went away after %r" % seen)
        return [int(TITLE.match(name).group(2)) for name in seen if TITLE.match(name)]

    def assert_gone(self, window):
        self.assertFalse([w for w in windows() if w[0] == window], "its window has gone")

    def test_full_screen_draws_the_tunnel_runs_once_and_ends_on_a_key(self):
        self.assertEqual(self.driver("reset").returncode, 0)
        saver = self.start_full_screen("/s")
        window = self.full_screen()
        looks_like_the_tunnel(self, screenshot(window), "/s")
        width, height = screen_size()
        fine = self.triangles(window)
        self.assertGreater(min(fine), 63 * 16, "64 quads by default: %r" % fine)

        # One at a time: a second one leaves at once with 0, the first runs on.
        self.assertEqual(self.exit_status(self.start("/s")), 0)
        self.assertIsNone(saver.poll())

        # The mouse trembling by a pixel or two does not end it; a key does, with 0.
        self.mouse(width // 2 + 2, height // 2 + 1)
        self.triangles(window, 1)
        self.assertIsNone(saver.poll(), "a mouse move of 2 pixels ended the saver")
        subprocess.run(["xdotool", "windowfocus", str(window)], check=True)
        subprocess.run(["xdotool", "key", "space"], check=True)
        self.assertEqual(self.exit_status(saver), 0)
        self.assert_gone(window)

    def test_settings_dialog_saves_what_full_screen_then_shows(self):
        self.assertEqual(self.driver("reset").returncode, 0)
        # /c: the dialog shows the defaults (64 quads, the last choice; speed 1 and zoom 2 in
        # tenths); the driver changes every setting and presses OK.
        result = self.driver("settings", windows_path(self.scr), "/c")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("density choice 3 of 4, sinusoid 0, speed 10, zoom 20, frame rate 0, frame cap 60",
                      result.stdout)
        self.assertIn("exit 0", result.stdout)
        # No argument: the dialog again, which has read back what was saved.
        result = self.driver("settings", windows_path(self.scr), "")
        self.assertIn("density choice 0 of 4, sinusoid 1, speed 25, zoom 40, frame rate 1, frame cap 30",
                      result.stdout)
        self.assertIn("exit 0", result.stdout)

        # Full screen (the switch in another spelling) draws 8 quads a ring: 16 triangles a ring.
        saver = self.start_full_screen("-S")
        window = self.full_screen()
        coarse = self.triangles(window)
        self.assertTrue(all(t % 16 == 0 and 0 < t <= 63 * 16 for t in coarse), coarse)
        # A real move of the mouse ends it with 0 (after a small one, should that come first).
        width, height = screen_size()
        for x in (width // 2 + 1, width // 2 + 60):
            self.mouse(x, height // 2)
            time.sleep(0.2)
        self.assertEqual(self.exit_status(saver), 0)
        self.assert_gone(window)
        self.driver("reset")

    def test_preview_draws_inside_the_window_follows_it_and_ends_with_it(self):
        # Wine draws OpenGL in another process's window offscreen, so the screen keeps the
        # parent's black there (on Windows it shows the tunnel): the frames drawn are seen in
        # the renderer's title on the child instead.
        result = self.driver("preview", windows_path(self.scr))
        seen = result.stdout.splitlines()
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("child VorticelSaver covers 320 x 240", seen)
        titles = [TITLE.match(line[len("child title "):]) for line in seen if line.startswith("child title ")]
        self.assertTrue(titles and titles[0] and int(titles[0].group(2)) > 0, seen)
        self.assertIn("child follows to 400 x 300", seen)
        self.assertIn("ended 0", seen)

    def test_bad_switches_show_the_usage_and_exit_1(self):
        for arguments in (["/x"], ["/p"], ["/s", "7"]):
            saver = self.start(*arguments)
            result = self.driver("box", "Vorticel")
            self.assertEqual(result.returncode, 0, result.stdout)
            self.assertIn(USAGE, result.stdout, arguments)
            self.assertEqual(self.exit_status(saver), 1, arguments)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--launcher", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--texture", required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.build, ARGS.probe, ARGS.texture = map(os.path.abspath, (ARGS.build, ARGS.probe, ARGS.texture))
    ARGS.launcher = ARGS.launcher.split()
    support.PROBE, support.WAIT = ARGS.probe, WAIT  # the shared helpers' probe and bound
    if not os.path.exists(os.path.join(ARGS.build, "bin", "Vorticel.scr")):
        print("scr_e2e.py: no Vorticel.scr in %s/bin" % ARGS.build, file=sys.stderr)
        return 1
    return support.run_tests(rest)


if __name__ == "__main__":
    sys.exit(main())
