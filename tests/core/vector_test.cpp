#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core_reset.h"
#include "math/vector.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(Vector4, WIsOneFromThreeComponentsAndScaledAndCopiedByAssignment) {
    Vector4 v(1, 2, 3);
    EXPECT_EQ(v.w, 1.0f);
    v.w = 5;
    const Vector4 s = scaled(v, 2);
    EXPECT_EQ(s.x, 2.0f);
    EXPECT_EQ(s.y, 4.0f);
    EXPECT_EQ(s.z, 6.0f);
    EXPECT_EQ(s.w, 1.0f);
    Vector4 copy(0, 0, 0);
    copy = v;
    EXPECT_EQ(copy.w, 5.0f);
}

TEST(Vector4, DotIgnoresWAndSumsInDoublePrecision) {
    Vector4 a(1, 2, 3), b(4, 5, 6);
    a.w = kNaN;
    b.w = kNaN;
    EXPECT_EQ(dot(a, b), 32.0);
    EXPECT_EQ(a.dot(b), 32.0);
    // 1e8 + 1 is lost in single precision; the double sum keeps it.
    const Vector4 big(1e8f, 1, -1e8f), ones(1, 1, 1);
    EXPECT_EQ(dot(big, ones), 1.0);
}

TEST(Vector4, AddKeepsWAndPlusEqualsReturnsTheTarget) {
    Vector4 v(1, 2, 3);
    v.w = 7;
    Vector4 o(10, 20, 30);
    o.w = 100;
    v.add(o);
    EXPECT_EQ(v.x, 11.0f);
    EXPECT_EQ(v.y, 22.0f);
    EXPECT_EQ(v.z, 33.0f);
    EXPECT_EQ(v.w, 7.0f);
    Vector4 &r = (v += o);
    EXPECT_EQ(&r, &v);
    EXPECT_EQ(v.x, 21.0f);
    EXPECT_EQ(v.w, 7.0f);
}

TEST(Matrix3, DefaultIsIdentityAndZeroAnglesGiveIdentityKeepingRowW) {
    Matrix3 m;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m.row[i].x, i == 0 ? 1.0f : 0.0f);
        EXPECT_EQ(m.row[i].y, i == 1 ? 1.0f : 0.0f);
        EXPECT_EQ(m.row[i].z, i == 2 ? 1.0f : 0.0f);
        EXPECT_EQ(m.row[i].w, 1.0f);
        m.row[i].w = 9.0f + i;
        m.row[i].x = m.row[i].y = m.row[i].z = 3.0f;
    }
    m.fromAngles(0, 0, 0);
    for (int i = 0; i < 3; ++i) {
        // Values, not bits: row 1 x is −sin 0, a negative zero.
        EXPECT_EQ(m.row[i].x, i == 0 ? 1.0f : 0.0f);
        EXPECT_EQ(m.row[i].y, i == 1 ? 1.0f : 0.0f);
        EXPECT_EQ(m.row[i].z, i == 2 ? 1.0f : 0.0f);
        EXPECT_EQ(m.row[i].w, 9.0f + i);
    }
}

TEST(Matrix3, QuarterTurnAboutZKeepsTheFloatCosine) {
    const float halfPi = 1.57079637f;
    Matrix3 m;
    m.fromAngles(0, 0, halfPi);
    // cos of the float π/2 is about -4.37e-8, not 0.
    EXPECT_LT(m.row[0].x, -4.3e-8f);
    EXPECT_GT(m.row[0].x, -4.5e-8f);
    EXPECT_EQ(m.row[0].y, 1.0f);
    EXPECT_EQ(m.row[0].z, 0.0f);
    EXPECT_EQ(m.row[1].x, -1.0f);
    EXPECT_EQ(m.row[1].y, m.row[0].x);
    EXPECT_EQ(m.row[1].z, 0.0f);
    EXPECT_EQ(m.row[2].x, 0.0f);
    EXPECT_EQ(m.row[2].y, 0.0f);
    EXPECT_EQ(m.row[2].z, 1.0f);

    // In place: every new component comes from the old vector (a leaky update gives y = -2).
    Vector4 v(1, 2, 3);
    m.transform(v);
    EXPECT_NEAR(v.x, 2.0f, 1e-6f);
    EXPECT_NEAR(v.y, -1.0f, 1e-6f);
    EXPECT_EQ(v.z, 3.0f);
    EXPECT_EQ(v.w, 1.0f);

    Vector4 in(1, 2, 3), out(0, 0, 0);
    out.w = 4;
    m.transform(in, out);
    EXPECT_EQ(floatBits(out.x), floatBits(v.x));
    EXPECT_EQ(floatBits(out.y), floatBits(v.y));
    EXPECT_EQ(out.z, 3.0f);
    EXPECT_EQ(out.w, 4.0f);
}

TEST(Matrix3, TransformRoundsEachDoubleDotOnce) {
    Matrix3 m;
    m.row[0] = Vector4(1e8f, 1, -1e8f);
    Vector4 v(1, 1, 1);
    m.transform(v);
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.y, 1.0f);
    EXPECT_EQ(v.z, 1.0f);
}

// Rotation as the product Ry(-q)·Rz(-r)·Rx(-p), in double precision.
void referenceRotation(double p, double q, double r, double out[3][3]) {
    const double rx[3][3] = {
        {1, 0, 0}, {0, std::cos(p), std::sin(p)}, {0, -std::sin(p), std::cos(p)}};
    const double ry[3][3] = {
        {std::cos(q), 0, -std::sin(q)}, {0, 1, 0}, {std::sin(q), 0, std::cos(q)}};
    const double rz[3][3] = {
        {std::cos(r), std::sin(r), 0}, {-std::sin(r), std::cos(r), 0}, {0, 0, 1}};
    double t[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            t[i][j] = 0;
            for (int k = 0; k < 3; ++k)
                t[i][j] += rz[i][k] * rx[k][j];
        }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            out[i][j] = 0;
            for (int k = 0; k < 3; ++k)
                out[i][j] += ry[i][k] * t[k][j];
        }
}

TEST(Matrix3, FromAnglesIsTheRotationProductForGeneralAngles) {
    const float angles[][3] = {{0.3f, -1.1f, 0.7f}, {-0.16f, 0.0f, 0.15f}, {2.5f, 0.4f, -3.0f}};
    for (const auto &a : angles) {
        Matrix3 m;
        m.fromAngles(a[0], a[1], a[2]);
        double ref[3][3];
        referenceRotation(a[0], a[1], a[2], ref);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(m.row[i].x, ref[i][0], 1e-6);
            EXPECT_NEAR(m.row[i].y, ref[i][1], 1e-6);
            EXPECT_NEAR(m.row[i].z, ref[i][2], 1e-6);
        }
    }
}

} // namespace
