#pragma once

// The instruction sets the hot loops are compiled for. Each of those loops is built once per level
// from the same source (see SimdVector.h) and picked at run time, so one binary runs on any x86-64
// CPU and uses AVX2 or AVX-512 where present. The levels share one arithmetic (no fused
// multiply-add, no approximate reciprocals), so their results are bit-for-bit identical.
enum class SimdLevel
{
    baseline, // SSE2 on x86-64; the compiler's default elsewhere
    avx2,
    avx512
};

namespace Simd
{
// The fastest level this CPU runs.
SimdLevel detect();
} // namespace Simd

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
 #define TOLLOVANE_X86_DISPATCH 1
 #define TOLLOVANE_TARGET_AVX2 __attribute__ ((target ("avx2")))
 #define TOLLOVANE_TARGET_AVX512 __attribute__ ((target ("avx512f,avx512dq,avx512vl,avx512bw")))
#else
 #define TOLLOVANE_X86_DISPATCH 0
 #define TOLLOVANE_TARGET_AVX2
 #define TOLLOVANE_TARGET_AVX512
#endif
