#pragma once
// Time types shared by the sleeper and the task queues: wall-clock time
// points at microsecond resolution, as delayed tasks are scheduled.

#include <chrono>

using ZRSystemTimePoint = std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds>;

// The wall clock now, cut to whole microseconds.
inline ZRSystemTimePoint ZRSystemNow() {
  return std::chrono::time_point_cast<std::chrono::microseconds>(std::chrono::system_clock::now());
}
