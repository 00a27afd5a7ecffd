// Track analysis as a deck runs it on a decoded track (the decode itself is
// not timed): every one-second 16-bit stereo block into the waveform display
// data (rms, low and high band) and the tempo detector (onsets, loudness),
// then the final analysis (tempo, beat grid, gain). Printed as times real time
// on one core, beside the reference of the same run: the bare FFT work of the
// onset function (441 plain 2048-point FFTW transforms per second of audio),
// so that the ratio holds on a busy machine too. The target is 300 x real
// time; run it pinned to one core (taskset -c N).

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstdio>
#include <vector>

#include "bench_timing.h"
#include "tests/dsp/track_analysis_signals.h"

namespace {

using bench_timing::Clock;
using bench_timing::secondsSince;

// Five minutes of drums with a chord, made once.
const std::vector<int16_t>& track() {
  static const std::vector<int16_t> t = track_analysis::makeTrack(
      {"drums_chord_5min", track_analysis::Material::kDrumsAndChord, 124, 124, 300});
  return t;
}
constexpr double kTrackSeconds = 300;

// The reference: the onset function's transforms alone, on a plan made once.
double bareFftSeconds(double audioSeconds) {
  static float* in = fftwf_alloc_real(2048);
  static fftwf_complex* out = fftwf_alloc_complex(1025);
  static fftwf_plan plan = fftwf_plan_dft_r2c_1d(2048, in, out, FFTW_ESTIMATE);
  for (int i = 0; i < 2048; ++i) in[i] = static_cast<float>((i * 7919 % 2048) / 2048.0 - 0.5);
  const long transforms = static_cast<long>(audioSeconds * 441);
  const auto start = Clock::now();
  for (long i = 0; i < transforms; ++i) fftwf_execute(plan);
  benchmark::DoNotOptimize(out[0][0]);
  return secondsSince(start);
}

void report(benchmark::State& state, double analysed, double analysis, double reference) {
  state.counters["realtime_x"] = analysed / analysis;
  state.counters["bare_fft_x"] = analysed / reference;
  state.counters["ratio_to_fft"] = analysis / reference;
}

// The whole analysis of a 5-minute track, alternating with the reference.
void BM_DeckTrackAnalysis(benchmark::State& state) {
  const std::vector<int16_t>& t = track();
  track_analysis::Analyser analyser(false);
  // The stdout lines of the estimators are not part of what is measured.
  std::FILE* saved = stdout;
  stdout = std::fopen("/dev/null", "w");
  double analysis = 0, reference = 0, analysed = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    const track_analysis::Result r = analyser.run(t, -1);
    analysis += secondsSince(start);
    benchmark::DoNotOptimize(r.bpm);
    reference += bareFftSeconds(kTrackSeconds);
    analysed += kTrackSeconds;
  }
  std::fclose(stdout);
  stdout = saved;
  report(state, analysed, analysis, reference);
}
BENCHMARK(BM_DeckTrackAnalysis)->Unit(benchmark::kMillisecond)->Iterations(5);

// The per-block part alone (what the deck's streaming thread does while it
// decodes), per five minutes of audio.
void BM_DeckBlockAnalysis(benchmark::State& state) {
  const std::vector<int16_t>& t = track();
  track_analysis::Analyser analyser(false);
  const int frames = static_cast<int>(t.size() / 2);
  std::vector<float> onsets(441 * 301), rms(441 * 301), low(441 * 301), high(441 * 301);
  double analysis = 0, reference = 0, analysed = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    analyser.detector->resetAndStartProcessing(frames, 0);
    analyser.display.reset();
    for (int b = 0; b * 44100 < frames; ++b) {
      const int n = std::min(44100, frames - b * 44100);
      const short* block = t.data() + 2 * static_cast<size_t>(b) * 44100;
      analyser.display.process(block, n, 2, rms.data() + 441 * b, low.data() + 441 * b, nullptr,
                               high.data() + 441 * b, nullptr);
      analyser.detector->process(block, n, 2, onsets.data() + 441 * b, 0);
    }
    analysis += secondsSince(start);
    benchmark::DoNotOptimize(onsets.data());
    reference += bareFftSeconds(kTrackSeconds);
    analysed += kTrackSeconds;
  }
  report(state, analysed, analysis, reference);
}
BENCHMARK(BM_DeckBlockAnalysis)->Unit(benchmark::kMillisecond)->Iterations(5);

// The final analysis alone, on the onsets of the five minutes.
void BM_DeckFinalAnalysis(benchmark::State& state) {
  const std::vector<int16_t>& t = track();
  track_analysis::Analyser analyser(false);
  const track_analysis::Result r = analyser.run(t, -1);
  std::vector<float> low(r.points + 1);
  std::FILE* saved = stdout;
  stdout = std::fopen("/dev/null", "w");
  double analysis = 0, reference = 0, analysed = 0;
  for (auto _ : state) {
    std::vector<float> onsets = r.onsets;
    const auto start = Clock::now();
    analyser.detector->detectAudioFeatures(onsets.data(), r.points, -1, low.data());
    analysis += secondsSince(start);
    reference += bareFftSeconds(kTrackSeconds);
    analysed += kTrackSeconds;
  }
  std::fclose(stdout);
  stdout = saved;
  report(state, analysed, analysis, reference);
}
BENCHMARK(BM_DeckFinalAnalysis)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
