"""Screenshots and what a picture of the tunnel looks like, for the tests that run the saver.

screenshot(window) grabs a window (or "root") with ImageMagick's import; tunnel_problems(shot)
lists what keeps a picture from being the textured tunnel seen whole: empty when it is.
"""
import re
import subprocess

EDGES = [(0, 0, 0.1, 1), (0.9, 0, 1, 1), (0, 0, 1, 0.1), (0, 0.9, 1, 1)]  # bands along the sides
HALVES = [(0, 0, 0.5, 1), (0.5, 0, 1, 1), (0, 0, 1, 0.5), (0, 0.5, 1, 1)]


def screenshot(window, display=None):
    """The window's pixels as (width, height, bytes RGB)."""
    command = ["import"] + (["-display", display] if display else [])
    data = subprocess.run(command + ["-window", str(window), "ppm:-"], capture_output=True,
                          check=True, timeout=30).stdout
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    width, height = int(header.group(1)), int(header.group(2))
    return width, height, data[header.end():]


def region_stats(shot, x0, y0, x1, y1):
    """Mean luminance, mean red minus blue, and luminance spread over a box (fractions)."""
    width, height, pixels = shot
    total = red_blue = count = 0
    values = []
    for y in range(int(y0 * height), int(y1 * height), 2):
        row = y * width * 3
        for x in range(int(x0 * width), int(x1 * width), 2):
            r, g, b = pixels[row + 3 * x: row + 3 * x + 3]
            lum = (r + g + b) / 3
            values.append(lum)
            red_blue += r - b
            total += lum
            count += 1
    mean = total / count
    spread = (sum((v - mean) ** 2 for v in values) / count) ** 0.5
    return mean, red_blue / count, spread


def far_end(shot):
    """Luminance of the darkest eighth-square in the middle half: the tunnel's far end, which
    moves about as the tunnel bends."""
    return min(region_stats(shot, 0.25 + 0.125 * a, 0.25 + 0.125 * b,
                            0.375 + 0.125 * a, 0.375 + 0.125 * b)[0]
               for a in range(4) for b in range(4))


def tunnel_problems(shot, warm=True):
    """What is wrong with the picture as the tunnel filling it: a dark far end, textured walls
    reaching every side, no blank half; with warm, the rock texture (warmer than grey), which
    the black-and-white checkerboard is not."""
    problems = []
    end = far_end(shot)
    rim = [region_stats(shot, *box) for box in EDGES]
    if end >= 45:
        problems.append("no dark far end (darkest middle square %.1f)" % end)
    for name, (mean, _, spread) in zip(("left", "right", "top", "bottom"), rim):
        if mean < 12 or spread < 4:
            problems.append("the %s side is not wall (mean %.1f, spread %.1f)" % (name, mean, spread))
    if max(r[0] for r in rim) <= 1.5 * end:
        problems.append("the walls are not brighter than the far end")
    for half in HALVES:
        if region_stats(shot, *half)[2] <= 5:
            problems.append("a half of the picture is blank")
    if warm and max(r[1] for r in rim) <= 3:
        problems.append("grey walls, not the rock texture (red minus blue %.1f)"
                        % max(r[1] for r in rim))
    return problems
