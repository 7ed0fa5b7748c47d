#include "LockCounter.h"
#include "SanitizerSupport.h"

#include <dlfcn.h>
#include <pthread.h>

namespace
{
thread_local bool counting = false;
thread_local std::size_t acquisitions = 0;
} // namespace

#if ! TOLLOVANE_THREAD_SANITIZER
namespace
{
// The C library's own function of that name, found behind the one this binary interposes.
template <typename Function>
Function next (const char* name)
{
    return reinterpret_cast<Function> (dlsym (RTLD_NEXT, name));
}


void noteAcquisition()
{
    if (counting)
        ++acquisitions;
}
} // namespace

extern "C" int pthread_mutex_lock (pthread_mutex_t* mutex)
{
    static const auto real = next<int (*) (pthread_mutex_t*)> ("pthread_mutex_lock");
    noteAcquisition();
    return real (mutex);
}

extern "C" int pthread_mutex_trylock (pthread_mutex_t* mutex)
{
    static const auto real = next<int (*) (pthread_mutex_t*)> ("pthread_mutex_trylock");
    noteAcquisition();
    return real (mutex);
}

extern "C" int pthread_rwlock_rdlock (pthread_rwlock_t* lock)
{
    static const auto real = next<int (*) (pthread_rwlock_t*)> ("pthread_rwlock_rdlock");
    noteAcquisition();
    return real (lock);
}

extern "C" int pthread_rwlock_wrlock (pthread_rwlock_t* lock)
{
    static const auto real = next<int (*) (pthread_rwlock_t*)> ("pthread_rwlock_wrlock");
    noteAcquisition();
    return real (lock);
}
#endif

LockCounter::LockCounter() : countAtStart (acquisitions)
{
    counting = true;
}

LockCounter::~LockCounter()
{
    counting = false;
}

std::size_t LockCounter::getCount() const
{
    return acquisitions - countAtStart;
}
