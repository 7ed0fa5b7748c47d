#pragma once

#include "SimdVector.h"

// tanh and atan over vectors of doubles, built from +, -, * and / only, with a relative error
// below 1e-11: far below the float rounding of the shaper they serve (6e-8), and below 1e-12 of
// full scale where "harm" scales them into the double-precision layer.
namespace simd
{
// x with the sign of `sign`; x must be non-negative or NaN.
TOLLOVANE_ALWAYS_INLINE Doubles withSignOf (Doubles x, Doubles sign)
{
    return (Doubles) ((Masks) x | ((Masks) sign & (Masks) broadcast (-0.0)));
}

// With 2|x| = n ln 2 + r, |r| <= ln 2 / 2, e^r = N / D with the [4/4] Padé approximant
// (N = E + r O, D = E - r O, relative error below 3e-12), and
//     tanh|x| = (2^n N - D) / (2^n N + D) = ((2^n - 1) E + (2^n + 1) r O) / ((2^n + 1) E + (2^n - 1) r O),
// which needs one division and has no cancellation near 0, where n = 0.
TOLLOVANE_ALWAYS_INLINE Doubles tanh (Doubles x)
{
    constexpr double saturation = 20.0; // tanh(20) is 1 to double precision
    constexpr double log2e = 1.4426950408889634074;
    constexpr double ln2High = 6.93145751953125e-1; // ln 2 split so that n * ln2High is exact
    constexpr double ln2Low = 1.42860682030941723212e-6;
    constexpr double roundingShift = 6755399441055744.0; // 1.5 * 2^52: adding it rounds to an integer
    constexpr long long shiftBits = 0x4338000000000000LL;

    const Doubles m = abs (x);
    const Doubles twice = 2.0 * (m < saturation ? m : broadcast (saturation));
    const Doubles shifted = twice * log2e + roundingShift;
    const Doubles n = shifted - roundingShift;
    const Doubles r = (twice - n * ln2High) - n * ln2Low;
    const Doubles powerOfTwo = (Doubles) (((Masks) shifted - shiftBits + 1023) << 52);

    const Doubles rr = r * r;
    const Doubles even = 1.0 + rr * (3.0 / 28.0 + rr * (1.0 / 1680.0));
    const Doubles odd = r * (0.5 + rr * (1.0 / 84.0));
    const Doubles result = ((powerOfTwo - 1.0) * even + (powerOfTwo + 1.0) * odd)
                           / ((powerOfTwo + 1.0) * even + (powerOfTwo - 1.0) * odd);

    // NaN fails the saturation test and would come out as +-1.
    return x == x ? withSignOf (result, x) : x;
}

// Cephes' reduction and rational approximation: |x| brought to at most 0.66 through
// atan(x) = pi/2 - atan(1/x) or pi/4 + atan((x-1)/(x+1)), then with z = x^2,
// atan(x) = x + x z P(z) / Q(z).
TOLLOVANE_ALWAYS_INLINE Doubles atan (Doubles x)
{
    constexpr double halfPi = 1.57079632679489661923;
    constexpr double quarterPi = 0.78539816339744830962;
    constexpr double tan3PiOver8 = 2.41421356237309504880;
    constexpr double moreBits = 6.123233995736765886130e-17; // pi/2 - halfPi

    const Doubles magnitude = abs (x);
    const auto large = magnitude > tan3PiOver8;
    const auto middle = magnitude > 0.66 && ! large;
    const Doubles reduced = (large ? broadcast (-1.0) : (middle ? magnitude - 1.0 : magnitude))
                            / (large ? magnitude : (middle ? magnitude + 1.0 : broadcast (1.0)));
    const Doubles offset = large ? broadcast (halfPi) : (middle ? broadcast (quarterPi) : Doubles {});
    const Doubles correction = large ? broadcast (moreBits) : (middle ? broadcast (0.5 * moreBits) : Doubles {});

    const Doubles z = reduced * reduced;
    const Doubles p = (((-8.750608600031904122785e-1 * z - 1.615753718733365076637e1) * z - 7.500855792314704667340e1) * z
                       - 1.228866684490136173410e2)
                          * z
                      - 6.485021904942025371773e1;
    const Doubles q = ((((z + 2.485846490142306297962e1) * z + 1.650270098316988542046e2) * z + 4.328810604912902668951e2) * z
                       + 4.853903996359136964868e2)
                          * z
                      + 1.945506571482613964425e2;
    const Doubles result = offset + ((reduced * (z * p / q) + reduced) + correction);

    // NaN stays NaN through the arithmetic above.
    return withSignOf (result, x);
}
} // namespace simd
