// sine and cosine: correct rounding where the exact value is known (against the C library
// where that misrounds), large arguments, special values, and the same bits on every build.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "math/trig.h"

namespace {

uint64_t bitsOf(double d) {
    uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

#define EXPECT_DOUBLE_BITS(a, b) EXPECT_EQ(bitsOf(a), bitsOf(b)) << (a) << " vs " << (b)

// Exact values rounded to the nearest double, from a rational-arithmetic reference (π to 2400
// bits, the series summed exactly).
TEST(Trig, CorrectlyRoundedOverEveryReductionAndNearZero) {
    const struct {
        double x, sin, cos;
    } cases[] = {
        // Near rounding midpoints, where glibc is off by one ulp (in sin, then in cos).
        {0x1.d33a9p-6, 0x1.d32a59e342c9fp-6, 0x1.ffcab50147d7ap-1},
        {0x1.dd06e8p-10, 0x1.dd06d6bf19a3cp-10, 0x1.ffffc871d5353p-1},
        // π/2 as a double: its cosine is the rest of π/2.
        {0x1.921fb54442d18p+0, 1.0, 0x1.1a62633145c07p-54},
        // Short reduction, with close approaches to multiples of π (355/113, 103993/33102),
        // up to its limit.
        {355.0, -0x1.f9bd0307d1de3p-16, -0x1.fffffffc18e4cp-1},
        {103993.0, -0x1.40efdf1eb8de7p-16, 0x1.fffffffe6da77p-1},
        {1000.0, 0x1.a75cc150a206bp-1, 0x1.1ff026793f1bbp-1},
        {1e5, 0x1.24daa9c527e96p-5, -0x1.ffac3841b3da7p-1},
        {1499999.875, 0x1.3a75c720564f2p-1, -0x1.940d9478992ddp-1},
        // The long reduction from its start, then a close approach to a multiple of π.
        {0x1.6e36p+20, 0x1.05a19f9bf8b6cp-1, -0x1.b81b10301dab6p-1},
        {0x1.7f7ec53a8d491p+21, -0x1.eacd7c60e9693p-33, 1.0},
        {0x1.92d5p+21, 0x1.d9640caa1b2b3p-1, -0x1.861a6d832700bp-2},
        {0x1p+60, -0x1.a94adab06665cp-1, -0x1.1d146047d6947p-1},
        {1e22, -0x1.b453ab76bf397p-1, 0x1.0be2cef01c8f4p-1},
        {0x1.fffffep127, -0x1.0b33665089575p-1, 0x1.b4bf2c79bdfcep-1},
        {0x1.7e43c8800759cp+996, -0x1.a2c16b010e385p-1, -0x1.2699022adc4c1p-1},
        {0x1.fffffffffffffp+1023, 0x1.452fc98b34e97p-8, -0x1.fffe62ecfab75p-1},
        // Zero, the smallest denormal, the last argument of the shortcut, and the first past
        // it: cos 2^-26 = 1 − 2^-53 + a little, nearer the double below 1.
        {0.0, 0.0, 1.0},
        {std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::denorm_min(), 1.0},
        {0x1.fffffp-28, 0x1.fffffp-28, 1.0},
        {0x1p-26, 0x1p-26, 0x1.fffffffffffffp-1},
    };
    for (const auto &c : cases) {
        EXPECT_DOUBLE_BITS(sine(c.x), c.sin);
        EXPECT_DOUBLE_BITS(cosine(c.x), c.cos);
        EXPECT_DOUBLE_BITS(sine(-c.x), -c.sin);
        EXPECT_DOUBLE_BITS(cosine(-c.x), c.cos);
    }
}

TEST(Trig, ValuesThatAreNotNumbersOrInfiniteGiveNotANumber) {
    for (double x : {HUGE_VAL, -HUGE_VAL, std::nan("")})
        EXPECT_TRUE(std::isnan(sine(x)) && std::isnan(cosine(x))) << x;
}

#if defined(__GLIBC__)
// glibc is correctly rounded in all but rare cases: a fault in the reduction or the series
// shows as a difference of more than one ulp somewhere over many magnitudes.
TEST(Trig, WithinOneUlpOfGlibcOverEveryMagnitude) {
    int exact = 0, total = 0;
    for (int e = -30; e <= 1023; e += 1) {
        for (int i = 0; i < 100; ++i) {
            const double x = std::ldexp(1.0 + i / 100.0 + e * 1e-7, e);
            for (double v : {x, -x}) {
                const double pairs[2][2] = {{sine(v), std::sin(v)}, {cosine(v), std::cos(v)}};
                for (const auto &p : pairs) {
                    const int64_t ulps = static_cast<int64_t>(bitsOf(p[0]) - bitsOf(p[1]));
                    EXPECT_LE(ulps < 0 ? -ulps : ulps, 1) << v;
                    exact += ulps == 0;
                    ++total;
                }
            }
        }
    }
    EXPECT_GT(exact, total - total / 100); // differences are the rare misrounded cases
}
#endif

// FNV-1a over the results for a spread of float angles in the core's range and beyond,
// negative ones and large ones: the value below was printed by the Linux x86-64 build, and
// the Windows and ARM64 builds run this same test.
TEST(Trig, SameBitsOnEveryBuild) {
    uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](double d) {
        const uint64_t u = bitsOf(d);
        for (int b = 0; b < 64; b += 8) {
            hash ^= (u >> b) & 0xff;
            hash *= 1099511628211ull;
        }
    };
    for (uint32_t bits = 0x30000000; bits < 0x40800000; bits += 16411) {
        float f;
        std::memcpy(&f, &bits, sizeof f);
        for (double x : {double(f), -double(f), double(f) * 1048576.0, double(f) * 0x1p70}) {
            mix(sine(x));
            mix(cosine(x));
        }
    }
    EXPECT_EQ(hash, 8146724929031261950ull);
}

} // namespace
