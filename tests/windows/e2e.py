#!/usr/bin/env python3
"""Drives a built Vorticel executable on an X display, end to end.

Starts the program (natively or through wine), answers the about box, waits for the frame
rate to appear in the title, checks a screenshot of the window for a tunnel (a dark far end
surrounded by bright, textured walls) and for motion between two frames, then presses ESC
and expects the program to close its window by itself and exit with status 0.

Only waits are bounded by time; no result depends on how fast anything runs. The measured
frame rate is reported, not judged.

Needs xdotool and xwininfo (x11-utils); screenshots are read from xwd's own format.
"""

import argparse
import json
import os
import re
import signal
import struct
import subprocess
import sys
import time
import zlib

TITLE_RE = re.compile(r"^Vorticel - ([0-9.eE+-]+|inf|nan) fps \(([0-9]+) tri\)$")


class Failure(Exception):
    pass


def run(args, env, check=True):
    try:
        res = subprocess.run(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             text=True, timeout=30)
    except subprocess.TimeoutExpired:
        return None
    if check and res.returncode != 0:
        return None
    return res.stdout


def wait_for(what, timeout, probe, interval=0.2):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %gs waiting for %s" % (timeout, what))
        time.sleep(interval)


def visible_windows(env, name_regex):
    out = run(["xdotool", "search", "--onlyvisible", "--name", name_regex], env)
    if not out:
        return []
    return [int(w) for w in out.split()]


def window_name(env, wid):
    out = run(["xdotool", "getwindowname", str(wid)], env)
    return out.rstrip("\n") if out is not None else None


def window_geometry(env, wid):
    """Absolute position and size of the window's X drawable, from xwininfo."""
    out = run(["xwininfo", "-id", str(wid)], env)
    if not out:
        return None
    fields = {}
    for line in out.splitlines():
        m = re.match(r"\s*(Absolute upper-left X|Absolute upper-left Y|Width|Height):\s+(-?\d+)",
                     line)
        if m:
            fields[m.group(1)] = int(m.group(2))
    if len(fields) != 4:
        return None
    return (fields["Absolute upper-left X"], fields["Absolute upper-left Y"], fields["Width"],
            fields["Height"])


def press(env, wid, key):
    # Without a window manager, focus the window directly; XTEST then delivers a real key
    # press, which wine (unlike for synthetic events) handles like any other.
    run(["xdotool", "windowfocus", "--sync", str(wid)], env, check=False)
    run(["xdotool", "key", "--clearmodifiers", key], env, check=False)


def read_xwd(data, rect):
    """Decodes the rectangle (x, y, w, h) of a 24/32-bit TrueColor ZPixmap XWD image into
    (width, height, rgb bytes)."""
    hdr = struct.unpack(">25I", data[:100])
    header_size, version, fmt, depth, width, height = hdr[0:6]
    byte_order, bits_per_pixel, bytes_per_line = hdr[7], hdr[11], hdr[12]
    red_mask, green_mask, blue_mask = hdr[14], hdr[15], hdr[16]
    ncolors = hdr[19]
    if version != 7 or fmt != 2 or bits_per_pixel not in (24, 32):
        raise Failure("unsupported xwd image (version %d, format %d, %d bpp, depth %d)" %
                      (version, fmt, bits_per_pixel, depth))
    offset = header_size + ncolors * 12
    bpp = bits_per_pixel // 8

    def shift(mask):
        s = 0
        while mask and not (mask >> s) & 1:
            s += 1
        return s

    rs, gs, bs = shift(red_mask), shift(green_mask), shift(blue_mask)
    order = "big" if byte_order == 1 else "little"
    x0, y0, w, h = rect
    x0, y0 = max(0, x0), max(0, y0)
    w, h = min(w, width - x0), min(h, height - y0)
    if w <= 0 or h <= 0:
        raise Failure("the window lies outside the screen")
    rgb = bytearray(w * h * 3)
    o = 0
    for y in range(y0, y0 + h):
        start = offset + y * bytes_per_line + x0 * bpp
        row = data[start:start + w * bpp]
        for x in range(0, w * bpp, bpp):
            p = int.from_bytes(row[x:x + bpp], order)
            rgb[o] = (p & red_mask) >> rs
            rgb[o + 1] = (p & green_mask) >> gs
            rgb[o + 2] = (p & blue_mask) >> bs
            o += 3
    return w, h, bytes(rgb)


