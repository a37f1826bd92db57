#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "core_reset.h"
#include "tunnel/bounds.h"
#include "tunnel/builder.h"
#include "tunnel/generator.h"
#include "tunnel/state.h"

namespace {

#define EXPECT_FLOAT_BITS(actual, expected) EXPECT_EQ(floatBits(actual), floatBits(expected))

class Builder : public ::testing::Test {
  protected:
    void SetUp() override { resetCore(); }
};

void straightenAllRings() {
    for (RingFrame &frame : ringFrames) {
        frame.angles.x = 0.0f;
        frame.angles.z = 0.0f;
    }
}

// Builds at positionFixed until every ring of a full walk exists, with every turn taken out.
void buildStraightTunnel(int32_t positionFixed) {
    const int32_t base = positionFixed >> 8;
    buildTunnel(positionFixed);
    for (int tries = 0; tries < 64 && lastGeneratedRing < base + 63; ++tries) {
        straightenAllRings();
        buildTunnel(positionFixed);
    }
    straightenAllRings();
    buildTunnel(positionFixed);
}

uint32_t stateAfterDraws(long draws) {
    uint32_t s = 1;
    for (long i = 0; i < draws; ++i)
        s = s * 214013u + 2531011u;
    return s;
}

TEST_F(Builder, PositionZeroPutsTheFirstRingOnTheAxisUnturned) {
    buildTunnel(0);
    ASSERT_GE(visibleRings, 2);
    EXPECT_EQ(lastGeneratedRing, visibleRings - 1);
    const RingFrame &f = ringFrames[0];
    EXPECT_FLOAT_BITS(f.center.x, 0.0f);
    EXPECT_FLOAT_BITS(f.center.y, 8.0f);
    EXPECT_FLOAT_BITS(f.center.z, 0.0f);
    EXPECT_EQ(f.axisX.x, 1.0f);
    EXPECT_EQ(f.axisX.y, 0.0f);
    EXPECT_EQ(f.axisZ.z, 1.0f);
    EXPECT_EQ(f.axisZ.y, 0.0f);
    EXPECT_FLOAT_BITS(ringDepth[0], 1.0f);
    EXPECT_FLOAT_BITS(ringDepth[visibleRings - 1], static_cast<float>(visibleRings));
    // The plane y = 8 divides exactly: x' = 2·x/8, y' = −2·y/8.
    for (int j = 0; j <= 64; ++j) {
        const ShapePoint &p = ringShapes[0][j & 63];
        const TunnelVertex &v = ringVertices[0][j];
        EXPECT_FLOAT_BITS(v.x, p.x / 4);
        EXPECT_FLOAT_BITS(v.y, -p.y / 4);
        EXPECT_FLOAT_BITS(v.u, j / 64.0f);
        EXPECT_FLOAT_BITS(v.v, 0.0f);
        EXPECT_FLOAT_BITS(v.shade, static_cast<float>(0.75 * p.shadeA + 0.25));
    }
    EXPECT_FLOAT_BITS(ringVertices[1][0].v, 0.03125f);
}

TEST_F(Builder, PositionTwoFiftyFiveStandsTheFirstRingCloseAhead) {
    buildTunnel(255);
    ASSERT_GE(visibleRings, 1);
    EXPECT_FLOAT_BITS(ringFrames[0].center.y, 0.03125f);
    EXPECT_FLOAT_BITS(ringDepth[0], 0.00390625f);
    for (int j = 0; j <= 64; ++j) {
        const ShapePoint &p = ringShapes[0][j & 63];
        EXPECT_FLOAT_BITS(ringVertices[0][j].x, p.x * 64);
        EXPECT_FLOAT_BITS(ringVertices[0][j].y, -p.y * 64);
    }
}

// Reference placement in double precision: each ring's own turn (scaled by 1 − fraction for
// the first) bends the path and axes from that ring to the next.
struct Placement {
    double centre[3], axisX[3], axisZ[3];
};

void rotate(const float angles[3], double k, double v[3]) {
    const double p = k * angles[0], q = k * angles[1], r = k * angles[2];
    // Rx(-p), then Rz(-r), then Ry(-q).
    double a[3] = {v[0], std::cos(p) * v[1] + std::sin(p) * v[2],
                   -std::sin(p) * v[1] + std::cos(p) * v[2]};
    double b[3] = {std::cos(r) * a[0] + std::sin(r) * a[1],
                   -std::sin(r) * a[0] + std::cos(r) * a[1], a[2]};
    v[0] = std::cos(q) * b[0] - std::sin(q) * b[2];
    v[1] = b[1];
    v[2] = std::sin(q) * b[0] + std::cos(q) * b[2];
}

std::vector<Placement> referenceWalk(int32_t positionFixed, int count) {
    const int32_t base = positionFixed >> 8;
    const double fraction = (positionFixed & 255) / 256.0;
    double centre[3] = {0, 0, 0}, step[3] = {0, 8, 0}, ax[3] = {1, 0, 0}, az[3] = {0, 0, 1};
    std::vector<Placement> out;
    for (int i = 0; i < count; ++i) {
        const double k = i == 0 ? 1 - fraction : 1;
        for (int c = 0; c < 3; ++c)
            centre[c] += k * step[c];
        Placement pl;
        std::memcpy(pl.centre, centre, sizeof centre);
        std::memcpy(pl.axisX, ax, sizeof ax);
        std::memcpy(pl.axisZ, az, sizeof az);
        out.push_back(pl);
        const Vector4 &a = ringFrames[(base + i) & 63].angles;
        const float angles[3] = {a.x, a.y, a.z};
        rotate(angles, k, ax);
        rotate(angles, k, step);
        rotate(angles, k, az);
    }
    return out;
}

TEST_F(Builder, RingsArePlacedByChainingTheTurnsOfTheRingsBefore) {
    const int32_t positions[] = {0, 128, 255, 256 * 3 + 200, 256 * 40 + 77};
    for (int32_t pos : positions) {
        buildTunnel(pos);
        ASSERT_GE(visibleRings, 2) << pos;
        const std::vector<Placement> ref = referenceWalk(pos, visibleRings);
        for (int i = 0; i < visibleRings; ++i) {
            const RingFrame &f = ringFrames[((pos >> 8) + i) & 63];
            const float got[3][3] = {{f.center.x, f.center.y, f.center.z},
                                     {f.axisX.x, f.axisX.y, f.axisX.z},
                                     {f.axisZ.x, f.axisZ.y, f.axisZ.z}};
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(got[0][c], ref[i].centre[c], 1e-3) << pos << " ring " << i;
                EXPECT_NEAR(got[1][c], ref[i].axisX[c], 1e-5) << pos << " ring " << i;
                EXPECT_NEAR(got[2][c], ref[i].axisZ[c], 1e-5) << pos << " ring " << i;
            }
        }
    }
}

