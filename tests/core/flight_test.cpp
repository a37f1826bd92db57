// The frame clock and the advance under a fake performance counter; the keys.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "core_reset.h"
#include "shell/keys.h"
#include "tunnel/builder.h"
#include "tunnel/flight.h"
#include "tunnel/screen_limit.h"

namespace {

constexpr int64_t kDay = 86400;

// A fresh effect after set-up, its counter at origin, the keys pressed as given.
struct FakeRun {
    int64_t frequency, origin, count, start;
    uint64_t state = 12345;

    FakeRun(int64_t frequencyIn, int64_t originIn, const std::string &keys = "")
        : frequency(frequencyIn), origin(originIn), count(originIn), start(originIn) {
        resetEffectState();
        speed = 8000.0f;
        for (char key : keys)
            handleKey(static_cast<unsigned char>(key));
    }
    // A frame length of mean/2 to 3·mean/2 from a fixed sequence.
    int64_t jittered(int64_t mean) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return mean / 2 + static_cast<int64_t>((state >> 33) % static_cast<uint64_t>(mean));
    }
    // One frame of the clock and the advance, step counts after the previous one.
    int32_t frame(int64_t step) {
        count += step;
        stepFrameClock(count, frequency, start);
        return advanceFlight();
    }
};

double absolutePosition() {
    const FlightRecord r = flightRecord();
    return r.position + r.ringsRenumbered * 256.0;
}

// Hashes recorded from the clock and advance before the long-run rules, up to `until` seconds;
// then the first frame past 900 s (B) or 2^20 units (C).
TEST(Flight, TheFirstMinutesAreExactlyAsTheyWere) {
    const struct {
        char name;
        int64_t frequency, origin, mean;
        int minusPresses;
        double until;
        long frames;
        uint64_t hash;
    } runs[] = {
        // 1,000 frames a second at the default speed, up to just short of 2^20 units.
        {'A', 10000000, 987654321, 10000, 0, 120.0, 120250, 0x7c1d0946f6f4b89cULL},
        // 10,000 a second after ten presses of '-', up to just short of 900 s.
        {'B', 1000000000, 5000000000000LL, 100000, 10, 899.9, 8999946, 0xbda505246652c672ULL},
        // 30 a second, up to 8 units short of 2^20.
        {'C', 10000000, 0, 333333, 0, 130.0, 3918, 0x050951b45ab7a2e0ULL},
    };
    for (const auto &p : runs) {
        SCOPED_TRACE(p.name);
        FakeRun run(p.frequency, p.origin, std::string(p.minusPresses, '-'));
        Fnv fnv{1469598103934665603ULL}; // the basis the runs were recorded with
        long frames = 0;
        for (;; ++frames) {
            const int64_t step = run.jittered(p.mean);
            if (static_cast<double>(run.count + step - p.origin) / p.frequency >= p.until)
                break;
            const int32_t fixed = run.frame(step);
            for (uint32_t w : {bitsOf(timeNow), bitsOf(timeDelta), bitsOf(position),
                               static_cast<uint32_t>(fixed)})
                fnv.add(w);
        }
        EXPECT_TRUE(frames == p.frames && fnv.hash == p.hash) << frames << ", " << fnv.hash;
        EXPECT_FALSE(flightRecord().longRun);

        const double before = flightRecord().position;
        fpsMarkTime = timeNow; // a frame-rate period starts, as the renderer starts one
        if (p.name == 'B') {
            // The zero point moves by the whole seconds; the step and the period keep lengths.
            const int64_t step = 900 * p.frequency + 50000 - (run.count - run.start);
            run.frame(step);
            EXPECT_TRUE(flightRecord().longRun);
            EXPECT_EQ(run.start, p.origin + 900 * p.frequency);
            EXPECT_EQ(timeNow, 50e-6f);
            EXPECT_NEAR(timeDelta, static_cast<double>(step) / p.frequency, 1e-8); // a float
            EXPECT_NEAR(timeNow - fpsMarkTime, static_cast<double>(step) / p.frequency, 1e-4);
        } else if (p.name == 'C') {
            // It drops 12 whole periods, and the advance is whole (up to the step's error
            // under the first rules, half of timeNow's 7.6 µs resolution at 130 s).
            run.frame(2 * p.frequency);
            EXPECT_TRUE(flightRecord().longRun);
            EXPECT_EQ(flightRecord().ringsRenumbered, 12 * 320);
            EXPECT_NEAR(flightRecord().position + 12 * kTunnelPeriod - before, 16000.0, 0.04);
            EXPECT_LT(lastGeneratedRing, 0) << "no ring was made: all of them lie behind";
        }
    }
}

