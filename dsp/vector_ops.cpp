#include "dsp/vector_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

int FACC_CAN_USE_ACCELARATE_FRAMEWORK = 0;

void ACC_DetectCPU() {
  static bool ACC_DetectCPU_done = false;
  if (ACC_DetectCPU_done) return;
  ACC_DetectCPU_done = true;
  // The plain loops below are written for the compiler's vectoriser, so the
  // vector path is always available.
  FACC_CAN_USE_ACCELARATE_FRAMEWORK = 1;
}

void multiply_float_vector(float* __restrict values, float factor, int n) {
  for (int i = 0; i < n; ++i) values[i] *= factor;
}

void multiply_float_vectors(float* __restrict a, const float* __restrict b, int n) {
  for (int i = 0; i < n; ++i) a[i] *= b[i];
}

void add_float_vector16(float* __restrict values, float addend, int n) {
  for (int i = 0; i < n; ++i) values[i] += addend;
}

void normalize_float_vector(float* values, int n, float target) {
  if (n <= 0) return;
  float m = 0.01f;
  for (int i = 0; i < n; ++i) m = values[i] > m ? values[i] : m;
  multiply_float_vector(values, target / m, n);
}

float* malloc_a(size_t bytes, bool zero) {
  void* p = nullptr;
  if (posix_memalign(&p, 16, bytes == 0 ? 16 : bytes) != 0) return nullptr;
  if (zero) memset(p, 0, bytes);
  return static_cast<float*>(p);
}

void free_a(void* block) {
  free(block);
}

namespace {

// The Goertzel recurrences of up to kMany frequencies over the same values,
// side by side (each one's operations exactly those of a recurrence by
// itself).
constexpr int kMany = 8;

void goertzelStates(const float* values, int n, const double* coeff, int count, double* s1Out,
                    double* s2Out) {
  double s1[kMany] = {}, s2[kMany] = {};
  double c[kMany] = {};
  for (int j = 0; j < count; ++j) c[j] = coeff[j];
  if (count == kMany) {
    for (int i = 0; i < n; ++i) {
      const double v = values[i];
      for (int j = 0; j < kMany; ++j) {
        const double s = c[j] * s1[j] - s2[j] + v;
        s2[j] = s1[j];
        s1[j] = s;
      }
    }
  } else {
    for (int j = 0; j < count; ++j) {
      for (int i = 0; i < n; ++i) {
        const double s = c[j] * s1[j] - s2[j] + values[i];
        s2[j] = s1[j];
        s1[j] = s;
      }
    }
  }
  for (int j = 0; j < count; ++j) {
    s1Out[j] = s1[j];
    s2Out[j] = s2[j];
  }
}

double goertzelFinish(double s1, double s2, double w, int n, double& phase, bool normalize) {
  double re = s1 - cos(w) * s2;
  double im = sin(w) * s2;
  if (normalize) {
    re /= n * 0.5;
    im /= n * 0.5;
  }
  phase = atan2(im, re);
  return sqrt(re * re + im * im);
}

}  // namespace

double goertzel_mag_new(const float* values, int n, double k, double& phase, bool normalize) {
  phase = 0;
  if (values == nullptr || n <= 0) return 0;
  const double w = 2.0 * M_PI * k / n;
  const double coeff = 2.0 * cos(w);
  double s1, s2;
  goertzelStates(values, n, &coeff, 1, &s1, &s2);
  return goertzelFinish(s1, s2, w, n, phase, normalize);
}

void goertzel_mags(const float* values, int n, const double* k, int count, double* magnitudes) {
  for (int first = 0; first < count; first += kMany) {
    const int m = std::min(kMany, count - first);
    if (values == nullptr || n <= 0) {
      for (int j = 0; j < m; ++j) magnitudes[first + j] = 0;
      continue;
    }
    double w[kMany], coeff[kMany], s1[kMany], s2[kMany];
    for (int j = 0; j < m; ++j) {
      w[j] = 2.0 * M_PI * k[first + j] / n;
      coeff[j] = 2.0 * cos(w[j]);
    }
    goertzelStates(values, n, coeff, m, s1, s2);
    double phase;
    for (int j = 0; j < m; ++j) magnitudes[first + j] = goertzelFinish(s1[j], s2[j], w[j], n, phase, false);
  }
}

float BPMToBeatSize(float bpm, float rate) {
  return rate * 60.0f / bpm;
}

float BeatSizeToBPM(float beatSize, float rate) {
  return rate * 60.0f / beatSize;
}

void FindMaxElement(const float* values, int from, int to, float& max, int& index) {
  max = 0;
  index = from;
  if (values == nullptr) return;
  for (int i = from; i < to; ++i) {
    const float v = values[i];
    if (v < 50.0f && v > max) {
      max = v;
      index = i;
    }
  }
}

double AutoCorrelation(const float* values, int n, int lag) {
  if (values == nullptr || lag < 0 || n < 2) return 0;
  double sum = 0;
  for (int i = 0; i < n - 1; ++i) sum += values[i] * values[i + lag];
  return sum;
}

double ResonateAndGetEnergy(const float* src, float* dst, int n, int period) {
  if (n <= 0 || period < 1) return 0;
  const float alpha = static_cast<float>(pow(0.5, 386.0 / period));
  double energy = 0;
  for (int i = 0; i < n; ++i) {
    float d;
    if (i >= period) {
      d = dst[i - period];
    } else {
      const int j = n + i - period;
      d = j >= 0 ? src[j] : 0.0f;  // a period longer than the input has no stand-in
    }
    dst[i] = (1.0f - alpha) * src[i] + alpha * d;
    energy += static_cast<double>(dst[i]) * dst[i];
  }
  return energy;
}
