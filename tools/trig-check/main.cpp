// vorticel-trig-check: compares the geometry's sine and cosine with the C library's over the
// arguments the core can give them, as the core uses the results:
//   - every float angle in [FROM, TO) (and its negative, by symmetry of both), rounded to float
//     as Matrix3::fromAngles keeps them;
//   - the ring size factor (sin(n·π/10) + 4)/4 as a float, for every ring n in [-2^23, 2^23];
//   - the 64 profile directions 25·sin and 25·cos of k·π/32, as floats.
// Prints how many double results differ (the C library is not always correctly rounded) and
// how many of the values the core keeps differ; exit status 1 when any kept value differs.
//   vorticel-trig-check [FROM TO]      (default: 0 4)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "math/trig.h"

int main(int argc, char **argv) {
    const float from = argc > 2 ? std::strtof(argv[1], nullptr) : 0.0f;
    const float to = argc > 2 ? std::strtof(argv[2], nullptr) : 4.0f;
    if (!(from >= 0.0f) || !(to > from) || !std::isfinite(to)) {
        std::fprintf(stderr, "usage: vorticel-trig-check [FROM TO], 0 <= FROM < TO\n");
        return 2;
    }
    uint32_t first, last;
    std::memcpy(&first, &from, sizeof first);
    std::memcpy(&last, &to, sizeof last);

    uint64_t angles = 0, doubleDiffs = 0, keptDiffs = 0;
    for (uint32_t bits = first; bits < last; ++bits) {
        float f;
        std::memcpy(&f, &bits, sizeof f);
        const double x = f;
        const double s = sine(x), c = cosine(x), ls = std::sin(x), lc = std::cos(x);
        doubleDiffs += (s != ls) + (c != lc);
        const bool kept = static_cast<float>(s) == static_cast<float>(ls) &&
                          static_cast<float>(c) == static_cast<float>(lc);
        if (!kept && keptDiffs++ < 10)
            std::printf("angle %a: sine %a cosine %a, C library %a %a\n", x, s, c, ls, lc);
        ++angles;
    }
    std::printf("angles [%g, %g): %llu floats, %llu double results differ, %llu kept floats "
                "differ\n",
                from, to, static_cast<unsigned long long>(angles),
                static_cast<unsigned long long>(doubleDiffs),
                static_cast<unsigned long long>(keptDiffs));

    const double pi = 3.1415927410125732;
    uint64_t ringDiffs = 0, ringDoubleDiffs = 0;
    for (int32_t n = -(1 << 23); n <= (1 << 23); ++n) {
        const double s = sine(n * pi / 10.0), ls = std::sin(n * pi / 10.0);
        ringDoubleDiffs += s != ls;
        if (static_cast<float>((s + 4.0) / 4.0) != static_cast<float>((ls + 4.0) / 4.0) &&
            ringDiffs++ < 10)
            std::printf("ring %d: size factor differs\n", n);
    }
    std::printf("ring size factors: %d rings, %llu double results differ, %llu factors differ\n",
                (1 << 24) + 1, static_cast<unsigned long long>(ringDoubleDiffs),
                static_cast<unsigned long long>(ringDiffs));

    uint64_t profileDiffs = 0;
    const double step = 0.09817477f;
    for (int k = 0; k < 64; ++k) {
        const double a = k * step;
        profileDiffs +=
            static_cast<float>(25.0 * sine(a)) != static_cast<float>(25.0 * std::sin(a));
        profileDiffs +=
            static_cast<float>(25.0 * cosine(a)) != static_cast<float>(25.0 * std::cos(a));
    }
    std::printf("profile directions: 128 values, %llu differ\n",
                static_cast<unsigned long long>(profileDiffs));
    return keptDiffs + ringDiffs + profileDiffs == 0 ? 0 : 1;
}
