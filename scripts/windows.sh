#!/usr/bin/env bash
# The Windows builds, cross-compiled with mingw-w64 and tested under wine:
#   win64  build-win    x86_64, run by wine64
#   win32  build-win32  i686 with SSE2 floating point, run by wine's 32-bit loader (wine32)
# Both run in one 64-bit wine prefix (build-win/wineprefix), which starts 32-bit programs too.
# For each build:
#   1. builds everything (Vorticel.exe, unit tests, vorticel-geometry), checks that every
#      program in app/ imports system DLLs only; for win32, that the geometry core has no x87
#      instruction beyond the loads and stores that carry a result across a call
#   2. runs the unit tests under wine (ctest with the toolchain's emulator)
#   3. runs the end-to-end tests (tests/e2e) on Vorticel.exe under wine on a private Xvfb, and
#      every tests/windows/*_e2e.py with --build DIR --launcher WINE --probe P --texture T; the
#      64-bit build only the frame-rate test of tests/e2e
# Then, for comparison, the same end-to-end tests on the Linux executable, and the frame rates
# of all three side by side.
# The Linux pieces (wall texture, Vorticel, x11-probe, vorticel-geometry) come from
# build/release: what the test command built there is reused, anything missing is built.
# Ends with "windows: N passed, M failed"; the exit status is 0 only when nothing failed.
# Environment: VORTICEL_WINE_FRESH=1 makes a new wine prefix even if one exists;
#              VORTICEL_WINDOWS_BUILDS="win32" (say) limits the builds (default "win64 win32").
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
linux_build=$root/build/release
jobs=$(nproc)
builds=${VORTICEL_WINDOWS_BUILDS:-win64 win32}
mkdir -p "$root/build-win" # holds the wine prefix and the Linux reference log

. scripts/tally.sh windows

scripts/deps.sh --windows || { fail "packages"; finish; }
wineserver=/usr/lib/wine/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver) || { fail "no wineserver"; finish; }
took "packages"

# Per build: its folder, toolchain, objdump and wine loader (Debian keeps both out of PATH).
build_dir() { [[ $1 == win64 ]] && echo "$root/build-win" || echo "$root/build-win32"; }
toolchain() { [[ $1 == win64 ]] && echo mingw-w64-x86_64 || echo mingw-w64-i686; }
objdump_for() { [[ $1 == win64 ]] && echo x86_64-w64-mingw32-objdump || echo i686-w64-mingw32-objdump; }
loader() {
    local name
    [[ $1 == win64 ]] && name=wine64 || name=wine
    if [[ -x /usr/lib/wine/$name ]]; then echo "/usr/lib/wine/$name"; else command -v "$name"; fi
}

