#include "math/trig.h"

#include <cfloat>
#include <cstdint>
#include <cstring>

// The error-free sums and products below hold only when every double operation rounds to
// double: not on the x87 unit (a 32-bit x86 build needs -msse2 -mfpmath=sse).
#if FLT_EVAL_METHOD != 0
#error "sine and cosine need double operations rounded to double (FLT_EVAL_METHOD 0)"
#endif

namespace {

// Double-double arithmetic: a value is hi + lo with |lo| at most half an ulp of hi. Every
// helper is built from error-free transformations in plain double arithmetic.
struct Dd {
    double hi, lo;
};

// a + b = s + e exactly, any order of magnitude.
Dd twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    const double e = (a - (s - bb)) + (b - bb);
    return {s, e};
}

// a + b = s + e exactly, for |a| >= |b| (or a == 0).
Dd quickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a·b = p + e exactly (Dekker's product with Veltkamp's split; no fused multiply-add).
Dd twoProduct(double a, double b) {
    const double splitter = 134217729.0; // 2^27 + 1
    const double ca = splitter * a, cb = splitter * b;
    const double ah = ca - (ca - a), al = a - ah;
    const double bh = cb - (cb - b), bl = b - bh;
    const double p = a * b;
    const double e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    return {p, e};
}

Dd add(Dd a, Dd b) {
    Dd s = twoSum(a.hi, b.hi);
    const Dd t = twoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = quickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickTwoSum(s.hi, s.lo);
}

Dd add(Dd a, double b) {
    Dd s = twoSum(a.hi, b);
    s.lo += a.lo;
    return quickTwoSum(s.hi, s.lo);
}

Dd multiply(Dd a, Dd b) {
    Dd p = twoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quickTwoSum(p.hi, p.lo);
}

Dd divide(Dd a, double b) {
    const double q1 = a.hi / b;
    const Dd p = twoProduct(q1, b);
    const Dd r = add(add(a, -p.hi), -p.lo);
    const double q2 = r.hi / b;
    return quickTwoSum(q1, q2);
}

// Taylor coefficients of sin(r)/r and cos(r) in r², alternating in sign: (-1)^k/(2k+1)! and
// (-1)^k/(2k)!. Sixteen terms reach below 2^-115 of the sum for |r| <= π/4 + 2^-20.
constexpr int kTerms = 16;
struct Series {
    Dd sine[kTerms];
    Dd cosine[kTerms];
    Series() {
        Dd reciprocal{1.0, 0.0}; // 1/n!
        for (int n = 0; n < 2 * kTerms; ++n) {
            if (n > 0)
                reciprocal = divide(reciprocal, n);
            const Dd term = (n / 2) % 2 ? Dd{-reciprocal.hi, -reciprocal.lo} : reciprocal;
            if (n % 2)
                sine[n / 2] = term;
            else
                cosine[n / 2] = term;
        }
    }
};

const Series &series() {
    static const Series s;
    return s;
}

Dd horner(const Dd (&c)[kTerms], Dd z) {
    Dd p = c[kTerms - 1];
    for (int k = kTerms - 2; k >= 0; --k)
        p = add(multiply(p, z), c[k]);
    return p;
}

// π/2 as a double-double, and split into 30-bit pieces: with a multiplier below 2^22 every
// product of a piece is exact. The pieces sum to π/2 within 2^-209.
const Dd kHalfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};
const double kHalfPiPieces[] = {
    0x1.921fb54p+0,    0x1.10b46118p-30, 0x1.313198ap-61,  0x1.701b838p-92,
    0x1.a2520498p-120, 0x1.044533ep-150, 0x1.8e80417p-180,
};

// 2/π in binary: the fraction's bits, 32 to a word, from 2^-1 down to 2^-1280.
const uint32_t kTwoOverPi[] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561,
    0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C, 0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484,
    0xE99C7026, 0xB45F7E41, 0x3991D639, 0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F,
    0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B,
    0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08, 0x56033046, 0xFC7B6BAB, 0xF0CFBC20, 0x9AF4361D,
};

// Arguments up to here take the short reduction: the quarter-turn count stays below 2^21.
const double kShortReductionLimit = 1.5e6;

struct Reduced {
    Dd r;         // the argument less quadrant·π/2, |r| <= π/4 + a little
    int quadrant; // the count of quarter turns, modulo 4
};

// x − n·π/2 for 0 <= x < kShortReductionLimit, n the nearest integer to x·2/π: each piece's
// product is exact and each subtraction error-free but for the low word's rounding.
Reduced reduceShort(double x) {
    const double shifter = 6755399441055744.0; // 1.5·2^52: adding it rounds to an integer
    const double n = (x * 0.63661977236758138 + shifter) - shifter;
    Dd r{x, 0.0};
    for (double piece : kHalfPiPieces)
        r = add(r, -(n * piece));
    return {r, static_cast<int32_t>(n) & 3};
}

