#!/usr/bin/env bash
# The Windows builds' tests under wine on a private Xvfb (scripts/build-windows.sh builds them):
#   win64  the unit tests under wine64
#   win32  the unit tests under wine32, and end to end the programs to ship: Vorticel.exe
#          (tests/e2e/e2e_test.py) and Vorticel.scr (tests/windows/*_e2e.py)
# The Linux pieces the end-to-end tests use (wall texture, x11-probe) come from build/release,
# built there when missing. Ends with "test-windows: N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
linux=$root/build/release
. scripts/tally.sh test-windows
. scripts/xvfb.sh
. scripts/wine.sh

{ [[ -f $linux/CMakeCache.txt ]] || cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=Release >/dev/null; } &&
    cmake --build "$linux" -j"$(nproc)" --target wall_texture x11-probe >/dev/null ||
    { fail "Linux pieces (wall texture, x11-probe)"; finish; }
texture=$linux/bin/grottebl.jpg
probe=$linux/tests/e2e/x11-probe
trap '"$wineserver" -k >/dev/null 2>&1' EXIT
wine_prefix || { fail "wine prefix (log $WINEPREFIX.log)"; finish; }
took "wine prefix"

for build in ${VORTICEL_WINDOWS_BUILDS:-win64 win32}; do
    dir=$root/build/$build
    wine=$(wine_loader "$build")
    [[ -f $dir/CTestTestfile.cmake ]] || { fail "$build: not built (scripts/build-windows.sh)"; continue; }
    echo "== $build: unit tests under $(basename "$wine")"
    # A second try for a test that fails: wine's server has been seen to drop a starting program
    # ("recvmsg: Connection reset by peer"); a test that really fails fails both times.
    env -u DISPLAY ctest --test-dir "$dir" --output-on-failure --timeout 300 \
        --repeat until-pass:2 2>&1 | tee "$dir/ctest.log"
    count_ctest "$dir/ctest.log" "$build unit tests"
    took "$build unit tests"
    [[ $build == win32 ]] || continue

    echo "== $build: Vorticel.exe end to end under $(basename "$wine")"
    on_xvfb timeout 600 python3 tests/e2e/e2e_test.py --exe "$dir/bin/Vorticel.exe" \
        --launcher "$wine" --texture "$texture" --probe "$probe" 2>&1 | tee "$dir/e2e.log"
    count_unittest "$dir/e2e.log" "$build Vorticel.exe end to end"
    for script in tests/windows/*_e2e.py; do
        name=$(basename "$script" .py)
        echo "== $build: $name under $(basename "$wine")"
        on_xvfb timeout 600 python3 "$script" --build "$dir" --launcher "$wine" --probe "$probe" \
            --texture "$texture" 2>&1 | tee "$dir/$name.log"
        count_unittest "$dir/$name.log" "$build $name"
    done
    took "$build end-to-end tests"
done
finish
