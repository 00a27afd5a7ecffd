#include "dsp/audio_fft.h"

#include <fftw3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

// The FFTW planner is not thread-safe; executing plans is.
std::mutex& plannerMutex() {
  static std::mutex m;
  return m;
}

constexpr size_t kMeasuredPlanLimit = 2048;

bool isPowerOf2(size_t n) {
  return n != 0 && (n & (n - 1)) == 0;
}

void requirePowerOf2(size_t n) {
  if (n != 0 && !isPowerOf2(n)) {
    fprintf(stderr, "Assertion failed: internal::IsPowerOf2(size)\n");
    abort();
  }
}

}  // namespace

ZRAppleAccelerateFFT::ZRAppleAccelerateFFT() = default;

ZRAppleAccelerateFFT::~ZRAppleAccelerateFFT() {
  release();
}

void ZRAppleAccelerateFFT::release() {
  std::lock_guard<std::mutex> lock(plannerMutex());
  if (forwardPlan) fftwf_destroy_plan(static_cast<fftwf_plan>(forwardPlan));
  if (inversePlan) fftwf_destroy_plan(static_cast<fftwf_plan>(inversePlan));
  fftwf_free(realBuffer);
  fftwf_free(complexBuffer);
  forwardPlan = inversePlan = nullptr;
  realBuffer = complexBuffer = nullptr;
  size = 0;
  log2N = 0;
}

void ZRAppleAccelerateFFT::init(size_t newSize) {
  requirePowerOf2(newSize);
  release();
  if (newSize == 0) return;
  size = newSize;
  log2N = 0;
  while ((size_t{1} << log2N) < size) ++log2N;
  realBuffer = fftwf_alloc_real(size);
  complexBuffer = reinterpret_cast<float*>(fftwf_alloc_complex(size / 2 + 1));
  std::lock_guard<std::mutex> lock(plannerMutex());
  // Small transforms run hundreds of times per second of audio: measured
  // plans pay off (FFTW keeps what it learnt, so later instances of the same
  // size plan at once). Large ones are planned once per analysis, where
  // measuring would cost more than it saves. Planning only touches the
  // instance's own buffers.
  const unsigned flags = size <= kMeasuredPlanLimit ? FFTW_MEASURE : FFTW_ESTIMATE;
  forwardPlan = fftwf_plan_dft_r2c_1d(static_cast<int>(size), realBuffer,
                                      reinterpret_cast<fftwf_complex*>(complexBuffer), flags);
  inversePlan = fftwf_plan_dft_c2r_1d(static_cast<int>(size), reinterpret_cast<fftwf_complex*>(complexBuffer),
                                      realBuffer, flags);
}

void ZRAppleAccelerateFFT::fft(const float* data, float* re, float* im) {
  if (size == 0 || data == nullptr || re == nullptr || im == nullptr) return;
  const size_t half = size / 2;
  for (size_t i = 0; i < size; ++i) realBuffer[i] = data[i];
  fftwf_execute(static_cast<fftwf_plan>(forwardPlan));
  for (size_t k = 0; k <= half; ++k) {
    re[k] = complexBuffer[2 * k];
    im[k] = complexBuffer[2 * k + 1];
  }
  im[0] = 0;
  im[half] = 0;
}

const float* ZRAppleAccelerateFFT::fftWindowedInterleaved(const float* data, const float* window) {
  if (size == 0 || data == nullptr || window == nullptr) return nullptr;
  float* __restrict in = realBuffer;
  for (size_t i = 0; i < size; ++i) in[i] = data[i] * window[i];
  fftwf_execute(static_cast<fftwf_plan>(forwardPlan));
  return complexBuffer;
}

void ZRAppleAccelerateFFT::ifft(float* data, const float* re, const float* im) {
  if (size == 0 || data == nullptr || re == nullptr || im == nullptr) return;
  const size_t half = size / 2;
  for (size_t k = 0; k <= half; ++k) {
    complexBuffer[2 * k] = re[k];
    complexBuffer[2 * k + 1] = im[k];
  }
  // A real signal's DC and Nyquist bins carry no imaginary part.
  complexBuffer[1] = 0;
  complexBuffer[2 * half + 1] = 0;
  fftwf_execute(static_cast<fftwf_plan>(inversePlan));
  const float scale = 1.0f / static_cast<float>(size);
  for (size_t i = 0; i < size; ++i) data[i] = realBuffer[i] * scale;
}

ZRComplexSplitFFT::ZRComplexSplitFFT(size_t n) : size(n) {
  requirePowerOf2(n);
  if (n == 0) return;
  buffer = fftwf_alloc_real(2 * n);
  fftwf_iodim dim{static_cast<int>(n), 1, 1};
  std::lock_guard<std::mutex> lock(plannerMutex());
  plan = fftwf_plan_guru_split_dft(1, &dim, 0, nullptr, buffer, buffer + n, buffer, buffer + n,
                                   n <= kMeasuredPlanLimit ? FFTW_MEASURE : FFTW_ESTIMATE);
}

ZRComplexSplitFFT::~ZRComplexSplitFFT() {
  std::lock_guard<std::mutex> lock(plannerMutex());
  if (plan) fftwf_destroy_plan(static_cast<fftwf_plan>(plan));
  fftwf_free(buffer);
}

void ZRComplexSplitFFT::forward(float* re, float* im) const {
  if (plan == nullptr || re == nullptr || im == nullptr) return;
  std::memcpy(buffer, re, sizeof(float) * size);
  std::memcpy(buffer + size, im, sizeof(float) * size);
  fftwf_execute(static_cast<fftwf_plan>(plan));
  std::memcpy(re, buffer, sizeof(float) * size);
  std::memcpy(im, buffer + size, sizeof(float) * size);
}
