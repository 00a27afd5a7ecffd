#include "dsp/engine/nreverb/nrev/zr_allpass.h"

void ZR_allpass::setsize(long n) {
  ZR_utils::diag("allpass::setsize(%ld)\n", n);
  if (n <= 0) return;
  line_.resize(n);
}
