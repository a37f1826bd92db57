#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "core_reset.h"
#include "tunnel/bounds.h"
#include "tunnel/builder.h"

namespace {

class Builder : public ::testing::Test {
  protected:
    void SetUp() override { resetCore(); }
};

uint32_t stateAfterDraws(long draws) {
    uint32_t s = 1;
    while (draws-- > 0)
        s = s * 214013u + 2531011u;
    return s;
}

TEST_F(Builder, FirstRingStandsUnturnedAndTheWalkStopsAfterTheRingThatEmptiesTheSight) {
    const struct {
        int32_t position;
        float centreY, scale; // the plane y divides exactly: x' = 2·x/y
    } cases[] = {{0, 8.0f, 0.25f}, {255, 0.03125f, 64.0f}};
    for (const auto &c : cases) {
        resetCore();
        buildTunnel(c.position);
        const int32_t visible = visibleRings;
        ASSERT_TRUE(visible >= 2 && visible < 64) << "the first rings turn hard";
        const RingFrame &f = ringFrames[0];
        EXPECT_FLOAT_BITS(f.center.y, c.centreY);
        EXPECT_TRUE(f.center.x == 0 && f.center.z == 0 && f.axisX.x == 1 && f.axisX.y == 0 &&
                    f.axisZ.y == 0 && f.axisZ.z == 1);
        EXPECT_FLOAT_BITS(ringDepth[0], static_cast<float>(1 - c.position / 256.0));
        EXPECT_FLOAT_BITS(ringDepth[visible - 1], static_cast<float>(visible - c.position / 256.0));
        EXPECT_FLOAT_BITS(ringVertices[1][0].v, 0.03125f);
        for (int j = 0; j <= 64; ++j) {
            const ShapePoint &p = ringShapes[0][j & 63];
            const TunnelVertex &v = ringVertices[0][j];
            EXPECT_FLOAT_BITS(v.x, p.x * c.scale);
            EXPECT_FLOAT_BITS(v.y, -p.y * c.scale);
            EXPECT_FLOAT_BITS(v.u, j / 64.0f);
            EXPECT_FLOAT_BITS(v.shade, static_cast<float>(0.75 * p.shadeA + 0.25));
        }
        // The last ring walked emptied the sight; the one after it was not generated.
        EXPECT_EQ(lastGeneratedRing, visible - 1);
        EXPECT_EQ(randomState, stateAfterDraws(128L * visible));
        ScreenRect sight, ring;
        resetRect(sight);
        for (int i = 0; i < visible; ++i) {
            EXPECT_FALSE(isRectEmpty(sight)) << "ring " << i;
            ringScreenBounds(i, ring);
            intersectRect(sight, ring);
        }
        EXPECT_TRUE(isRectEmpty(sight));
    }
}

TEST_F(Builder, StopWalksTheRingsAheadAndLeavesTheTablesAloneWithNone) {
    // Take the turns out until a straight tunnel shows all 64 rings.
    for (int tries = 0; tries < 64 && lastGeneratedRing < 63; ++tries) {
        buildTunnel(0);
        for (RingFrame &frame : ringFrames)
            frame.angles.x = frame.angles.z = 0.0f;
    }
    buildTunnel(0);
    ASSERT_EQ(visibleRings, 64);
    const uint32_t state = randomState;
    stopRequested = 1;
    buildTunnel(60 * 256 + 10);
    EXPECT_EQ(visibleRings, 4);
    EXPECT_FLOAT_BITS(ringDepth[3], static_cast<float>(4 - 10 / 256.0));

    auto tables = [] {
        return std::string(reinterpret_cast<const char *>(ringDepth), sizeof ringDepth) +
               std::string(reinterpret_cast<const char *>(ringVertices), sizeof ringVertices);
    };
    const std::string before = tables();
    buildTunnel(64 * 256);
    EXPECT_EQ(visibleRings, 0);
    EXPECT_EQ(lastGeneratedRing, 63);
    EXPECT_EQ(randomState, state);
    EXPECT_TRUE(tables() == before);
}

TEST_F(Builder, PolyStepEightWritesNineVerticesPerRing) {
    polyStep = 8;
    buildTunnel(100);
    ASSERT_GE(visibleRings, 2);
    // The tables start zero; a written vertex has a shade of at least 0.25.
    for (int i = 0; i < kRingSlots; ++i)
        for (int j = 0; j <= 64; ++j)
            EXPECT_EQ(ringVertices[i][j].shade != 0, i < visibleRings && j % 8 == 0)
                << i << "/" << j;
    for (int i = 0; i < visibleRings; ++i) {
        const TunnelVertex &first = ringVertices[i][0], &closing = ringVertices[i][64];
        EXPECT_FLOAT_BITS(closing.x, first.x);
        EXPECT_FLOAT_BITS(closing.y, first.y);
        EXPECT_EQ(ringVertices[i][8].u, 0.125f);
        EXPECT_EQ(closing.u, 1.0f);
    }
}

TEST_F(Builder, SinusoidSizeFollowsTheRingNumber) {
    sinusoidSize = 1;
    const int32_t rings[] = {0, 5, 10, 15};
    const float factors[] = {1.0f, 1.25f, 1.0f, 0.75f};
    for (int32_t ring : rings)
        if (ring > lastGeneratedRing)
            buildTunnel(ring * 256);
    for (int i = 0; i < 4; ++i) {
        const ShapePoint *ring = ringShapes[rings[i]];
        for (int k = 0; k < kRimPoints; ++k) {
            const float r = static_cast<float>((2.0 - ring[k].shadeA) * factors[i]);
            EXPECT_FLOAT_BITS(ring[k].y, static_cast<float>(double(r) * profile[k].dirY))
                << "ring " << rings[i] << " point " << k;
        }
    }
}

// Centre (over 8) and axes of ring 6 as placed by a build at position.
std::array<double, 9> ringSix(int32_t position) {
    buildTunnel(position);
    EXPECT_GE((position >> 8) + visibleRings, 7) << position;
    const RingFrame &f = ringFrames[6];
    return {f.center.x / 8, f.center.y / 8, f.center.z / 8, f.axisX.x, f.axisX.y,
            f.axisX.z,      f.axisZ.x,      f.axisZ.y,      f.axisZ.z};
}

TEST_F(Builder, PlacementIsContinuousAsTheFractionApproachesOne) {
    const auto half = ringSix(5 * 256 + 128), late = ringSix(5 * 256 + 240),
               last = ringSix(5 * 256 + 255), next = ringSix(6 * 256);
    auto gap = [&next](const std::array<double, 9> &a) {
        double d = 0;
        for (int c = 0; c < 9; ++c)
            d = std::max(d, std::fabs(a[c] - next[c]));
        return d;
    };
    EXPECT_GT(gap(half), 0.0);
    EXPECT_LT(gap(late), gap(half));
    // The gap shrinks in proportion to what is left of the ring (1/128 of the half-way gap).
    EXPECT_LT(gap(last) * 32, gap(half));
    EXPECT_LT(gap(last), 0.02);
}

TEST_F(Builder, ExtremePositionsBuildCleanlyAndPassedRingsAreNeverGenerated) {
    buildTunnel(INT32_MAX);
    ASSERT_GE(visibleRings, 1);
    EXPECT_FLOAT_BITS(ringDepth[0], 0.00390625f);
    EXPECT_EQ(lastGeneratedRing, (INT32_MAX >> 8) + visibleRings - 1);
    EXPECT_EQ(randomState, stateAfterDraws(128L * visibleRings));
    resetCore();
    buildTunnel(INT32_MIN);
    ASSERT_GE(visibleRings, 1);
    EXPECT_FLOAT_BITS(ringDepth[0], 1.0f);
    EXPECT_FLOAT_BITS(ringVertices[0][0].v, static_cast<float>((INT32_MIN >> 8) * 0.03125));
}

TEST(PositionToFixed, TruncatesTowardZeroSaturatesAndFallsBackOnNaN) {
    const double inf = HUGE_VAL, nan = std::nan("");
    const double sums[] = {3.99,         -3.99,        inf,           -inf,          2147483646.9,
                           2147483647.9, 2147483648.0, -2147483648.9, -2147483649.0, nan};
    const int32_t fixed[] = {3,         -3,        INT32_MAX, INT32_MIN, 2147483646,
                             INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, 7};
    for (size_t i = 0; i < sizeof sums / sizeof sums[0]; ++i)
        EXPECT_EQ(positionToFixed(sums[i], 7), fixed[i]) << sums[i];
}

TEST_F(Builder, PointsAtOrBehindTheEyeAreProjectedAsIfATenthAhead) {
    buildTunnel(0);
    // A quarter turn after the first ring swings the next one across the eye's plane.
    stopRequested = 1;
    ringFrames[0].angles = Vector4(0.0f, 0.0f, -1.6f);
    buildTunnel(0);
    ASSERT_GE(visibleRings, 2);
    const RingFrame &f = ringFrames[1];
    int clamped = 0;
    for (int j = 0; j < 64; ++j) {
        const ShapePoint &p = ringShapes[1][j];
        const double wy =
            static_cast<float>(p.x * double(f.axisX.y) + f.center.y + p.y * double(f.axisZ.y));
        if (wy > 0)
            continue;
        ++clamped;
        const float wx =
            static_cast<float>(p.x * double(f.axisX.x) + f.center.x + p.y * double(f.axisZ.x));
        EXPECT_FLOAT_BITS(ringVertices[1][j].x, static_cast<float>(2.0 * wx / 0.1f)) << j;
        EXPECT_TRUE(std::isfinite(ringVertices[1][j].y)) << j;
    }
    EXPECT_GT(clamped, 0) << "the case puts part of the ring behind the eye";
}

} // namespace
