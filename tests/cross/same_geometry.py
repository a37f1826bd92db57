#!/usr/bin/env python3
"""Exits 0 when every build's vorticel-geometry prints the same bytes over one flight.

    same_geometry.py NAME=COMMAND [NAME=COMMAND ...]   (e.g. "wine64 build/win64/bin/x.exe")
"""
import os
import shlex
import subprocess
import sys

BUILDS = 700
CHANGES = {60: "--poly-step 2", 120: "--sinusoid 1", 180: "--zoom 2.2", 240: "--poly-step 8",
           300: "--zoom 1.81818187", 360: "--poly-step 4", 420: "--sinusoid 0",
           480: "--poly-step 1 --zoom 2.42", 540: "--stop"}


def flight():
    args, state, position = ["--rings"], 12345, 0
    for build in range(BUILDS):
        args += CHANGES.get(build, "").split()
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF  # the same pace on every run
        position += 40 + state % 200  # 0.16 to 0.94 rings a frame
        args.append(str(position))
    return args


def main():
    runs = [a.split("=", 1) for a in sys.argv[1:]]
    if not runs or any(len(r) != 2 for r in runs):
        sys.exit(__doc__)
    reference = None
    for name, command in runs:
        result = subprocess.run(shlex.split(command) + flight(), stdout=subprocess.PIPE,
                                timeout=600)
        lines = result.stdout.splitlines()
        print(f"same-geometry: {name}: exit {result.returncode}, {len(lines)} lines")
        if result.returncode or len(lines) != BUILDS or b'"visibleRings":0' not in lines[-1]:
            print(f"same-geometry: {name} should print {BUILDS} lines and fly out at the end")
            return 1
        reference = reference or (name, lines)
        for n, (line, expected) in enumerate(zip(lines, reference[1])):
            if line != expected:
                at = len(os.path.commonprefix([line, expected]))
                print(f"same-geometry: MISMATCH at build {n + 1}, column {at + 1}:")
                for who, text in ((reference[0], expected), (name, line)):
                    print(f"  {who}: ...{text[max(0, at - 150):at + 150].decode()}...")
                return 1
    print(f"same-geometry: all {len(runs)} builds agree over {BUILDS} builds")
    return 0


if __name__ == "__main__":
    sys.exit(main())
