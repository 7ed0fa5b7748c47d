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

    // False in a build whose sanitizer supplies operator new itself.
    static bool isAvailable();

private:
    std::size_t countAtStart;
};
