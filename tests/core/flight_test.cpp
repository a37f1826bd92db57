// The frame clock and the advance driven by a fake performance counter: the first minutes
// exactly as they always were, then hours and days of flight at 30 to 10,000 frames a second.
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "shell/keys.h"
#include "core_reset.h"
#include "tunnel/builder.h"
#include "tunnel/flight.h"
#include "tunnel/screen_limit.h"

namespace {

constexpr int64_t kHour = 3600, kDay = 24 * kHour;

// A fresh effect after set-up, its counter at origin, the keys pressed as given. Frame lengths
// are mean/2 to 3·mean/2 from a fixed sequence, or exactly mean without jitter.
struct FakeRun {
    int64_t frequency, count, start, origin;
    uint64_t state = 12345;
    bool jitter = true;

    FakeRun(int64_t frequencyIn, int64_t originIn, const std::string &keys = "")
        : frequency(frequencyIn), count(originIn), start(originIn), origin(originIn) {
        resetCore();
        resetFlight();
        position = 0.0f;
        speed = 8000.0f;
        timeNow = timeDelta = fpsMarkTime = 0.0f;
        for (char key : keys)
            handleKey(static_cast<unsigned char>(key));
    }
    int64_t step(int64_t mean) {
        if (!jitter)
            return mean;
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return mean / 2 + static_cast<int64_t>((state >> 33) % static_cast<uint64_t>(mean));
    }
    // One frame of the clock and the advance, step counts after the previous one.
    int32_t frame(int64_t step) {
        count += step;
        stepFrameClock(count, frequency, start);
        return advanceFlight();
    }
    // Flies on, without building, to `seconds` into the run, one frame every `every` seconds.
    void flyTo(int64_t seconds, int64_t every) {
        const int64_t until = origin + seconds * frequency;
        while (count < until)
            frame(std::min(every * frequency, until - count));
    }
};

double absolutePosition() {
    const FlightRecord r = flightRecord();
    return r.position + r.ringsRenumbered * 256.0;
}

// Watches frames and checks each of them and each second of them:
// - every timeDelta is positive, and those of a second add up to it within 1 %;
// - the position advances at speed within 1 % over each second (across renumbering);
// - timeNow stays below 902 s, and the title's frame rate, kept the way the renderer keeps
//   it, is right within 1 %;
// - the viewer's ring and the last ring made, counted from the start of the tunnel, never
//   go back, no ring beyond the 64 ahead is taken as made, and every ring drawn is the very
//   ring made under its number (its slot holds the turn it was made with);
// - every texture coordinate v lies in 0 to 132, and every vertex, depth and shade is finite.
struct Watch {
    FakeRun &run;
    std::string label;
    bool build = true, fpsLatched = false;
    int64_t windowStart = -1, fpsCount = 0;
    double windowDeltas = 0, windowPosition = 0, lastBase = -1e300, lastMade = -1e300;
    int seconds = 0, titles = 0;
    std::map<int64_t, std::array<float, 3>> turns; // ring, counted from the start: its angles

    Watch(FakeRun &runIn, std::string labelIn) : run(runIn), label(std::move(labelIn)) {}

    void fly(double secondsToFly, int fps) {
        const int64_t until = run.count + static_cast<int64_t>(secondsToFly * run.frequency);
        while (run.count < until && !testing::Test::HasFatalFailure())
            frame(run.step(run.frequency / fps));
    }

