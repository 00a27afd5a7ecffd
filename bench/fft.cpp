// The 2048-point real FFT wrapper (the onset function runs 441 windowed
// transforms per second of analysed audio; the estimators and the shader input
// run the plain forward transform) beside a plain fftwf_execute of the same
// plan on FFTW's own arrays, timed in turns in the same run: the counter
// "ratio" is wrapper / plain (target: at most 1.1). Also the time to make a
// first transform of a size in a fresh process (the planning pause a deck
// load would pay).

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "bench_timing.h"
#include "dsp/audio_fft.h"

namespace {

using bench_timing::Clock;
using bench_timing::secondsSince;
constexpr int kSize = 2048;
constexpr int kTurn = 200;  // transforms per timed turn

struct Plain {
  Plain() {
    in = fftwf_alloc_real(kSize);
    out = fftwf_alloc_complex(kSize / 2 + 1);
    for (int i = 0; i < kSize; ++i) in[i] = static_cast<float>(sin(i * 0.05) + 0.3 * sin(i * 0.71));
    // The wrapper's plans are made by estimate; so is this one.
    forward = fftwf_plan_dft_r2c_1d(kSize, in, out, FFTW_ESTIMATE);
    inverse = fftwf_plan_dft_c2r_1d(kSize, out, in, FFTW_ESTIMATE);
  }
  ~Plain() {
    fftwf_destroy_plan(forward);
    fftwf_destroy_plan(inverse);
    fftwf_free(in);
    fftwf_free(out);
  }
  // The inverse overwrites its input: a caller keeping its spectrum copies it in first.
  double inverseTurn(const std::vector<float>& spectrum) {
    const auto t = Clock::now();
    for (int i = 0; i < kTurn; ++i) {
      std::memcpy(out, spectrum.data(), sizeof(float) * spectrum.size());
      fftwf_execute(inverse);
      benchmark::ClobberMemory();
    }
    return secondsSince(t);
  }
  double turn(fftwf_plan p) {
    const auto t = Clock::now();
    for (int i = 0; i < kTurn; ++i) {
      fftwf_execute(p);
      benchmark::ClobberMemory();
    }
    return secondsSince(t);
  }
  float* in;
  fftwf_complex* out;
  fftwf_plan forward, inverse;
};

void report(benchmark::State& state, double wrapper, double plain, long transforms) {
  state.counters["wrapper_ns"] = 1e9 * wrapper / transforms;
  state.counters["plain_ns"] = 1e9 * plain / transforms;
  state.counters["ratio"] = wrapper / plain;
}

// The caller's arrays as the estimators hold them (FFTW-aligned), and as any
// std::vector holds them.
template <bool kAligned>
void BM_Forward2048(benchmark::State& state) {
  Plain plain;
  ZRAppleAccelerateFFT fft;
  fft.init(kSize);
  float* data = kAligned ? fftwf_alloc_real(kSize) : new float[kSize + 1] + 1;
  std::vector<float> re(kSize / 2 + 1), im(kSize / 2 + 1);
  for (int i = 0; i < kSize; ++i) data[i] = plain.in[i];
  double wrapper = 0, reference = 0;
  long transforms = 0;
  for (auto _ : state) {
    const auto t = Clock::now();
    for (int i = 0; i < kTurn; ++i) {
      fft.fft(data, re.data(), im.data());
      benchmark::ClobberMemory();
    }
    wrapper += secondsSince(t);
    reference += plain.turn(plain.forward);
    transforms += kTurn;
  }
  report(state, wrapper, reference, transforms);
  if (kAligned) {
    fftwf_free(data);
  } else {
    delete[](data - 1);
  }
}
BENCHMARK_TEMPLATE(BM_Forward2048, true);
BENCHMARK_TEMPLATE(BM_Forward2048, false);

void BM_WindowedForward2048(benchmark::State& state) {
  Plain plain;
  ZRAppleAccelerateFFT fft;
  fft.init(kSize);
  std::vector<float> data(plain.in, plain.in + kSize), window(kSize, 0.5f);
  double wrapper = 0, reference = 0;
  long transforms = 0;
  for (auto _ : state) {
    const auto t = Clock::now();
    for (int i = 0; i < kTurn; ++i) {
      benchmark::DoNotOptimize(fft.fftWindowedInterleaved(data.data(), window.data()));
      benchmark::ClobberMemory();
    }
    wrapper += secondsSince(t);
    reference += plain.turn(plain.forward);
    transforms += kTurn;
  }
  report(state, wrapper, reference, transforms);
}
BENCHMARK(BM_WindowedForward2048);

void BM_Inverse2048(benchmark::State& state) {
  Plain plain;
  ZRAppleAccelerateFFT fft;
  fft.init(kSize);
  std::vector<float> data(plain.in, plain.in + kSize), re(kSize / 2 + 1), im(kSize / 2 + 1);
  fft.fft(data.data(), re.data(), im.data());
  fftwf_execute(plain.forward);
  const std::vector<float> spectrum(&plain.out[0][0], &plain.out[0][0] + kSize + 2);
  double wrapper = 0, reference = 0;
  long transforms = 0;
  for (auto _ : state) {
    const auto t = Clock::now();
    for (int i = 0; i < kTurn; ++i) {
      fft.ifft(data.data(), re.data(), im.data());
      benchmark::ClobberMemory();
    }
    wrapper += secondsSince(t);
    reference += plain.inverseTurn(spectrum);
    transforms += kTurn;
  }
  report(state, wrapper, reference, transforms);
}
BENCHMARK(BM_Inverse2048);

// What the first transform of a new size costs an analyser (the plans of the
// process made for it), beside one transform of that size.
void BM_FirstInitOfASize(benchmark::State& state) {
  size_t size = 1 << 12;
  double first = 0, one = 0;
  for (auto _ : state) {
    size <<= 1;  // a size no instance of this process has used yet
    ZRAppleAccelerateFFT fft;
    std::vector<float> data(size, 0.25f), re(size / 2 + 1), im(size / 2 + 1);
    auto t = Clock::now();
    fft.init(size);
    first += secondsSince(t);
    t = Clock::now();
    fft.fft(data.data(), re.data(), im.data());
    one += secondsSince(t);
  }
  state.counters["init_ms"] = 1e3 * first / state.iterations();
  state.counters["transform_ms"] = 1e3 * one / state.iterations();
}
BENCHMARK(BM_FirstInitOfASize)->Iterations(8);

}  // namespace
