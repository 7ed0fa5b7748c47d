#include "SimdLevel.h"

namespace Simd
{
SimdLevel detect()
{
#if TOLLOVANE_X86_DISPATCH
    static const SimdLevel level = []
    {
        __builtin_cpu_init();
        if (__builtin_cpu_supports ("avx512f") && __builtin_cpu_supports ("avx512dq")
            && __builtin_cpu_supports ("avx512vl") && __builtin_cpu_supports ("avx512bw"))
            return SimdLevel::avx512;
        if (__builtin_cpu_supports ("avx2"))
            return SimdLevel::avx2;
        return SimdLevel::baseline;
    }();
    return level;
#else
    return SimdLevel::baseline;
#endif
}

std::vector<SimdLevel> available()
{
    std::vector<SimdLevel> levels { SimdLevel::baseline };
    if (detect() != SimdLevel::baseline)
        levels.push_back (SimdLevel::avx2);
    if (detect() == SimdLevel::avx512)
        levels.push_back (SimdLevel::avx512);
    return levels;
}

const char* name (SimdLevel level)
{
    switch (level)
    {
        case SimdLevel::avx512: return "AVX-512";
        case SimdLevel::avx2: return "AVX2";
        case SimdLevel::baseline: break;
    }
    return "baseline";
}
} // namespace Simd
