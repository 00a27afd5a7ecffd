// The 2048-point real FFT behind the onset function (441 transforms per
// second of analysed audio) and its inverse.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "dsp/audio_fft.h"

namespace {

void BM_RealFft2048Forward(benchmark::State& state) {
  ZRAppleAccelerateFFT fft;
  fft.init(2048);
  std::vector<float> data(2048), re(1025), im(1025);
  for (int i = 0; i < 2048; ++i) data[i] = static_cast<float>(sin(i * 0.05) + 0.3 * sin(i * 0.71));
  for (auto _ : state) {
    fft.fft(data.data(), re.data(), im.data());
    benchmark::DoNotOptimize(re.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RealFft2048Forward);

void BM_RealFft2048Inverse(benchmark::State& state) {
  ZRAppleAccelerateFFT fft;
  fft.init(2048);
  std::vector<float> data(2048), re(1025), im(1025);
  for (int i = 0; i < 2048; ++i) data[i] = static_cast<float>(sin(i * 0.05));
  fft.fft(data.data(), re.data(), im.data());
  for (auto _ : state) {
    fft.ifft(data.data(), re.data(), im.data());
    benchmark::DoNotOptimize(data.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RealFft2048Inverse);

}  // namespace
