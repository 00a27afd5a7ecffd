#pragma once
// Wall-clock timing of the benchmarks that time their work and its reference in turns within one run.

#include <chrono>

namespace bench_timing {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace bench_timing