def write_png(path, image):
    width, height, rgb = image
    raw = b"".join(b"\x00" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))

    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body +
                struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def screenshot(env, geometry):
    try:
        data = subprocess.run(["xwd", "-root", "-silent"], env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=30).stdout
    except subprocess.TimeoutExpired:
        raise Failure("xwd did not finish")
    if len(data) < 100:
        raise Failure("xwd gave no image")
    return read_xwd(data, geometry)


def luminance_grid(image, cells):
    """Mean luminance (0..255) of each cell of a cells x cells grid."""
    width, height, rgb = image
    sums = [[0.0] * cells for _ in range(cells)]
    counts = [[0] * cells for _ in range(cells)]
    for y in range(0, height, 2):
        cy = y * cells // height
        for x in range(0, width, 2):
            i = (y * width + x) * 3
            lum = 0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2]
            cx = x * cells // width
            sums[cy][cx] += lum
            counts[cy][cx] += 1
    return [[sums[r][c] / max(1, counts[r][c]) for c in range(cells)] for r in range(cells)]


def tunnel_stats(image):
    """Figures that tell a tunnel view from a blank, flat or broken frame."""
    width, height, rgb = image
    lums = []
    for y in range(0, height, 2):
        for x in range(0, width, 2):
            i = (y * width + x) * 3
            lums.append(0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2])
    n = len(lums)
    mean = sum(lums) / n
    std = (sum((v - mean) ** 2 for v in lums) / n) ** 0.5
    grid = luminance_grid(image, 8)
    flat = [(grid[r][c], r, c) for r in range(8) for c in range(8)]
    darkest = min(flat)
    brightest = max(flat)
    # Share of visibly coloured pixels. The wall shading is grey, and so is the fallback
    # checkerboard: colour on the screen can only come from the decoded wall texture.
    coloured = 0
    for y in range(0, height, 2):
        base = y * width * 3
        for x in range(0, width, 2):
            i = base + x * 3
            if max(rgb[i:i + 3]) - min(rgb[i:i + 3]) >= 4:
                coloured += 1
    return {
        "mean": round(mean, 1),
        "std": round(std, 1),
        "darkest_cell": round(darkest[0], 1),
        "darkest_cell_at": [darkest[1], darkest[2]],
        "brightest_cell": round(brightest[0], 1),
        "brightest_cell_at": [brightest[1], brightest[2]],
        "coloured": round(coloured / n, 3),
    }


def check_tunnel(stats, fallback):
    # The path winds, so the far end may lie anywhere in the view, even at its edge: look for
    # a dark part somewhere and bright walls elsewhere, rather than at fixed places.
    problems = []
    if stats["std"] < 8:
        problems.append("a flat picture (deviation %.1f)" % stats["std"])
    if stats["brightest_cell"] < 40:
        problems.append("no bright walls (brightest part %.1f)" % stats["brightest_cell"])
    if stats["darkest_cell"] > 20 or stats["darkest_cell"] > 0.5 * stats["brightest_cell"]:
        problems.append("no dark far end: darkest part %.1f against brightest %.1f" %
                        (stats["darkest_cell"], stats["brightest_cell"]))
    if fallback:
        if stats["coloured"] > 0.01:
            problems.append("coloured walls (%.1f%%) where the grey fallback was expected" %
                            (100 * stats["coloured"]))
    elif stats["coloured"] < 0.2:
        problems.append("grey walls: the wall texture was not decoded (%.1f%% coloured)" %
                        (100 * stats["coloured"]))
    return problems


