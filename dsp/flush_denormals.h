#pragma once
// Turns on flush-to-zero and denormals-are-zero for the current thread while
// the object lives. Recursive filters decaying towards silence otherwise
// produce denormal numbers, which are very slow on x86 and can make a
// real-time callback miss its deadline.

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

class ScopedFlushDenormals {
 public:
  ScopedFlushDenormals() {
#if defined(__SSE__) || defined(__x86_64__)
    saved_ = _mm_getcsr();
    _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
#endif
  }
  ~ScopedFlushDenormals() {
#if defined(__SSE__) || defined(__x86_64__)
    _mm_setcsr(saved_);
#endif
  }
  ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
  ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

 private:
  static constexpr unsigned int kFlushToZero = 0x8000;
  static constexpr unsigned int kDenormalsAreZero = 0x0040;
  unsigned int saved_ = 0;
};
