#!/usr/bin/env bash
# The saver's figures on this machine's GL (Mesa llvmpipe without a GPU): frame time full screen
# at 640 x 480 and 1920 x 1080, each on a private Xvfb of that size, and the CPU time it takes
# per second of flight, uncapped (--max-fps 0) and at --max-fps 30.
#   bench/saver/bench-saver.sh [BUILD_DIR [SECONDS]]    (defaults: build/release, 5)
# Frames are counted as they are presented: vorticel-swap-counter, preloaded, counts the
# saver's glXSwapBuffers calls. CPU time is utime + stime of the process (all its threads,
# llvmpipe's included) from /proc/PID/stat over the same interval, after 3 s of warm-up; the X
# server's own CPU time (it copies every frame into its frame buffer) is given beside it.
# Other load on the machine lowers the frame rate: the load average is printed with the figures,
# and the CPU time per frame, which depends far less on it.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build/release}")
seconds=${2:-5}
saver=$build/bin/vorticel-saver
counter=$build/bench/saver/vorticel-swap-counter.so
for file in "$saver" "$counter"; do
    [[ -e $file ]] || { echo "missing $file: build the targets vorticel-saver and vorticel-swap-counter" >&2; exit 1; }
done
ticks=$(getconf CLK_TCK)
scratch=$(mktemp -d)
xvfb=
saver_pid=
cleanup() {
    [[ -n $saver_pid ]] && kill "$saver_pid" 2>/dev/null && wait "$saver_pid" 2>/dev/null
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

start_xvfb() { # start_xvfb WxH: a private server of that size; sets DISPLAY
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$scratch/display" \
        >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [[ -s $scratch/display ]] && break; sleep 0.1; done
    [[ -s $scratch/display ]] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$(head -n 1 "$scratch/display")
}
stop_xvfb() { kill "$xvfb"; wait "$xvfb" 2>/dev/null || true; xvfb=; rm -f "$scratch/display"; }

cpu_ticks() { # utime + stime of a process, in clock ticks
    local fields
    read -r -a fields <<<"$(sed 's/.*) //' "/proc/$1/stat")"
    echo $((fields[11] + fields[12]))
}

measure() { # measure MAXFPS: prints "fps saver-cpu-s/s xvfb-cpu-s/s" for the running display
    local log=$scratch/swaps
    rm -f "$log"
    VORTICEL_SWAP_LOG=$log LD_PRELOAD=$counter "$saver" --fullscreen --max-fps "$1" \
        2>"$scratch/stderr" &
    saver_pid=$!
    sleep 3
    kill -0 "$saver_pid" 2>/dev/null || { echo "the saver stopped:" >&2; cat "$scratch/stderr" >&2; exit 1; }
    local frames0 time0 frames1 time1 cpu0 cpu1 x0 x1
    read -r frames0 time0 <"$log"
    cpu0=$(cpu_ticks "$saver_pid")
    x0=$(cpu_ticks "$xvfb")
    sleep "$seconds"
    read -r frames1 time1 <"$log"
    cpu1=$(cpu_ticks "$saver_pid")
    x1=$(cpu_ticks "$xvfb")
    kill -TERM "$saver_pid"
    wait "$saver_pid" || { echo "the saver did not end with 0 on SIGTERM" >&2; exit 1; }
    saver_pid=
    awk -v f=$((frames1 - frames0)) -v ns=$((time1 - time0)) -v c=$((cpu1 - cpu0)) \
        -v x=$((x1 - x0)) -v t="$ticks" \
        'BEGIN { s = ns / 1e9; printf "%.1f %.2f %.2f\n", f / s, c / t / s, x / t / s }'
}

echo "machine: $(nproc) cores, $(grep -m 1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
renderer=
for size in 640x480 1920x1080; do
    start_xvfb "$size"
    [[ -n $renderer ]] ||
        renderer=$(glxinfo -B 2>/dev/null | sed -n 's/^OpenGL renderer string: //p' || true)
    read -r fps cpu xcpu <<<"$(measure 0)"
    read -r capped_fps capped_cpu capped_xcpu <<<"$(measure 30)"
    stop_xvfb
    awk -v size="$size" -v fps="$fps" -v cpu="$cpu" -v xcpu="$xcpu" -v cfps="$capped_fps" \
        -v ccpu="$capped_cpu" -v cxcpu="$capped_xcpu" \
        'BEGIN { printf "%-9s  --max-fps 0: %6.1f fps = %6.2f ms per frame, CPU %.2f s/s (Xvfb %.2f)," \
                        " %.1f ms CPU per frame   --max-fps 30: %5.1f fps, CPU %.2f s/s (Xvfb %.2f)\n",
                        size, fps, 1000 / fps, cpu, xcpu, 1000 * cpu / fps, cfps, ccpu, cxcpu }'
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "renderer: ${renderer:-unknown}"
