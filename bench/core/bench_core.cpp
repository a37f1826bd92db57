// Timings of the headless tunnel core: a steady-state frame build, one ring generation and
// one ring's screen bounds.
#include <benchmark/benchmark.h>

#include "tunnel/bounds.h"
#include "tunnel/builder.h"
#include "tunnel/generator.h"
#include "tunnel/state.h"

namespace {

void straightenAllRings() {
    for (RingFrame &frame : ringFrames) {
        frame.angles.x = 0.0f;
        frame.angles.z = 0.0f;
    }
}

// Generates the 64 rings ahead of positionFixed and takes every turn out, so that the walk
// sees all of them and a repeated build at the same position generates nothing.
void prepareOpenTunnel(int32_t positionFixed) {
    initProfile();
    const int32_t base = positionFixed >> 8;
    buildTunnel(positionFixed);
    for (int tries = 0; tries < 64 && lastGeneratedRing < base + 63; ++tries) {
        straightenAllRings();
        buildTunnel(positionFixed);
    }
    straightenAllRings();
}

void BM_BuildTunnelSteadyState(benchmark::State &state) {
    const int32_t position = 300 * 256 + 77;
    prepareOpenTunnel(position);
    polyStep = 1;
    const int32_t generated = lastGeneratedRing;
    for (auto _ : state) {
        buildTunnel(position);
        benchmark::ClobberMemory();
    }
    if (visibleRings != 64 || lastGeneratedRing != generated)
        state.SkipWithError("the steady-state walk did not reach 64 rings without generating");
    state.counters["visibleRings"] = visibleRings;
}
BENCHMARK(BM_BuildTunnelSteadyState);

void BM_GenerateRing(benchmark::State &state) {
    initProfile();
    int32_t slot = 0;
    for (auto _ : state) {
        generateRing(slot, 1.0f);
        slot = (slot + 1) & 63;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GenerateRing);

void BM_RingScreenBounds(benchmark::State &state) {
    initProfile();
    buildTunnel(0); // the real, turning tunnel: frames of a walk with tilted rings
    const int32_t slots = visibleRings;
    int32_t slot = 0;
    ScreenRect rect;
    for (auto _ : state) {
        ringScreenBounds(slot, rect);
        benchmark::DoNotOptimize(rect);
        slot = slot + 1 == slots ? 0 : slot + 1;
    }
}
BENCHMARK(BM_RingScreenBounds);

} // namespace

BENCHMARK_MAIN();