TEST_F(Builder, WalkStopsAfterTheRingThatEmptiesTheSight) {
    buildTunnel(0);
    const int32_t visible = visibleRings;
    ASSERT_LT(visible, 64) << "the first rings turn hard; the view should close early";
    // The next ring was neither walked nor generated.
    EXPECT_EQ(lastGeneratedRing, visible - 1);
    EXPECT_EQ(randomState, stateAfterDraws(128L * visible));

    ScreenRect sight;
    resetRect(sight);
    for (int i = 0; i < visible; ++i) {
        EXPECT_FALSE(isRectEmpty(sight)) << "ring " << i;
        ScreenRect ring;
        ringScreenBounds(i, ring);
        intersectRect(sight, ring);
    }
    EXPECT_TRUE(isRectEmpty(sight));
}

TEST_F(Builder, StopWithRingsAheadWalksThemWithoutGenerating) {
    buildStraightTunnel(0);
    ASSERT_EQ(visibleRings, 64);
    const int32_t last = lastGeneratedRing;
    const uint32_t state = randomState;
    stopRequested = 1;
    buildTunnel((last - 3) * 256 + 10);
    EXPECT_EQ(visibleRings, 4);
    EXPECT_EQ(lastGeneratedRing, last);
    EXPECT_EQ(randomState, state);
    EXPECT_FLOAT_BITS(ringDepth[3], static_cast<float>(4 - 10 / 256.0));
}

TEST_F(Builder, StopWithNothingAheadLeavesTheTablesAlone) {
    buildTunnel(0);
    const int32_t last = lastGeneratedRing;
    std::vector<unsigned char> depth(sizeof ringDepth), vertices(sizeof ringVertices);
    std::memcpy(depth.data(), ringDepth, depth.size());
    std::memcpy(vertices.data(), ringVertices, vertices.size());
    const uint32_t state = randomState;

    stopRequested = 1;
    buildTunnel((last + 1) * 256);
    EXPECT_EQ(visibleRings, 0);
    EXPECT_EQ(lastGeneratedRing, last);
    EXPECT_EQ(randomState, state);
    EXPECT_EQ(std::memcmp(depth.data(), ringDepth, depth.size()), 0);
    EXPECT_EQ(std::memcmp(vertices.data(), ringVertices, vertices.size()), 0);
}