// The same for any finite x >= kShortReductionLimit, with 2/π's bits as a wide integer
// (Payne and Hanek's method): x = m·2^e, and only the bits of 2/π that can reach the two
// integer bits and the first 190 fraction bits of x·2/π take part.
Reduced reduceLong(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int e = static_cast<int>((bits >> 52) & 0x7ff) - 1075;
    const uint64_t m = (bits & 0xfffffffffffffULL) | (1ULL << 52);

    // Word i of 2/π weighs 2^-32(i+1); times m·2^e it only adds multiples of 4 while
    // e − 32(i+1) >= 2, so those words are left out.
    const int first = e >= 34 ? (e - 34) / 32 + 1 : 0;
    constexpr int kWords = 8;
    // product = m · (words first .. first+7 as one integer), least significant word first.
    uint32_t product[kWords + 2] = {};
    const uint32_t mw[2] = {static_cast<uint32_t>(m), static_cast<uint32_t>(m >> 32)};
    for (int i = 0; i < kWords; ++i) {
        const uint64_t w = kTwoOverPi[first + kWords - 1 - i];
        uint64_t carry = 0;
        for (int j = 0; j < 2; ++j) {
            const uint64_t t = w * mw[j] + product[i + j] + carry;
            product[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        for (int k = i + 2; carry && k < kWords + 2; ++k) {
            const uint64_t t = uint64_t(product[k]) + carry;
            product[k] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
    }
    // The product's bit b weighs 2^(b − shift).
    const int shift = 32 * (first + kWords) - e;
    auto bit = [&](int b) -> uint32_t { return (product[b >> 5] >> (b & 31)) & 1; };
    int quadrant = static_cast<int>(bit(shift) | (bit(shift + 1) << 1));
    // The first 128 fraction bits, most significant word first.
    uint32_t fraction[4];
    for (int w = 0; w < 4; ++w) {
        uint32_t v = 0;
        for (int b = 0; b < 32; ++b)
            v = (v << 1) | bit(shift - 1 - 32 * w - b);
        fraction[w] = v;
    }
    // At or past a half the nearer quarter turn is the next one: r = (fraction − 1)·π/2.
    bool negative = false;
    if (fraction[0] & 0x80000000u) {
        negative = true;
        ++quadrant;
        uint64_t borrow = 1; // 2^128 − fraction, as ~fraction + 1
        for (int w = 3; w >= 0; --w) {
            const uint64_t t = uint64_t(~fraction[w]) + borrow;
            fraction[w] = static_cast<uint32_t>(t);
            borrow = t >> 32;
        }
    }
    Dd f{0.0, 0.0};
    double weight = 0x1p-32;
    for (uint32_t w : fraction) {
        f = add(f, w * weight);
        weight *= 0x1p-32;
    }
    Dd r = multiply(f, kHalfPi);
    if (negative)
        r = {-r.hi, -r.lo};
    return {r, quadrant & 3};
}

Reduced reduce(double ax) {
    if (ax <= 0.78539816339744828) // π/4, rounded down
        return {{ax, 0.0}, 0};
    return ax < kShortReductionLimit ? reduceShort(ax) : reduceLong(ax);
}

double sinOfReduced(Dd r) {
    const Dd z = multiply(r, r);
    const Dd s = multiply(r, horner(series().sine, z));
    return s.hi + s.lo;
}

double cosOfReduced(Dd r) {
    const Dd c = horner(series().cosine, multiply(r, r));
    return c.hi + c.lo;
}

bool isFiniteDouble(double x) {
    return x - x == 0.0;
}

} // namespace

double sine(double x) {
    if (!isFiniteDouble(x))
        return x - x;
    const double ax = x < 0 ? -x : x;
    if (ax < 0x1p-27) // sin x = x·(1 − x²/6 + …) rounds to x itself
        return x;
    const Reduced red = reduce(ax);
    double s;
    switch (red.quadrant) {
    case 0:
        s = sinOfReduced(red.r);
        break;
    case 1:
        s = cosOfReduced(red.r);
        break;
    case 2:
        s = -sinOfReduced(red.r);
        break;
    default:
        s = -cosOfReduced(red.r);
        break;
    }
    return x < 0 ? -s : s;
}

double cosine(double x) {
    if (!isFiniteDouble(x))
        return x - x;
    const double ax = x < 0 ? -x : x;
    if (ax < 0x1p-27) // cos x = 1 − x²/2 + … rounds to 1
        return 1.0;
    const Reduced red = reduce(ax);
    switch (red.quadrant) {
    case 0:
        return cosOfReduced(red.r);
    case 1:
        return -sinOfReduced(red.r);
    case 2:
        return -cosOfReduced(red.r);
    default:
        return sinOfReduced(red.r);
    }
}
