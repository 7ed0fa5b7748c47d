#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    FuzzTargets::restoreState (data, size);
    return 0;
}
