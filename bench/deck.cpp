// A deck loading and playing a generated five-minute track: how soon the
// track is playable after the load request, how long decoding the whole track
// takes, and what one device buffer of 1024 frames costs the audio thread at
// speed 1.0, at 1.08, with key lock, with a one-beat loop active, and while
// syncing to another deck (the mixer's three passes over both decks
// included). Each figure is also given as a share of the buffer's duration.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "codecs/zr_master_codec.h"
#include "database/zr_database.h"
#include "dsp/engine/sound_source.h"
#include "dsp/zr_audio_detection.h"

namespace {

using Clock = std::chrono::steady_clock;

// Five minutes of a 16-bit stereo chord in the temporary folder, written once.
const std::string& trackPath() {
  static const std::string path = [] {
    const std::string p = "/tmp/orvel-bench-deck-" + std::to_string(getpid()) + ".wav";
    const long frames = 300L * 44100;
    std::vector<int16_t> data(2 * frames);
    for (long i = 0; i < frames; ++i) {
      const double t = i / 44100.0;
      const double v =
          6000 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277 * t) + std::sin(2 * M_PI * 330 * t));
      data[2 * i] = data[2 * i + 1] = static_cast<int16_t>(lrint(v));
    }
    const uint32_t bytes = static_cast<uint32_t>(data.size() * 2);
    const uint32_t header[] = {0x46464952u, 36 + bytes, 0x45564157u, 0x20746d66u, 16,   0x00020001u,
                               44100,       44100 * 4,  0x00100004u, 0x61746164u, bytes};
    FILE* f = fopen(p.c_str(), "wb");
    fwrite(header, sizeof header, 1, f);
    fwrite(data.data(), 2, data.size(), f);
    fclose(f);
    std::atexit([] { std::remove(trackPath().c_str()); });
    return p;
  }();
  return path;
}

bool waitFor(const std::function<bool()>& done) {
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(50));
  }
  return true;
}

