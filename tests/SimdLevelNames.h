#pragma once

#include "dsp/SimdLevel.h"

#include <algorithm>
#include <ostream>
#include <string>

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
