#pragma once
// Shared by the drawing benchmarks: each one times its own iterations and reports them against the frame
// budget of the render thread (16.7 ms at 60 frames per second) and against a reference measured in the
// same run (copying the same number of bytes with memcpy), so the figures compare across machines.
//
// Counters: "ms" per iteration, "of_frame" the share of one 16.7 ms frame, "x_copy" how many times the
// reference copy it takes.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace orvel_bench {

constexpr double kFrameSeconds = 1.0 / 60.0;

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// The best of several copies of bytes from one buffer to another.
inline double referenceCopySeconds(size_t bytes) {
  std::vector<unsigned char> from(bytes, 1), to(bytes, 0);
  double best = 1e9;
  for (int i = 0; i < 20; ++i) {
    const auto start = Clock::now();
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
    best = std::min(best, seconds(Clock::now() - start));
  }
  return best;
}

inline void report(benchmark::State& state, double totalSeconds, double referenceSeconds) {
  const double each =
      totalSeconds / static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
  state.counters["ms"] = each * 1e3;
  state.counters["of_frame"] = each / kFrameSeconds;
  state.counters["x_copy"] = referenceSeconds > 0 ? each / referenceSeconds : 0;
}

}  // namespace orvel_bench