TEST_F(Builder, StraightTunnelShowsAllSixtyFourRings) {
    buildStraightTunnel(256 * 7 + 64);
    ASSERT_EQ(visibleRings, 64);
    EXPECT_EQ(lastGeneratedRing, 7 + 63);
    EXPECT_FLOAT_BITS(ringDepth[63], 63.75f);
    EXPECT_FLOAT_BITS(ringVertices[63][0].v, 70 * 0.03125f);
    const RingFrame &last = ringFrames[(7 + 63) & 63];
    EXPECT_FLOAT_BITS(last.center.y, 6.0f + 63 * 8.0f);
    EXPECT_EQ(last.center.x, 0.0f);
}

TEST_F(Builder, PolyStepEightWritesNineVerticesPerRing) {
    const float sentinel = -12345.0f;
    for (auto &row : ringVertices)
        for (TunnelVertex &v : row)
            v = TunnelVertex{sentinel, sentinel, sentinel, sentinel, sentinel};
    polyStep = 8;
    buildTunnel(100);
    ASSERT_GE(visibleRings, 2);
    for (int i = 0; i < 64; ++i) {
        for (int j = 0; j <= 64; ++j) {
            const bool written = i < visibleRings && j % 8 == 0;
            EXPECT_EQ(ringVertices[i][j].u != sentinel, written) << i << "/" << j;
            EXPECT_EQ(ringVertices[i][j].x != sentinel, written) << i << "/" << j;
        }
        if (i >= visibleRings)
            continue;
        const TunnelVertex &first = ringVertices[i][0], &closing = ringVertices[i][64];
        EXPECT_FLOAT_BITS(closing.x, first.x);
        EXPECT_FLOAT_BITS(closing.y, first.y);
        EXPECT_FLOAT_BITS(closing.v, first.v);
        EXPECT_FLOAT_BITS(closing.shade, first.shade);
        EXPECT_EQ(first.u, 0.0f);
        EXPECT_EQ(closing.u, 1.0f);
        EXPECT_EQ(ringVertices[i][8].u, 0.125f);
    }
}

TEST_F(Builder, SinusoidSizeFollowsTheRingNumber) {
    sinusoidSize = 1;
    const struct {
        int32_t ring;
        float factor;
    } cases[] = {{0, 1.0f}, {5, 1.25f}, {10, 1.0f}, {15, 0.75f}};
    for (const auto &c : cases) {
        if (c.ring <= lastGeneratedRing)
            continue;
        buildTunnel(c.ring * 256);
    }
    for (const auto &c : cases) {
        const int slot = c.ring & 63;
        const float factor = c.factor;
        for (int k = 0; k < kRimPoints; ++k) {
            const ShapePoint &p = ringShapes[slot][k];
            const float r = static_cast<float>((2.0 - p.shadeA) * factor);
            EXPECT_FLOAT_BITS(p.y, static_cast<float>(static_cast<double>(r) * profile[k].dirY))
                << "ring " << c.ring << " point " << k;
        }
        const float r63 = static_cast<float>((2.0 - ringShapes[slot][63].shadeA) * factor);
        EXPECT_FLOAT_BITS(ringFrames[slot].extent, static_cast<float>(r63 * 25.0));
    }
}

TEST_F(Builder, PassedRingsAreNeverGenerated) {
    buildTunnel(0);
    const int32_t first = visibleRings;
    buildTunnel(256 * 1000);
    EXPECT_EQ(lastGeneratedRing, 1000 + visibleRings - 1);
    EXPECT_EQ(randomState, stateAfterDraws(128L * (first + visibleRings)));
}

// Placement of ring n as seen from one build.
struct Seen {
    bool walked = false;
    float centre[3], axisX[3], axisZ[3];
};

std::vector<Seen> snapshot(int32_t positionFixed) {
    buildTunnel(positionFixed);
    std::vector<Seen> seen(80);
    const int32_t base = positionFixed >> 8;
    for (int i = 0; i < visibleRings; ++i) {
        const RingFrame &f = ringFrames[(base + i) & 63];
        Seen &s = seen[base + i];
        s.walked = true;
        const float c[] = {f.center.x, f.center.y, f.center.z, f.axisX.x, f.axisX.y,
                           f.axisX.z,  f.axisZ.x,  f.axisZ.y,  f.axisZ.z};
        std::memcpy(s.centre, c, sizeof s.centre);
        std::memcpy(s.axisX, c + 3, sizeof s.axisX);
        std::memcpy(s.axisZ, c + 6, sizeof s.axisZ);
    }
    return seen;
}

double largestDifference(const std::vector<Seen> &a, const std::vector<Seen> &b, int from) {
    double d = 0;
    int compared = 0;
    for (size_t n = from; n < a.size(); ++n) {
        if (!a[n].walked || !b[n].walked)
            continue;
        ++compared;
        for (int c = 0; c < 3; ++c) {
            d = std::max(d, std::fabs(double(a[n].centre[c]) - b[n].centre[c]) / 8);
            d = std::max(d, std::fabs(double(a[n].axisX[c]) - b[n].axisX[c]));
            d = std::max(d, std::fabs(double(a[n].axisZ[c]) - b[n].axisZ[c]));
        }
    }
    EXPECT_GE(compared, 2);
    return d;
}

