"""The end-to-end scripts' options, waits, runs, X11 probe, keys and judges of pictures."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = argparse.Namespace()  # the script's options, filled by main()
WAIT = 20.0  # bound for anything to appear; never a pass/fail on speed
TITLE = re.compile(r"^Vorticel - ([0-9.e+\-]+|inf|nan) fps \((-?[0-9]+) tri\)$")
EDGES = [(0, 0, 0.1, 1), (0.9, 0, 1, 1), (0, 0, 1, 0.1), (0, 0.9, 1, 1)]  # bands along the sides
QUARTERS = [(x, y, x + 0.5, y + 0.5) for x in (0, 0.5) for y in (0, 0.5)]
ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
with open(os.path.join(ROOT, "CMakeLists.txt")) as _top:  # the version the release carries
    VERSION = re.search(r"project\(Vorticel VERSION ([0-9.]+)", _top.read()).group(1)


def wait_for(predicate, timeout=None, interval=0.1):
    deadline = time.monotonic() + (timeout or WAIT)
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return None


def probe(*words):
    return subprocess.run([ARGS.probe, *map(str, words)], capture_output=True, text=True,
                          check=True).stdout


def children(window="root"):
    """Children of a window (or "root"): (id, x, y, width, height, mapped, override, name)."""
    rows = [line.split(" ", 7) for line in probe("tree", window).splitlines()]
    return [(*(int(p, 0) for p in parts[:7]), parts[7]) for parts in rows]


def windows():
    """The top-level windows a window manager would show."""
    return [c for c in children() if c[5] and not c[6]]


def window_sized(width, height, slack=0):
    """Waits for a window named Vorticel... of the size (or up to slack smaller); its id."""
    found = wait_for(lambda: [w for w in windows() if w[-1].startswith("Vorticel")
                              and 0 <= width - w[3] <= slack and 0 <= height - w[4] <= slack])
    assert found, "no %d x %d window: %r" % (width, height, windows())
    return found[0][0]


def wait_title(window, predicate=lambda m: True):
    """Waits for the window's title to be the frame-rate title and pass predicate; the match."""
    def shown():
        names = [w[-1] for w in windows() if w[0] == window]
        match = names and TITLE.match(names[0])
        return match if match and predicate(match) else None
    return wait_for(shown, interval=0.05)


def press(window, *keys):
    subprocess.run(["xdotool", "windowfocus", str(window)], check=True)
    subprocess.run(["xdotool", "key", "--delay", "5", *keys], check=True)


class Run:
    """A test's run of a program in a scratch folder (prepare fills it first), stderr kept."""

    def __init__(self, test, command, env=None, prepare=None):
        self.folder = tempfile.mkdtemp(prefix="vorticel-e2e-")
        if prepare:
            prepare(self.folder)
        self.stderr = open(os.path.join(self.folder, "stderr.txt"), "w+")
        self.process = subprocess.Popen(command, cwd=self.folder, stdout=subprocess.DEVNULL,
                                        stderr=self.stderr, env=dict(os.environ, **(env or {})))
        test.addCleanup(self.close)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.stderr.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def error_output(self):
        self.stderr.seek(0)
        return self.stderr.read()

    def wait_exit(self):
        try:
            return self.process.wait(WAIT)
        except subprocess.TimeoutExpired:
            return None


def screenshot(window):
    """The window's (or "root"'s) pixels as (width, height, bytes RGB)."""
    return ppm(subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"],
                              capture_output=True, check=True, timeout=30).stdout)


def ppm(data):
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    return int(header.group(1)), int(header.group(2)), data[header.end():]


def region_stats(shot, x0, y0, x1, y1):
    """Mean luminance, mean red minus blue, and luminance spread over a box (fractions)."""
    width, height, pixels = shot
    values = []
    red_blue = 0
    for y in range(int(y0 * height), int(y1 * height), 2):
        row = y * width * 3
        for x in range(int(x0 * width), int(x1 * width), 2):
            r, g, b = pixels[row + 3 * x: row + 3 * x + 3]
            values.append((r + g + b) / 3)
            red_blue += r - b
    mean = sum(values) / len(values)
    spread = (sum((v - mean) ** 2 for v in values) / len(values)) ** 0.5
    return mean, red_blue / len(values), spread


def tunnel_problems(shot, hue=1):
    """What keeps the picture from being the whole textured tunnel (empty when it is): a dark
    far end in the middle half, walls on every side, no blank quarter, hue 1 warm or -1 blue."""
    problems = []
    end = min(region_stats(shot, 0.25 + 0.125 * a, 0.25 + 0.125 * b, 0.375 + 0.125 * a,
                           0.375 + 0.125 * b)[0] for a in range(4) for b in range(4))
    rim = [region_stats(shot, *box) for box in EDGES]
    if end >= 30:  # unshaded far walls read 40 and more
        problems.append("no dark far end (darkest middle square %.1f)" % end)
    for name, (mean, _, spread) in zip(("left", "right", "top", "bottom"), rim):
        if mean < 12 or spread < 4:
            problems.append("%s side not wall (mean %.1f, spread %.1f)" % (name, mean, spread))
    if any(region_stats(shot, *quarter)[2] <= 3 for quarter in QUARTERS):
        problems.append("a quarter of the picture is blank")
    if max(hue * r[1] for r in rim) <= 3:
        problems.append("walls not of the texture's hue (red minus blue %r)" % [r[1] for r in rim])
    return problems


def checkerboard_problems(shot):
    """What keeps the walls from being the black-and-white checkerboard (empty when they are)."""
    rim = [region_stats(shot, *box) for box in EDGES]
    problems = []
    if max(r[0] for r in rim) <= 20 or max(r[2] for r in rim) <= 5:
        problems.append("no patterned walls: %r" % rim)
    if max(abs(r[1]) for r in rim) >= 2:
        problems.append("coloured walls, not black and white: %r" % rim)
    return problems


def picture_problems(window, check=tunnel_problems):
    """Waits for the window's (or "root"'s) picture to pass check; the last one's problems."""
    last = []

    def passes():
        last[:] = check(screenshot(window))
        return not last
    wait_for(passes, interval=0.3)
    return last


def main(paths, words=()):
    """Reads --NAME options (paths made absolute, words split), runs the tests; the status."""
    parser = argparse.ArgumentParser()
    for name in (*paths, *words):
        parser.add_argument("--" + name.replace("_", "-"), default="")
    args, rest = parser.parse_known_args()
    for name in paths:
        setattr(ARGS, name, getattr(args, name) and os.path.abspath(getattr(args, name)))
    for name in words:
        setattr(ARGS, name, getattr(args, name).split())
    global WAIT
    if getattr(ARGS, "launcher", None):
        WAIT = 60.0  # wine's first start on a new display is slow
    program = unittest.main(module="__main__", argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1
