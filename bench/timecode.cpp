// Cost of the timecode demodulator on the audio thread: one second of stereo generation-4 timecode (with
// noise 20 dB down) demodulated in device-sized buffers, in absolute mode (speed and positions) and in
// relative mode (speed only). The counter "core_share" is the CPU time as a share of the signal's duration
// (0.01 = 1 % of one core per deck); "fft_share" is, beside it, the share the tracker's bare 256-point
// transforms (one per 32 samples) take on this machine, measured in the same run.

#include <benchmark/benchmark.h>
#include <time.h>

#include <vector>

#include "dsp/audio_fft.h"
#include "dsp/timecode_demodulator.h"
#include "tests/support/timecode_synth.h"

namespace {

double threadCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

// The bare transforms one second of input costs the tracker.
double fftShareOfOneSecond() {
  ZRComplexSplitFFT fft(256);
  std::vector<float> re(256, 0.25f), im(256, 0.5f);
  const int perSecond = 44100 / 32;
  const double start = threadCpuSeconds();
  const int seconds = 20;
  for (int i = 0; i < seconds * perSecond; ++i) {
    fft.forward(re.data(), im.data());
    benchmark::DoNotOptimize(re.data());
  }
  return (threadCpuSeconds() - start) / seconds;
}

void BM_DemodulateOneSecond(benchmark::State& state) {
  const long buffer = state.range(0);
  const int absolute = static_cast<int>(state.range(1));
  orvel_test::TimecodeSynth synth;
  std::vector<float> l, r;
  orvel_test::TimecodeSynth::split(synth.render(120.0, 1.0, 44100, 44100.0, 20.0), l, r);
  MPVT2Handle* h = MPVT2_CreateNew(4410 * 8, 44100.0);
  MPVT2_SetVinylGeneration(h, 4);
  MPVT2_SetCutoffSharpness(h, 1.0);
  MPVT2_SetAbsoluteMode(h, absolute);
  std::vector<double> speed(buffer / 32 + 1), power(speed.size()), position(speed.size());
  const double start = threadCpuSeconds();
  for (auto _ : state) {
    for (long at = 0; at + buffer <= 44100; at += buffer) {
      long count = buffer / 32;
      MPVT2_ProcessBuffer(h, l.data() + at, r.data() + at, buffer, speed.data(), power.data(),
                          position.data(), &count);
    }
    benchmark::DoNotOptimize(position.data());
  }
  const double cpu = threadCpuSeconds() - start;
  state.counters["core_share"] = cpu / static_cast<double>(state.iterations());
  state.counters["fft_share"] = fftShareOfOneSecond();
  state.SetLabel(absolute ? "absolute mode" : "relative mode");
  MPVT2_Destruct(h);
}

BENCHMARK(BM_DemodulateOneSecond)
    ->Args({256, 1})
    ->Args({1024, 1})
    ->Args({4410, 1})
    ->Args({1024, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