# Only DLLs that every Windows has: the C runtime, libstdc++ and winpthread are linked in.
check_imports() { # check_imports BUILD EXE
    local dlls extra system
    dlls=$("$(objdump_for "$1")" -p "$2" | sed -n 's/^\s*DLL Name: //p')
    system='^(kernel32|user32|gdi32|opengl32|glu32|msvcrt|ucrtbase|api-ms-win-crt-.*'
    system+='|ole32|oleaut32|windowscodecs|advapi32|comctl32|shell32)\.dll$'
    extra=$(for dll in $dlls; do [[ ${dll,,} =~ $system ]] || echo "$dll"; done)
    dlls=${dlls//$'\n'/ }
    if [[ -z $extra ]]; then
        pass "$1 $(basename "$2") imports system DLLs only: $dlls"
    else
        fail "$1 $(basename "$2") needs non-system DLLs: $extra"
    fi
}

# The x87 unit computes in extended precision and rounds differently from SSE2; the 32-bit
# build must not use it for the geometry. What may remain are the operations whose results
# are exact: fld/fst(p), since the i386 calling convention returns a float or double in an x87
# register and loading and storing it moves the value unchanged (a store to float rounds once,
# as SSE2's conversion does); fild, which loads a 64-bit integer exactly (SSE2 has no such
# conversion), so that its store to double is the one rounding; and fabs and fchs.
check_x87() { # check_x87 BUILD-DIR
    local objects found
    objects=("$1"/math/CMakeFiles/vorticel_math.dir/*.obj "$1"/tunnel/CMakeFiles/vorticel_core.dir/*.obj)
    found=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "${objects[@]}" |
        awk '/^ *[0-9a-f]+:\t/ {print $2}' | grep -E '^f' | grep -vxE 'f(ld|st|stp)[sl]?|fild(s|l|ll)?|fabs|fchs' |
        sort | uniq -c | tr -s ' \n' ' ')
    if [[ -z $found ]]; then
        pass "win32 geometry core (${#objects[@]} objects): no x87 arithmetic"
    else
        fail "win32 geometry core uses the x87 unit: $found"
    fi
}

configure_and_build() { # configure_and_build BUILD
    local dir
    dir=$(build_dir "$1")
    echo "== $1: cross build ($dir)"
    if cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$(toolchain "$1").cmake" \
        -DCMAKE_BUILD_TYPE=Release -DVORTICEL_BENCH=OFF >/dev/null &&
        cmake --build "$dir" -j"$jobs"; then
        pass "$1 cross build"
    else
        fail "$1 cross build"
        return 1
    fi
    local program
    for program in "$dir"/app/*.exe "$dir"/app/*.scr; do
        [[ -f $program ]] && check_imports "$1" "$program"
    done
    [[ $1 == win32 ]] && check_x87 "$dir"
    return 0
}

built=()
for b in $builds; do
    configure_and_build "$b" && built+=("$b")
    took "$b cross build"
done

echo "== Linux pieces (build/release)"
if { [[ -f $linux_build/CMakeCache.txt ]] ||
    cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release >/dev/null; } &&
    cmake --build "$linux_build" -j"$jobs" --target wall_texture Vorticel x11-probe vorticel-geometry; then
    pass "Linux pieces: wall texture, Vorticel, x11-probe, vorticel-geometry"
else
    fail "Linux pieces"
    finish
fi
took "Linux pieces"

export WINEPREFIX=$root/build-win/wineprefix WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts
trap '"$wineserver" -k >/dev/null 2>&1' EXIT
if [[ ${VORTICEL_WINE_FRESH:-0} == 1 || ! -f $WINEPREFIX/system.reg ]]; then
    echo "== wineboot (new prefix $WINEPREFIX)"
    "$wineserver" -k >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
    env -u DISPLAY timeout 300 "$(loader win64)" wineboot --init >"$root/build-win/wineboot.log" 2>&1
    timeout 120 "$wineserver" -w
    [[ -f $WINEPREFIX/system.reg ]] || { fail "wine prefix (log build-win/wineboot.log)"; finish; }
    took "new wine prefix"
fi

count_unittest() { # adds up a Python unittest log: "Ran N tests" less failures, errors and skips
    local ran bad skipped
    ran=$(sed -n 's/^Ran \([0-9]*\) tests\?.*/\1/p' "$1" | tail -n 1)
    bad=$(($(grep -E '^FAILED \(' "$1" | grep -oE '(failures|errors)=[0-9]+' |
        cut -d= -f2 | paste -sd+ -) + 0))
    skipped=$(($(grep -E '^(OK|FAILED) \(' "$1" | grep -oE 'skipped=[0-9]+' |
        cut -d= -f2 | paste -sd+ -) + 0))
    if [[ -n $ran ]]; then
        passed=$((passed + ran - bad - skipped))
        failed=$((failed + bad))
    else
        fail "$2 gave no result (log $1)"
    fi
}
on_xvfb() { xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" timeout 600 "$@"; }
e2e() { # e2e LOG EXE [LAUNCHER [UNITTEST-ARGS]]: the end-to-end tests on a private Xvfb, output kept in LOG
    local log=$1 exe=$2 launcher=${3:-}
    shift $(($# < 3 ? $# : 3))
    on_xvfb python3 "$root/tests/e2e/e2e_test.py" --exe "$exe" --launcher "$launcher" \
        --texture "$linux_build/app/grottebl.jpg" --probe "$linux_build/tests/e2e/x11-probe" \
        "$@" 2>&1 | tee "$log"
    [[ ${PIPESTATUS[0]} -eq 0 ]]
}
frame_rate() { grep '^frame rate at' "$1" | tail -n 1; }

for b in "${built[@]}"; do
    dir=$(build_dir "$b")
    wine=$(loader "$b")
    echo "== $b: unit tests under $(basename "$wine")"
    # A second try for a test that fails: wine's server has been seen to drop a starting program
    # ("recvmsg: Connection reset by peer"); a test that really fails fails both times.
    env -u DISPLAY ctest --test-dir "$dir" --output-on-failure --timeout 300 \
        --repeat until-pass:2 2>&1 | tee "$dir/ctest.log"
    count_ctest "$dir/ctest.log" "$b unit tests"
    took "$b unit tests"

    # The 32-bit programs are the ones to ship: they get every end-to-end test. The 64-bit
    # Vorticel.exe runs the one that goes through the about box, the keys and the frame rate,
    # and its screensaver is left alone.
    if [[ $b == win32 ]]; then
        echo "== $b: end-to-end tests on Vorticel.exe under $(basename "$wine") (with and without grottebl.jpg)"
        e2e "$dir/e2e.log" "$dir/app/Vorticel.exe" "$wine"
    else
        echo "== $b: the frame-rate end-to-end test on Vorticel.exe under $(basename "$wine")"
        e2e "$dir/e2e.log" "$dir/app/Vorticel.exe" "$wine" -k keys_thin
    fi
    count_unittest "$dir/e2e.log" "$b end-to-end tests"
    [[ $b == win32 ]] || { took "$b end-to-end tests"; continue; }
    for script in "$root"/tests/windows/*_e2e.py; do
        [[ -f $script ]] || continue
        name=$(basename "$script" .py)
        echo "== $b: $name under $(basename "$wine")"
        on_xvfb python3 "$script" --build "$dir" --launcher "$wine" \
            --probe "$linux_build/tests/e2e/x11-probe" --texture "$linux_build/app/grottebl.jpg" \
            2>&1 | tee "$dir/$name.log"
        count_unittest "$dir/$name.log" "$b $name"
    done
    took "$b end-to-end tests"
done

# The Linux executable's frame rate on the same display in the same run, for comparison; the
# release build's tests have run all of its end-to-end tests already.
echo "== reference: the frame-rate test on the Linux executable"
e2e "$root/build-win/e2e-linux.log" "$linux_build/app/Vorticel" "" -k keys_thin ||
    echo "windows: the Linux run did not pass (not counted here; log build-win/e2e-linux.log)"
took "Linux frame-rate reference"
echo "windows: Linux:  $(frame_rate "$root/build-win/e2e-linux.log")"
for b in "${built[@]}"; do
    echo "windows: $b:  $(frame_rate "$(build_dir "$b")/e2e.log")"
done
finish
