#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "core_reset.h"
#include "tunnel/generator.h"
#include "tunnel/state.h"

namespace {

class Generator : public ::testing::Test {
  protected:
    void SetUp() override { resetCore(); }
};

// Values quoted to nine significant digits name one float exactly.
#define EXPECT_FLOAT_BITS(actual, expected) EXPECT_EQ(floatBits(actual), floatBits(expected))

TEST_F(Generator, RandomSequenceFromTheStartState) {
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int32_t e : expected)
        EXPECT_EQ(randomInt(), e);
}

TEST_F(Generator, RandomFloatIsTheUnroundedDoubleProduct) {
    const double value = randomFloat(0.3f);
    EXPECT_EQ(value, 41 * static_cast<double>(0.3f) / 32768);
    EXPECT_NE(value, static_cast<double>(static_cast<float>(value)));
}

TEST_F(Generator, InitProfileUsesTheFloatStepAngle) {
    EXPECT_FLOAT_BITS(profile[8].dirX, 17.6776695f);
    EXPECT_FLOAT_BITS(profile[8].dirY, 17.6776695f);
    EXPECT_FLOAT_BITS(profile[32].dirY, -25.0f);
    EXPECT_FLOAT_BITS(profile[32].dirX, -0.0000021855694f);
    EXPECT_FLOAT_BITS(profile[0].dirX, 0.0f);
    EXPECT_FLOAT_BITS(profile[0].dirY, 25.0f);
    EXPECT_EQ(lastGeneratedRing, -1);
    EXPECT_EQ(polyStep, 1);
}

TEST_F(Generator, FirstRing) {
    generateRing(0, 1.0f);
    const ShapePoint &p0 = ringShapes[0][0];
    EXPECT_FLOAT_BITS(p0.shadeA, 0.0f); // 41·0.3/32768 − 0.15 is clamped
    EXPECT_FLOAT_BITS(p0.x, 0.0f);
    EXPECT_FLOAT_BITS(p0.y, 50.0f);
    EXPECT_FLOAT_BITS(p0.shadeB, 0.0190704353f);
    EXPECT_FLOAT_BITS(ringShapes[0][63].shadeA, 0.0665679947f);
    EXPECT_FLOAT_BITS(ringFrames[0].extent, 48.3358002f);
    EXPECT_FLOAT_BITS(profile[0].noiseB, 0.037224669f);
    EXPECT_FLOAT_BITS(profile[32].noiseB, 0.041872032f);
    EXPECT_FLOAT_BITS(driftA, 0.01f);
    EXPECT_FLOAT_BITS(driftB, 0.01f);
    EXPECT_FLOAT_BITS(ringFrames[0].angles.x, -0.151390314f);
    EXPECT_FLOAT_BITS(ringFrames[0].angles.y, 0.0f);
    EXPECT_FLOAT_BITS(ringFrames[0].angles.z, -0.151390314f);
}

TEST_F(Generator, ARingTakes128DrawsAndLeavesAnglesWAlone) {
    ringFrames[5].angles.w = 42.0f;
    generateRing(5, 1.0f);
    const uint32_t after = randomState;
    randomState = 1;
    for (int i = 0; i < 128; ++i)
        randomInt();
    EXPECT_EQ(after, randomState);
    EXPECT_EQ(ringFrames[5].angles.w, 42.0f);
}

TEST_F(Generator, SecondThirdAndTenthRings) {
    generateRing(0, 1.0f);
    generateRing(1, 1.0f);
    EXPECT_FLOAT_BITS(driftA, 0.02f);
    EXPECT_FLOAT_BITS(driftB, 0.02f);
    EXPECT_FLOAT_BITS(ringFrames[1].angles.x, -0.142309383f);
    EXPECT_FLOAT_BITS(ringFrames[1].angles.z, -0.142309383f);
    EXPECT_FLOAT_BITS(ringFrames[1].extent, 48.0871086f);

    generateRing(2, 1.0f);
    // Target B is within reach: driftB lands on it exactly; driftA still climbs by 0.01.
    EXPECT_FLOAT_BITS(profile[32].noiseB, 0.0198017824f);
    EXPECT_FLOAT_BITS(driftB, profile[32].noiseB);
    EXPECT_FLOAT_BITS(profile[0].noiseB, 0.0500251018f);
    EXPECT_FLOAT_BITS(driftA, static_cast<float>(0.02f + static_cast<double>(0.01f)));
    EXPECT_NEAR(driftA, 0.03f, 1e-8f);

    for (int slot = 3; slot < 10; ++slot)
        generateRing(slot, 1.0f);
    EXPECT_FLOAT_BITS(driftA, 0.0799999908f);
    EXPECT_FLOAT_BITS(driftB, 0.0898017734f);
}

