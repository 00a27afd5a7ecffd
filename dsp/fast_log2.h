#pragma once
// A fast base-2 logarithm from a float's exponent field and a quadratic in its
// mantissa: (E - 128) + (2 - m / 3) x m - 2/3, with E the biased exponent and
// m in [1, 2) the mantissa. Exact at powers of two (log2 of 1 is 0), within
// about 0.01 elsewhere; 0 gives -127. Level readouts, loop sizes in beat
// units and the deck's automatic cues all count on these exact values, so
// they share this one routine. Safe on the audio thread.

#include <cstdint>
#include <cstring>

inline float fastLog2(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof(bits));
  const float e = static_cast<float>((bits >> 23) & 0xFF);
  const uint32_t mantissaBits = (bits & 0x007FFFFFu) | 0x3F800000u;
  float m;
  std::memcpy(&m, &mantissaBits, sizeof(m));
  return e - 128.0f + (2.0f - m / 3.0f) * m - 2.0f / 3.0f;
}

// 20 x log10(v) through fastLog2 (log2 / 3.3125 x 20, the readout scale of
// the meters); floor for v <= 0 (and for NaN).
inline float fastDecibels(float v, float floor) {
  if (!(v > 0.0f)) return floor;
  return fastLog2(v) / 3.3125f * 20.0f;
}
