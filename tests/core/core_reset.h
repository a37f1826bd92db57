// Test support: bit comparisons, and the effect's globals as a fresh process has them.
#pragma once

#include <cstring>

#include "tunnel/generator.h"
#include "tunnel/reset.h"
#include "tunnel/state.h"

inline uint32_t floatBits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// Values quoted to nine significant digits name one float exactly.
#define EXPECT_FLOAT_BITS(actual, expected) EXPECT_EQ(floatBits(actual), floatBits(expected))

// The effect as a fresh process has it.
inline void resetCore() {
    resetEffectState();
}
