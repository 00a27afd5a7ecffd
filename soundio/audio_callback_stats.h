#pragma once
// How long the device callbacks of one open output take: a histogram written by the device's thread and read
// by any other thread (meters, benchmarks, tests). Recording is a few relaxed atomic increments: no
// allocation, no lock, no system call.

#include <algorithm>
#include <atomic>
#include <cstdint>

class ZRAudioCallbackStats {
 public:
  // 10 µs buckets up to 40.95 ms; longer callbacks land in the last bucket (and in the maximum).
  static constexpr int kBuckets = 4096;
  static constexpr int64_t kBucketNanos = 10000;

  // Device thread: one callback that took nanos.
  void record(int64_t nanos) {
    int64_t bucket = nanos / kBucketNanos;
    if (bucket < 0) bucket = 0;
    if (bucket >= kBuckets) bucket = kBuckets - 1;
    buckets_[bucket].fetch_add(1, std::memory_order_relaxed);
    int64_t seen = max_.load(std::memory_order_relaxed);
    while (nanos > seen && !max_.compare_exchange_weak(seen, nanos, std::memory_order_relaxed)) {
    }
    count_.fetch_add(1, std::memory_order_relaxed);
  }

  uint64_t count() const { return count_.load(std::memory_order_relaxed); }
  int64_t maxNanos() const { return max_.load(std::memory_order_relaxed); }
  // The upper edge of the bucket holding the given fraction (0..1) of the callbacks (at most the maximum);
  // 0 before any.
  int64_t percentileNanos(double fraction) const {
    const uint64_t total = count();
    if (total == 0) return 0;
    const double wanted = fraction * static_cast<double>(total);
    uint64_t seen = 0;
    for (int b = 0; b < kBuckets; ++b) {
      seen += buckets_[b].load(std::memory_order_relaxed);
      if (static_cast<double>(seen) >= wanted) return std::min((b + 1) * kBucketNanos, maxNanos());
    }
    return maxNanos();
  }
  // Not while the device runs: a callback recording at the same time may survive the reset in part.
  void reset() {
    for (auto& b : buckets_) b.store(0, std::memory_order_relaxed);
    max_.store(0, std::memory_order_relaxed);
    count_.store(0, std::memory_order_relaxed);
  }

 private:
  std::atomic<uint64_t> buckets_[kBuckets] = {};
  std::atomic<int64_t> max_{0};
  std::atomic<uint64_t> count_{0};
};
