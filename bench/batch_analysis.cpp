// Background analysis throughput: seconds of audio analysed (the MP3 decode
// included, results and stripe stored) per second of wall time, on one core
// and on every core, beside the decode alone as the reference of the same
// run. The target is at least 300 x real time per core.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_media.h"
#include "codecs/zr_master_codec.h"
#include "database/zr_database.h"
#include "dsp/engine/zr_batch_analysis.h"
#include "dsp/engine/zr_batch_audio_detection.h"
#include "platform/thread_platform.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 180;

// Three minutes of a 124 BPM kick, snare and hats pattern, as a library
// track; made once, outside any timing, and removed at exit.
struct Track {
  Track() {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> noise(-1, 1);
    const double period = 60.0 / 124 * kRate;
    path = bench_media::makeMp3("drums.mp3", kSeconds, [&](int64_t n, int16_t& left, int16_t& right) {
      const double inBeat = std::fmod(static_cast<double>(n), period);
      const int beat = static_cast<int>(n / period);
      double v = 0;
      if (inBeat < 6000) {
        v = beat % 2 == 0 ? 0.8 * std::sin(2 * M_PI * (60 + 80 * std::exp(-inBeat / 1500)) * inBeat / kRate) *
                                std::exp(-inBeat / 3000)
                          : 0.4 * noise(rng) * std::exp(-inBeat / 900);
      }
      const double half = std::fmod(inBeat + period / 2, period);
      if (half < 1000) v += 0.2 * noise(rng) * std::exp(-half / 200);
      left = right = static_cast<int16_t>(std::lrint(std::clamp(v, -1.0, 1.0) * 20000));
    });
    if (path.empty()) return;
    stripes = std::filesystem::path(path).parent_path().string() + "/Stripes";
    std::filesystem::create_directories(stripes);
    TZRDatabaseTrack record;
    record.tags[kTagFileName] = ZRString(path);
    ZRDatabase::getInstance()->addOrUpdate(&record);
  }
  ~Track() { bench_media::removeMp3(path); }
  std::string path;
  std::string stripes;
};

const Track& track() {
  static const Track t;
  return t;
}

void setRates(benchmark::State& state, double audioSeconds, double wallSeconds, int cores) {
  state.counters["realtime_x"] = audioSeconds / wallSeconds;
  state.counters["per_core_x"] = audioSeconds / wallSeconds / cores;
  state.counters["cores"] = cores;
}

// The reference: only the decode, as the analysis reads the file.
void BM_DecodeOnly(benchmark::State& state) {
  if (track().path.empty()) return state.SkipWithError("no MP3 encoder in this FFmpeg build");
  std::vector<short> block(2 * kRate);
  double wall = 0, audio = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    ZRMasterCodec codec(30);
    ZRCodecBase::OpenStruct request;
    request.path = ZRString(track().path);
    request.format = TDSPAudioFormat{kRate, 2, 32, 32, 0, 0};
    if (!codec.openFileOrStream(&request, 1.0f)) return state.SkipWithError("cannot open");
    for (int pos = 0; pos < request.format.totalFrames; pos += kRate) {
      codec.getSamplesShort(block.data(), kRate, pos);
    }
    codec.close();
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    audio += request.format.totalFrames / static_cast<double>(kRate);
  }
  setRates(state, audio, wall, 1);
}
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AnalyseOneCore(benchmark::State& state) {
  if (track().path.empty()) return state.SkipWithError("no MP3 encoder in this FFmpeg build");
  ZRBatchAudioDetection analyser(ZRString(track().stripes), false, false);
  double wall = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    analyser.analyzeFileAndUpdateDatabase(ZRString(track().path), 0);
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  setRates(state, static_cast<double>(state.iterations()) * kSeconds, wall, 1);
}
BENCHMARK(BM_AnalyseOneCore)->Unit(benchmark::kMillisecond)->Iterations(3);

// Every online core gets a worker and two copies of the track to analyse.
void BM_AnalyseAllCores(benchmark::State& state) {
  if (track().path.empty()) return state.SkipWithError("no MP3 encoder in this FFmpeg build");
  const int cores = std::max(1, platformOnlineCpuCount());
  double wall = 0, audio = 0;
  for (auto _ : state) {
    ZRBatchAnalysis batch(ZRString(track().stripes), false, false, cores);
    // The workers make their analysers first; let them.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 2 * cores; ++i) batch.addFile(ZRString(track().path));
    while (batch.getPendingCount() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    audio += 2.0 * cores * kSeconds;
  }
  setRates(state, audio, wall, cores);
}
BENCHMARK(BM_AnalyseAllCores)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
