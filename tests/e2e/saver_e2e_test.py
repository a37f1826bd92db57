#!/usr/bin/env python3
"""vorticel-saver as a daemon, its settings dialog and a user drive it: saver_e2e_test.py
--saver PATH --probe PATH. Needs DISPLAY (a 1280 x 1024 Xvfb), xdotool and import."""
import os
import signal
import subprocess
import sys
import unittest

import e2e_support as support
from e2e_support import ARGS, children, picture_problems, press, screenshot, windows


def corner(shot):
    """Shares of black and of white pixels in the bottom-left 80 x 40, where --fps draws."""
    width, height, pixels = shot
    rgb = [pixels[3 * (y * width + x): 3 * (y * width + x) + 3]
           for y in range(height - 40, height) for x in range(80)]
    return sum(max(p) <= 8 for p in rgb) / 3200, sum(min(p) >= 240 for p in rgb) / 3200


class ForeignWindow:
    """Another program's window (x11-probe), which the test resizes and destroys."""

    def __init__(self, test, width, height):
        self.process = subprocess.Popen([ARGS.probe, "window", str(width), str(height)],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.id = int(self.process.stdout.readline(), 16)
        test.addCleanup(self.close)

    def command(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        assert self.process.stdout.readline().strip() == "ok"

    def close(self):
        self.process.stdin.close()
        self.process.wait(support.WAIT)
        self.process.stdout.close()


class SaverEndToEnd(unittest.TestCase):
    def start(self, *flags, env=None):
        return support.Run(self, [ARGS.saver, *flags], env)

    def assert_no_window_left(self):
        self.assertEqual([w for w in windows() if w[-1].startswith("Vorticel")], [])

    def test_preview_in_the_settings_dialog_follows_its_window_and_ends_with_it(self):
        # The dialog's command line: the preview's id wins over --root and the daemon's window.
        parent, daemons = ForeignWindow(self, 400, 300), ForeignWindow(self, 200, 100)
        saver = self.start("--root", "--window-id", hex(parent.id),
                           env={"XSCREENSAVER_WINDOW": hex(daemons.id)})
        for width, height in ((400, 300), (700, 500)):
            parent.command("size %d %d" % (width, height))
            self.assertTrue(support.wait_for(lambda: [c for c in children(parent.id)
                                                      if c[3:6] == (width, height, 1)]),
                            "a child filling the window: %r" % children(parent.id))
            # At 700 x 500 the walls along the right and bottom sides lie in what it gained.
            self.assertEqual(picture_problems(parent.id), [], "%d x %d" % (width, height))
        self.assertEqual(children(daemons.id), [])
        self.assert_no_window_left()  # nothing of its own on the screen
        parent.command("destroy")
        self.assertEqual(saver.wait_exit(), 0)
        self.assertEqual(saver.error_output(), "")

    def test_root_without_the_daemon_is_the_screen_beneath_the_others_until_sigint(self):
        before = {c[0] for c in children("root")}
        saver = self.start("--root", env={"XSCREENSAVER_WINDOW": ""})
        new = support.wait_for(lambda: [c for c in children("root")
                                        if c[0] not in before and c[5] == 1])
        self.assertTrue(new, children("root"))
        self.assertEqual(new[0][1:5], (0, 0, 1280, 1024))
        self.assertEqual(new[0][6], 1, "override-redirect, so a window manager leaves it alone")
        self.assert_no_window_left()  # no top-level window of its own
        self.assertEqual(picture_problems("root"), [])
        self.assertLess(corner(screenshot("root"))[0], 0.5, "no frame-rate box without --fps")
        saver.process.send_signal(signal.SIGINT)
        self.assertEqual(saver.wait_exit(), 0)
        self.assertEqual([c for c in children("root") if c[0] not in before], [])

    def test_full_screen_without_its_texture_shows_the_checkerboard_until_escape(self):
        saver = self.start("--fullscreen", "--texture", "/nonexistent/grottebl.jpg")
        window = support.window_sized(1280, 1024)
        self.assertEqual([w[1:3] for w in windows() if w[0] == window], [(0, 0)])
        self.assertEqual(picture_problems(window, support.checkerboard_problems), [])
        press(window, "Escape")
        self.assertEqual(saver.wait_exit(), 0)
        self.assertEqual(len(saver.error_output().splitlines()), 1, "one line on the texture")

    def test_own_window_with_fps_and_max_fps_5_and_keys_until_q(self):
        # A cap that a busy machine still reaches.
        saver = self.start("--fps", "--max-fps", "5", "--speed", "0.1")
        window = support.window_sized(640, 480)
        fine = support.wait_title(window, lambda m: 4 <= float(m.group(1)) <= 6)
        self.assertTrue(fine, "5 frames a second")
        # White text on a black box in the corner, and the GL state still right after it.
        self.assertEqual(picture_problems(window), [])
        black, white = corner(screenshot(window))
        self.assertGreater(black, 0.5, "the box behind the text")
        self.assertGreater(white, 0.05, "white text")
        press(window, "1")
        coarse = support.wait_title(window, lambda m: int(m.group(2)) * 4 < int(fine.group(2)))
        self.assertTrue(coarse, "key 1: an eighth of the triangles")
        press(window, "q")
        self.assertEqual(saver.wait_exit(), 0)
        self.assert_no_window_left()
        self.assertEqual(saver.error_output(), "")

    def test_exit_status_and_the_stream_it_speaks_on(self):
        gone = ForeignWindow(self, 50, 50)
        gone.command("destroy")
        for flags, env, code in [(["--bogus"], {}, 1), (["--help"], {}, 0), (["--version"], {}, 0),
                                 (["--root"], {"XSCREENSAVER_WINDOW": hex(gone.id)}, 1),
                                 (["--root"], {"XSCREENSAVER_WINDOW": "screen"}, 1)]:
            result = subprocess.run([ARGS.saver, *flags], capture_output=True, text=True,
                                    timeout=support.WAIT, env=dict(os.environ, **env))
            self.assertEqual(result.returncode, code, (flags, env))
            self.assertEqual(result.stderr if code == 0 else result.stdout, "", (flags, env))


if __name__ == "__main__":
    sys.exit(support.main(["saver", "probe"]))