// Rebases, a 30-day stall, days in, and the extremes of speed (32 '+' cross the int32 range,
// 300 make it infinite, 400 '-' leave the smallest float). Then a counter that goes back or has
// no frequency moves nothing, and ESC at a vast speed leaves nothing to draw.
TEST(Flight, TheLongRunRulesHoldAcrossRebasesDaysAndSpeeds) {
    const struct {
        const char *keys;
        int presses;
        int64_t frequency, from, every, stall;
        int fps;
        double seconds;
        int clockMoves, ringsMove; // in the stretch watched: 1 or 0, or -1 for either
    } cases[] = {
        {"", 0, 10000000, 130, 1, 0, 10000, 2.0, 0, 1},    // 2^20 at 131 s
        {"-", 10, 10000000, 899, 1, 0, 10000, 2.0, 1, 0},  // 900 s first
        {"-", 10, 10000000, 4190, 1, 0, 10000, 2.0, 0, 1}, // rings move, long-run clock
        {"+", 10, 10000000, 1799, 1, 0, 10000, 4.5, 1, 1}, // both
        {"", 0, 10000000, 1000, 1, 30 * kDay, 1000, 2.5, 1, 1},
        {"+", 10, 1000000000, 30 * kDay, 10, 0, 30, 3.5, -1, -1},
        {"+", 32, 10000000, 0, 1, 0, 1000, 1.1, 0, 1},
        {"+", 300, 10000000, 0, 1, 0, 1000, 1.1, 0, 1},
        {"-", 400, 1000000000, 40 * 3600, 1, 0, 1000, 2.5, -1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.presses << " '" << c.keys << "', " << c.from << " s");
        FakeRun run(c.frequency, 77 * c.frequency + 12345, std::string(c.presses, *c.keys));
        while (run.count - run.origin < c.from * run.frequency)
            run.frame(
                std::min(c.every * run.frequency, run.origin + c.from * run.frequency - run.count));
        const FlightRecord before = flightRecord();

        double lastBase = -1e300, deltas = 0, from = absolutePosition();
        int64_t second = run.count;
        const int64_t until = run.count + static_cast<int64_t>(c.seconds * run.frequency);
        for (int n = 0; run.count < until && !HasFatalFailure(); ++n) {
            const double made = lastGeneratedRing + flightRecord().ringsRenumbered;
            const int32_t fixed = run.frame(n || !c.stall ? run.jittered(run.frequency / c.fps)
                                                          : c.stall * run.frequency);
            const double renumbered = flightRecord().ringsRenumbered;
            ASSERT_TRUE(timeDelta > 0.0f && timeNow < 902.0f) << timeDelta << ", " << timeNow;
            ASSERT_TRUE(lastGeneratedRing == -1 || lastGeneratedRing + renumbered == made);
            ASSERT_GE((fixed >> 8) + renumbered, lastBase) << "the viewer's ring went back";
            lastBase = (fixed >> 8) + renumbered;
            deltas += timeDelta;
            if (run.count - second >= run.frequency) {
                const double truth = static_cast<double>(run.count - second) / run.frequency;
                const double advance = std::fmin(speed, FLT_MAX) * truth;
                ASSERT_NEAR(deltas, truth, 0.01 * truth);
                ASSERT_NEAR(absolutePosition() - from, advance, 0.01 * advance);
                second = run.count;
                from = absolutePosition();
                deltas = 0;
            }
            if (n % std::max(1, c.fps / 100) == 0) {
                buildTunnel(fixed);
                ASSERT_TRUE(visibleRings > 0 && lastGeneratedRing <= (fixed >> 8) + 63);
            }
        }
        const FlightRecord after = flightRecord();
        EXPECT_TRUE(after.longRun);
        EXPECT_TRUE(c.clockMoves < 0 || (after.clockRebases > before.clockRebases) == c.clockMoves);
        EXPECT_TRUE(c.ringsMove < 0 || (after.ringRebases > before.ringRebases) == c.ringsMove);

        const double there = absolutePosition();
        const float then = timeNow;
        run.frame(-run.frequency / 100);
        EXPECT_TRUE(timeDelta == 0.0f && timeNow == then && absolutePosition() == there);
        stepFrameClock(run.count + run.frequency, 0, run.start);
        EXPECT_TRUE(timeDelta == 0.0f && timeNow == then);
        run.frame(run.frequency / 50);
        EXPECT_NEAR(timeDelta, 0.01, 1e-6);
        if (speed > 1e8f) {
            handleKey(27);
            buildTunnel(run.frame(run.frequency / 1000));
            EXPECT_EQ(visibleRings, 0);
        }
    }
}

