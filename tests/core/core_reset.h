// Test support: bit comparisons, and the effect's globals as a fresh process has them.
#pragma once

#include <cstring>

#include "tunnel/generator.h"
#include "tunnel/state.h"

inline uint32_t floatBits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// Values quoted to nine significant digits name one float exactly.
#define EXPECT_FLOAT_BITS(actual, expected) EXPECT_EQ(floatBits(actual), floatBits(expected))

// Random state 1, drift 0, zoom 2, flags off, all tables zero, then initProfile().
inline void resetCore() {
    randomState = 1;
    zoom = 2.0f;
    driftA = driftB = 0.0f;
    sinusoidSize = stopRequested = visibleRings = frameCount = 0;
    std::memset(profile, 0, sizeof profile);
    std::memset(ringShapes, 0, sizeof ringShapes);
    std::memset(static_cast<void *>(ringFrames), 0, sizeof ringFrames);
    std::memset(ringDepth, 0, sizeof ringDepth);
    std::memset(ringVertices, 0, sizeof ringVertices);
    initProfile();
}
