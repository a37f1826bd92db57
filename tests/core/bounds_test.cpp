#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "core_reset.h"
#include "math/vector.h"
#include "tunnel/bounds.h"

namespace {

const float kNaN = std::nanf("");

TEST(Matrix3, QuarterTurnAboutZKeepsTheFloatCosineAndTransformsInPlace) {
    Matrix3 m;
    m.fromAngles(0, 0, 1.57079637f);
    // cos of the float pi/2 is about -4.37e-8, not 0.
    EXPECT_LT(m.row[0].x, -4.3e-8f);
    EXPECT_GT(m.row[0].x, -4.5e-8f);
    EXPECT_TRUE(m.row[0].y == 1 && m.row[1].x == -1 && m.row[1].y == m.row[0].x && m.row[2].z == 1);

    // In place: every new component comes from the old vector (a leaky update gives y = -2).
    Vector4 v(1, 2, 3);
    v.w = 5;
    m.transform(v);
    EXPECT_NEAR(v.x, 2.0f, 1e-6f);
    EXPECT_NEAR(v.y, -1.0f, 1e-6f);
    EXPECT_TRUE(v.z == 3 && v.w == 5);

    // Each dot is summed in double precision: 1e8 + 1 - 1e8 keeps the 1.
    m.row[0] = Vector4(1e8f, 1, -1e8f);
    v = Vector4(1, 1, 1);
    m.transform(v);
    EXPECT_EQ(v.x, 1.0f);
}

TEST(Matrix3, FromAnglesIsRxThenRzThenRy) {
    const double p = 0.3f, q = -1.1f, r = 0.7f, e[3] = {1, -2, 3};
    Matrix3 m;
    m.fromAngles(0.3f, -1.1f, 0.7f);
    Vector4 got(1, -2, 3);
    m.transform(got);
    // Rx(-p), Rz(-r), Ry(-q) applied in turn, in double precision.
    const double x1[3] = {e[0], std::cos(p) * e[1] + std::sin(p) * e[2],
                          -std::sin(p) * e[1] + std::cos(p) * e[2]};
    const double z1[3] = {std::cos(r) * x1[0] + std::sin(r) * x1[1],
                          -std::sin(r) * x1[0] + std::cos(r) * x1[1], x1[2]};
    EXPECT_NEAR(got.x, std::cos(q) * z1[0] - std::sin(q) * z1[2], 1e-5);
    EXPECT_NEAR(got.y, z1[1], 1e-5);
    EXPECT_NEAR(got.z, std::sin(q) * z1[0] + std::cos(q) * z1[2], 1e-5);
}

std::array<uint32_t, 4> bits(const ScreenRect &r) {
    return {floatBits(r.minX), floatBits(r.minY), floatBits(r.maxX), floatBits(r.maxY)};
}

TEST(ScreenRect, IntersectionEmptinessAndNotANumber) {
    ScreenRect r;
    resetRect(r);
    EXPECT_EQ(bits(r), bits({-1e10f, -1e10f, 1e10f, 1e10f}));
    // Zero width is not empty. Not a number comes from other in minX, maxX and maxY, and
    // stays in target's minY; a finite other sets the affected bounds again.
    const ScreenRect nan4 = {kNaN, kNaN, kNaN, kNaN}, half = {-0.5f, -0.5f, 0.5f, 0.5f};
    const struct {
        ScreenRect target, other, result;
        bool empty;
    } cases[] = {{{0, 0, 1, 1}, {1, 0, 2, 1}, {1, 0, 1, 1}, false},
                 {{0, 0, 1, 1}, {2, 0, 3, 1}, {2, 0, 1, 1}, true},
                 {{0, 0, 1, 1}, {0, 0.5f, 1, 0.25f}, {0, 0.5f, 1, 0.25f}, true},
                 {{-1, -1, 1, 1}, nan4, {kNaN, -1, kNaN, kNaN}, false},
                 {{kNaN, -1, kNaN, kNaN}, half, half, false},
                 {nan4, half, {-0.5f, kNaN, 0.5f, 0.5f}, false}};
    for (const auto &c : cases) {
        r = c.target;
        intersectRect(r, c.other);
        EXPECT_EQ(bits(r), bits(c.result));
        EXPECT_EQ(isRectEmpty(r), c.empty);
    }
}

ScreenRect boundsOf(const Vector4 &centre, const Vector4 &axisX, const Vector4 &axisZ,
                    float extent) {
    ringFrames[9].center = centre;
    ringFrames[9].axisX = axisX;
    ringFrames[9].axisZ = axisZ;
    ringFrames[9].extent = extent;
    ScreenRect rect;
    ringScreenBounds(9, rect);
    return rect;
}

TEST(RingBounds, StraightSidewaysAtTheEyeAndTilted) {
    resetCore();
    const Vector4 ax(1, 0, 0), az(0, 0, 1);
    EXPECT_EQ(bits(boundsOf(Vector4(0, 8, 0), ax, az, 25)), bits({-6.25f, -6.25f, 6.25f, 6.25f}));
    EXPECT_EQ(bits(boundsOf(Vector4(4, 8, 0), ax, az, 25)), bits({-5.25f, -6.25f, 7.25f, 6.25f}));
    EXPECT_EQ(bits(boundsOf(Vector4(0, 8, -4), ax, az, 25)), bits({-6.25f, -5.25f, 6.25f, 7.25f}));
    const ScreenRect r = boundsOf(Vector4(0, 0, 0), ax, az, 25);
    EXPECT_TRUE(std::isnan(r.minX) && std::isnan(r.minY) && std::isnan(r.maxX) &&
                std::isnan(r.maxY));

    // Tilted rings wholly in front of the eye (extent < 0.8·depth): the closed form matches
    // the extremes of the projected circle, sampled densely in double precision.
    std::mt19937 rng(12345);
    auto uniform = [&rng](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    };
    for (int n = 0; n < 300; ++n) {
        Matrix3 m;
        m.fromAngles(uniform(-3.1f, 3.1f), uniform(-3.1f, 3.1f), uniform(-3.1f, 3.1f));
        Vector4 ax(1, 0, 0), az(0, 0, 1);
        m.transform(ax);
        m.transform(az);
        const Vector4 c(uniform(-30, 30), uniform(20, 200), uniform(-30, 30));
        const float extent = uniform(1.0f, 0.8f * c.y);
        zoom = uniform(0.5f, 4.0f);
        const Vector4 r = scaled(ax, extent), s = scaled(az, extent);
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        for (int i = 0; i < 20000; ++i) {
            const double t = 2 * std::acos(-1.0) * i / 20000, u = std::cos(t), v = std::sin(t);
            const double py = c.y + v * r.y + u * s.y;
            const double screen[2] = {zoom * (c.x + v * r.x + u * s.x) / py,
                                      -zoom * (c.z + v * r.z + u * s.z) / py};
            for (int a = 0; a < 2; ++a) {
                lo[a] = std::min(lo[a], screen[a]);
                hi[a] = std::max(hi[a], screen[a]);
            }
        }
        const ScreenRect b = boundsOf(c, ax, az, extent);
        const double tol = 1e-5 * std::max({1.0, -lo[0], hi[0], -lo[1], hi[1]});
        ASSERT_NEAR(b.minX, lo[0], tol) << "case " << n;
        ASSERT_NEAR(b.maxX, hi[0], tol) << "case " << n;
        ASSERT_NEAR(b.minY, lo[1], tol) << "case " << n;
        ASSERT_NEAR(b.maxY, hi[1], tol) << "case " << n;
    }
}

} // namespace
