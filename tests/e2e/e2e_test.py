#!/usr/bin/env python3
"""End-to-end tests: drive the real Vorticel executable on an X display as a user would.

Usage: e2e_test.py --exe PATH --texture PATH --probe PATH [--launcher wine64] [unittest args]
With a launcher (the Windows build under wine) the window size allows for wine's frame and the
checks of the X11 platform layer's own details are left out.
Needs DISPLAY (the test command provides a private Xvfb) and xdotool, ImageMagick's import.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
TITLE = re.compile(r"^Vorticel - ([0-9.e+\-]+|inf|nan) fps \((-?[0-9]+) tri\)$")
ABOUT_TEXT = (
    "Very open interpretation of this week theme :)\n"
    "This is a rewrite of my first Quorvane entry,\n"
    " then it is a rebirth...\n\n"
    "Keys:\n 1...4: set nb poly\n SPACE: enable/disable sinusoide size\n"
    " ESC: stop tunnel\n\nMay the FUN be with you!"
)
EDGES = [(0, 0, 0.1, 1), (0.9, 0, 1, 1), (0, 0, 1, 0.1), (0, 0.9, 1, 1)]  # bands along the sides
WAIT = 20.0  # bound for anything to appear (60 s under a launcher); never a pass/fail on speed


def wait_for(predicate, timeout=None, interval=0.05):
    deadline = time.monotonic() + (timeout or WAIT)
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return None


def windows():
    """Mapped top-level windows as (id, x, y, width, height, name)."""
    out = subprocess.run([ARGS.probe, "list"], capture_output=True, text=True, check=True).stdout
    result = []
    for line in out.splitlines():
        parts = line.split(" ", 5)
        result.append((int(parts[0], 16), *map(int, parts[1:5]), parts[5] if len(parts) > 5 else ""))
    return result


def press(window, *keys):
    subprocess.run(["xdotool", "windowfocus", str(window)], check=True)
    time.sleep(0.05)
    for key in keys:
        subprocess.run(["xdotool", "key", key], check=True)


def screenshot(window):
    """The window's pixels as (width, height, bytes RGB)."""
    data = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"], capture_output=True,
                          check=True).stdout
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    width, height = int(header.group(1)), int(header.group(2))
    return width, height, data[header.end():]


def region_stats(shot, x0, y0, x1, y1):
    """Mean luminance, mean red minus blue, and luminance spread over a box (fractions)."""
    width, height, pixels = shot
    total = spread = redBlue = count = 0
    values = []
    for y in range(int(y0 * height), int(y1 * height), 2):
        row = y * width * 3
        for x in range(int(x0 * width), int(x1 * width), 2):
            r, g, b = pixels[row + 3 * x: row + 3 * x + 3]
            lum = (r + g + b) / 3
            values.append(lum)
            redBlue += r - b
            total += lum
            count += 1
    mean = total / count
    spread = (sum((v - mean) ** 2 for v in values) / count) ** 0.5
    return mean, redBlue / count, spread


