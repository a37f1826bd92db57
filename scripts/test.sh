#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test.
#   1. optimised build: unit, display (on a private Xvfb) and end-to-end tests, among them
#      cmake --install into a scratch prefix, the Debian package (cpack) unpacked and run,
#      and vorticel-saver under the XScreenSaver daemon
#   2. AddressSanitizer + UndefinedBehaviorSanitizer build: the unit and display tests
#   3. the JPEG decoder's fuzz target (clang, libFuzzer, ASan + UBSan) for a minute
#   4. the Windows builds (64- and 32-bit), cross-compiled with mingw-w64, tested under wine
#   5. the headless core on ARM64 under qemu, and one geometry on every build
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

. scripts/tally.sh test
scripts/deps.sh --windows --cross
jobs=$(nproc)

# Every test that needs a display gets a fresh private Xvfb, never the user's desktop.
# -noreset: the server would otherwise reset whenever its last client leaves, failing the
# next program that connects at that moment.
on_xvfb() { xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" "$@"; }

run_ctest() { # run_ctest LOG ARGS...
    local log=$1
    shift
    local status=0
    on_xvfb ctest --output-on-failure "$@" 2>&1 | tee "$log" || status=$?
    count_ctest "$log" "$log"
    return $status
}

status=0
took "packages"
echo "== Release build"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$jobs"
run_ctest build/release/ctest.log --test-dir build/release || status=1
took "release build and tests"

echo "== Sanitizer build (ASan + UBSan)"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTICEL_SANITIZE=ON \
    -DVORTICEL_BENCH=OFF >/dev/null
cmake --build build/sanitize -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
# Mesa keeps a little memory inside its GLX driver; the GL tests check for leaks while the
# driver is still loaded, or with the full unwinder, so that the suppression sees its frames.
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_ctest build/sanitize/ctest.log --test-dir build/sanitize -LE e2e || status=1
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
took "sanitizer build and tests"

echo "== Fuzz build (clang, libFuzzer, ASan + UBSan)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORTICEL_FUZZ=ON -DVORTICEL_BENCH=OFF >/dev/null
if cmake --build build/fuzz -j"$jobs" --target jpeg_decoder_fuzz; then
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    run_ctest build/fuzz/ctest.log --test-dir build/fuzz -L fuzz -V || status=1
    grep -E "stat::number_of_executed_units|DONE +cov" build/fuzz/ctest.log || true # the figures
    unset UBSAN_OPTIONS
else
    fail "fuzz build"
    status=1
fi
took "fuzz build and run"

mkdir -p build
# The Windows builds reuse build/release for the wall texture, the Linux executable and the
# X11 probe; the cross check compares the geometry tools of all builds, so it comes last.
if [[ -x scripts/windows.sh ]]; then
    echo "== Windows builds (mingw-w64; wine64 and wine32)"
    scripts/windows.sh 2>&1 | tee build/windows.log || status=1
    count_script windows build/windows.log
    took "Windows builds and tests"
fi
if [[ -x scripts/cross.sh ]]; then
    echo "== ARM64 core (qemu-aarch64) and one geometry on every build"
    scripts/cross.sh 2>&1 | tee build/cross.log || status=1
    count_script cross build/cross.log
    took "ARM64 core and one geometry"
fi

[[ $status -eq 0 ]] || failed=$((failed > 0 ? failed : 1))
tally_line all
exit $status
