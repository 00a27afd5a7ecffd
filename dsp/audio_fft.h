#pragma once
// Real-input FFT behind a small interface. The spectrum layout of both
// directions: two float arrays re and im of N/2 + 1 values, index k holding
// bin k (DC at 0, Nyquist at N/2), im[0] and im[N/2] always 0, scaled as the
// plain unscaled DFT: re[k] + i im[k] = sum data[n] e^(-2 pi i k n / N).

#include <cstddef>

class ZRAudioFFTBase {
 public:
  virtual ~ZRAudioFFTBase() = default;
  // size must be 0 (empty transform) or a power of two; anything else is a
  // programming error and stops the process.
  virtual void init(size_t size) = 0;
  // Forward transform of N real values into re/im (N/2 + 1 values each).
  virtual void fft(const float* data, float* re, float* im) = 0;
  // Inverse of fft: N real values into data, scaled by 1/N; re/im unchanged.
  virtual void ifft(float* data, const float* re, const float* im) = 0;
};

// The transform on FFTW single precision. The plans are the process's shared
// ones for the size, made by estimate (microseconds, the same plan and so the
// same results in every run) the first time any instance asks for the size,
// in init (never on a real-time path); fft and ifft allocate nothing. Arrays
// aligned as fftwf_malloc aligns them are transformed where they lie (fft's
// input); others go through the instance's buffers. One thread uses an
// instance at a time; instances on different threads are independent.
class ZRAppleAccelerateFFT : public ZRAudioFFTBase {
 public:
  ZRAppleAccelerateFFT();
  ~ZRAppleAccelerateFFT() override;
  ZRAppleAccelerateFFT(const ZRAppleAccelerateFFT&) = delete;
  ZRAppleAccelerateFFT& operator=(const ZRAppleAccelerateFFT&) = delete;

  void init(size_t size) override;
  void fft(const float* data, float* re, float* im) override;
  void ifft(float* data, const float* re, const float* im) override;
  // The forward transform of data[n] x window[n] (N values each) in one pass,
  // for analyses that run hundreds of transforms per second: the spectrum is
  // left in the transform's own buffer as N/2 + 1 interleaved (re, im)
  // pairs, valid until the next call (the imaginary parts of DC and Nyquist
  // as the transform gives them). Null for an empty transform.
  const float* fftWindowedInterleaved(const float* data, const float* window);

  size_t getSize() const { return size; }
  size_t getLog2Size() const { return log2N; }

 private:
  void release();

  size_t size = 0;
  size_t log2N = 0;
  void* forwardPlan = nullptr;
  void* inversePlan = nullptr;
  float* realBuffer = nullptr;     // N values
  float* complexBuffer = nullptr;  // N/2 + 1 interleaved pairs
};

// Complex transform of one size on split arrays (real parts in re, imaginary parts in im), in place, forward
// and unscaled: X[k] = sum z[n] e^(-2 pi i k n / N) with z = re + i im. The plan is the process's shared one
// for the size (made by estimate at the first construction, never on a real-time path); it runs on the
// instance's own buffer, which forward copies through (a split plan only runs on arrays as far apart as those
// it was made for); forward allocates nothing and takes any pair of arrays of N floats. One thread uses an
// instance at a time.
class ZRComplexSplitFFT {
 public:
  // size: a power of two (anything else is a programming error and stops the process).
  explicit ZRComplexSplitFFT(size_t size);
  ~ZRComplexSplitFFT();
  ZRComplexSplitFFT(const ZRComplexSplitFFT&) = delete;
  ZRComplexSplitFFT& operator=(const ZRComplexSplitFFT&) = delete;

  void forward(float* re, float* im) const;
  size_t getSize() const { return size; }

 private:
  size_t size;
  void* plan = nullptr;
  float* buffer = nullptr;  // N real parts, then N imaginary parts
};