class Program:
    """One run of the executable in its own working folder."""

    def __init__(self, with_texture=True):
        self.folder = tempfile.mkdtemp(prefix="vorticel-e2e-")
        if with_texture:
            shutil.copy(ARGS.texture, os.path.join(self.folder, "grottebl.jpg"))
        self.stderr = open(os.path.join(self.folder, "stderr.txt"), "w+")
        self.process = subprocess.Popen(ARGS.launcher + [ARGS.exe], cwd=self.folder,
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

    def named(self, pattern):
        return [w for w in windows() if re.search(pattern, w[5])]

    def about_box(self):
        found = wait_for(lambda: self.named(r"^Vorticel$"))
        assert found, "the about box did not appear"
        return found[0]

    def main_window(self):
        """Waits for the effect window (640 x 480, under wine its client area) and returns its id."""
        slack = 40 if ARGS.launcher else 0
        found = wait_for(lambda: [w for w in self.named(r"^Vorticel")
                                  if 640 - slack <= w[3] <= 640 and 480 - slack <= w[4] <= 480])
        assert found, "the effect window did not appear: %r" % windows()
        return found[0][0]

    def title(self, window):
        for w in windows():
            if w[0] == window:
                return w[5]
        return None

    def wait_title(self, window, predicate=lambda m: True, timeout=None):
        def check():
            match = TITLE.match(self.title(window) or "")
            return match if match and predicate(match) else None
        return wait_for(check, timeout)

    def wait_exit(self):
        try:
            return self.process.wait(WAIT)
        except subprocess.TimeoutExpired:
            return None


class EndToEnd(unittest.TestCase):
    def start(self, with_texture=True):
        program = Program(with_texture)
        self.addCleanup(program.close)
        return program

    def through_about(self, program, key="Return"):
        about = program.about_box()
        press(about[0], key)
        return program.main_window()

    def test_about_box_comes_first_and_enter_opens_the_effect(self):
        program = self.start()
        about = program.about_box()
        time.sleep(0.3)
        self.assertEqual([w[5] for w in windows()], ["Vorticel"], "only the about box is shown")
        if not ARGS.launcher:
            text = subprocess.run([ARGS.probe, "property", hex(about[0]), "_VORTICEL_MESSAGE_TEXT"],
                                  capture_output=True, text=True).stdout
            self.assertEqual(text, ABOUT_TEXT)
        self.assertLess(about[3] * about[4], 640 * 480)

        press(about[0], "Return")
        window = program.main_window()
        self.assertFalse(any(w[0] == about[0] for w in windows()), "the about box is gone")
        # The title shows the frame rate within three seconds of the window appearing.
        self.assertIsNotNone(program.wait_title(window, timeout=3.0), program.title(window))
        if not ARGS.launcher:
            self.assertRegex(program.error_output(), r"PixelFormat Selected: \d+\nBPP: \d+\n")

        # A tunnel: dark far end near the middle, brighter textured walls, nothing blank. The
        # tunnel bends, so its far end is looked for anywhere in the middle half of the image.
        time.sleep(1.0)
        shot = screenshot(window)
        far_end = min(region_stats(shot, 0.25 + 0.125 * a, 0.25 + 0.125 * b,
                                   0.375 + 0.125 * a, 0.375 + 0.125 * b)[0]
                      for a in range(4) for b in range(4))
        rim = [region_stats(shot, *box) for box in EDGES]
        self.assertLess(far_end, 45, "the far end of the tunnel is dark")
        self.assertGreater(max(r[0] for r in rim), 1.5 * far_end, "walls near the edges are brighter")
        for half in [(0, 0, 0.5, 1), (0.5, 0, 1, 1), (0, 0, 1, 0.5), (0, 0.5, 1, 1)]:
            self.assertGreater(region_stats(shot, *half)[2], 5, "no half of the image is blank")
        # The rock texture is warmer than grey.
        self.assertGreater(max(r[1] for r in rim), 3)

        # ESC stops the tunnel; the program closes by itself with status 0.
        press(window, "Escape")
        self.assertEqual(program.wait_exit(), 0)

    def test_escape_dismisses_the_about_box_and_keys_thin_the_polygons(self):
        program = self.start()
        window = self.through_about(program, "Escape")
        self.assertIsNotNone(program.wait_title(window))
        # Slow the flight to a standstill so the number of visible rings stays put.
        press(window, *(["minus"] * 40))
        press(window, "4")
        time.sleep(1.2)
        fine = program.wait_title(window, lambda m: int(m.group(2)) % 128 == 0 and int(m.group(2)) > 0)
        self.assertIsNotNone(fine)
        time.sleep(1.2)
        fine = program.wait_title(window)
        press(window, "1")
        coarse = program.wait_title(window, lambda m: int(m.group(2)) != int(fine.group(2)))
        self.assertIsNotNone(coarse, "the triangle count changes after key 1")
        self.assertEqual(int(coarse.group(2)) * 8, int(fine.group(2)))
        # The frame rates the title shows, each over a full period at its stride.
        time.sleep(1.2)
        coarse = program.wait_title(window)
        print("\nframe rate at 640 x 480: polyStep 1: %s fps (%s tri), polyStep 8: %s fps (%s tri)"
              % (fine.group(1), fine.group(2), coarse.group(1), coarse.group(2)), file=sys.stderr)
        subprocess.run([ARGS.probe, "close", hex(window)], check=True)
        self.assertEqual(program.wait_exit(), 0)

    def test_close_button_on_the_about_box_and_the_window(self):
        program = self.start()
        about = program.about_box()
        subprocess.run([ARGS.probe, "close", hex(about[0])], check=True)
        window = program.main_window()
        self.assertIsNotNone(program.wait_title(window))
        subprocess.run([ARGS.probe, "close", hex(window)], check=True)
        self.assertEqual(program.wait_exit(), 0)

    def test_without_the_texture_file_the_wall_is_the_checkerboard(self):
        program = self.start(with_texture=False)
        window = self.through_about(program)
        self.assertIsNotNone(program.wait_title(window))
        time.sleep(0.5)
        shot = screenshot(window)
        rim = [region_stats(shot, *box) for box in EDGES]
        self.assertGreater(max(r[0] for r in rim), 20, "the walls are still drawn")
        self.assertGreater(max(r[2] for r in rim), 5, "with their pattern")
        self.assertLess(max(abs(r[1]) for r in rim), 2, "black and white texels give grey walls")
        press(window, "Escape")
        self.assertEqual(program.wait_exit(), 0)


def main():
    global ARGS, WAIT
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--texture", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--launcher", default="", help="program that runs the executable")
    ARGS, rest = parser.parse_known_args()
    ARGS.exe, ARGS.texture, ARGS.probe = map(os.path.abspath, (ARGS.exe, ARGS.texture, ARGS.probe))
    ARGS.launcher = ARGS.launcher.split()
    if ARGS.launcher:
        WAIT = 60.0  # wine's first start on a new display is slow
    if not os.environ.get("DISPLAY"):
        print("e2e_test.py: DISPLAY is not set", file=sys.stderr)
        return 1
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
