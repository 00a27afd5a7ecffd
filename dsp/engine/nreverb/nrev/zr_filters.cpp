#include "dsp/engine/nreverb/nrev/zr_filters.h"

#include <cmath>
#include <numbers>

void ZR_dccut::setCutOnFreq(float fc, float fs) {
  const float w = 2.0f * std::numbers::pi_v<float> * fc / fs;
  const float root3 = std::sqrt(3.0f);
  coefficient_ = (root3 - 2.0f * std::sin(w)) / (std::sin(w) + root3 * std::cos(w));
}

void ZR_iir_1st::setLPF_BW(float fc, float fs) {
  const float t = std::tan(std::numbers::pi_v<float> * fc / fs);
  b0_ = b1_ = t / (t + 1.0f);
  a1_ = (1.0f - t) / (1.0f + t);
}

void ZR_biquad::setLPF(float fc, float bw, float fs) {
  const float w = 2.0f * std::numbers::pi_v<float> * fc / fs;
  const float sw = std::sin(w);
  const float cw = std::cos(w);
  const float alpha = sw * std::sinh(std::log(2.0f) / 2.0f * bw * w / sw);
  const float n = 1.0f / (1.0f + alpha);
  b0_ = b2_ = (1.0f - cw) / 2.0f * n;
  b1_ = (1.0f - cw) * n;
  a1_ = -2.0f * cw * n;
  a2_ = (1.0f - alpha) * n;
}
