#pragma once
// ZRHighPrecisionTimeCounter: a millisecond stopwatch on the monotonic clock.
// Users read last - first (elapsed) or last - previous (one step); the owner
// starts over by setting count to 0. One thread per stopwatch.

#include <cstdint>

class ZRHighPrecisionTimeCounter {
 public:
  ZRHighPrecisionTimeCounter();

  // The monotonic clock now in milliseconds, rounded to the nearest. The
  // first call (count 0) sets first, previous and last to it; the second sets
  // last only; every later call moves last to previous and sets last.
  int64_t takeNewMeasurement();

  int count = 0;
  int64_t first = 0;
  int64_t previous = 0;
  int64_t last = 0;

 private:
  // The clock's units as a fraction of a nanosecond (numerator / denominator)
  // and the factor from clock units to milliseconds.
  uint32_t timebaseNumerator_;
  uint32_t timebaseDenominator_;
  double unitsToMilliseconds_;
};
