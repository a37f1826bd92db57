#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "core_reset.h"
#include "tunnel/bounds.h"
#include "tunnel/state.h"

namespace {

const double kPi = std::acos(-1.0);

const float kNaN = std::numeric_limits<float>::quiet_NaN();

class Bounds : public ::testing::Test {
  protected:
    void SetUp() override { resetCore(); }

    static ScreenRect boundsOf(const Vector4 &centre, const Vector4 &axisX, const Vector4 &axisZ,
                               float extent) {
        RingFrame &frame = ringFrames[9];
        frame.center = centre;
        frame.axisX = axisX;
        frame.axisZ = axisZ;
        frame.extent = extent;
        ScreenRect rect;
        ringScreenBounds(9, rect);
        return rect;
    }
};

ScreenRect rect(float minX, float minY, float maxX, float maxY) {
    return ScreenRect{minX, minY, maxX, maxY};
}

void expectRect(const ScreenRect &r, float minX, float minY, float maxX, float maxY) {
    EXPECT_EQ(floatBits(r.minX), floatBits(minX));
    EXPECT_EQ(floatBits(r.minY), floatBits(minY));
    EXPECT_EQ(floatBits(r.maxX), floatBits(maxX));
    EXPECT_EQ(floatBits(r.maxY), floatBits(maxY));
}

TEST(ScreenRect, ResetIsTheWholeScreenAndIntersectsToTheOther) {
    ScreenRect r;
    resetRect(r);
    expectRect(r, -1e10f, -1e10f, 1e10f, 1e10f);
    EXPECT_EQ(r.maxX, 10000000000.0f);
    intersectRect(r, rect(-3, 2, 5, 7.5f));
    expectRect(r, -3, 2, 5, 7.5f);
}

TEST(ScreenRect, TouchingRectanglesLeaveZeroWidthWhichIsNotEmpty) {
    ScreenRect r = rect(0, 0, 1, 1);
    intersectRect(r, rect(1, 0, 2, 1));
    expectRect(r, 1, 0, 1, 1);
    EXPECT_FALSE(isRectEmpty(r));

    r = rect(0, 0, 1, 1);
    intersectRect(r, rect(2, 0, 3, 1));
    expectRect(r, 2, 0, 1, 1);
    EXPECT_TRUE(isRectEmpty(r));

    r = rect(0, 0, 1, 1);
    intersectRect(r, rect(0, 0.5f, 1, 0.25f));
    EXPECT_TRUE(isRectEmpty(r));
    EXPECT_FALSE(isRectEmpty(rect(0, 0, 0, 0)));
}

TEST(ScreenRect, NotANumberTakesOthersValueExceptInMinY) {
    const ScreenRect allNaN = rect(kNaN, kNaN, kNaN, kNaN);
    ScreenRect r = rect(-1, -1, 1, 1);
    intersectRect(r, allNaN);
    EXPECT_TRUE(std::isnan(r.minX));
    EXPECT_EQ(r.minY, -1.0f);
    EXPECT_TRUE(std::isnan(r.maxX));
    EXPECT_TRUE(std::isnan(r.maxY));
    EXPECT_FALSE(isRectEmpty(r));

    // A finite rectangle sets the affected bounds again.
    intersectRect(r, rect(-0.5f, -0.5f, 0.5f, 0.5f));
    expectRect(r, -0.5f, -0.5f, 0.5f, 0.5f);

    // A not-a-number minY in the target survives any finite other.
    r = allNaN;
    intersectRect(r, rect(-0.5f, -0.5f, 0.5f, 0.5f));
    EXPECT_EQ(r.minX, -0.5f);
    EXPECT_TRUE(std::isnan(r.minY));
    EXPECT_EQ(r.maxX, 0.5f);
    EXPECT_EQ(r.maxY, 0.5f);
    EXPECT_FALSE(isRectEmpty(r));
    EXPECT_FALSE(isRectEmpty(allNaN));
}

TEST_F(Bounds, RingStraightAheadAndMovedSideways) {
    const Vector4 ax(1, 0, 0), az(0, 0, 1);
    expectRect(boundsOf(Vector4(0, 8, 0), ax, az, 25), -6.25f, -6.25f, 6.25f, 6.25f);
    expectRect(boundsOf(Vector4(4, 8, 0), ax, az, 25), -5.25f, -6.25f, 7.25f, 6.25f);
    expectRect(boundsOf(Vector4(0, 8, -4), ax, az, 25), -6.25f, -5.25f, 6.25f, 7.25f);
    zoom = 3.0f;
    expectRect(boundsOf(Vector4(0, 10, 0), ax, az, 5), -1.5f, -1.5f, 1.5f, 1.5f);
}

TEST_F(Bounds, CentreAtTheEyeGivesNotANumberEverywhere) {
    const ScreenRect r = boundsOf(Vector4(0, 0, 0), Vector4(1, 0, 0), Vector4(0, 0, 1), 25);
    EXPECT_TRUE(std::isnan(r.minX));
    EXPECT_TRUE(std::isnan(r.minY));
    EXPECT_TRUE(std::isnan(r.maxX));
    EXPECT_TRUE(std::isnan(r.maxY));
}

TEST_F(Bounds, AxisWithoutStationaryPointIsNotANumber) {
    // Tilted so far that the circle reaches behind the eye: x'/y has no extreme on it.
    const ScreenRect r = boundsOf(Vector4(0, 8, 0), Vector4(1, 0, 0), Vector4(0, 0.6f, 0.8f), 25);
    EXPECT_TRUE(std::isnan(r.minX));
    EXPECT_TRUE(std::isnan(r.maxX));
    EXPECT_FALSE(std::isnan(r.minY));
    EXPECT_FALSE(std::isnan(r.maxY));
}

TEST(SolveOnUnitCircle, TangentLineGivesOnePointTwice) {
    float u1, v1, u2, v2;
    solveOnUnitCircle(0, 2, 2, u1, v1, u2, v2);
    EXPECT_EQ(u1, 0.0f);
    EXPECT_EQ(v1, 1.0f);
    EXPECT_EQ(u2, 0.0f);
    EXPECT_EQ(v2, 1.0f);
    solveOnUnitCircle(3, 4, 0, u1, v1, u2, v2);
    EXPECT_NEAR(u1, -0.8f, 1e-7f);
    EXPECT_NEAR(v1, 0.6f, 1e-7f);
    EXPECT_NEAR(u2, 0.8f, 1e-7f);
    EXPECT_NEAR(v2, -0.6f, 1e-7f);
    solveOnUnitCircle(1, 0, 1.5, u1, v1, u2, v2);
    EXPECT_TRUE(std::isnan(u1) && std::isnan(v1) && std::isnan(u2) && std::isnan(v2));
}

// Any tilted ring wholly in front of the eye: the closed form matches the extremes of the
// projected circle found by sampling it densely.
TEST_F(Bounds, TiltedRingsMatchDenseSampling) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> angle(-3.1f, 3.1f);
    std::uniform_real_distribution<float> lateral(-30.0f, 30.0f);
    std::uniform_real_distribution<float> depth(20.0f, 200.0f);
    int tested = 0;
    while (tested < 300) {
        Matrix3 m;
        m.fromAngles(angle(rng), angle(rng), angle(rng));
        Vector4 ax(1, 0, 0), az(0, 0, 1);
        m.transform(ax);
        m.transform(az);
        const Vector4 centre(lateral(rng), depth(rng), lateral(rng));
        const float extent = std::uniform_real_distribution<float>(1.0f, 0.8f * centre.y)(rng);
        zoom = std::uniform_real_distribution<float>(0.5f, 4.0f)(rng);

        // Sample the circle in double precision from the float vectors the bounds use.
        const Vector4 r = scaled(ax, extent), s = scaled(az, extent);
        double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
        bool inFront = true;
        const int samples = 20000;
        for (int i = 0; i < samples; ++i) {
            const double t = 2 * kPi * i / samples;
            const double u = std::cos(t), v = std::sin(t);
            const double px = centre.x + v * r.x + u * s.x;
            const double py = centre.y + v * r.y + u * s.y;
            const double pz = centre.z + v * r.z + u * s.z;
            inFront = inFront && py > 0.05 * centre.y;
            const double sx = zoom * px / py, sy = -zoom * pz / py;
            lo[0] = std::min(lo[0], sx);
            hi[0] = std::max(hi[0], sx);
            lo[1] = std::min(lo[1], sy);
            hi[1] = std::max(hi[1], sy);
        }
        if (!inFront)
            continue;
        ++tested;
        const ScreenRect b = boundsOf(centre, ax, az, extent);
        const double scale = 1e-5 * std::max({1.0, std::fabs(lo[0]), std::fabs(hi[0]),
                                              std::fabs(lo[1]), std::fabs(hi[1])});
        ASSERT_NEAR(b.minX, lo[0], scale) << "case " << tested;
        ASSERT_NEAR(b.maxX, hi[0], scale) << "case " << tested;
        ASSERT_NEAR(b.minY, lo[1], scale) << "case " << tested;
        ASSERT_NEAR(b.maxY, hi[1], scale) << "case " << tested;
    }
}

} // namespace
