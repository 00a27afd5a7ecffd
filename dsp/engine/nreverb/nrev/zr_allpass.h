#pragma once
// Schroeder allpass: diffuses the comb echoes without colouring their spectrum.

#include "dsp/engine/nreverb/nrev/zr_line.h"
#include "dsp/engine/nreverb/nrev/zr_utils.h"

class ZR_allpass {
 public:
  ZR_allpass() = default;
  ~ZR_allpass() = default;
  ZR_allpass(const ZR_allpass&) = delete;
  ZR_allpass& operator=(const ZR_allpass&) = delete;

  // Configuration time (allocates). Writes "allpass::setsize(n)" to the standard error stream; n <= 0 changes
  // nothing; keeps the newest samples.
  void setsize(long n);
  long getsize() const { return line_.length; }

  void setfeedback(float g) { feedback_ = g; }
  float getfeedback() const { return feedback_; }

  void mute() { line_.zero(); }

  // Requires a size set before.
  float process(float x) {
    float* cell = line_.at();
    const float y = ZR_utils::undenormal(*cell);
    *cell = x + y * feedback_;
    line_.advance();
    return y - x;
  }

 private:
  float feedback_ = 0.0f;
  ZR_line line_;
};
