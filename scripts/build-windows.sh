#!/usr/bin/env bash
# The Windows builds, cross-compiled with mingw-w64:
#   win64  build/win64  x86_64
#   win32  build/win32  i686 with SSE2 floating point: the programs to ship
# Each builds everything (the programs, the unit tests, vorticel-geometry) and checks that the
# programs import system DLLs only; the 32-bit one also that its geometry core does no x87
# arithmetic. The programs' icon and Vorticel.scr's built-in wall texture are drawn by tools
# of the Linux build (build/release), built first. Ends with "build-windows: N passed, M failed".
# Environment: VORTICEL_WINDOWS_BUILDS="win32" (say) limits the builds (default "win64 win32").
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
. scripts/tally.sh build-windows

scripts/deps.sh --windows || { fail "packages"; finish; }

linux=$root/build/release
{ [[ -f $linux/CMakeCache.txt ]] || cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=Release >/dev/null; } &&
    cmake --build "$linux" -j"$(nproc)" --target wall_texture icon >/dev/null ||
    { fail "Linux artwork (wall texture, icon)"; finish; }

# Only DLLs that every Windows has: the C runtime, libstdc++ and winpthread are linked in.
check_imports() { # check_imports BUILD EXE
    local objdump=i686-w64-mingw32-objdump dlls extra system
    [[ $1 == win64 ]] && objdump=x86_64-w64-mingw32-objdump
    dlls=$("$objdump" -p "$2" | sed -n 's/^\s*DLL Name: //p')
    system='^(kernel32|user32|gdi32|opengl32|glu32|msvcrt|ucrtbase|api-ms-win-crt-.*'
    system+='|ole32|oleaut32|windowscodecs|advapi32|comctl32|shell32)\.dll$'
    extra=$(for dll in $dlls; do [[ ${dll,,} =~ $system ]] || echo "$dll"; done)
    if [[ -z $extra ]]; then
        pass "$1 $(basename "$2") imports system DLLs only: ${dlls//$'\n'/ }"
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
        awk '/^ *[0-9a-f]+:\t/ {print $2}' | grep -E '^f' |
        grep -vxE 'f(ld|st|stp)[sl]?|fild(s|l|ll)?|fabs|fchs' | sort | uniq -c | tr -s ' \n' ' ')
    if [[ -z $found ]]; then
        pass "win32 geometry core (${#objects[@]} objects): no x87 arithmetic"
    else
        fail "win32 geometry core uses the x87 unit: $found"
    fi
}

for build in ${VORTICEL_WINDOWS_BUILDS:-win64 win32}; do
    dir=$root/build/$build
    toolchain=mingw-w64-i686
    [[ $build == win64 ]] && toolchain=mingw-w64-x86_64
    echo "== $build: cross build ($dir)"
    if cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DVORTICEL_BENCH=OFF -DVORTICEL_ARTWORK_DIR="$linux/bin" >/dev/null &&
        cmake --build "$dir" -j"$(nproc)"; then
        pass "$build cross build"
        for program in "$dir"/bin/*.exe "$dir"/bin/*.scr; do
            [[ -f $program ]] && check_imports "$build" "$program"
        done
        [[ $build == win32 ]] && check_x87 "$dir"
    else
        fail "$build cross build"
    fi
    took "$build cross build"
done
finish
