// Decoding speed of the media front: a generated one-minute MP3 read as the decks read it, in
// one-second blocks of 16-bit stereo, in order and at random positions.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_media.h"
#include "codecs/zr_master_codec.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 60;

// A minute of a drifting tone.
std::string makeMinuteMp3() {
  double phase = 0;
  return bench_media::makeMp3("minute.mp3", kSeconds, [&](int64_t n, int16_t& left, int16_t& right) {
    phase += 2 * M_PI * (300.0 + 200.0 * std::sin(n * 1e-5)) / kRate;
    left = static_cast<int16_t>(12000 * std::sin(phase));
    right = static_cast<int16_t>(left / 2);
  });
}

// Made once per run, outside any timing, and removed with its folder at exit.
struct MinuteMp3 {
  MinuteMp3() : path(makeMinuteMp3()) {}
  ~MinuteMp3() { bench_media::removeMp3(path); }
  std::string path;
};

const std::string& minuteMp3() {
  static const MinuteMp3 file;
  return file.path;
}

bool openDeckCodec(ZRMasterCodec& codec, benchmark::State& state) {
  if (minuteMp3().empty()) {
    state.SkipWithError("no MP3 encoder in this FFmpeg build");
    return false;
  }
  ZRCodecBase::OpenStruct request;
  request.path = minuteMp3();
  request.format = TDSPAudioFormat{kRate, 2, 32, 32, 0, 0};
  if (!codec.openFileOrStream(&request, 1.0f)) {
    state.SkipWithError("cannot open the MP3");
    return false;
  }
  return true;
}

void BM_DecodeMinuteMp3To16BitBlocks(benchmark::State& state) {
  std::vector<short> block(2 * kRate);
  int64_t frames = 0;
  minuteMp3();
  for (auto _ : state) {
    ZRMasterCodec codec(0);
    if (!openDeckCodec(codec, state)) return;
    for (int pos = 0;; pos += kRate) {
      const int got = codec.getSamplesShort(block.data(), kRate, pos);
      frames += got;
      if (got < kRate) break;
    }
    benchmark::DoNotOptimize(block.data());
  }
  state.SetItemsProcessed(frames);
  state.counters["realtime_x"] =
      benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeMinuteMp3To16BitBlocks)->Unit(benchmark::kMillisecond);

void BM_ReadOneSecondAtRandomFrame(benchmark::State& state) {
  ZRMasterCodec codec(0);
  if (!openDeckCodec(codec, state)) return;
  std::vector<short> block(2 * kRate);
  std::mt19937 rng(7);
  for (auto _ : state) {
    const int pos = static_cast<int>(rng() % (kRate * (kSeconds - 2)));
    benchmark::DoNotOptimize(codec.getSamplesShort(block.data(), kRate, pos));
  }
}
BENCHMARK(BM_ReadOneSecondAtRandomFrame)->Unit(benchmark::kMillisecond);

}  // namespace
