// The geometry core: one flight hashed on every build, and the rules a hash would not point to.
#include <cmath>

#include <gtest/gtest.h>

#include "core_reset.h"
#include "shell/keys.h"
#include "tunnel/bounds.h"
#include "tunnel/builder.h"

namespace {

void hashBuild(Fnv &fnv, int32_t position) {
    buildTunnel(position);
    fnv.add(static_cast<uint32_t>(visibleRings));
    fnv.add(static_cast<uint32_t>(lastGeneratedRing));
    for (int i = 0; i < visibleRings; ++i) {
        fnv.add(bitsOf(ringDepth[i]));
        for (int j = 0; j <= 64; j += polyStep) {
            const TunnelVertex &v = ringVertices[i][j];
            for (float f : {v.x, v.y, v.u, v.v, v.shade})
                fnv.add(bitsOf(f));
        }
    }
}

// What the renderer reads over 700 builds with keys, a hard turn and the position range's ends;
// hashes printed by the Linux x86-64 build, run by every other build.
TEST(Geometry, OneFlightHasTheSameBitsOnEveryBuild) {
    const uint64_t expected[3] = {4749101021718898177u, 3418001374649308580u,
                                  18001726792883076381u};
    Fnv fnv;
    resetEffectState();
    uint32_t pace = 12345;
    int32_t position = 0;
    for (int n = 1; n <= 700; ++n) {
        if (n % 60 == 0 && n <= 540)
            handleKey(static_cast<unsigned char>("3 *1/ 2*\x1b"[n / 60 - 1]));
        pace = pace * 1103515245u + 12345u;
        position += 40 + static_cast<int32_t>((pace >> 16) % 200); // 0.16 to 0.94 rings
        hashBuild(fnv, position);
    }
    EXPECT_EQ(visibleRings, 0) << "ESC flies out of the tunnel";
    EXPECT_EQ(fnv.hash, expected[0]);

    resetEffectState();
    buildTunnel(0);
    stopRequested = 1;
    ringFrames[0].angles = Vector4(0.0f, 0.0f, -1.6f);
    hashBuild(fnv, 0);
    EXPECT_EQ(fnv.hash, expected[1]);

    resetEffectState();
    sinusoidSize = 1;
    hashBuild(fnv, INT32_MAX);
    resetEffectState();
    hashBuild(fnv, INT32_MIN);
    EXPECT_EQ(fnv.hash, expected[2]);
}

TEST(Geometry, PositionToFixedTruncatesSaturatesAndFallsBackOnNaN) {
    const double sums[] = {3.99,         -3.99,        HUGE_VAL,      -HUGE_VAL,     2147483646.9,
                           2147483647.9, 2147483648.0, -2147483648.9, -2147483649.0, std::nan("")};
    const int32_t fixed[] = {3,         -3,        INT32_MAX, INT32_MIN, 2147483646,
                             INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, 7};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(positionToFixed(sums[i], 7), fixed[i]) << sums[i];
}

// A ring facing the eye 8 ahead, 4 right and 4 below, radius 25, at zoom 2: screen y mirrors z.
TEST(Geometry, RingBoundsOfARingFacingTheEye) {
    resetEffectState();
    ringFrames[0].center = Vector4(4.0f, 8.0f, -4.0f);
    ringFrames[0].axisX = Vector4(1.0f, 0.0f, 0.0f);
    ringFrames[0].axisZ = Vector4(0.0f, 0.0f, 1.0f);
    ringFrames[0].extent = 25.0f;
    ScreenRect r;
    ringScreenBounds(0, r);
    EXPECT_TRUE(r.minX == -5.25f && r.minY == -5.25f && r.maxX == 7.25f && r.maxY == 7.25f)
        << r.minX << " " << r.minY << " " << r.maxX << " " << r.maxY;
}

// Zero width is not empty. Not a number comes from other in minX, maxX and maxY, and stays in
// target's minY; a finite other sets the affected bounds again.
TEST(Geometry, RectIntersectionEmptinessAndNotANumber) {
    const float nan = std::nanf("");
    const ScreenRect nan4 = {nan, nan, nan, nan}, half = {-0.5f, -0.5f, 0.5f, 0.5f};
    const ScreenRect cases[][3] = {{{0, 0, 1, 1}, {1, 0, 2, 1}, {1, 0, 1, 1}},
                                   {{0, 0, 1, 1}, {2, 0, 3, 1}, {2, 0, 1, 1}},
                                   {{0, 0, 1, 1}, {0, 0.5f, 1, 0.25f}, {0, 0.5f, 1, 0.25f}},
                                   {{-1, -1, 1, 1}, nan4, {nan, -1, nan, nan}},
                                   {{nan, -1, nan, nan}, half, half},
                                   {nan4, half, {-0.5f, nan, 0.5f, 0.5f}}};
    const bool empty[] = {false, true, true, false, false, false};
    for (const auto &c : cases) {
        ScreenRect r = c[0];
        intersectRect(r, c[1]);
        EXPECT_EQ(std::memcmp(&r, &c[2], sizeof r), 0) << &c - cases;
        EXPECT_EQ(isRectEmpty(r), empty[&c - cases]) << &c - cases;
    }
}

} // namespace
