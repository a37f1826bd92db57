// Flies the headless tunnel for simulated days under a fake performance counter and prints what
// the frame clock, the advance and the builder did. Every frame runs the clock and the advance;
// the tunnel is built on every frame of one simulated second in each sampling period.
//
// vorticel-bench-flight [--days D] [--fps F] [--frequency HZ] [--keys KEYS] [--sample S]
//   --days       simulated run length (30)
//   --fps        mean frame rate; each frame lasts 0.75 to 1.25 of the mean (60)
//   --frequency  counter counts per second (10000000, as Windows' counter)
//   --keys       characters typed before the run, e.g. ++++ or ---- (none)
//   --sample     seconds from one built second to the next (3600)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/keys.h"
#include "tunnel/builder.h"
#include "tunnel/flight.h"
#include "tunnel/state.h"

namespace {

struct Options {
    double days = 30;
    double fps = 60;
    int64_t frequency = 10000000;
    std::string keys;
    double sample = 3600;
};

Options parse(int argc, char **argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char *value = argv[i + 1];
        if (name == "--days")
            o.days = std::atof(value);
        else if (name == "--fps")
            o.fps = std::atof(value);
        else if (name == "--frequency")
            o.frequency = std::atoll(value);
        else if (name == "--keys")
            o.keys = value;
        else if (name == "--sample")
            o.sample = std::atof(value);
        else {
            std::fprintf(stderr, "vorticel-bench-flight: unknown option %s\n", name.c_str());
            std::exit(2);
        }
    }
    return o;
}

} // namespace

int main(int argc, char **argv) {
    const Options o = parse(argc, argv);
    initProfile();
    resetFlight();
    speed = 8000.0f;
    for (char key : o.keys)
        handleKey(static_cast<unsigned char>(key));
    const double pace = std::fmin(speed, 3.4028234663852886e38);

    const int64_t f = o.frequency;
    const int64_t mean = static_cast<int64_t>(f / o.fps);
    const int64_t end = static_cast<int64_t>(o.days * 86400.0 * f);
    const int64_t sampleEvery = static_cast<int64_t>(o.sample * f);
    int64_t count = 0, start = 0;
    uint64_t random = 12345;

    long long frames = 0, builtFrames = 0, notPositive = 0, baseBack = 0, madeBack = 0;
    double minDelta = 1e300, maxDelta = 0, maxTimeNow = 0;
    // Worst second under the first rules [0] and under the long-run ones [1].
    double worstSecond[2] = {0, 0}, worstAdvance[2] = {0, 0}, maxV = 0, maxCoordinate = 0;
    int32_t fewestRings = 64;
    long long notFinite = 0;
    int64_t windowStart = 0;
    bool windowLongRun = false;
    double windowDeltas = 0, windowPosition = 0, lastBase = -1, lastMade = -2;

    const auto wallStart = std::chrono::steady_clock::now();
    while (count < end) {
        random = random * 6364136223846793005ULL + 1442695040888963407ULL;
        count += mean * 3 / 4 + static_cast<int64_t>((random >> 33) % (mean / 2 + 1));
        stepFrameClock(count, f, start);
        const int32_t fixed = advanceFlight();
        ++frames;

        minDelta = std::min(minDelta, static_cast<double>(timeDelta));
        maxDelta = std::max(maxDelta, static_cast<double>(timeDelta));
        maxTimeNow = std::max(maxTimeNow, static_cast<double>(timeNow));
        notPositive += !(timeDelta > 0.0f);
        const FlightRecord r = flightRecord();
        const double absolute = r.position + r.ringsRenumbered * 256.0;
        const double base = (fixed >> 8) + r.ringsRenumbered;
        baseBack += base < lastBase;
        lastBase = base;

        windowDeltas += timeDelta;
        if (count - windowStart >= f) {
            const double truth = static_cast<double>(count - windowStart) / f;
            // A second that holds the switch counts under the first rules.
            const int rules = windowLongRun ? 1 : 0;
            worstSecond[rules] =
                std::max(worstSecond[rules], std::fabs(windowDeltas - truth) / truth);
            worstAdvance[rules] =
                std::max(worstAdvance[rules],
                         std::fabs(absolute - windowPosition - pace * truth) / (pace * truth));
            windowStart = count;
            windowLongRun = r.longRun;
            windowDeltas = 0;
            windowPosition = absolute;
        }

        if (count % sampleEvery < f) {
            buildTunnel(fixed);
            ++builtFrames;
            const double made = lastGeneratedRing + r.ringsRenumbered;
            madeBack += made < lastMade;
            lastMade = made;
            fewestRings = std::min(fewestRings, visibleRings);
            for (int32_t i = 0; i < visibleRings; ++i) {
                for (int32_t j = 0; j <= kRimPoints; j += polyStep) {
                    const TunnelVertex &p = ringVertices[i][j];
                    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.v)) {
                        ++notFinite;
                        continue;
                    }
                    maxV = std::max(maxV, std::fabs(static_cast<double>(p.v)));
                    maxCoordinate = std::max({maxCoordinate, std::fabs(static_cast<double>(p.x)),
                                              std::fabs(static_cast<double>(p.y))});
                }
            }
        }
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const FlightRecord r = flightRecord();
    const double seconds = static_cast<double>(count) / f;
    const double rings = (r.position + r.ringsRenumbered * 256.0) / 256.0;

    std::printf("simulated %.0f s (%.2f days) at %.0f fps, counter %lld Hz, keys '%s', speed %g\n",
                seconds, seconds / 86400, o.fps, static_cast<long long>(f), o.keys.c_str(),
                static_cast<double>(speed));
    std::printf("frames %lld (%lld built), %.1f s of wall time\n", frames, builtFrames, wall);
    std::printf("rings flown %.0f, %.4f rings/s (speed says %.4f), ratio %.9f\n", rings,
                rings / seconds, pace / 256, rings / seconds / (pace / 256));
    std::printf("timeDelta %.6g to %.6g s, %lld not positive; timeNow at most %.3f s\n", minDelta,
                maxDelta, notPositive, maxTimeNow);
    std::printf("worst second, relative: timeDelta sum off by %.3g, advance by %.3g (long-run "
                "rules); %.3g and %.3g (first rules)\n",
                worstSecond[1], worstAdvance[1], worstSecond[0], worstAdvance[0]);
    std::printf("clock rebases %lld (%lld s moved), ring rebases %lld (%.0f rings renumbered)\n",
                static_cast<long long>(r.clockRebases), static_cast<long long>(r.secondsMoved),
                static_cast<long long>(r.ringRebases), r.ringsRenumbered);
    std::printf("built frames: max |v| %.4f, max |x|,|y| %.4g, %lld not finite, fewest rings %d\n",
                maxV, maxCoordinate, notFinite, static_cast<int>(fewestRings));
    std::printf("viewer's ring went back %lld times, last ring made went back %lld times\n",
                baseBack, madeBack);
    return 0;
}
