#include "dsp/engine/nreverb/nrev/zr_delay.h"

void ZR_delay::setsize(long n) {
  ZR_utils::diag("delay::setsize(%ld)\n", n);
  if (n <= 0) return;
  line_.resize(n);
}

void ZR_delay::bypass() {
  line_.zero();
  line_.length = 0;
}
