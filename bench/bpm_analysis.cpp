// Analysis time of the second-generation tempo detector: the per-block onset
// function and the final estimation, per minute of audio, and a whole
// one-hour track.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "dsp/zr_audio_detection.h"

namespace {

constexpr int kRate = 44100;

// One minute of a 124 BPM drum-like pattern (kick, snare, hats), mono.
const std::vector<float>& minuteOfDrums() {
  static const std::vector<float> audio = [] {
    std::vector<float> a(60 * kRate, 0.0f);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> noise(-1, 1);
    const double period = 60.0 / 124 * kRate;
    int n = 0;
    for (double t = 0.1 * kRate; t < a.size() - 8000; t += period, ++n) {
      const long b = lrint(t);
      for (int i = 0; i < 6000; ++i) {
        const float kick = static_cast<float>(0.8 * sin(2 * M_PI * (60 + 80 * exp(-i / 1500.0)) * i / kRate) *
                                              exp(-i / 3000.0));
        const float snare = 0.4f * noise(rng) * expf(-i / 900.0f);
        a[b + i] += (n % 2 == 0) ? kick : snare;
      }
      for (int i = 0; i < 1000; ++i) a[lrint(t + period / 2) + i] += 0.2f * noise(rng) * expf(-i / 200.0f);
    }
    return a;
  }();
  return audio;
}

std::unique_ptr<ZRAudioDetection> newDetector() {
  std::unique_ptr<ZRAudioDetection> d(ZRAudioDetection::create(true, false, false));
  d->setMarkValues(55, 65);
  return d;
}

// Feeds minutes of audio (the same minute repeated) in one-second blocks.
void feed(ZRAudioDetection& d, int minutes, std::vector<float>& onsets) {
  const std::vector<float>& minute = minuteOfDrums();
  onsets.assign(static_cast<size_t>(minutes) * 60 * 441 + 441, 0.0f);
  d.resetAndStartProcessing(minutes * 60 * kRate, 0);
  for (int s = 0; s < minutes * 60; ++s) {
    d.process(minute.data() + static_cast<size_t>(s % 60) * kRate, kRate, 1, onsets.data() + 441 * s, 0);
  }
}

void BM_OnsetsPerMinute(benchmark::State& state) {
  auto d = newDetector();
  std::vector<float> onsets;
  for (auto _ : state) {
    feed(*d, 1, onsets);
    benchmark::DoNotOptimize(onsets.data());
  }
  state.SetLabel("one minute of audio per iteration");
}
BENCHMARK(BM_OnsetsPerMinute)->Unit(benchmark::kMillisecond);

void BM_FinalEstimationPerMinute(benchmark::State& state) {
  auto d = newDetector();
  std::vector<float> onsets;
  feed(*d, 1, onsets);
  const std::vector<float> collected = onsets;
  std::vector<float> marks(onsets.size(), 0.0f);
  for (auto _ : state) {
    state.PauseTiming();
    onsets = collected;
    d->resetAndStartProcessing(60 * kRate, 0);
    state.ResumeTiming();
    d->detectAudioFeatures(onsets.data(), 60 * 441, -1, marks.data());
    benchmark::DoNotOptimize(marks.data());
  }
  state.SetLabel("one minute of onsets per iteration");
}
BENCHMARK(BM_FinalEstimationPerMinute)->Unit(benchmark::kMillisecond);

void BM_OneHourTrack(benchmark::State& state) {
  auto d = newDetector();
  std::vector<float> onsets;
  for (auto _ : state) {
    feed(*d, 60, onsets);
    std::vector<float> marks(onsets.size(), 0.0f);
    d->detectAudioFeatures(onsets.data(), 60 * 60 * 441, -1, marks.data());
    benchmark::DoNotOptimize(marks.data());
  }
  state.SetLabel("onsets and final estimation of 60 minutes");
}
BENCHMARK(BM_OneHourTrack)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
