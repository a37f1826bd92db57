// Sine and cosine in double precision, the same to the bit on every platform.
//
// The C library's sin and cos differ between platforms: glibc rounds correctly in all but rare
// cases, while mingw-w64's 32-bit library runs the x87 unit, and msvcrt has its own
// polynomials. The geometry calls these instead, so every build makes the same tunnel.
// They use only IEEE double additions, multiplications and divisions (no fused multiply-add,
// no extended precision), so they round the same wherever the compiler keeps to that.
#pragma once

// sin(x), correctly rounded to the nearest double except where the exact value lies within
// about 2^-100 (relative) of a rounding midpoint. Odd: sine(-x) == -sine(x), zeros keep their
// sign. A NaN comes back quiet; an infinity gives a NaN.
double sine(double x);

// cos(x), rounded the same way; even. A NaN comes back quiet; an infinity gives a NaN.
double cosine(double x);
