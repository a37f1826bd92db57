#!/usr/bin/env bash
# The Windows build: cross-compiled with mingw-w64 (x86_64), tested under wine64 on a private
# Xvfb.
#   1. builds Vorticel.exe and the unit tests in build-win, checks the exe needs system DLLs only
#   2. runs the unit tests under wine (ctest with the toolchain's emulator)
#   3. runs Vorticel.exe end to end: about box, frames with the decoded wall texture, ESC, exit 0
#   4. for comparison, runs the Linux executable (built in build-win-linux) the same way
# Ends with "windows: N passed, M failed"; the exit status is 0 only when nothing failed.
# Environment: VORTICEL_WINE_FRESH=1 makes a new wine prefix even if one exists.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
build=$root/build-win
linux_build=$root/build-win-linux
out=$build/e2e
jobs=$(nproc)
started=$(date +%s)

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "windows: PASS $*"; }
fail() { failed=$((failed + 1)); echo "windows: FAIL $*"; }
finish() {
    echo "windows: took $(($(date +%s) - started)) s"
    echo "windows: $passed passed, $failed failed"
    [[ $failed -eq 0 ]] && exit 0
    exit 1
}

# --- packages: install only what is missing (Debian, as root) -------------------------------
packages=(cmake make g++ python3 googletest g++-mingw-w64-x86-64 wine64 wine
    xvfb xdotool x11-utils x11-apps mesa-utils libgl1-mesa-dri
    libgl-dev libglu1-mesa-dev libx11-dev libturbojpeg0-dev)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "windows: installing ${missing[*]}"
    if [[ $(id -u) -ne 0 ]]; then
        fail "packages missing and not root: ${missing[*]}"
        finish
    fi
    export DEBIAN_FRONTEND=noninteractive
    if ! { apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null; }; then
        fail "apt-get install ${missing[*]}"
        finish
    fi
fi

wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine || true)
wineserver=/usr/lib/wine/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver || true)
if [[ -z $wine || -z $wineserver ]]; then
    fail "no wine64 found"
    finish
fi

# --- build ------------------------------------------------------------------------------------
echo "== Windows cross build (build-win)"
mkdir -p "$build"
if ! cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVORTICEL_BENCH=OFF >"$build/configure.log" 2>&1; then
    tail -n 30 "$build/configure.log"
    fail "cross build: configure"
    finish
fi
if cmake --build "$build" -j"$jobs"; then
    pass "cross build"
else
    fail "cross build"
    finish
fi
exe=$build/app/Vorticel.exe

# Only DLLs that every Windows has: the C runtime, libstdc++ and winpthread are linked in.
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ' | sed 's/ $//')
extra=$(echo "$dlls" | tr ' ' '\n' | grep -v -i -x -E \
    'kernel32\.dll|user32\.dll|gdi32\.dll|opengl32\.dll|glu32\.dll|msvcrt\.dll|ucrtbase\.dll|api-ms-win-crt-.*\.dll|ole32\.dll|oleaut32\.dll|windowscodecs\.dll|advapi32\.dll' |
    grep -v '^$' || true)
if [[ -z $extra ]]; then
    pass "Vorticel.exe imports system DLLs only: $dlls"
else
    fail "Vorticel.exe needs non-system DLLs: $extra"
fi

# The wall texture comes from the project's own tool, which is a Linux program; the Linux
# executable from the same build directory serves as the reference run.
echo "== Linux reference build (build-win-linux)"
mkdir -p "$linux_build"
if cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DVORTICEL_TESTS=OFF \
    -DVORTICEL_BENCH=OFF >"$linux_build/configure.log" 2>&1 &&
    cmake --build "$linux_build" -j"$jobs" --target wall_texture Vorticel &&
    cp "$linux_build/app/grottebl.jpg" "$build/app/grottebl.jpg"; then
    pass "wall texture grottebl.jpg beside Vorticel.exe"
else
    tail -n 20 "$linux_build/configure.log"
    fail "wall texture for the Windows run"
fi

# --- wine prefix and display ------------------------------------------------------------------
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts
export WINEARCH=win64
if [[ ${VORTICEL_WINE_FRESH:-0} == 1 ]]; then
    "$wineserver" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
