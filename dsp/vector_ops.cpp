#include "dsp/vector_ops.h"

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

double goertzel_mag_new(const float* values, int n, double k, double& phase, bool normalize) {
  phase = 0;
  if (values == nullptr || n <= 0) return 0;
  const double w = 2.0 * M_PI * k / n;
  const double cw = cos(w);
  const double coeff = 2.0 * cw;
  double s1 = 0, s2 = 0;
  for (int i = 0; i < n; ++i) {
    const double s = coeff * s1 - s2 + values[i];
    s2 = s1;
    s1 = s;
  }
  double re = s1 - cw * s2;
  double im = sin(w) * s2;
  if (normalize) {
    re /= n * 0.5;
    im /= n * 0.5;
  }
  phase = atan2(im, re);
  return sqrt(re * re + im * im);
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
