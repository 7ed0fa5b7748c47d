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
} // namespace Simd
