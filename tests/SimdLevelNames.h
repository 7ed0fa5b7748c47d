#pragma once

#include "dsp/SimdLevel.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace Simd
{
// Every level this CPU runs, baseline first: the rows of the tests that hold the levels alike.
inline std::vector<SimdLevel> available()
{
    std::vector<SimdLevel> levels { SimdLevel::baseline };
    if (detect() != SimdLevel::baseline)
        levels.push_back (SimdLevel::avx2);
    if (detect() == SimdLevel::avx512)
        levels.push_back (SimdLevel::avx512);
    return levels;
}

inline const char* name (SimdLevel level)
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

// How SimdLevel rows read in test names and failure messages.
inline void PrintTo (SimdLevel level, std::ostream* os)
{
    *os << Simd::name (level);
}

// "AVX-512" as a test-name part: letters and digits only.
inline std::string testNamePart (SimdLevel level)
{
    std::string name = Simd::name (level);
    name.erase (std::remove (name.begin(), name.end(), '-'), name.end());
    return name;
}
