#pragma once

#include <cstddef>

// Counts heap allocations made on the current thread while a scope is open. The test binary
// replaces the global operator new, so anything that allocates through it is seen.
class AllocationCounter
{
public:
    AllocationCounter();
    ~AllocationCounter();

    std::size_t getCount() const;

private:
    std::size_t countAtStart;
};