fi
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "== wineboot (new prefix $WINEPREFIX)"
    rm -rf "$WINEPREFIX"
    # No display yet: wineboot shows nothing it could wait on.
    env -u DISPLAY timeout 300 "$wine" wineboot --init >"$build/wineboot.log" 2>&1
    timeout 120 "$wineserver" -w
    if [[ -f $WINEPREFIX/system.reg ]]; then
        pass "wine prefix"
    else
        tail -n 20 "$build/wineboot.log"
        fail "wine prefix"
        finish
    fi
else
    pass "wine prefix (kept from an earlier run)"
fi

xvfb_pid=
# shellcheck disable=SC2317 # run by the trap
cleanup() {
    "$wineserver" -k >/dev/null 2>&1 || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    [[ -n $xvfb_pid ]] && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

# A private 24-bit Xvfb; it picks a free display number itself and writes it to fd 3.
mkdir -p "$out"
displayfile=$out/display
rm -f "$displayfile"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >"$out/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s $displayfile ]] && break
    sleep 0.1
done
if [[ ! -s $displayfile ]]; then
    fail "Xvfb did not start"
    finish
fi
DISPLAY=:$(head -n 1 "$displayfile")
export DISPLAY
if timeout 30 glxinfo -B >"$out/glxinfo.txt" 2>&1 && grep -q "direct rendering: Yes" "$out/glxinfo.txt"; then
    pass "GLX on Xvfb $DISPLAY: $(sed -n 's/^OpenGL renderer string: //p' "$out/glxinfo.txt")"
else
    cat "$out/glxinfo.txt"
    fail "GLX on Xvfb"
fi

# --- unit tests under wine --------------------------------------------------------------------
echo "== unit tests under wine64"
ctest --test-dir "$build" --output-on-failure --timeout 300 2>&1 | tee "$build/ctest.log"
line=$(grep -E "tests? failed out of [0-9]+" "$build/ctest.log" | tail -n 1 || true)
if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
else
    fail "ctest gave no result"
fi

# --- end to end -------------------------------------------------------------------------------
e2e() { # e2e NAME WORKDIR [E2E OPTIONS...] -- COMMAND...
    local name=$1 workdir=$2 options=()
    shift 2
    while [[ $1 != -- ]]; do
        options+=("$1")
        shift
    done
    timeout 600 python3 "$root/tests/windows/e2e.py" --display "$DISPLAY" --workdir "$workdir" \
        --out "$out" --name "$name" "${options[@]}" "$@" | tee "$out/$name.json"
    [[ ${PIPESTATUS[0]} -eq 0 ]]
}
summary() { # summary NAME: the measured frame rate from the run's record
    python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))
print("fps %s (median of %s), %s triangles, window %s" % (r.get("fps"), r.get("fps_samples"),
      r.get("triangles"), r.get("window")))' "$out/$1.json" 2>/dev/null || echo "no figures"
}

echo "== Vorticel.exe end to end under wine64"
if e2e wine "$build/app" -- "$wine" ./Vorticel.exe; then
    pass "Vorticel.exe end to end: $(summary wine)"
else
    fail "Vorticel.exe end to end (log $out/wine.log)"
fi

# Without grottebl.jpg the wall carries the grey fallback pattern and all else is the same.
nojpg=$out/no-texture
rm -rf "$nojpg"
mkdir -p "$nojpg"
cp "$exe" "$nojpg/"
if e2e no-texture "$nojpg" --expect-fallback -- "$wine" ./Vorticel.exe; then
    pass "Vorticel.exe without grottebl.jpg: fallback wall, exit 0"
else
    fail "Vorticel.exe without grottebl.jpg (log $out/no-texture.log)"
fi

if [[ -x $linux_build/app/Vorticel ]]; then
    echo "== reference: the Linux executable on the same display"
    if e2e linux "$linux_build/app" -- ./Vorticel; then
        echo "windows: reference Linux run: $(summary linux)"
    else
        echo "windows: reference Linux run did not pass (not counted here; log $out/linux.log)"
    fi
fi

finish