TEST_F(Builder, PlacementIsContinuousAcrossRingBoundaries) {
    const int32_t b = 5;
    const std::vector<Seen> half = snapshot(b * 256 + 128);
    const std::vector<Seen> late = snapshot(b * 256 + 240);
    const std::vector<Seen> last = snapshot(b * 256 + 255);
    const std::vector<Seen> next = snapshot((b + 1) * 256);
    const double dHalf = largestDifference(half, next, b + 1);
    const double dLate = largestDifference(late, next, b + 1);
    const double dLast = largestDifference(last, next, b + 1);
    EXPECT_GT(dHalf, 0.0);
    EXPECT_LT(dLate, dHalf);
    EXPECT_LT(dLast, dLate);
    // The gap shrinks in proportion to what is left of the ring (1/128 of the half-way gap).
    EXPECT_LT(dLast * 32, dHalf);
    EXPECT_LT(dLast, 0.02);
}

TEST_F(Builder, PointsAtOrBehindTheEyeAreProjectedFromJustAhead) {
    buildTunnel(0);
    ASSERT_GE(visibleRings, 2);
    // A hard turn at ring 0 swings ring 1 across the eye's plane.
    ringFrames[0].angles.x = 1.5f;
    stopRequested = 1;
    buildTunnel(0);
    ASSERT_GE(visibleRings, 2);
    const RingFrame &f = ringFrames[1];
    int clamped = 0;
    for (int j = 0; j < 64; ++j) {
        const ShapePoint &p = ringShapes[1][j];
        const float wy =
            static_cast<float>(double(p.x) * f.axisX.y + f.center.y + double(p.y) * f.axisZ.y);
        if (wy > 0)
            continue;
        ++clamped;
        const float wx =
            static_cast<float>(double(p.x) * f.axisX.x + f.center.x + double(p.y) * f.axisZ.x);
        EXPECT_FLOAT_BITS(ringVertices[1][j].x, static_cast<float>(2.0 * wx / 0.1f));
        EXPECT_TRUE(std::isfinite(ringVertices[1][j].y));
    }
    EXPECT_GT(clamped, 0);
}

TEST_F(Builder, ExtremePositionsBuildCleanly) {
    buildTunnel(INT32_MAX);
    EXPECT_GE(visibleRings, 1);
    EXPECT_FLOAT_BITS(ringDepth[0], 0.00390625f);
    EXPECT_GE(lastGeneratedRing, INT32_MAX >> 8);

    resetCore();
    buildTunnel(INT32_MIN);
    EXPECT_GE(visibleRings, 1);
    EXPECT_FLOAT_BITS(ringDepth[0], 1.0f);
    EXPECT_FLOAT_BITS(ringVertices[0][0].v, static_cast<float>((INT32_MIN >> 8) * 0.03125));

    resetCore();
    buildTunnel(-1);
    EXPECT_FLOAT_BITS(ringDepth[0], 0.00390625f);
    EXPECT_EQ(lastGeneratedRing, -1 + visibleRings - 1);
}

TEST(PositionToFixed, TruncatesTowardZeroAndSaturates) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(positionToFixed(3.99, 7), 3);
    EXPECT_EQ(positionToFixed(-3.99, 7), -3);
    EXPECT_EQ(positionToFixed(-0.5, 7), 0);
    EXPECT_EQ(positionToFixed(inf, 7), INT32_MAX);
    EXPECT_EQ(positionToFixed(1e300, 7), INT32_MAX);
    EXPECT_EQ(positionToFixed(-inf, 7), INT32_MIN);
    EXPECT_EQ(positionToFixed(-1e300, 7), INT32_MIN);
    EXPECT_EQ(positionToFixed(std::numeric_limits<double>::quiet_NaN(), 7), 7);
    EXPECT_EQ(positionToFixed(2147483646.9, 7), 2147483646);
    EXPECT_EQ(positionToFixed(2147483647.0, 7), INT32_MAX);
    EXPECT_EQ(positionToFixed(2147483647.9, 7), INT32_MAX);
    EXPECT_EQ(positionToFixed(2147483648.0, 7), INT32_MAX);
    EXPECT_EQ(positionToFixed(-2147483647.9, 7), -2147483647);
    EXPECT_EQ(positionToFixed(-2147483648.0, 7), INT32_MIN);
    EXPECT_EQ(positionToFixed(-2147483648.9, 7), INT32_MIN);
    EXPECT_EQ(positionToFixed(-2147483649.0, 7), INT32_MIN);
}

} // namespace
