#include "dsp/engine/nreverb/nrev/zr_comb.h"

void ZR_comb::setsize(long n) {
  ZR_utils::diag("comb::setsize(%ld)\n", n);
  if (n <= 0) return;
  line_.resize(n);
  filterStore_ = 0.0f;
}

void ZR_comb::setdamp(float d) {
  damp1_ = d;
  damp2_ = 1.0f - d;
}

void ZR_comb::mute() {
  line_.zero();
  filterStore_ = 0.0f;
}

void ZR_comb::free() {
  line_.release();
  filterStore_ = 0.0f;
}
