// Test support: puts the effect's global state back to that of a fresh process after set-up.
#pragma once

#include <cstdint>
#include <cstring>

// Bit pattern of a float, for comparisons to the bit.
inline uint32_t floatBits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// Random state 1, drift 0, zoom 2, flags off, all tables zero, then initProfile().
void resetCore();
