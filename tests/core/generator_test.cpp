#include <gtest/gtest.h>

#include "core_reset.h"

namespace {

TEST(Generator, RandomSequenceAndProfileFromTheStartState) {
    resetCore();
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int32_t e : expected)
        EXPECT_EQ(randomInt(), e);
    // The draw is not rounded to float.
    randomState = 1;
    EXPECT_EQ(randomFloat(0.3f), 41 * static_cast<double>(0.3f) / 32768);
    // The circle steps by the float angle: point 32 is not quite on the axis.
    EXPECT_FLOAT_BITS(profile[8].dirX, 17.6776695f);
    EXPECT_FLOAT_BITS(profile[8].dirY, 17.6776695f);
    EXPECT_FLOAT_BITS(profile[32].dirX, -0.0000021855694f);
    EXPECT_FLOAT_BITS(profile[32].dirY, -25.0f);
}

TEST(Generator, FirstSecondThirdAndTenthRings) {
    resetCore();
    generateRing(0, 1.0f);
    const ShapePoint &p0 = ringShapes[0][0];
    EXPECT_FLOAT_BITS(p0.shadeA, 0.0f); // 41·0.3/32768 − 0.15 is clamped
    EXPECT_FLOAT_BITS(p0.y, 50.0f);
    EXPECT_FLOAT_BITS(p0.shadeB, 0.0190704353f);
    EXPECT_FLOAT_BITS(ringShapes[0][63].shadeA, 0.0665679947f);
    EXPECT_FLOAT_BITS(ringFrames[0].extent, 48.3358002f);
    EXPECT_FLOAT_BITS(profile[0].noiseB, 0.037224669f);
    EXPECT_FLOAT_BITS(profile[32].noiseB, 0.041872032f);
    EXPECT_FLOAT_BITS(driftA, 0.01f);
    EXPECT_FLOAT_BITS(driftB, 0.01f);
    EXPECT_FLOAT_BITS(ringFrames[0].angles.x, -0.151390314f);
    EXPECT_FLOAT_BITS(ringFrames[0].angles.z, -0.151390314f);

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

    for (int slot = 3; slot < 10; ++slot)
        generateRing(slot, 1.0f);
    EXPECT_FLOAT_BITS(driftA, 0.0799999908f);
    EXPECT_FLOAT_BITS(driftB, 0.0898017734f);
}

} // namespace
