// Keyboard controls: each character changes exactly one effect variable, in single precision.
#include <gtest/gtest.h>

#include <limits>
#include <cstring>

#include "app/window.h"
#include "tunnel/state.h"

namespace {

struct Snapshot {
    int32_t stop, sinusoid, poly;
    float zoomValue, speedValue;
    bool operator==(const Snapshot &o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};

Snapshot take() {
    return {stopRequested, sinusoidSize, polyStep, zoom, speed};
}

class Keys : public ::testing::Test {
  protected:
    void SetUp() override {
        stopRequested = 0;
        sinusoidSize = 0;
        polyStep = 1;
        zoom = 2.0f;
        speed = 8000.0f;
    }
};

TEST_F(Keys, DigitsSetTheStrideDirectly) {
    const struct {
        char key;
        int32_t stride;
    } cases[] = {{'1', 8}, {'2', 4}, {'3', 2}, {'4', 1}, {'1', 8}, {'1', 8}};
    for (const auto &c : cases) {
        handleKey(static_cast<WPARAM>(c.key));
        EXPECT_EQ(polyStep, c.stride) << c.key;
    }
}

TEST_F(Keys, ZoomAndSpeedUseTheSinglePrecisionFactors) {
    handleKey('*');
    EXPECT_EQ(zoom, 2.0f * 1.1f);
    handleKey('/');
    EXPECT_EQ(zoom, (2.0f * 1.1f) / 1.1f);

    handleKey('+');
    EXPECT_EQ(speed, 8000.0f * 1.4141f);
    EXPECT_NE(speed, static_cast<float>(8000.0 * 1.41421356)); // 1.4141, not the root of two
    handleKey('-');
    EXPECT_EQ(speed, (8000.0f * 1.4141f) / 1.4141f);
}

TEST_F(Keys, SpeedBottomsOutAtTheSmallestPositiveFloat) {
    for (int i = 0; i < 400; ++i)
        handleKey('-');
    const float smallest = std::numeric_limits<float>::denorm_min();
    EXPECT_EQ(speed, smallest);
    handleKey('-');
    EXPECT_EQ(speed, smallest);
    handleKey('+');
    EXPECT_EQ(speed, smallest);
}

TEST_F(Keys, SpaceTogglesAndEscapeOnlySets) {
    handleKey(' ');
    EXPECT_EQ(sinusoidSize, 1);
    handleKey(' ');
    EXPECT_EQ(sinusoidSize, 0);
    handleKey(27);
    handleKey(27);
    EXPECT_EQ(stopRequested, 1);
}

TEST_F(Keys, OtherCharactersChangeNothing) {
    const Snapshot before = take();
    for (WPARAM c : {WPARAM(0), WPARAM(13), WPARAM(26), WPARAM(28), WPARAM(31), WPARAM(33),
                     WPARAM(44), WPARAM(46), WPARAM('0'), WPARAM('5'), WPARAM('9'), WPARAM('a'),
                     WPARAM('Z'), WPARAM(255), WPARAM(256 + '1'), WPARAM(0x1000 + 27)})
        handleKey(c);
    EXPECT_TRUE(take() == before);
}

} // namespace
