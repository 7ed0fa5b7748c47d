#pragma once

// ThreadSanitizer brings its own operator new and its own lock functions, and must see every lock,
// so under it the test binary replaces neither and the allocation and lock counters count nothing.
#if defined(__SANITIZE_THREAD__)
 #define TOLLOVANE_THREAD_SANITIZER 1
#elif defined(__has_feature)
 #if __has_feature(thread_sanitizer)
  #define TOLLOVANE_THREAD_SANITIZER 1
 #endif
#endif

#ifndef TOLLOVANE_THREAD_SANITIZER
 #define TOLLOVANE_THREAD_SANITIZER 0
#endif
