// Keyboard controls: each character changes exactly one effect variable, in single precision.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "shell/keys.h"
#include "tunnel/state.h"

namespace {

struct Snapshot {
    int32_t stop, sinusoid, poly;
    float zoomValue, speedValue;
};

Snapshot take() {
    return {stopRequested, sinusoidSize, polyStep, zoom, speed};
}

void press(const char *keys) {
    for (; *keys; ++keys)
        handleKey(static_cast<unsigned char>(*keys));
}

TEST(Keys, EachKeyChangesItsVariableInSinglePrecision) {
    stopRequested = sinusoidSize = 0;
    polyStep = 1;
    zoom = 2.0f;
    speed = 8000.0f;
    const Snapshot before = take();
    // Other characters change nothing, wide ones that match a key in their low byte included.
    const int others[] = {0,   13,  26,  28,  31,  33,  44,        46,
                          '0', '5', '9', 'a', 'Z', 255, 256 + '1', 0x1000 + 27};
    for (int c : others)
        handleKey(static_cast<uintptr_t>(c));
    const Snapshot after = take();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);

    const struct {
        const char *keys;
        int32_t stride;
    } digits[] = {{"1", 8}, {"2", 4}, {"3", 2}, {"4", 1}, {"41", 8}, {"11", 8}};
    for (const auto &c : digits) {
        press(c.keys);
        EXPECT_EQ(polyStep, c.stride) << c.keys;
    }

    // 1.1 and 1.4141 (not the root of two), as floats.
    press("*");
    EXPECT_EQ(zoom, 2.0f * 1.1f);
    press("/");
    EXPECT_EQ(zoom, (2.0f * 1.1f) / 1.1f);
    press("+");
    EXPECT_EQ(speed, 8000.0f * 1.4141f);
    EXPECT_NE(speed, static_cast<float>(8000.0 * 1.41421356));
    press("-");
    EXPECT_EQ(speed, (8000.0f * 1.4141f) / 1.4141f);

    // Speed bottoms out at the smallest positive float, where '+' no longer lifts it.
    press(std::string(400, '-').c_str());
    EXPECT_EQ(speed, std::numeric_limits<float>::denorm_min());
    press("-+");
    EXPECT_EQ(speed, std::numeric_limits<float>::denorm_min());

    press(" ");
    EXPECT_EQ(sinusoidSize, 1);
    press(" ");
    EXPECT_EQ(sinusoidSize, 0);
    press("\x1b\x1b"); // ESC only sets the stop
    EXPECT_EQ(stopRequested, 1);
}

} // namespace