def frame_difference(a, b):
    _, _, ra = a
    _, _, rb = b
    step = 7
    total = sum(abs(ra[i] - rb[i]) for i in range(0, min(len(ra), len(rb)), step))
    return total / (min(len(ra), len(rb)) / step)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--display", required=True)
    ap.add_argument("--workdir", required=True, help="current directory for the program")
    ap.add_argument("--out", required=True, help="folder for screenshots and the log")
    ap.add_argument("--name", default="run", help="prefix of the files written")
    ap.add_argument("--timeout", type=float, default=60.0,
                    help="bound of each wait for a window or title")
    ap.add_argument("--fps-samples", type=int, default=6,
                    help="title refreshes to read before pressing ESC")
    ap.add_argument("--expect-fallback", action="store_true",
                    help="no grottebl.jpg: expect the grey checkerboard wall")
    ap.add_argument("command", nargs="+", help="command line that starts the program")
    args = ap.parse_args()

    env = dict(os.environ, DISPLAY=args.display)
    os.makedirs(args.out, exist_ok=True)
    log_path = os.path.join(args.out, args.name + ".log")
    result = {"name": args.name, "ok": False}
    log = open(log_path, "wb")
    proc = subprocess.Popen(args.command, cwd=args.workdir, env=env, stdin=subprocess.DEVNULL,
                            stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    try:
        # The about box comes first; it is the only window captioned "Vorticel" until it is
        # answered, and the main window (640 x 480) is created only after it.
        about = wait_for("the about box", args.timeout,
                         lambda: proc.poll() is None and visible_windows(env, "^Vorticel$"))
        if proc.poll() is not None:
            raise Failure("exited with status %d before showing a window" % proc.returncode)
        about = about[0]
        about_geometry = window_geometry(env, about)
        result["about_box"] = about_geometry[2:] if about_geometry else None

        def about_answered():
            if proc.poll() is not None:
                raise Failure("exited with status %d at the about box" % proc.returncode)
            if about in visible_windows(env, "^Vorticel$"):
                press(env, about, "Return")
                return False
            return True

        wait_for("the about box to close", args.timeout, about_answered, interval=1.0)

        def titled_window():
            if proc.poll() is not None:
                raise Failure("exited with status %d before the first frame" % proc.returncode)
            for wid in visible_windows(env, "^Vorticel - "):
                name = window_name(env, wid)
                if name and TITLE_RE.match(name):
                    return wid, name
            return None

        main_window, title = wait_for("a frame-rate title", args.timeout, titled_window)
        geometry = window_geometry(env, main_window)
        if not geometry:
            raise Failure("cannot read the main window's geometry")
        result["window"] = list(geometry[2:])

        # Read a few title refreshes (about one a second) to get a settled frame rate.
        samples = []

        def next_title():
            if proc.poll() is not None:
                raise Failure("exited with status %d while running" % proc.returncode)
            name = window_name(env, main_window)
            m = TITLE_RE.match(name or "")
            if m and (not samples or name != samples[-1][0]):
                samples.append((name, float(m.group(1)), int(m.group(2))))
                return True
            return False

        next_title()
        first_shot = screenshot(env, geometry)
        while len(samples) < args.fps_samples:
            wait_for("the title to refresh", args.timeout, next_title)
        second_shot = screenshot(env, geometry)
        write_png(os.path.join(args.out, args.name + ".png"), second_shot)

        result["titles"] = [s[0] for s in samples]
        # The first period includes start-up; the median of the rest is the figure reported.
        steady = sorted(x[1] for x in samples[1:]) or [samples[0][1]]
        result["fps"] = steady[len(steady) // 2]
        result["fps_samples"] = len(steady)
        result["triangles"] = samples[-1][2]
        stats = tunnel_stats(second_shot)
        result["picture"] = stats
        result["motion"] = round(frame_difference(first_shot, second_shot), 2)
        problems = check_tunnel(stats, args.expect_fallback)
        if result["motion"] < 1.0:
            problems.append("the picture did not change between two frames")
        if samples[-1][2] <= 0:
            problems.append("no triangles drawn")

        # ESC stops the tunnel; the program must close its window and end by itself.
        stop = time.monotonic()
        press(env, main_window, "Escape")

        def exited():
            if proc.poll() is not None:
                return True
            # A lost key press would leave the tunnel running: press again while it lives.
            if time.monotonic() - stop > 5 and window_name(env, main_window):
                press(env, main_window, "Escape")
            return False

        wait_for("the program to exit after ESC", args.timeout, exited, interval=0.5)
        result["exit_status"] = proc.returncode
        if proc.returncode != 0:
            problems.append("exit status %d" % proc.returncode)
        result["problems"] = problems
        result["ok"] = not problems
    except Failure as e:
        result["problems"] = [str(e)]
    finally:
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
        log.close()
    print(json.dumps(result))
    return 0 if result["ok"] else 1


if __name__ == "__main__":
    sys.exit(main())
