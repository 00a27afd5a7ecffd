#pragma once
// Plain versions of the filters, written as the formulas read, that the
// filter tests and benchmarks compare the real ones with.

#include "dsp/iir_filters.h"

namespace filter_reference {

// The cookbook recursion divided by a0, one channel of interleaved stereo.
struct PlainBiquad {
  float a0, a1, a2, b0, b1, b2;
  float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  explicit PlainBiquad(const Biquad& q) : a0(q.a0), a1(q.a1), a2(q.a2), b0(q.b0), b1(q.b1), b2(q.b2) {}
  void setCoefficients(const Biquad& q) { a0 = q.a0, a1 = q.a1, a2 = q.a2, b0 = q.b0, b1 = q.b1, b2 = q.b2; }
  void run(float* p, int frames) {
    for (int i = 0; i < frames; ++i, p += 2) {
      const float x = *p;
      const float y = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
      x2 = x1, x1 = x, y2 = y1, y1 = y;
      *p = y;
    }
  }
};

}  // namespace filter_reference
