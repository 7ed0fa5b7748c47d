#pragma once

#include "SimdLevel.h"

#include <cstring>

// Portable vectors of eight doubles or eight floats (GCC/Clang vector extensions). Code written
// with them is lowered to SSE2, AVX2 or AVX-512 registers depending on the target of the function
// it is inlined into; that is how one loop body becomes every SimdLevel variant. The helpers keep
// the exact semantics of the scalar functions they stand for (std::min, std::max, juce::jlimit,
// std::abs), NaN included, so vector code can repeat scalar float arithmetic bit for bit.
//
// The helpers are always inlined into the variants and vectors never cross a translation unit, so
// the compiler's note about the ABI of wide vector arguments does not apply (see CMakeLists.txt).
#if defined(__GNUC__)
 #define TOLLOVANE_ALWAYS_INLINE inline __attribute__ ((always_inline))
#else
 #define TOLLOVANE_ALWAYS_INLINE inline
#endif

namespace simd
{
constexpr int lanes = 8;

using Doubles = double __attribute__ ((vector_size (lanes * sizeof (double))));
using Masks = long long __attribute__ ((vector_size (lanes * sizeof (long long))));
using Floats = float __attribute__ ((vector_size (lanes * sizeof (float))));
using FloatMasks = int __attribute__ ((vector_size (lanes * sizeof (int))));

TOLLOVANE_ALWAYS_INLINE Doubles load (const double* source)
{
    Doubles v;
    std::memcpy (&v, source, sizeof v);
    return v;
}

TOLLOVANE_ALWAYS_INLINE Floats load (const float* source)
{
    Floats v;
    std::memcpy (&v, source, sizeof v);
    return v;
}

TOLLOVANE_ALWAYS_INLINE void store (double* destination, Doubles v)
{
    std::memcpy (destination, &v, sizeof v);
}

TOLLOVANE_ALWAYS_INLINE void store (float* destination, Floats v)
{
    std::memcpy (destination, &v, sizeof v);
}

TOLLOVANE_ALWAYS_INLINE Doubles broadcast (double x)
{
    return x - Doubles {}; // not 0 + x, which would turn -0 into +0
}

TOLLOVANE_ALWAYS_INLINE Floats broadcast (float x)
{
    return x - Floats {};
}

TOLLOVANE_ALWAYS_INLINE Doubles toDoubles (Floats x)
{
    return __builtin_convertvector (x, Doubles);
}

TOLLOVANE_ALWAYS_INLINE Floats toFloats (Doubles x)
{
    return __builtin_convertvector (x, Floats);
}

TOLLOVANE_ALWAYS_INLINE Doubles abs (Doubles x)
{
    constexpr long long allButSign = 0x7fffffffffffffffLL;
    return (Doubles) ((Masks) x & allButSign);
}

TOLLOVANE_ALWAYS_INLINE Floats abs (Floats x)
{
    constexpr int allButSign = 0x7fffffff;
    return (Floats) ((FloatMasks) x & allButSign);
}

// std::max (a, b): a unless a < b.
TOLLOVANE_ALWAYS_INLINE Doubles max (Doubles a, Doubles b)
{
    return a < b ? b : a;
}

TOLLOVANE_ALWAYS_INLINE Floats max (Floats a, Floats b)
{
    return a < b ? b : a;
}

// std::min (a, b): a unless b < a.
TOLLOVANE_ALWAYS_INLINE Floats min (Floats a, Floats b)
{
    return b < a ? b : a;
}

// juce::jlimit (low, high, x).
TOLLOVANE_ALWAYS_INLINE Floats limit (float low, float high, Floats x)
{
    return x < low ? broadcast (low) : (high < x ? broadcast (high) : x);
}

TOLLOVANE_ALWAYS_INLINE double largest (Doubles x)
{
    double result = x[0];
    for (int i = 1; i < lanes; ++i)
        result = x[i] > result ? x[i] : result;
    return result;
}
} // namespace simd
