// Test support: the bits of a float or double, a hash of them; a fresh process's state.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "tunnel/reset.h"
#include "tunnel/state.h"

template <class Float> auto bitsOf(Float f) {
    std::conditional_t<sizeof f == 8, uint64_t, uint32_t> b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// FNV-1a over words, low byte first.
struct Fnv {
    uint64_t hash = 14695981039346656037ull;
    void add(uint64_t word, int bytes = 4) {
        for (int b = 0; b < 8 * bytes; b += 8)
            hash = (hash ^ ((word >> b) & 255)) * 1099511628211ull;
    }
};
