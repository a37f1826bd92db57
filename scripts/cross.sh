#!/usr/bin/env bash
# The headless core on 64-bit ARM, and one geometry on every build.
#   1. cross-builds the core (-DVORTICEL_CORE_ONLY=ON) for aarch64 in build/arm64, statically
#      linked; checks that no fused multiply-add (fmadd, fmsub, fnmadd, fnmsub) is in it
#   2. runs its unit tests under qemu-aarch64 (ctest with the toolchain's emulator): on ARM the
#      builder's vertex fill takes its portable loop, which x86 never runs
#   3. runs vorticel-geometry from every build over one flight (tests/cross/same_geometry.py):
#      Linux x86-64 (build/release), ARM64 under qemu, the Windows builds under wine
#      (build/win64, build/win32, made by scripts/build-windows.sh) and WebAssembly under Node
#      (build/web-cmake, made by scripts/web.sh), which the test command runs first, and checks
#      that all print the same bytes
# Ends with "cross: N passed, M failed"; the exit status is 0 only when nothing failed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
build=$root/build/arm64
linux_build=$root/build/release
jobs=$(nproc)
. scripts/tally.sh cross

scripts/deps.sh --cross || { fail "packages"; finish; }
took "packages"

echo "== ARM64 core build (build/arm64)"
if cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake" \
    -DVORTICEL_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=Release -DVORTICEL_BENCH=OFF >/dev/null &&
    cmake --build "$build" -j"$jobs"; then
    pass "ARM64 cross build"
    # -ffp-contract=off keeps a·b + c two roundings; a fused instruction would round once.
    objects=("$build"/math/CMakeFiles/vorticel_math.dir/*.o "$build"/tunnel/CMakeFiles/vorticel_core.dir/*.o)
    fused=$(aarch64-linux-gnu-objdump -d --no-show-raw-insn "${objects[@]}" |
        awk '/^ *[0-9a-f]+:\t/ {print $2}' | grep -xE 'f(n)?m(add|sub)' | sort | uniq -c | tr -s ' \n' ' ')
    if [[ -z $fused ]]; then
        pass "ARM64 geometry core (${#objects[@]} objects): no fused multiply-add"
    else
        fail "ARM64 geometry core contracts into fused multiply-add: $fused"
    fi
    if file "$build/tools/geometry/vorticel-geometry" | grep -q 'statically linked'; then
        pass "ARM64 programs are statically linked"
    else
        fail "ARM64 programs are not statically linked"
    fi
else
    fail "ARM64 cross build"
fi
took "ARM64 build"

if [[ -f $build/CTestTestfile.cmake ]]; then
    echo "== ARM64 unit tests under qemu-aarch64"
    # The flight tests drive the frame clock through days of frames: integer and plain double
    # arithmetic that the x86 builds already hold to, and minutes of work under emulation.
    ctest --test-dir "$build" --output-on-failure --timeout 300 -E vorticel_flight_tests 2>&1 |
        tee "$build/ctest.log"
    count_ctest "$build/ctest.log" "ARM64 unit tests"
    took "ARM64 unit tests"
fi

echo "== one geometry: vorticel-geometry of every build over one flight"
[[ -x $linux_build/tools/geometry/vorticel-geometry ]] ||
    cmake --build "$linux_build" -j"$jobs" --target vorticel-geometry >/dev/null
. scripts/wine.sh
runs=()
add_run() { # add_run NAME TOOL [LAUNCHER]
    if [[ -x $2 || -f $2 ]]; then
        runs+=("$1=${3:+$3 }$2")
    else
        fail "one geometry: no $1 tool ($2)"
    fi
}
add_run linux-x86_64 "$linux_build/tools/geometry/vorticel-geometry"
add_run linux-arm64 "$build/tools/geometry/vorticel-geometry" "$(command -v qemu-aarch64)"
add_run windows-x86_64 "$root/build/win64/tools/geometry/vorticel-geometry.exe" "$(wine_loader win64)"
add_run windows-i686 "$root/build/win32/tools/geometry/vorticel-geometry.exe" "$(wine_loader win32)"
add_run web-wasm32 "$root/build/web-cmake/tools/geometry/vorticel-geometry.js" "$(command -v node)"
if env -u DISPLAY python3 tests/cross/same_geometry.py "${runs[@]}"; then
    pass "one geometry on ${#runs[@]} builds"
else
    fail "one geometry on ${#runs[@]} builds"
fi
"$wineserver" -k >/dev/null 2>&1
took "one geometry"
finish
