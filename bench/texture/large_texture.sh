#!/usr/bin/env bash
# Time and peak memory of loading a large JPEG (default 9000 x 9000) into the wall texture, on
# a private Xvfb (Mesa llvmpipe). Usage: bench/texture/large_texture.sh [BUILD_DIR] [SIZE]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
size=${2:-9000}
cmake --build "$build" --target vorticel-bench-texture >/dev/null
bench=$build/bench/texture/vorticel-bench-texture
picture=$(mktemp --suffix=.jpg)
trap 'rm -f "$picture"' EXIT
"$bench" make "$picture" "$size" "$size"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" /usr/bin/time -v \
    "$bench" load "$picture" 2>&1 |
    grep -E "load|Elapsed \(wall|Maximum resident"
