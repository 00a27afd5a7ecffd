#pragma once
// Plain delay line (the engine's pre-delays). A line without length passes its samples through.

#include "dsp/engine/nreverb/nrev/zr_line.h"
#include "dsp/engine/nreverb/nrev/zr_utils.h"

class ZR_delay {
 public:
  ZR_delay() = default;
  ~ZR_delay() = default;
  ZR_delay(const ZR_delay&) = delete;
  ZR_delay& operator=(const ZR_delay&) = delete;

  // Writes "delay::setsize(n)" to the standard error stream; n <= 0 changes nothing. Keeps the newest
  // samples; allocates only beyond the reserved capacity.
  void setsize(long n);
  long getsize() const { return line_.length; }

  // Makes room for n samples ahead of time so that a later setsize up to n does not allocate.
  void reserve(long n) { line_.reserve(n); }

  // Back to no delay (samples pass through); keeps the buffer for a later setsize.
  void bypass();

  void mute() { line_.zero(); }

  float process(float x) {
    if (line_.length == 0) return x;
    float* cell = line_.at();
    const float y = ZR_utils::undenormal(*cell);
    *cell = x;
    line_.advance();
    return y;
  }

 private:
  ZR_line line_;
};
