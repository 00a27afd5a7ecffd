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
  int k = 0;
  for (; k < m && k < 65; ++k) {
    float acc = 0;
    for (int t = 0; t <= k; ++t) acc += static_cast<float>(onsets[k - t] * kernel[t]);
    smooth[k] = acc;
  }
  // Four outputs side by side, each summed over its taps in order.
  for (; k + 4 <= m; k += 4) {
    float a0 = 0, a1 = 0, a2 = 0, a3 = 0;
    const float* x = onsets + k;
    for (int t = 0; t <= 65; ++t) {
      const double c = kernel[t];
      a0 += static_cast<float>(x[-t] * c);
      a1 += static_cast<float>(x[1 - t] * c);
      a2 += static_cast<float>(x[2 - t] * c);
      a3 += static_cast<float>(x[3 - t] * c);
    }
    smooth[k] = a0, smooth[k + 1] = a1, smooth[k + 2] = a2, smooth[k + 3] = a3;
  }
  for (; k < m; ++k) {
    float acc = 0;
    for (int t = 0; t <= 65; ++t) acc += static_cast<float>(onsets[k - t] * kernel[t]);
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

void clampedAutoCorrelations3(const float* values, int total, int start, int n, const int lags[3],
                              double out[3]) {
  // Products per lag: n - 1, shortened as clampedAutoCorrelation shortens n.
  int products[3];
  for (int j = 0; j < 3; ++j) {
    products[j] = 0;
    if (values == nullptr || start < 0 || lags[j] < 0) continue;
    const long maxN = static_cast<long>(total) - start - lags[j] + 1;
    const int m = n > maxN ? static_cast<int>(maxN) : n;
    if (m >= 2) products[j] = m - 1;
  }
  const float* v = values + (values ? start : 0);
  const int l0 = lags[0], l1 = lags[1], l2 = lags[2];
  int common = products[0];
  if (products[1] < common) common = products[1];
  if (products[2] < common) common = products[2];
  double s0 = 0, s1 = 0, s2 = 0;
  int i = 0;
  for (; i < common; ++i) {
    s0 += v[i] * v[i + l0];
    s1 += v[i] * v[i + l1];
    s2 += v[i] * v[i + l2];
  }
  for (int k = i; k < products[0]; ++k) s0 += v[k] * v[k + l0];
  for (int k = i; k < products[1]; ++k) s1 += v[k] * v[k + l1];
  for (int k = i; k < products[2]; ++k) s2 += v[k] * v[k + l2];
  out[0] = s0;
  out[1] = s1;
  out[2] = s2;
}