    void frame(int64_t step) {
        if (windowStart < 0) {
            windowStart = run.count;
            windowPosition = absolutePosition();
        }
        const int32_t fixed = run.frame(step);
        SCOPED_TRACE(testing::Message() << label << ", " << flightRecord().secondsMoved
                                        << " s moved, timeNow " << timeNow);
        ASSERT_GT(timeDelta, 0.0f);
        ASSERT_LT(timeNow, 902.0f);
        windowDeltas += timeDelta;
        const int64_t elapsed = run.count - windowStart;
        if (elapsed >= run.frequency) {
            const double truth = static_cast<double>(elapsed) / run.frequency;
            ASSERT_NEAR(windowDeltas, truth, 0.01 * truth);
            const double pace = std::fmin(speed, FLT_MAX);
            ASSERT_NEAR(absolutePosition() - windowPosition, pace * truth, 0.01 * pace * truth);
            windowStart = run.count;
            windowPosition = absolutePosition();
            windowDeltas = 0;
            ++seconds;
        }

        // The title's period, as the renderer keeps it.
        if (!fpsLatched) {
            fpsMarkTime = timeNow;
            fpsCount = run.count;
            fpsLatched = true;
        }
        const double titleElapsed = static_cast<double>(timeNow) - fpsMarkTime;
        if (titleElapsed >= 1.0) {
            const double truth = static_cast<double>(run.count - fpsCount) / run.frequency;
            ASSERT_NEAR(titleElapsed, truth, 0.01 * truth);
            fpsMarkTime = timeNow;
            fpsCount = run.count;
            ++titles;
        }
        ASSERT_LT(static_cast<double>(run.count - fpsCount) / run.frequency, 1.001)
            << "a title is overdue";

        const double renumbered = flightRecord().ringsRenumbered;
        const double base = (fixed >> 8) + renumbered;
        ASSERT_GE(base, lastBase) << "the viewer's ring went back";
        lastBase = base;
        if (!build)
            return;
        buildTunnel(fixed);
        const double made = lastGeneratedRing + renumbered;
        ASSERT_GE(made, lastMade) << "a ring would be made twice";
        ASSERT_LE(lastGeneratedRing, (fixed >> 8) + 63) << "a ring not yet made counts as made";
        // Rings made by this build, then every ring drawn, by their numbers from the start.
        const int64_t shift = static_cast<int64_t>(renumbered);
        for (int64_t n = static_cast<int64_t>(std::max(lastMade + 1, base));
             n <= static_cast<int64_t>(made); ++n) {
            const Vector4 &a = ringFrames[(n - shift) & 63].angles;
            turns[n] = {a.x, a.y, a.z};
        }
        turns.erase(turns.begin(), turns.lower_bound(static_cast<int64_t>(base)));
        lastMade = made;
        ASSERT_GT(visibleRings, 0);
        for (int32_t i = 0; i < visibleRings; ++i) {
            const Vector4 &a = ringFrames[((fixed >> 8) + i) & 63].angles;
            const auto known = turns.find(static_cast<int64_t>(base) + i);
            ASSERT_NE(known, turns.end()) << "ring " << i << " was never made";
            ASSERT_EQ(std::memcmp(known->second.data(), &a.x, sizeof known->second), 0)
                << "the slot of ring " << i << " holds another ring";
            ASSERT_TRUE(std::isfinite(ringDepth[i]));
            for (int32_t j = 0; j <= 64; j += polyStep) {
                const TunnelVertex &p = ringVertices[i][j];
                ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.shade));
                ASSERT_TRUE(p.v >= 0.0f && p.v < 132.0f) << p.v;
            }
        }
    }
};