void requestLoad(CSoundSource& deck, const std::string& path) {
  ZRCodecBase::OpenStruct r;
  r.path = ZRString(path);
  while (!deck.OpenFileName(&r, nullptr)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// A fresh deck each time, so no earlier track has to be closed first.
void BM_LoadUntilTrackOpen(benchmark::State& state) {
  trackPath();
  for (auto _ : state) {
    state.PauseTiming();
    auto deck = std::make_unique<CSoundSource>(0, ZRString("/tmp"));
    // Let the deck's threads reach their first wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    state.ResumeTiming();
    const auto start = Clock::now();
    requestLoad(*deck, trackPath());
    if (!waitFor([&] { return deck->isTrackReady() && deck->GetLength() > 0; }))
      state.SkipWithError("no load");
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    state.PauseTiming();
    deck.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadUntilTrackOpen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LoadUntilFullyDecoded(benchmark::State& state) {
  trackPath();
  CSoundSource deck(0, ZRString("/tmp"));
  for (auto _ : state) {
    const auto start = Clock::now();
    requestLoad(deck, trackPath());
    waitFor([&] { return deck.isTrackReady() && deck.GetLength() > 0; });
    if (!waitFor([&] { return deck.GetLoadingProgressPercent() == 100; })) state.SkipWithError("not decoded");
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
}
BENCHMARK(BM_LoadUntilFullyDecoded)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The reference of the next benchmark: the whole track read through the
// codec alone, in the deck's one-second blocks.
double decodeOnlySeconds() {
  const auto start = Clock::now();
  ZRMasterCodec codec(30);
  ZRCodecBase::OpenStruct request;
  request.path = ZRString(trackPath());
  request.format = TDSPAudioFormat{44100, 2, 16, 16, 0, 0};
  std::vector<short> block(2 * 44100);
  if (codec.openFileOrStream(&request, 1.0f)) {
    for (int pos = 0; pos < request.format.totalFrames; pos += 44100) codec.getSamplesShort(block.data(), 44100, pos);
    codec.close();
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A track without stripe data, from the load request until it is fully
// decoded and analysed (waveform, tempo, beat grid, gain), beside the decode
// alone in the same run.
void BM_LoadUntilAnalysed(benchmark::State& state) {
  trackPath();
  double load = 0, decoded = 0, decode = 0;
  for (auto _ : state) {
    std::string folder = "/tmp/orvel-bench-analysed-XXXXXX";
    if (!mkdtemp(folder.data())) return state.SkipWithError("no folder");
    auto deck = std::make_unique<CSoundSource>(0, ZRString(folder));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto start = Clock::now();
    requestLoad(*deck, trackPath());
    if (!waitFor([&] { return deck->GetLoadingProgressPercent() == 100; })) state.SkipWithError("not decoded");
    decoded += std::chrono::duration<double>(Clock::now() - start).count();
    if (!waitFor([&] { return deck->isAnalysisDone(); })) state.SkipWithError("not analysed");
    load += std::chrono::duration<double>(Clock::now() - start).count();
    decode += decodeOnlySeconds();
    deck.reset();
    std::filesystem::remove_all(folder);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["load_s"] = load / n;
  state.counters["decoded_s"] = decoded / n;
  state.counters["decode_only_s"] = decode / n;
  state.counters["ratio"] = load / decode;
}
BENCHMARK(BM_LoadUntilAnalysed)->Unit(benchmark::kMillisecond)->Iterations(3);

// The stripe folder of the run, removed at exit.
const std::string& stripesFolder() {
  static const std::string path = [] {
    std::string p = "/tmp/orvel-bench-stripes-XXXXXX";
    if (!mkdtemp(p.data())) p = "/tmp";
    std::atexit([] {
      if (stripesFolder() != "/tmp") std::filesystem::remove_all(stripesFolder());
    });
    return p;
  }();
  return path;
}

// A record whose stripe data gives the track an exact grid at bpm, so that it
// opens analysed.
TZRDatabaseTrack gridRecord(double bpm) {
  const int points = 300 * 441;
  std::vector<float> onsets(points, 0.01f), amplitudes(points, 0.2f), marks(points, 0.1f);
  for (double b = 0; b / 100 < points; b += 2646000.0 / bpm) marks[static_cast<size_t>(b / 100)] = 55.1f;
  std::unique_ptr<ZRAudioDetection> detector(ZRAudioDetection::create(true, false, false));
  detector->setMarkValues(55.0f, 65.0f);
  TZRDatabaseTrack record;
  record.tags[kTagFileName] = ZRString(trackPath());
  record.bpm = static_cast<float>(bpm);
  ZRDatabase::saveStripe(&record, ZRString(stripesFolder()), detector.get(), true, 1.0f, onsets.data(),
                         amplitudes.data(), marks.data(), points);
  return record;
}

void loadDecoded(CSoundSource& deck, const TZRDatabaseTrack* record) {
  ZRCodecBase::OpenStruct r;
  r.path = ZRString(trackPath());
  while (!deck.OpenFileName(&r, record)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  waitFor([&] { return deck.isTrackReady() && deck.GetLength() > 0; });
  waitFor([&] { return deck.GetLoadingProgressPercent() == 100; });
}

// Arg 0: speed 1.0; 1: pitch +8 % (1.08); 2: key lock at 1.08; 3: a one-beat
// loop at 1.08; 4: deck B syncing to deck A (both decks' passes, B's samples).
void BM_GetSamples1024(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const TZRDatabaseTrack recordA = gridRecord(126.0), recordB = gridRecord(124.0);
  CSoundSource deck(0, ZRString(stripesFolder()));
  CSoundSource other(1, ZRString(stripesFolder()));
  loadDecoded(deck, mode == 4 ? &recordB : nullptr);
  if (mode == 4) loadDecoded(other, &recordA);
  if (mode >= 1 && mode <= 3) deck.SetPitch(800);
  if (mode == 2) deck.SetMasterTempo(1);
  deck.SetPositionAsync(44100);
  deck.PlayPause(1);
  std::vector<float> buffer(2 * 1024);
  if (mode == 3) {
    deck.DoLoopFixed(64, false);
    deck.GetSamples(buffer.data(), 1024);
    if (!deck.GetLoopInfo().active) state.SkipWithError("no loop");
  }
  if (mode == 4) {
    other.SetPitch(150);
    other.PlayPause(1);
  }
  const int rewindAt = deck.GetLength() - 10 * 44100;
  long iteration = 0;
  const auto start = Clock::now();
  for (auto _ : state) {
    if (mode == 4) {
      // A sync every 32 buffers keeps the phase alignment at work.
      if (iteration++ % 32 == 0 && !deck.SyncDeckToOtherDeck(&other)) state.SkipWithError("no sync");
      for (int pass = 0; pass < 3; ++pass) {
        deck.BeforeGetSamples(pass);
        other.BeforeGetSamples(pass);
      }
    }
    deck.GetSamples(buffer.data(), 1024);
    benchmark::DoNotOptimize(buffer.data());
    if (deck.GetCurrentPos() > rewindAt) deck.SetPositionAsync(44100);
    if (mode == 4 && other.GetCurrentPos() > rewindAt) other.SetPositionAsync(44100);
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  state.SetItemsProcessed(state.iterations() * 1024);
  // Beside the reference, the buffer's own duration: the share of it spent.
  state.counters["buffer_share"] = wall / (static_cast<double>(state.iterations()) * 1024 / 44100.0);
}
BENCHMARK(BM_GetSamples1024)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace
