#!/usr/bin/env bash
# The Windows build: cross-compiled with mingw-w64 (x86_64), tested under wine64.
#   1. builds Vorticel.exe and the unit tests in build-win, checks the exe needs system DLLs only
#   2. runs the unit tests under wine (ctest with the toolchain's emulator)
#   3. runs the end-to-end tests (tests/e2e) on Vorticel.exe under wine on a private Xvfb
#   4. for comparison, the same tests on the Linux executable (built in build-win-linux)
# Ends with "windows: N passed, M failed"; the exit status is 0 only when nothing failed.
# Environment: VORTICEL_WINE_FRESH=1 makes a new wine prefix even if one exists.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
build=$root/build-win
linux_build=$root/build-win-linux
jobs=$(nproc)
started=$(date +%s)

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "windows: PASS $*"; }
fail() { failed=$((failed + 1)); echo "windows: FAIL $*"; }
finish() {
    echo "windows: took $(($(date +%s) - started)) s"
    echo "windows: $passed passed, $failed failed"
    exit $((failed > 0))
}

scripts/deps.sh --windows || { fail "packages"; finish; }
wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine) || { fail "no wine64"; finish; }
wineserver=/usr/lib/wine/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver) || { fail "no wineserver"; finish; }

echo "== Windows cross build (build-win)"
if cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVORTICEL_BENCH=OFF >/dev/null &&
    cmake --build "$build" -j"$jobs"; then
    pass "cross build"
else
    fail "cross build"
    finish
fi
exe=$build/app/Vorticel.exe
# Only DLLs that every Windows has: the C runtime, libstdc++ and winpthread are linked in.
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
system='^(kernel32|user32|gdi32|opengl32|glu32|msvcrt|ucrtbase|api-ms-win-crt-.*'
system+='|ole32|oleaut32|windowscodecs|advapi32)\.dll$'
extra=$(for dll in $dlls; do [[ ${dll,,} =~ $system ]] || echo "$dll"; done)
dlls=${dlls//$'\n'/ }
if [[ -z $extra ]]; then
    pass "Vorticel.exe imports system DLLs only: $dlls"
else
    fail "Vorticel.exe needs non-system DLLs: $extra"
fi

# The wall texture comes from the project's own tool, a Linux program; the Linux executable
# and the X11 probe of the end-to-end tests come from the same build.
echo "== Linux build (build-win-linux)"
if cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DVORTICEL_TESTS=ON \
    -DVORTICEL_BENCH=OFF >/dev/null &&
    cmake --build "$linux_build" -j"$jobs" --target wall_texture Vorticel x11-probe; then
    pass "Linux build: wall texture, Vorticel, x11-probe"
else
    fail "Linux build"
    finish
fi

export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts
trap '"$wineserver" -k >/dev/null 2>&1' EXIT
if [[ ${VORTICEL_WINE_FRESH:-0} == 1 || ! -f $WINEPREFIX/system.reg ]]; then
    echo "== wineboot (new prefix $WINEPREFIX)"
    "$wineserver" -k >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
    env -u DISPLAY timeout 300 "$wine" wineboot --init >"$build/wineboot.log" 2>&1
    timeout 120 "$wineserver" -w
    [[ -f $WINEPREFIX/system.reg ]] || { fail "wine prefix (log $build/wineboot.log)"; finish; }
fi

echo "== unit tests under wine64"
env -u DISPLAY ctest --test-dir "$build" --output-on-failure --timeout 300 2>&1 |
    tee "$build/ctest.log"
line=$(grep -E "tests? failed out of [0-9]+" "$build/ctest.log" | tail -n 1)
if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
else
    fail "ctest gave no result"
fi

e2e() { # e2e LOG EXE [LAUNCHER]: the end-to-end tests on a private Xvfb, output kept in LOG
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" timeout 600 \
        python3 "$root/tests/e2e/e2e_test.py" --exe "$2" --launcher "${3:-}" \
        --texture "$linux_build/app/grottebl.jpg" --probe "$linux_build/tests/e2e/x11-probe" \
        2>&1 | tee "$1"
    [[ ${PIPESTATUS[0]} -eq 0 ]]
}
frame_rate() { grep '^frame rate at' "$1" | tail -n 1; }

echo "== end-to-end tests on Vorticel.exe under wine64 (with and without grottebl.jpg)"
e2e "$build/e2e.log" "$exe" "$wine"
ran=$(sed -n 's/^Ran \([0-9]*\) tests\?.*/\1/p' "$build/e2e.log")
bad=$(($(grep -E '^FAILED \(' "$build/e2e.log" | grep -oE '(failures|errors)=[0-9]+' |
    cut -d= -f2 | paste -sd+ -) + 0))
if [[ -n $ran ]]; then
    passed=$((passed + ran - bad))
    failed=$((failed + bad))
else
    fail "end-to-end tests under wine gave no result"
fi

echo "== reference: the same tests on the Linux executable"
e2e "$build/e2e-linux.log" "$linux_build/app/Vorticel" ||
    echo "windows: the Linux run did not pass (not counted here; log $build/e2e-linux.log)"
echo "windows: wine:  $(frame_rate "$build/e2e.log")"
echo "windows: Linux: $(frame_rate "$build/e2e-linux.log")"
finish
