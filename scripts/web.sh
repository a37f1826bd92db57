#!/usr/bin/env bash
# The browser build: Vorticel as a web page in build/web (index.html, page.js, page.css,
# vorticel.js, vorticel.wasm and the wall texture grottebl.jpg), built with Debian's emscripten
# in build/web-cmake, together with vorticel-geometry for Node.
#   scripts/web.sh          build
#   scripts/web.sh --test   build, then test: the size of the download, and the page in
#                           headless Chromium (tests/web/page_test.py)
# The Node build of vorticel-geometry (build/web-cmake/tools/geometry) joins the other builds'
# in scripts/cross.sh.
# Serve it with `python3 -m http.server -d build/web`; any static web host takes the folder.
# The wall texture comes from build/release (its make-wall-texture), built there if missing.
# Ends with "web: N passed, M failed" when testing; the exit status is 0 only when nothing failed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
linux_build=$root/build/release
cmake_build=$root/build/web-cmake
out=$root/build/web
jobs=$(nproc)
test=0
[[ ${1:-} == --test ]] && test=1
. scripts/tally.sh web

scripts/deps.sh --web || { fail "packages"; finish; }
took "packages"
# Debian's emscripten finds its JavaScript optimiser's parser (acorn) only through NODE_PATH.
export NODE_PATH=/usr/share/nodejs

echo "== WebAssembly build (build/web-cmake)"
if emcmake cmake -S . -B "$cmake_build" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$cmake_build" -j"$jobs" --target vorticel-web vorticel-geometry; then
    texture=$linux_build/bin/grottebl.jpg
    if [[ ! -f $texture ]]; then
        cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
            cmake --build "$linux_build" -j"$jobs" --target wall_texture >/dev/null
    fi
    mkdir -p "$out"
    if cp programs/vorticel-web/index.html programs/vorticel-web/page.js programs/vorticel-web/page.css \
        "$cmake_build"/bin/vorticel.js "$cmake_build"/bin/vorticel.wasm "$texture" "$out"/; then
        pass "web build in build/web"
    else
        fail "web build: copying into build/web"
    fi
else
    fail "web build"
    finish
fi
took "web build"
[[ $test -eq 1 ]] || finish

# What a visitor downloads before the first frame, the texture aside.
sizes() { local total=0 file; for file; do total=$((total + $(stat -c %s "$file"))); done; echo $total; }
code=$(sizes "$out"/vorticel.js "$out"/vorticel.wasm)
page=$(sizes "$out"/index.html "$out"/page.js "$out"/page.css)
echo "web: sizes: vorticel.wasm $(stat -c %s "$out"/vorticel.wasm), vorticel.js $(stat -c %s "$out"/vorticel.js), page $page bytes"
if ((code < 300 * 1024)); then
    pass "vorticel.js + vorticel.wasm: $code bytes, under 300 KB"
else
    fail "vorticel.js + vorticel.wasm: $code bytes, over 300 KB"
fi

echo "== the page in headless Chromium"
if /usr/bin/python3 tests/web/page_test.py --site "$out"; then
    pass "page in headless Chromium"
else
    fail "page in headless Chromium"
fi
took "page tests"

finish
