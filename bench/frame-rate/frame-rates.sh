#!/usr/bin/env bash
# Frame rates of Vorticel at 640 x 480 on one private Xvfb, side by side: the Linux program and
# the Windows builds under wine (64-bit under wine64, 32-bit under wine32), each at polyStep 1
# and 8, as the end-to-end test that thins the polygons reads them from the title.
# Needs build/release, and build/win64 and build/win32 (scripts/build-windows.sh).
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
. scripts/xvfb.sh
. scripts/wine.sh
linux=build/release
wine_prefix || { echo "frame-rates: no wine prefix" >&2; exit 1; }
trap '"$wineserver" -k >/dev/null 2>&1' EXIT

measure() { # measure NAME EXE [LAUNCHER]
    local line
    line=$(on_xvfb python3 tests/e2e/e2e_test.py --exe "$2" --launcher "${3:-}" \
        --texture "$linux/bin/grottebl.jpg" --probe "$linux/tests/e2e/x11-probe" -k keys_thin 2>&1 |
        grep '^frame rate at' | tail -n 1)
    printf '%-8s %s\n' "$1" "${line:-no figure (the test failed)}"
}
measure linux "$linux/bin/Vorticel"
measure win64 build/win64/bin/Vorticel.exe "$(wine_loader win64)"
measure win32 build/win32/bin/Vorticel.exe "$(wine_loader win32)"
