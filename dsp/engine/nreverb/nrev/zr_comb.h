#pragma once
// Feedback comb with a one-pole low-pass in its loop: each echo returns after length samples, scaled by the
// feedback and darkened by the damping.

#include "dsp/engine/nreverb/nrev/zr_line.h"
#include "dsp/engine/nreverb/nrev/zr_utils.h"

class ZR_comb {
 public:
  ZR_comb() = default;
  ~ZR_comb() = default;
  ZR_comb(const ZR_comb&) = delete;
  ZR_comb& operator=(const ZR_comb&) = delete;

  // Configuration time (allocates). Writes "comb::setsize(n)" to the standard error stream; n <= 0 changes
  // nothing. Keeps the newest samples (see ZR_line::resize) and restarts the damping filter.
  void setsize(long n);
  long getsize() const { return line_.length; }

  // damp1 = d, damp2 = 1 - d.
  void setdamp(float d);
  float getdamp() const { return damp1_; }

  void mute();
  void free();

  // Requires a size set before.
  float process(float x) {
    float* cell = line_.at();
    const float y = ZR_utils::undenormal(*cell);
    filterStore_ = ZR_utils::undenormal(filterStore_ * damp1_ + y * damp2_);
    *cell = x + filterStore_ * feedback;
    line_.advance();
    return y;
  }

  // The loop gain; written directly by the engine (a single float read sample by sample).
  float feedback = 0.0f;

 private:
  ZR_line line_;
  float filterStore_ = 0.0f;
  float damp1_ = 0.0f;
  float damp2_ = 1.0f;
};