TEST_F(Generator, SlotOnlyChoosesWhereTheRingIsStoredAndSizeOnlyScalesIt) {
    generateRing(0, 1.0f);
    ShapePoint unit[kRimPoints];
    std::memcpy(unit, ringShapes[0], sizeof unit);
    const RingFrame unitFrame = ringFrames[0];
    ProfilePoint unitProfile[kRimPoints];
    std::memcpy(unitProfile, profile, sizeof unitProfile);
    const float unitDriftA = driftA, unitDriftB = driftB;

    resetCore();
    generateRing(37, 0.75f);
    EXPECT_EQ(std::memcmp(profile, unitProfile, sizeof profile), 0);
    EXPECT_FLOAT_BITS(driftA, unitDriftA);
    EXPECT_FLOAT_BITS(driftB, unitDriftB);
    EXPECT_FLOAT_BITS(ringFrames[37].angles.x, unitFrame.angles.x);
    EXPECT_FLOAT_BITS(ringFrames[37].angles.z, unitFrame.angles.z);
    EXPECT_NEAR(ringFrames[37].extent, 0.75f * unitFrame.extent, 1e-5f);
    for (int k = 0; k < kRimPoints; ++k) {
        const ShapePoint &p = ringShapes[37][k];
        EXPECT_FLOAT_BITS(p.shadeA, unit[k].shadeA);
        EXPECT_FLOAT_BITS(p.shadeB, unit[k].shadeB);
        EXPECT_NEAR(p.x, 0.75f * unit[k].x, 1e-5f);
        EXPECT_NEAR(p.y, 0.75f * unit[k].y, 1e-5f);
    }
    // The ring in slot 0 was not touched.
    EXPECT_FLOAT_BITS(ringShapes[0][0].y, 0.0f);
}

TEST_F(Generator, CarriedStateStaysBoundedOverALongTunnel) {
    const float maxTurn = 16.0f * 3.14159274f / 2500.0f * 8.0f;
    for (int n = 0; n < 3000; ++n) {
        const int slot = n & 63;
        generateRing(slot, 1.0f);
        ASSERT_GE(driftA, 0.0f);
        ASSERT_LE(driftA, 0.9999f);
        ASSERT_GE(driftB, 0.0f);
        ASSERT_LE(driftB, 0.9999f);
        ASSERT_EQ(ringFrames[slot].angles.y, 0.0f);
        ASSERT_LE(std::fabs(ringFrames[slot].angles.x), maxTurn);
        ASSERT_LE(std::fabs(ringFrames[slot].angles.z), maxTurn);
        for (int k = 0; k < kRimPoints; ++k) {
            const ShapePoint &p = ringShapes[slot][k];
            ASSERT_TRUE(p.shadeA >= 0.0f && p.shadeA <= 1.0f) << "ring " << n << " point " << k;
            ASSERT_TRUE(p.shadeB >= 0.0f && p.shadeB <= 1.0f) << "ring " << n << " point " << k;
            ASSERT_TRUE(profile[k].noiseA >= 0.0f && profile[k].noiseA <= 0.9999f);
            ASSERT_TRUE(profile[k].noiseB >= 0.0f && profile[k].noiseB <= 0.9999f);
            const float radius = std::hypot(p.x, p.y);
            ASSERT_GE(radius, 25.0f * 0.9999f);
            ASSERT_LE(radius, 50.0f * 1.0001f);
        }
    }
}

} // namespace
