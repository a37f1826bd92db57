#!/usr/bin/env bash
# The run command: installs what is missing, builds, and starts Vorticel in the folder that
# holds grottebl.jpg. Without a display it runs the effect on a private Xvfb instead: answers
# the about box, lets the tunnel fly for a few seconds, saves a screenshot and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target Vorticel wall_texture
cd build/release/bin

if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
    exec ./Vorticel
fi

# Headless: a private X server for one run.
screenshot=$root/build/screenshot.png
display_number=$(for n in $(seq 90 140); do [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || { echo $n; break; }; done)
Xvfb ":$display_number" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=:$display_number
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

./Vorticel 2> >(sed 's/^/Vorticel: /' >&2) &
program=$!
find_window() { # find_window REGEX: the first visible window whose name matches
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1
}
wait_window() {
    for _ in $(seq 200); do
        id=$(find_window "$1")
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
about=$(wait_window '^Vorticel$') || { echo "The about box did not appear." >&2; exit 1; }
echo "About box shown; answering it."
xdotool windowfocus "$about" key Return
window=$(wait_window '^Vorticel - ') || { echo "The effect window did not appear." >&2; exit 1; }
sleep 4
echo "Title: $(xdotool getwindowname "$window")"
import -window "$window" "$screenshot"
xdotool windowfocus "$window" key Escape
wait $program
echo "Screenshot of the running effect saved to $screenshot"
