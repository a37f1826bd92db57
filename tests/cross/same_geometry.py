#!/usr/bin/env python3
"""Runs vorticel-geometry from several builds over one flight and checks that every build
prints the same bytes.

    same_geometry.py NAME=COMMAND [NAME=COMMAND ...]

COMMAND is the tool with its launcher, split on spaces (e.g. "wine64 build/win64/.../x.exe",
"node build/web-cmake/.../vorticel-geometry.js").
The flight: several hundred builds at a varying pace, with polyStep, zoom and the sinusoidal
size changed along the way, then the stop, flown on until no ring is left. Each build's output
is hashed; on a mismatch the first differing line of each build is printed. Exit status 0
when all agree.
"""
import hashlib
import os
import shlex
import subprocess
import sys

BUILDS = 700


def flight():
    """The tool's arguments: options and positions, in order."""
    args = ["--rings"]
    state = 12345  # a small LCG: the pace varies, the same on every run
    position = 0
    changes = {
        60: ["--poly-step", "2"],
        120: ["--sinusoid", "1"],
        180: ["--zoom", "2.2"],
        240: ["--poly-step", "8"],
        300: ["--zoom", "1.81818187"],
        360: ["--poly-step", "4"],
        420: ["--sinusoid", "0"],
        480: ["--poly-step", "1", "--zoom", "2.42"],
        540: ["--stop"],
    }
    for build in range(BUILDS):
        args += changes.get(build, [])
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        position += 40 + state % 200  # 0.16 to 0.94 rings a frame
        args.append(str(position))
    return args


def main():
    runs = [a.split("=", 1) for a in sys.argv[1:]]
    if not runs or any(len(r) != 2 for r in runs):
        sys.exit(__doc__)
    args = flight()
    outputs = {}
    for name, command in runs:
        result = subprocess.run(shlex.split(command) + args, stdout=subprocess.PIPE, timeout=600)
        if result.returncode != 0:
            print(f"same-geometry: {name} exited with {result.returncode}")
            return 1
        outputs[name] = result.stdout
        lines = result.stdout.count(b"\n")
        print(f"same-geometry: {name}: {lines} lines, "
              f"sha256 {hashlib.sha256(result.stdout).hexdigest()}")
    reference = next(iter(outputs.values()))
    if reference.count(b"\n") != BUILDS:
        print(f"same-geometry: expected {BUILDS} lines")
        return 1
    last = reference.splitlines()[-1]
    if b'"visibleRings":0' not in last:
        print("same-geometry: the flight should end with the tunnel flown out")
        return 1
    if all(out == reference for out in outputs.values()):
        print(f"same-geometry: all {len(outputs)} builds agree over {BUILDS} builds")
        return 0
    split = [out.splitlines() for out in outputs.values()]
    first = len(os.path.commonprefix(split))
    texts = {n: (l[first] if first < len(l) else b"(no line)").decode(errors="replace")
             for n, l in zip(outputs, split)}
    column = len(os.path.commonprefix(list(texts.values())))
    print(f"same-geometry: MISMATCH, first at build {first + 1}, column {column + 1}:")
    for name, text in texts.items():
        start = max(0, column - 150)
        print(f"  {name}: {'...' if start else ''}{text[start:column + 150]}...")
    return 1

if __name__ == "__main__":
    sys.exit(main())
