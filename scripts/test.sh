#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test.
#   1. optimised build (g++): unit, display (on a private Xvfb) and end-to-end tests, among them
#      the installed tree and the Debian package, and vorticel-saver under the XScreenSaver daemon
#   2. clang build with AddressSanitizer and UndefinedBehaviorSanitizer: the unit and display
#      tests again, and the JPEG decoder's fuzz target (libFuzzer) for half a minute
#   3. the Windows builds (64- and 32-bit), cross-compiled with mingw-w64, tested under wine
#   4. the browser build (emscripten): its size, and the page in headless Chromium
#   5. the headless core on ARM64 under qemu, and one geometry on every build
#   6. the release (scripts/release.sh into dist/), every download checked as a user meets it
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

. scripts/tally.sh test
. scripts/xvfb.sh
scripts/deps.sh --windows --cross --web --release
jobs=$(nproc)

run_ctest() { # run_ctest LOG ARGS...
    local log=$1
    shift
    local status=0
    on_xvfb ctest --output-on-failure "$@" 2>&1 | tee "$log" || status=$?
    count_ctest "$log" "$log"
    return $status
}
run_script() { # run_script NAME [ARGS]: scripts/NAME.sh, its log in build/NAME.log and its tally counted
    local name=$1 status=0
    shift
    scripts/$name.sh "$@" 2>&1 | tee "build/$name.log" || status=$?
    count_script "$name" "build/$name.log"
    return $status
}

status=0
took "packages"
echo "== Release build"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$jobs"
run_ctest build/release/ctest.log --test-dir build/release || status=1
took "release build and tests"

echo "== Sanitizer build (clang, ASan + UBSan, libFuzzer)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORTICEL_SANITIZE=ON -DVORTICEL_FUZZ=ON -DVORTICEL_BENCH=OFF >/dev/null
cmake --build build/sanitize -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
# Mesa keeps a little memory inside its GLX driver; the GL tests check for leaks while the
# driver is still loaded, or with the full unwinder, so that the suppression sees its frames.
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_ctest build/sanitize/ctest.log --test-dir build/sanitize -LE 'e2e|fuzz' || status=1
run_ctest build/sanitize/fuzz.log --test-dir build/sanitize -L fuzz -V || status=1
grep -E "stat::number_of_executed_units|DONE +cov" build/sanitize/fuzz.log || true # the figures
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
took "sanitizer build and tests"

# The Windows tests and the browser build reuse build/release for the wall texture (and the X11
# probe); the cross check compares the geometry tools of all builds, so it comes last.
echo "== Windows builds (mingw-w64) and their tests (wine64 and wine32)"
run_script build-windows || status=1
run_script test-windows || status=1
took "Windows builds and tests"
echo "== Browser build (emscripten) and its page in headless Chromium"
run_script web --test || status=1
took "browser build and tests"
echo "== ARM64 core (qemu-aarch64) and one geometry on every build"
run_script cross || status=1
took "ARM64 core and one geometry"
echo "== Release: the downloads, installed and removed (the .deb; the Windows setup under wine32)"
run_script test-release || status=1
took "release"

[[ $status -eq 0 ]] || failed=$((failed > 0 ? failed : 1))
tally_line all
exit $status
