#include "dsp/audio_fft.h"

#include <fftw3.h>
#include <xmmintrin.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

namespace {

// The FFTW planner is not thread-safe; executing plans is, also one plan on
// several threads at once with different arrays.
std::mutex& plannerMutex() {
  static std::mutex m;
  return m;
}

bool isPowerOf2(size_t n) {
  return n != 0 && (n & (n - 1)) == 0;
}

void requirePowerOf2(size_t n) {
  if (n != 0 && !isPowerOf2(n)) {
    fprintf(stderr, "Assertion failed: internal::IsPowerOf2(size)\n");
    abort();
  }
}

enum class PlanKind { kRealForward, kRealInverse, kComplexSplit };

// Plans are made once per kind and size for the whole process and kept to its
// end; every instance runs them on its own arrays (new-array execution), which
// FFTW allows for arrays aligned as the planning ones (fftwf_malloc). They are
// made by estimate, never by measuring: planning costs microseconds, so no
// deck or analyser pays a pause for it, and the same plan, hence the same
// results to the last bit, comes out on every run and every machine load.
void* sharedPlan(PlanKind kind, size_t n) {
  // Never destroyed: instances living in other static objects may run the
  // plans until the very end of the process.
  static auto* plans = new std::map<std::pair<int, size_t>, void*>;
  std::lock_guard<std::mutex> lock(plannerMutex());
  void*& plan = (*plans)[{static_cast<int>(kind), n}];
  if (plan) return plan;
  float* real = fftwf_alloc_real(2 * n);
  fftwf_complex* complex = fftwf_alloc_complex(n / 2 + 1);
  const int size = static_cast<int>(n);
  switch (kind) {
    case PlanKind::kRealForward:
      plan = fftwf_plan_dft_r2c_1d(size, real, complex, FFTW_ESTIMATE);
      break;
    case PlanKind::kRealInverse:
      plan = fftwf_plan_dft_c2r_1d(size, complex, real, FFTW_ESTIMATE);
      break;
    case PlanKind::kComplexSplit: {
      // Real parts, then imaginary parts, in one block: the distance every
      // execution keeps (ZRComplexSplitFFT's buffer).
      fftwf_iodim dim{size, 1, 1};
      plan = fftwf_plan_guru_split_dft(1, &dim, 0, nullptr, real, real + n, real, real + n, FFTW_ESTIMATE);
      break;
    }
  }
  fftwf_free(real);
  fftwf_free(complex);
  return plan;
}

// Arrays FFTW's plans may run on: aligned as fftwf_malloc aligns.
bool fftwAligned(const float* p) {
  return fftwf_alignment_of(const_cast<float*>(p)) == 0;
}

// Interleaved (re, im) pairs into split arrays.
void deinterleave(const float* __restrict pairs, float* __restrict re, float* __restrict im, size_t n) {
  size_t k = 0;
  for (; k + 4 <= n; k += 4) {
    const __m128 a = _mm_loadu_ps(pairs + 2 * k);
    const __m128 b = _mm_loadu_ps(pairs + 2 * k + 4);
    _mm_storeu_ps(re + k, _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    _mm_storeu_ps(im + k, _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
  }
  for (; k < n; ++k) {
    re[k] = pairs[2 * k];
    im[k] = pairs[2 * k + 1];
  }
}

// Split arrays into interleaved (re, im) pairs, each value times scale.
void interleaveScaled(const float* __restrict re, const float* __restrict im, float* __restrict pairs,
                      size_t n, float scale) {
  const __m128 factor = _mm_set1_ps(scale);
  size_t k = 0;
  for (; k + 4 <= n; k += 4) {
    const __m128 r = _mm_mul_ps(_mm_loadu_ps(re + k), factor);
    const __m128 i = _mm_mul_ps(_mm_loadu_ps(im + k), factor);
    _mm_storeu_ps(pairs + 2 * k, _mm_unpacklo_ps(r, i));
    _mm_storeu_ps(pairs + 2 * k + 4, _mm_unpackhi_ps(r, i));
  }
  for (; k < n; ++k) {
    pairs[2 * k] = re[k] * scale;
    pairs[2 * k + 1] = im[k] * scale;
  }
}

}  // namespace

ZRAppleAccelerateFFT::ZRAppleAccelerateFFT() = default;

ZRAppleAccelerateFFT::~ZRAppleAccelerateFFT() {
  release();
}

void ZRAppleAccelerateFFT::release() {
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
  forwardPlan = sharedPlan(PlanKind::kRealForward, size);
  inversePlan = sharedPlan(PlanKind::kRealInverse, size);
}

void ZRAppleAccelerateFFT::fft(const float* data, float* re, float* im) {
  if (size == 0 || data == nullptr || re == nullptr || im == nullptr) return;
  const size_t half = size / 2;
  // A forward real transform leaves its input alone: an aligned caller's
  // array is transformed where it lies.
  float* in = realBuffer;
  if (fftwAligned(data)) {
    in = const_cast<float*>(data);
  } else {
    std::memcpy(realBuffer, data, sizeof(float) * size);
  }
  fftwf_execute_dft_r2c(static_cast<fftwf_plan>(forwardPlan), in,
                        reinterpret_cast<fftwf_complex*>(complexBuffer));
  deinterleave(complexBuffer, re, im, half + 1);
  im[0] = 0;
  im[half] = 0;
}

const float* ZRAppleAccelerateFFT::fftWindowedInterleaved(const float* data, const float* window) {
  if (size == 0 || data == nullptr || window == nullptr) return nullptr;
  float* __restrict in = realBuffer;
  for (size_t i = 0; i < size; ++i) in[i] = data[i] * window[i];
  fftwf_execute_dft_r2c(static_cast<fftwf_plan>(forwardPlan), realBuffer,
                        reinterpret_cast<fftwf_complex*>(complexBuffer));
  return complexBuffer;
}

void ZRAppleAccelerateFFT::ifft(float* data, const float* re, const float* im) {
  if (size == 0 || data == nullptr || re == nullptr || im == nullptr) return;
  const size_t half = size / 2;
  // The 1/N scaling is applied to the spectrum on its way in: N is a power of
  // two, so scaling before or after the transform gives the same bits (short
  // of values below the smallest normal float).
  interleaveScaled(re, im, complexBuffer, half + 1, 1.0f / static_cast<float>(size));
  // A real signal's DC and Nyquist bins carry no imaginary part.
  complexBuffer[1] = 0;
  complexBuffer[2 * half + 1] = 0;
  // The inverse overwrites its input: it runs on the instance's copy, into an
  // aligned caller's array directly.
  if (fftwAligned(data)) {
    fftwf_execute_dft_c2r(static_cast<fftwf_plan>(inversePlan),
                          reinterpret_cast<fftwf_complex*>(complexBuffer), data);
  } else {
    fftwf_execute_dft_c2r(static_cast<fftwf_plan>(inversePlan),
                          reinterpret_cast<fftwf_complex*>(complexBuffer), realBuffer);
    std::memcpy(data, realBuffer, sizeof(float) * size);
  }
}

ZRComplexSplitFFT::ZRComplexSplitFFT(size_t n) : size(n) {
  requirePowerOf2(n);
  if (n == 0) return;
  buffer = fftwf_alloc_real(2 * n);
  plan = sharedPlan(PlanKind::kComplexSplit, n);
}

ZRComplexSplitFFT::~ZRComplexSplitFFT() {
  fftwf_free(buffer);
}

void ZRComplexSplitFFT::forward(float* re, float* im) const {
  if (plan == nullptr || re == nullptr || im == nullptr) return;
  std::memcpy(buffer, re, sizeof(float) * size);
  std::memcpy(buffer + size, im, sizeof(float) * size);
  fftwf_execute_split_dft(static_cast<fftwf_plan>(plan), buffer, buffer + size, buffer, buffer + size);
  std::memcpy(re, buffer, sizeof(float) * size);
  std::memcpy(im, buffer + size, sizeof(float) * size);
}
