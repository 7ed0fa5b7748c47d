#include "AllocationCounter.h"
#include "SanitizerSupport.h"

#include <cstdlib>
#include <new>

namespace
{
thread_local bool counting = false;
thread_local std::size_t allocations = 0;
} // namespace

#if ! TOLLOVANE_THREAD_SANITIZER
namespace
{
void* allocate (std::size_t size)
{
    if (counting)
        ++allocations;
    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* allocateAligned (std::size_t size, std::align_val_t alignment)
{
    if (counting)
        ++allocations;
    const auto align = static_cast<std::size_t> (alignment);
    if (void* p = std::aligned_alloc (align, (size + align - 1) / align * align))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new (std::size_t size) { return allocate (size); }
void* operator new[] (std::size_t size) { return allocate (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept { return std::malloc (size == 0 ? 1 : size); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { return std::malloc (size == 0 ? 1 : size); }
void* operator new (std::size_t size, std::align_val_t alignment) { return allocateAligned (size, alignment); }
void* operator new[] (std::size_t size, std::align_val_t alignment) { return allocateAligned (size, alignment); }
#if ! defined(__cpp_sized_deallocation)
// Clang leaves the sized forms out of <new> unless asked for them; GCC uses them.
void operator delete (void* p, std::size_t) noexcept;
void operator delete[] (void* p, std::size_t) noexcept;
void operator delete (void* p, std::size_t, std::align_val_t) noexcept;
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept;
#endif

void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }
#endif

AllocationCounter::AllocationCounter() : countAtStart (allocations)
{
    counting = true;
}

AllocationCounter::~AllocationCounter()
{
    counting = false;
}

bool AllocationCounter::isAvailable()
{
    return ! TOLLOVANE_THREAD_SANITIZER;
}

std::size_t AllocationCounter::getCount() const
{
    return allocations - countAtStart;
}
