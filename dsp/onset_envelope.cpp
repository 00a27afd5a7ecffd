#include "dsp/onset_envelope.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "dsp/vector_ops.h"

void fillOnsetSmoothingKernel(double kernel[66]) {
  for (int t = 0; t < 66; ++t) kernel[t] = pow(1.145, t < 66 - t ? t : 66 - t);
}

void rectifyOnsetEnvelope(float* onsets, int m, int count, const double* kernel) {
  if (onsets == nullptr || m <= 0) return;
  if (m > count) m = count;
  for (int k = 0; k < m; ++k) onsets[k] = fabsf(onsets[k]);
  std::vector<float> smooth(m);
  for (int k = 0; k < m; ++k) {
    float acc = 0;
    const int taps = k < 65 ? k : 65;
    for (int t = 0; t <= taps; ++t) acc += static_cast<float>(onsets[k - t] * kernel[t]);
    smooth[k] = acc;
  }
  for (int k = 0; k < m - 1; ++k) onsets[k] = smooth[k + 1] - smooth[k];
  onsets[m - 1] = (m < count ? onsets[m] : 0.0f) - smooth[m - 1];
  for (int k = 0; k < m; ++k) {
    if (onsets[k] < 0) onsets[k] = 0;
  }
}

double clampedAutoCorrelation(const float* values, int total, int start, int n, int lag) {
  if (values == nullptr || start < 0 || lag < 0) return 0;
  // The last product reads index start + n - 2 + lag.
  const long maxN = static_cast<long>(total) - start - lag + 1;
  if (n > maxN) n = static_cast<int>(maxN);
  if (n < 2) return 0;
  return AutoCorrelation(values + start, n, lag);
}
