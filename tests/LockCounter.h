#pragma once

#include <cstddef>

// Counts mutex and read-write-lock acquisitions made on the current thread while a scope is open.
// The test binary interposes pthread's lock functions, which std::mutex and JUCE's
// CriticalSection and ReadWriteLock go through.
class LockCounter
{
public:
    LockCounter();
    ~LockCounter();

    std::size_t getCount() const;

private:
    std::size_t countAtStart;
};
