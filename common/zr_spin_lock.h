#pragma once
// ZRSpinLock: a lock for critical sections that are no more than a short
// copy, taken also by the audio thread. It never puts the caller to sleep in
// the kernel when uncontended or briefly contended: it spins first and only
// then yields the processor, so a holder that was preempted can finish.
// Not recursive. Meets BasicLockable, so std::lock_guard works with it.

#include <atomic>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

class ZRSpinLock {
 public:
  ZRSpinLock() = default;
  ZRSpinLock(const ZRSpinLock&) = delete;
  ZRSpinLock& operator=(const ZRSpinLock&) = delete;

  void lock() {
    int spins = 0;
    while (locked_.exchange(true, std::memory_order_acquire)) {
      // Wait on a plain load so the cache line is not bounced by writes.
      while (locked_.load(std::memory_order_relaxed)) {
        if (++spins < kSpinsBeforeYield) {
          pause();
        } else {
          std::this_thread::yield();
        }
      }
    }
  }

  void unlock() { locked_.store(false, std::memory_order_release); }

 private:
  static constexpr int kSpinsBeforeYield = 256;

  static void pause() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
  }

  std::atomic<bool> locked_{false};
};