// In single precision; other characters, wide ones with a key's low byte included, do nothing.
TEST(Keys, EachKeyChangesItsOneVariable) {
    const struct {
        std::string keys;
        int32_t stop, sinusoid, step;
        float zoom, speed;
    } cases[] = {
        {std::string("\0\r\x1a\x1c\x1f!,.059aZ\xff", 14), 0, 0, 1, 2.0f, 8000.0f},
        {"1", 0, 0, 8, 2.0f, 8000.0f},
        {"2", 0, 0, 4, 2.0f, 8000.0f},
        {"3", 0, 0, 2, 2.0f, 8000.0f},
        {"14", 0, 0, 1, 2.0f, 8000.0f},
        {"*", 0, 0, 1, 2.0f * 1.1f, 8000.0f},
        {"*/", 0, 0, 1, 2.0f * 1.1f / 1.1f, 8000.0f},
        {"+", 0, 0, 1, 2.0f, 8000.0f * 1.4141f}, // not the root of two
        {"+-", 0, 0, 1, 2.0f, 8000.0f * 1.4141f / 1.4141f},
        {std::string(400, '-') + "-+", 0, 0, 1, 2.0f, std::numeric_limits<float>::denorm_min()},
        {" ", 0, 1, 1, 2.0f, 8000.0f},
        {"  ", 0, 0, 1, 2.0f, 8000.0f},
        {"\x1b\x1b", 1, 0, 1, 2.0f, 8000.0f},
    };
    for (const auto &c : cases) {
        FakeRun run(1, 0, c.keys);
        for (uintptr_t wide : {256u + '1', 256u + ' ', 0x1000u + 27})
            handleKey(wide);
        EXPECT_TRUE(stopRequested == c.stop && sinusoidSize == c.sinusoid && polyStep == c.step &&
                    zoom == c.zoom && speed == c.speed)
            << "keys '" << c.keys << "'";
    }
}

TEST(ScreenLimit, FiniteNearPointsStayAndTheRestComeWithinReach) {
    const float lim = kScreenLimit, inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float cases[][4] = {
        {1.25f, -0.75f, 1.25f, -0.75f}, // on the screen or at the limit: untouched
        {-0.0f, -lim, -0.0f, -lim},
        {4e8f, 2e8f, lim, lim / 2}, // along the line from the centre
        {-std::ldexp(1.0f, 127), std::ldexp(1.0f, 124), -lim, lim / 8},
        {inf, 1.0f, lim, 0.0f}, // a point at infinity: a direction
        {-inf, inf, -lim, lim},
        {nan, 5.0f, 0.0f, 5.0f}, // not a number: 0
        {nan, -inf, 0.0f, -lim},
    };
    for (const auto &c : cases) {
        float x = c[0], y = c[1];
        limitToScreen(x, y);
        EXPECT_TRUE(bitsOf(x) == bitsOf(c[2]) && bitsOf(y) == bitsOf(c[3])) << c[0] << ", " << c[1];
    }
}

} // namespace
