#pragma once
// An interruptible sleep. Worker threads wait here between runs so that
// another thread can end the wait early with kill().
//
// Every wait clears the killed flag when it starts: a kill() that arrives
// while nobody waits is forgotten, and only a wait in progress is ended.

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "common/zr_clock.h"

class ZRSleepKiller {
 public:
  ZRSleepKiller() = default;
  ZRSleepKiller(const ZRSleepKiller&) = delete;
  ZRSleepKiller& operator=(const ZRSleepKiller&) = delete;

  // Sleeps until the duration has passed on the monotonic clock or kill() is
  // called. True when the full time passed, false when killed.
  bool wait_for(std::chrono::microseconds duration) {
    return wait_for(duration, [] { return false; });
  }

  // The same up to a wall-clock time point.
  bool wait_until(ZRSystemTimePoint at) {
    return wait_until(at, [] { return false; });
  }

  // The same waits, also ended (false) when `cancelled()` is true at the start
  // or when kill() finds it true. The owner sets its flag before calling
  // kill(); because the flag is read under the sleeper's mutex, a stop request
  // that races the start of a wait is never lost.
  template <class Cancelled>
  bool wait_for(std::chrono::microseconds duration, Cancelled cancelled) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    std::unique_lock<std::mutex> lock(mutex_);
    killed_ = false;
    return !cv_.wait_until(lock, deadline, [&] { return killed_ || cancelled(); });
  }

  template <class Cancelled>
  bool wait_until(ZRSystemTimePoint at, Cancelled cancelled) {
    std::unique_lock<std::mutex> lock(mutex_);
    killed_ = false;
    return !cv_.wait_until(lock, at, [&] { return killed_ || cancelled(); });
  }

  // Ends every wait in progress.
  void kill() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      killed_ = true;
    }
    cv_.notify_all();
  }

 private:
  std::condition_variable cv_;
  std::mutex mutex_;
  bool killed_ = false;  // guarded by mutex_
};
