#pragma once
// The reverb engine's small filters, single precision, each state flushed to 0 when it stops being a normal
// number: the DC cut that keeps offsets out of the recirculating lines, and the one-pole and biquad
// low-passes of the oversampling converter.

#include "dsp/engine/nreverb/nrev/zr_utils.h"

class ZR_dccut {
 public:
  // coefficient = (sqrt(3) - 2 sin w) / (sin w + sqrt(3) cos w), w = 2 pi fc / fs.
  void setCutOnFreq(float fc, float fs);
  float getCoefficient() const { return coefficient_; }
  void mute() { previousIn_ = previousOut_ = 0.0f; }

  float process(float x) {
    const float y = ZR_utils::undenormal(x - previousIn_ + coefficient_ * previousOut_);
    previousIn_ = x;
    previousOut_ = y;
    return y;
  }

 private:
  float coefficient_ = 0.9999f;
  float previousIn_ = 0.0f;
  float previousOut_ = 0.0f;
};

class ZR_iir_1st {
 public:
  // Bilinear one-pole low-pass: t = tan(pi fc / fs), b0 = b1 = t / (t + 1), a1 = (1 - t) / (1 + t).
  void setLPF_BW(float fc, float fs);
  void mute() { state_ = 0.0f; }

  float process(float x) {
    const float y = b0_ * x + state_;
    state_ = ZR_utils::undenormal(b1_ * x + a1_ * y);
    return y;
  }

 private:
  float a1_ = 0.0f;
  float b0_ = 0.0f;
  float b1_ = 0.0f;
  float state_ = 0.0f;
};

class ZR_biquad {
 public:
  // Low-pass with bandwidth bw in octaves.
  void setLPF(float fc, float bw, float fs);
  void mute() { x1_ = x2_ = y1_ = y2_ = 0.0f; }

  float process(float x) {
    const float y = ZR_utils::undenormal(b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_);
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

 private:
  float a1_ = 0.0f, a2_ = 0.0f, b0_ = 0.0f, b1_ = 0.0f, b2_ = 0.0f;
  float x1_ = 0.0f, x2_ = 0.0f, y1_ = 0.0f, y2_ = 0.0f;
};
