#include "common/zr_time_counter.h"

#include <cmath>

#include "platform/thread_platform.h"

// The platform clock counts microseconds: 1000 nanoseconds per unit.
ZRHighPrecisionTimeCounter::ZRHighPrecisionTimeCounter()
    : timebaseNumerator_(1000),
      timebaseDenominator_(1),
      unitsToMilliseconds_(timebaseNumerator_ * 1e-6 / timebaseDenominator_) {}

int64_t ZRHighPrecisionTimeCounter::takeNewMeasurement() {
  const int64_t now = static_cast<int64_t>(
      std::llround(static_cast<double>(platformMonotonicMicros()) * unitsToMilliseconds_));
  if (count == 0) {
    first = previous = last = now;
  } else if (count == 1) {
    last = now;
  } else {
    previous = last;
    last = now;
  }
  ++count;
  return now;
}
