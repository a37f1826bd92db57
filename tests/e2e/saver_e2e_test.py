#!/usr/bin/env python3
"""End-to-end tests of vorticel-saver: drive the real program on an X display as a screensaver
daemon and a user would.

Usage: saver_e2e_test.py --saver PATH --texture PATH --probe PATH [unittest args]
Needs DISPLAY (the test command provides a private 1280 x 1024 Xvfb), xdotool and ImageMagick's
import.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import e2e_support as support
from e2e_support import children, press, screenshot, wait_for, windows

ARGS = None


def titles(window, seconds):
    """The distinct frame-rate titles shown over the given time, as (fps, triangles)."""
    seen = []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        match = support.title(window)
        if match and (not seen or seen[-1][2] != match.group(0)):
            seen.append((float(match.group(1)), int(match.group(2)), match.group(0)))
        time.sleep(0.1)
    return [(fps, tri) for fps, tri, _ in seen]


def corner(shot):
    """Shares of black and of white pixels in the bottom-left 80 x 40, where --fps draws."""
    width, height, pixels = shot
    black = white = 0
    for y in range(height - 40, height):
        for x in range(0, 80):
            r, g, b = pixels[3 * (y * width + x): 3 * (y * width + x) + 3]
            black += max(r, g, b) <= 8
            white += min(r, g, b) >= 240
    return black / 3200, white / 3200


class ForeignWindow:
    """A window of another program (x11-probe), which the test resizes and destroys."""

    def __init__(self, width, height):
        self.process = subprocess.Popen([support.PROBE, "window", str(width), str(height)],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.id = int(self.process.stdout.readline(), 16)

    def command(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        assert self.process.stdout.readline().strip() == "ok"

    def close(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            self.process.wait(support.WAIT)
        self.process.stdout.close()


class SaverEndToEnd(unittest.TestCase):
    def start(self, *flags, env=None, exe=None):
        saver = support.Run([exe or ARGS.saver, *flags], env)
        self.addCleanup(saver.close)
        return saver

    def foreign(self, width, height):
        window = ForeignWindow(width, height)
        self.addCleanup(window.close)
        return window

    def assert_tunnel(self, shot, what):
        self.assertEqual(support.tunnel_problems(shot), [], what)

    def assert_no_window_left(self):
        self.assertEqual([w for w in windows() if w[5].startswith("Vorticel")], [])

    def quit(self, saver, window, key="Escape"):
        press(window, key)
        self.assertEqual(saver.wait_exit(), 0)

    def test_inside_a_window_given_by_id_it_follows_the_size_and_ends_with_the_window(self):
        parent = self.foreign(400, 300)
        saver = self.start("--window-id", hex(parent.id))
        for width, height in ((400, 300), (700, 500)):
            if width != 400:
                parent.command("size %d %d" % (width, height))
            self.assertTrue(wait_for(lambda: [c for c in children(parent.id)
                                              if c[3:] == (width, height, 1)]),
                            "a child filling the window: %r" % children(parent.id))
            time.sleep(1.0)
            # At 700 x 500 the walls along the right and bottom sides lie in what it gained.
            self.assert_tunnel(screenshot(parent.id), "%d x %d" % (width, height))
            self.assert_no_window_left()  # nothing of its own on the screen
        parent.command("destroy")
        self.assertEqual(saver.wait_exit(), 0)
        self.assertEqual(saver.error_output(), "")

    def test_root_draws_in_the_daemons_window_and_sigterm_or_sigint_end_it_with_0(self):
        for stop in (signal.SIGTERM, signal.SIGINT):
            parent = self.foreign(320, 240)
            saver = self.start("-root", env={"XSCREENSAVER_WINDOW": hex(parent.id)})
            self.assertTrue(wait_for(lambda: [c for c in children(parent.id) if c[5] == 1]))
            time.sleep(0.5)
            self.assert_tunnel(screenshot(parent.id), "the daemon's window")
            saver.process.send_signal(stop)
            self.assertEqual(saver.wait_exit(), 0, stop)
            self.assertEqual(children(parent.id), [], "its window is gone with it")
            self.assert_no_window_left()
            parent.command("destroy")

    def test_root_without_the_daemon_draws_on_the_root_window_beneath_the_others(self):
        before = {c[0] for c in children("root")}
        saver = self.start("--root", env={"XSCREENSAVER_WINDOW": ""})
        new = wait_for(lambda: [c for c in children("root") if c[0] not in before and c[5] == 1])
        self.assertTrue(new, children("root"))
        self.assertEqual(new[0][1:5], (0, 0, 1280, 1024))
        self.assert_no_window_left()  # override-redirect: no window manager would frame it
        time.sleep(1.0)
        self.assert_tunnel(screenshot("root"), "the root window")
        saver.process.send_signal(signal.SIGTERM)
        self.assertEqual(saver.wait_exit(), 0)
        self.assertEqual([c for c in children("root") if c[0] not in before], [])

    def test_bad_window_ids_give_one_line_and_1(self):
        gone = self.foreign(50, 50)
        gone.command("destroy")
        for flags, env in [(["--window-id", hex(gone.id)], {}),
                           (["-window-id", "0x7ffff00"], {}),
                           (["--root"], {"XSCREENSAVER_WINDOW": "0x7ffff00"}),
                           (["--root"], {"XSCREENSAVER_WINDOW": "screen"})]:
            saver = self.start(*flags, env=env)
            self.assertEqual(saver.wait_exit(), 1, flags)
            lines = saver.error_output().splitlines()
            self.assertEqual(len(lines), 1, lines)
            self.assertTrue(lines[0].startswith("vorticel-saver: "), lines)

    def test_fullscreen_covers_the_screen(self):
        saver = self.start("--fullscreen")
        window = support.window_sized(1280, 1024)
        self.assertEqual([w[1:3] for w in windows() if w[0] == window], [(0, 0)])
        time.sleep(1.0)
        self.assert_tunnel(screenshot(window), "full screen")
        saver.process.send_signal(signal.SIGINT)
        self.assertEqual(saver.wait_exit(), 0)
        self.assert_no_window_left()

    def test_fps_draws_the_rate_in_the_bottom_left_corner_and_only_then(self):
        for flags in (["--fps"], []):  # no flags: the texture beside the program, found from
            saver = self.start(*flags)  # the run's empty scratch working folder
            window = support.window_sized(640, 480)
            time.sleep(1.5)  # past the first second: the rate is measured
            shot = screenshot(window)
            self.quit(saver, window, "q")
            self.assertEqual(saver.error_output(), "")
            # Frames after the overlay still find texturing, culling and the view in place.
            self.assert_tunnel(shot, " ".join(flags) or "no flags")
            black, white = corner(shot)
            if flags:
                self.assertGreater(black, 0.5, "the box behind the text")
                self.assertGreater(white, 0.05, "white text")
            else:
                self.assertLess(black, 0.5, "no box without --fps")
                self.assertLess(white, 0.05, "no text without --fps")

    def test_max_fps_30_holds_the_rate_and_keys_set_the_density(self):
        saver = self.start("--max-fps", "30", "--speed", "0.1")
        window = support.window_sized(640, 480)
        fine = titles(window, 3.6)
        rates = [fps for fps, tri in fine]
        self.assertGreaterEqual(len(rates), 2, fine)
        print("\n--max-fps 30: title rates %s" % rates, file=sys.stderr)
        self.assertLess(abs(sum(rates) / len(rates) - 30) / 30, 0.2, rates)
        press(window, "1")
        coarse = titles(window, 2.5)
        self.assertTrue(coarse, coarse)
        self.assertLess(coarse[-1][1] * 4, fine[-1][1], "key 1: an eighth of the triangles")
        self.quit(saver, window, "q")
        self.assert_no_window_left()
        self.assertEqual(saver.error_output(), "")

    def test_settings_flags_reach_the_effect(self):
        saver = self.start("-poly-step", "8", "-zoom", "4", "-sinusoid", "-speed", "2")
        window = support.window_sized(640, 480)
        shown = titles(window, 2.5)
        self.assertTrue(shown)
        self.assertEqual(shown[-1][1] % 16, 0, "16 triangles per strip at step 8: %r" % shown)
        self.assertLessEqual(shown[-1][1], 63 * 16)
        self.quit(saver, window)

    def test_without_a_texture_file_the_checkerboard_and_one_line(self):
        folder = tempfile.mkdtemp(prefix="vorticel-saver-alone-")
        self.addCleanup(shutil.rmtree, folder, True)
        alone = os.path.join(folder, "vorticel-saver")
        shutil.copy(ARGS.saver, alone)  # nothing beside it, nothing in ../../share/vorticel
        cases = [(["--texture", os.path.join(folder, "missing.jpg")], None),
                 (["--texture", folder], None)]  # a folder is no image
        if not os.path.exists("/usr/local/share/vorticel/grottebl.jpg"):
            cases.append(([], alone))
        for flags, exe in cases:
            saver = self.start(*flags, exe=exe)
            window = support.window_sized(640, 480)
            time.sleep(1.0)
            shot = screenshot(window)
            self.quit(saver, window)
            lines = saver.error_output().splitlines()
            self.assertEqual(len(lines), 1, lines)
            self.assertIn("checkerboard", lines[0])
            self.assertEqual(support.checkerboard_problems(shot), [], flags)

    def test_command_line_errors_help_and_version(self):
        def run(*flags):
            return subprocess.run([ARGS.saver, *flags], capture_output=True, text=True,
                                  timeout=support.WAIT)
        # Each refusal's wording is the parser's unit tests' concern; here the way out.
        for flags in (["--bogus"], ["--speed", "11"], ["--root", "--fullscreen"], ["stray"]):
            result = run(*flags)
            self.assertEqual((result.returncode, result.stdout), (1, ""), flags)
            first, rest = result.stderr.split("\n", 1)
            self.assertTrue(first.startswith("vorticel-saver: "), first)
            self.assertTrue(rest.startswith("usage: vorticel-saver"), rest)
        result = run("-help")
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertTrue(result.stdout.startswith("usage: vorticel-saver"), result.stdout)
        result = run("--version")
        self.assertEqual(result.returncode, 0)
        self.assertRegex(result.stdout, r"^vorticel-saver \d+\.\d+\.\d+\n$")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--saver", required=True)
    parser.add_argument("--texture", required=True)
    parser.add_argument("--probe", required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.saver, support.PROBE = os.path.abspath(ARGS.saver), os.path.abspath(ARGS.probe)
    return support.run_tests(rest)


if __name__ == "__main__":
    sys.exit(main())