// Runs recorded from the frame clock and the advance as they were before the long-run rules,
// fed the same counter readings: the frames before `until` seconds, and an FNV-1a hash of
// every frame's timeNow, timeDelta and position bits and the position handed to the builder.
// Then the first frame past 900 s (B) or 2^20 units (C).
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
        uint64_t hash = 1469598103934665603ULL;
        long frames = 0;
        for (;; ++frames) {
            const int64_t step = run.step(p.mean);
            if (static_cast<double>(run.count + step - p.origin) / p.frequency >= p.until)
                break;
            const int32_t fixed = run.frame(step);
            for (uint32_t w : {floatBits(timeNow), floatBits(timeDelta), floatBits(position),
                               static_cast<uint32_t>(fixed)}) {
                for (int b = 0; b < 32; b += 8)
                    hash = (hash ^ ((w >> b) & 255)) * 1099511628211ULL;
            }
        }
        EXPECT_EQ(frames, p.frames);
        EXPECT_EQ(hash, p.hash);
        EXPECT_EQ(run.start, p.origin) << "the zero point stays";
        EXPECT_FALSE(flightRecord().longRun);

        const double before = flightRecord().position;
        const int64_t elapsed = run.count - run.start;
        if (p.name == 'B') {
            // It moves the zero point by the whole seconds, and keeps the step exact.
            const int64_t step = 900 * p.frequency + 50000 - elapsed;
            run.frame(step);
            EXPECT_TRUE(flightRecord().longRun);
            EXPECT_EQ(run.start, p.origin + 900 * p.frequency);
            EXPECT_FLOAT_BITS(timeNow, 50e-6f);
            EXPECT_NEAR(timeDelta, static_cast<double>(step) / p.frequency, 1e-8); // a float
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

// Hours and days into a run, at each frame rate, each speed and both counter frequencies.
TEST(Flight, HoursAndDaysIntoARunEveryFrameAndSecondHolds) {
    const struct { int64_t seconds, every; } lengths[] = {{40 * kHour, 1}, {30 * kDay, 10}};
    for (int64_t frequency : {1000000000, 10000000}) {
        for (const auto &length : lengths) {
            for (const char *keys : {"", "++++++++++", "----------"}) {
                FakeRun run(frequency, 77 * frequency + 12345, keys);
                run.jitter = frequency != 10000000; // exact frame lengths on the 10 MHz one
                run.flyTo(length.seconds, length.every);
                EXPECT_TRUE(flightRecord().longRun);
                EXPECT_GE(flightRecord().clockRebases, length.seconds / 1000);
                for (int fps : {30, 1000, 10000}) {
                    Watch watch(run, std::to_string(frequency) + " Hz, " +
                                         std::to_string(length.seconds / kHour) + " h, " +
                                         std::to_string(fps) + " fps, keys '" + keys + "'");
                    // Builds are the slow part: every frame at 30 and 1,000 fps, the clock
                    // and advance alone at 10,000 (the rebase test builds there).
                    watch.build = fps < 10000;
                    watch.fly(fps == 30 ? 3.5 : 2.5, fps);
                    if (HasFatalFailure())
                        return;
                    EXPECT_GE(watch.seconds, 2);
                    EXPECT_GE(watch.titles, 2);
                }
            }
        }
    }
}

// Across the moments when the rules change and when the clock or the ring numbering moves,
// building every frame at 10,000 frames a second; then a stall and a counter that goes back.
TEST(Flight, TheRebasesThemselvesAreSeamless) {
    const struct {
        const char *label, *keys;
        int64_t from;               // seconds into the run where close watching starts
        double seconds;             // how long it lasts
        bool clockMoves, ringsMove; // what happens in that stretch
    } cases[] = {
        {"position reaches 2^20 at 131 s", "", 130, 2.0, false, true},
        {"time reaches 900 s first", "----------", 899, 2.0, true, false},
        {"a position rebase under the long-run clock", "----------", 4190, 2.0, false, true},
        {"both, at ten presses of '+'", "++++++++++", 1799, 4.5, true, true},
    };
    for (const auto &c : cases) {
        FakeRun run(10000000, 5, c.keys);
        run.flyTo(c.from, 1);
        const FlightRecord before = flightRecord();
        Watch watch(run, c.label);
        watch.fly(c.seconds, 10000);
        if (HasFatalFailure())
            return;
        const FlightRecord after = flightRecord();
        EXPECT_EQ(after.clockRebases > before.clockRebases, c.clockMoves) << c.label;
        EXPECT_EQ(after.ringRebases > before.ringRebases, c.ringsMove) << c.label;
        EXPECT_TRUE(after.longRun);
        EXPECT_GE(watch.titles, 1);
    }

    // A frame after 30 days of standing still (a suspended machine), then on.
    FakeRun run(10000000, 5);
    run.flyTo(1000, 1);
    Watch(run, "before a 30-day stall").fly(1.5, 1000);
    const double before = absolutePosition();
    run.frame(30 * kDay * run.frequency);
    EXPECT_NEAR(timeDelta, 30.0 * kDay, 1.0);
    EXPECT_LT(timeNow, 1.0f);
    EXPECT_NEAR(absolutePosition() - before, 8000.0 * 30 * kDay, 8000.0);
    // The stall frame's title period is not checked; from the next frame on, all of it.
    Watch after(run, "after a 30-day stall");
    after.fly(2.5, 1000);
    EXPECT_GE(after.titles, 2);

    // A counter that goes back (some old machines' did, by a little) never moves the clock
    // or the viewer back, and the time is counted once.
    const double there = absolutePosition();
    const float then = timeNow;
    run.frame(-run.frequency / 100);
    EXPECT_EQ(timeDelta, 0.0f);
    EXPECT_EQ(timeNow, then);
    EXPECT_EQ(absolutePosition(), there);
    run.frame(run.frequency / 50);
    EXPECT_NEAR(absolutePosition() - there, 8000 * 0.01, 1e-3);
}

// 32 presses of '+' cross the int32 position range within seconds, 300 make speed infinite:
// the flight goes on, one fresh stretch of tunnel after another, and ESC still ends it. Some
// 330 presses of '-' reach the smallest positive float, where the viewer stands still for
// good; days in, the clock runs on and the tunnel is drawn. An infinite zoom gives vertices
// that are not finite; the renderer brings each within reach before GL sees it.
TEST(Flight, HugeInfiniteAndTinySpeedsAndAnInfiniteZoom) {
    for (int n : {32, 300}) {
        SCOPED_TRACE(n);
        FakeRun run(10000000, 0, std::string(n, '+'));
        EXPECT_EQ(std::isinf(speed), n == 300);
        int32_t previousBase = -1;
        for (int k = 0; k < 3000; ++k) {
            const int32_t fixed = run.frame(k == 100 ? 0 : 10000); // one frame of no time
            ASSERT_TRUE(fixed >= 0 && fixed < kLongRunPosition) << k;
            ASSERT_TRUE(std::isfinite(position));
            buildTunnel(fixed);
            ASSERT_GT(visibleRings, 0);
            ASSERT_LE(lastGeneratedRing, (fixed >> 8) + 63);
            if (k == 100) {
                EXPECT_EQ(fixed >> 8, previousBase) << "no time, no flight";
            }
            previousBase = fixed >> 8;
            for (int32_t i = 0; i < visibleRings; ++i)
                ASSERT_TRUE(ringVertices[i][0].v >= 0.0f && ringVertices[i][0].v < 132.0f);
        }
        // A fresh stretch every frame, or every other one.
        EXPECT_GT(flightRecord().ringRebases, n == 300 ? 2990 : 1400);
        handleKey(27);
        int frames = 0;
        do {
            buildTunnel(run.frame(10000));
        } while (++frames < 100 && visibleRings > 0);
        EXPECT_EQ(frames, 1) << "the next frame is past the made rings";
    }

    FakeRun still(1000000000, 0, std::string(400, '-'));
    EXPECT_EQ(speed, std::numeric_limits<float>::denorm_min());
    still.flyTo(40 * kHour, 1);
    for (int k = 0; k < 5000; ++k) {
        const int32_t fixed = still.frame(1000000);
        ASSERT_EQ(fixed, 0);
        buildTunnel(fixed);
        ASSERT_GT(timeDelta, 0.0f);
        ASSERT_LT(timeNow, 902.0f);
        ASSERT_GT(visibleRings, 0);
    }
    EXPECT_LT(flightRecord().position, 1e-35);
    EXPECT_GE(flightRecord().clockRebases, 150);

    resetCore();
    for (int k = 0; k < 1000; ++k)
        handleKey('*');
    ASSERT_TRUE(std::isinf(zoom));
    buildTunnel(0);
    ASSERT_GT(visibleRings, 0);
    int notFinite = 0;
    for (int32_t i = 0; i < visibleRings; ++i) {
        for (int32_t j = 0; j <= 64; ++j) {
            float x = ringVertices[i][j].x, y = ringVertices[i][j].y;
            notFinite += !std::isfinite(x) || !std::isfinite(y);
            limitToScreen(x, y);
            ASSERT_TRUE(std::fabs(x) <= kScreenLimit && std::fabs(y) <= kScreenLimit);
        }
    }
    EXPECT_GT(notFinite, 0);
}

TEST(ScreenLimit, FiniteNearPointsStayAndTheRestComeWithinReach) {
    const float lim = kScreenLimit, inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float x, y, wantX, wantY;
    } cases[] = {
        {1.25f, -0.75f, 1.25f, -0.75f}, // on the screen: untouched
        {lim, -lim, lim, -lim},         // at the limit: untouched
        {-0.0f, 3e5f, -0.0f, 3e5f},     // the sign of zero too
        {4e8f, 2e8f, lim, lim / 2},     // along the line from the centre
        {-std::ldexp(1.0f, 127), std::ldexp(1.0f, 124), -lim, lim / 8}, // as far as floats go
        {lim * 2, 1.0f, lim, 0.5f},                                     // just past the limit
        {inf, 1.0f, lim, 0.0f},  // a point at infinity: a direction
        {-inf, inf, -lim, lim},  //
        {nan, 5.0f, 0.0f, 5.0f}, // not a number: 0
        {nan, -inf, 0.0f, -lim}, //
        {nan, nan, 0.0f, 0.0f},  //
    };
    for (const auto &c : cases) {
        float x = c.x, y = c.y;
        limitToScreen(x, y);
        EXPECT_FLOAT_BITS(x, c.wantX) << c.x << ", " << c.y;
        EXPECT_FLOAT_BITS(y, c.wantY) << c.x << ", " << c.y;
    }
}

} // namespace
