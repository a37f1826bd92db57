#!/usr/bin/env python3
"""End-to-end tests of vorticel-saver: drive the real program on an X display as a screensaver
daemon and a user would.

Usage: saver_e2e_test.py --saver PATH --texture PATH --probe PATH [unittest args]
Needs DISPLAY (the test command provides a private 1280 x 1024 Xvfb), xdotool and ImageMagick's
import.
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from e2e_test import region_stats, screenshot, wait_for

ARGS = None
TITLE = re.compile(r"^Vorticel - ([0-9.e+\-]+|inf|nan) fps \((-?[0-9]+) tri\)$")
WAIT = 20.0


def probe(*words):
    return subprocess.run([ARGS.probe, *map(str, words)], capture_output=True, text=True,
                          check=True).stdout


def windows():
    """Mapped top-level windows as (id, x, y, width, height, name)."""
    result = []
    for line in probe("list").splitlines():
        parts = line.split(" ", 5)
        result.append((int(parts[0], 16), *map(int, parts[1:5]), parts[5] if len(parts) > 5 else ""))
    return result


def children(window):
    """Children of a window as (id, x, y, width, height, mapped)."""
    name = window if window == "root" else hex(window)
    return [tuple(int(p, 0) for p in line.split()) for line in probe("tree", name).splitlines()]


def press(window, *keys):
    subprocess.run(["xdotool", "windowfocus", str(window)], check=True)
    time.sleep(0.05)
    for key in keys:
        subprocess.run(["xdotool", "key", key], check=True)


def looks_like_the_tunnel(test, shot, what):
    """Textured rock: warm, varied, with a dark far end; neither black nor the checkerboard."""
    quarters = [region_stats(shot, x, y, x + 0.5, y + 0.5) for x in (0, 0.5) for y in (0, 0.5)]
    test.assertGreater(max(q[0] for q in quarters), 20, "%s: not black" % what)
    test.assertGreater(min(q[2] for q in quarters), 3, "%s: every quarter is textured" % what)
    test.assertGreater(max(q[1] for q in quarters), 3, "%s: the warm rock, not grey squares" % what)


class ForeignWindow:
    """A window of another program (x11-probe), which the test resizes and destroys."""

    def __init__(self, width, height):
        self.process = subprocess.Popen([ARGS.probe, "window", str(width), str(height)],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.id = int(self.process.stdout.readline(), 16)

    def command(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        assert self.process.stdout.readline().strip() == "ok"

    def close(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            self.process.wait(WAIT)
        self.process.stdout.close()


class Saver:
    """One run of vorticel-saver."""

    def __init__(self, *flags, env=None, exe=None):
        self.folder = tempfile.mkdtemp(prefix="vorticel-saver-e2e-")
        self.stderr = open(os.path.join(self.folder, "stderr.txt"), "w+")
        self.process = subprocess.Popen([exe or ARGS.saver, *flags], cwd=self.folder,
                                        env=dict(os.environ, **(env or {})),
                                        stdout=subprocess.DEVNULL, stderr=self.stderr)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.stderr.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def error_output(self):
        self.stderr.flush()
        with open(self.stderr.name) as f:
            return f.read()

    def wait_exit(self):
        try:
            return self.process.wait(WAIT)
        except subprocess.TimeoutExpired:
            return None

    def own_window(self, width=640, height=480):
        found = wait_for(lambda: [w for w in windows() if w[5].startswith("Vorticel")
                                  and (w[3], w[4]) == (width, height)], WAIT)
        assert found, "no %d x %d window: %r" % (width, height, windows())
        return found[0][0]

    def titles(self, window, seconds):
        """The distinct frame-rate titles shown over the given time, as (fps, triangles)."""
        seen = []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            title = [w[5] for w in windows() if w[0] == window]
            match = TITLE.match(title[0]) if title else None
            if match and (not seen or seen[-1][2] != match.group(0)):
                seen.append((float(match.group(1)), int(match.group(2)), match.group(0)))
            time.sleep(0.1)
        return [(fps, tri) for fps, tri, _ in seen]


class SaverEndToEnd(unittest.TestCase):
    def start(self, *flags, **options):
        saver = Saver(*flags, **options)
        self.addCleanup(saver.close)
        return saver

    def foreign(self, width, height):
        window = ForeignWindow(width, height)
        self.addCleanup(window.close)
        return window

    def assert_no_window_left(self):
        self.assertEqual([w for w in windows() if w[5].startswith("Vorticel")], [])

    def test_inside_a_window_given_by_id_it_follows_the_size_and_ends_with_the_window(self):
        parent = self.foreign(400, 300)
        saver = self.start("--window-id", hex(parent.id))
        self.assertTrue(wait_for(lambda: [c for c in children(parent.id) if c[3:] == (400, 300, 1)]),
                        "a child filling the window: %r" % children(parent.id))
        time.sleep(1.0)
        looks_like_the_tunnel(self, screenshot(parent.id), "400 x 300")
        self.assert_no_window_left()  # nothing of its own on the screen

        parent.command("size 700 500")
        self.assertTrue(wait_for(lambda: [c for c in children(parent.id) if c[3:] == (700, 500, 1)]),
                        "the child follows: %r" % children(parent.id))
        time.sleep(0.5)
        shot = screenshot(parent.id)
        looks_like_the_tunnel(self, shot, "700 x 500")
        # The part the window gained is drawn too.
        self.assertGreater(region_stats(shot, 0.6, 0.6, 1, 1)[2], 3)

        parent.command("destroy")
        self.assertEqual(saver.wait_exit(), 0)
        self.assertEqual(saver.error_output(), "")

    def test_root_draws_in_the_daemons_window_and_sigterm_or_sigint_end_it_with_0(self):
        for stop in (signal.SIGTERM, signal.SIGINT):
            parent = self.foreign(320, 240)
            saver = self.start("-root", env={"XSCREENSAVER_WINDOW": hex(parent.id)})
            self.assertTrue(wait_for(lambda: [c for c in children(parent.id) if c[5] == 1]))
            time.sleep(0.5)
            looks_like_the_tunnel(self, screenshot(parent.id), "the daemon's window")
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
        looks_like_the_tunnel(self, screenshot("root"), "the root window")
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
        window = saver.own_window(1280, 1024)
        self.assertEqual([w[1:3] for w in windows() if w[0] == window], [(0, 0)])
        time.sleep(1.0)
        looks_like_the_tunnel(self, screenshot(window), "full screen")
        saver.process.send_signal(signal.SIGINT)
        self.assertEqual(saver.wait_exit(), 0)
        self.assert_no_window_left()

    def test_fps_draws_the_rate_in_the_bottom_left_corner(self):
        def corner(flags):
            saver = self.start(*flags)
            window = saver.own_window()
            time.sleep(1.5)  # past the first second: the rate is measured
            shot = screenshot(window)
            press(window, "q")
            self.assertEqual(saver.wait_exit(), 0)
            # Frames after the overlay still find texturing, culling and the view in place.
            looks_like_the_tunnel(self, shot, " ".join(flags) or "no flags")
            width, height, pixels = shot
            black = white = count = 0
            for y in range(height - 40, height):
                for x in range(0, 80):
                    r, g, b = pixels[3 * (y * width + x): 3 * (y * width + x) + 3]
                    black += max(r, g, b) <= 8
                    white += min(r, g, b) >= 240
                    count += 1
            return black / count, white / count

        black, white = corner(["--fps"])
        self.assertGreater(black, 0.5, "the box behind the text")
        self.assertGreater(white, 0.05, "white text")
        black, white = corner([])
        self.assertLess(black, 0.5, "no box without --fps")
        self.assertLess(white, 0.05, "no text without --fps")

    def test_max_fps_30_holds_the_rate_without_spinning(self):
        saver = self.start("--max-fps", "30")
        window = saver.own_window()
        start_cpu = self.cpu_seconds(saver.process.pid)
        titles = saver.titles(window, 3.6)
        cpu = self.cpu_seconds(saver.process.pid) - start_cpu
        rates = [fps for fps, tri in titles]
        self.assertGreaterEqual(len(rates), 2, titles)
        mean = sum(rates) / len(rates)
        print("\n--max-fps 30: title rates %s, CPU %.2f s over 3.6 s" % (rates, cpu), file=sys.stderr)
        self.assertLess(abs(mean - 30) / 30, 0.2, rates)
        press(window, "Escape")
        self.assertEqual(saver.wait_exit(), 0)
        self.assertEqual(saver.error_output(), "")

    @staticmethod
    def cpu_seconds(pid):
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def test_keys_set_the_density_and_q_quits_at_once(self):
        saver = self.start("--speed", "0.1", "--max-fps", "20")
        window = saver.own_window()
        fine = saver.titles(window, 2.5)
        press(window, "1")
        coarse = saver.titles(window, 2.5)
        self.assertTrue(fine and coarse, (fine, coarse))
        self.assertLess(coarse[-1][1] * 4, fine[-1][1], "key 1: an eighth of the triangles")
        press(window, "q")
        self.assertEqual(saver.wait_exit(), 0)
        self.assert_no_window_left()

    def test_settings_flags_reach_the_effect(self):
        saver = self.start("-poly-step", "8", "-zoom", "4", "-sinusoid", "-speed", "2")
        window = saver.own_window()
        titles = saver.titles(window, 2.5)
        self.assertTrue(titles)
        self.assertEqual(titles[-1][1] % 16, 0, "16 triangles per strip at step 8: %r" % titles)
        self.assertLessEqual(titles[-1][1], 63 * 16)
        press(window, "Escape")
        self.assertEqual(saver.wait_exit(), 0)

    def test_without_a_texture_file_the_checkerboard_and_one_line(self):
        folder = tempfile.mkdtemp(prefix="vorticel-saver-alone-")
        self.addCleanup(shutil.rmtree, folder, True)
        alone = os.path.join(folder, "vorticel-saver")
        shutil.copy(ARGS.saver, alone)  # nothing beside it, nothing in ../../share/vorticel
        cases = [(["--texture", os.path.join(folder, "missing.jpg")], None),
                 (["--texture", folder], None)]  # a folder is no image
        installed = "/usr/local/share/vorticel/grottebl.jpg"
        if not os.path.exists(installed):
            cases.append(([], alone))
        for flags, exe in cases:
            saver = self.start(*flags, exe=exe)
            window = saver.own_window()
            time.sleep(1.0)
            shot = screenshot(window)
            press(window, "Escape")
            self.assertEqual(saver.wait_exit(), 0)
            lines = saver.error_output().splitlines()
            self.assertEqual(len(lines), 1, lines)
            self.assertIn("checkerboard", lines[0])
            rim = [region_stats(shot, *box) for box in [(0, 0, 0.1, 1), (0.9, 0, 1, 1)]]
            self.assertGreater(max(r[0] for r in rim), 20, "the walls are drawn")
            self.assertLess(max(abs(r[1]) for r in rim), 2, "in grey")

    def test_the_texture_beside_the_program_is_found_from_any_working_folder(self):
        saver = self.start()  # its working folder is an empty temporary one
        window = saver.own_window()
        time.sleep(1.0)
        looks_like_the_tunnel(self, screenshot(window), "default texture")
        press(window, "Escape")
        self.assertEqual(saver.wait_exit(), 0)
        self.assertEqual(saver.error_output(), "")

    def test_command_line_errors_help_and_version(self):
        for flags in (["--bogus"], ["--speed"], ["--speed", "11"], ["-zoom", "0.1"],
                      ["--poly-step", "3"], ["--max-fps", "-5"], ["--root", "--fullscreen"],
                      ["stray"]):
            run = subprocess.run([ARGS.saver, *flags], capture_output=True, text=True, timeout=WAIT)
            self.assertEqual(run.returncode, 1, flags)
            self.assertEqual(run.stdout, "")
            first, rest = run.stderr.split("\n", 1)
            self.assertTrue(first.startswith("vorticel-saver: "), first)
            self.assertTrue(rest.startswith("usage: vorticel-saver"), rest)
        run = subprocess.run([ARGS.saver, "-help"], capture_output=True, text=True, timeout=WAIT)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        for flag in ("--poly-step", "--sinusoid", "--speed", "--zoom", "--fps", "--max-fps",
                     "--texture", "--root", "--window-id", "--fullscreen", "0.1 to 10", "0.5 to 8"):
            self.assertIn(flag, run.stdout)
        run = subprocess.run([ARGS.saver, "--version"], capture_output=True, text=True, timeout=WAIT)
        self.assertEqual(run.returncode, 0)
        self.assertRegex(run.stdout, r"^vorticel-saver \d+\.\d+\.\d+\n$")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--saver", required=True)
    parser.add_argument("--texture", required=True)
    parser.add_argument("--probe", required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.saver, ARGS.texture, ARGS.probe = map(os.path.abspath, (ARGS.saver, ARGS.texture, ARGS.probe))
    if not os.environ.get("DISPLAY"):
        print("saver_e2e_test.py: DISPLAY is not set", file=sys.stderr)
        return 1
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
