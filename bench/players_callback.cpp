// The whole device callback with every player at work: two decks (MP3 tracks through their mixer channels
// with the EQ and filter knob running), the headphone preview, the filler zone in the middle of a
// crossfade (both its players streaming) and eight sampler slots looping (four through their cut-off
// filter). Counters: "dsp_load", the callback's CPU time as a share of the buffer's duration at 44100 Hz;
// "idle_dsp_load", the same callback measured in the same run with every player stopped; "ratio", the one
// over the other. The players' streaming threads decode outside the callback and are not counted; the
// benchmark tops their rings up between callbacks, since it runs far faster than real time.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_media.h"
#include "bench/engine_rig.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "dsp/engine/zr_preview_player.h"
#include "dsp/engine/zr_sampler_player.h"
#include "dsp/engine/zr_simple_mix_zone.h"
#include "dsp/flush_denormals.h"
#include "soundio/audio_device_table.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"

namespace {

constexpr int kTrackSeconds = 30;
constexpr int kSlots = 8;

const std::string& track(int index) {
  static const std::string paths[3] = {
      bench_media::makeMp3("a.mp3", kTrackSeconds,
                           [](int64_t n, int16_t& l, int16_t& r) {
                             l = r = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440.0 * n / 44100.0));
                           }),
      bench_media::makeMp3("b.mp3", kTrackSeconds,
                           [](int64_t n, int16_t& l, int16_t& r) {
                             l = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 550.0 * n / 44100.0));
                             r = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 660.0 * n / 44100.0));
                           }),
      bench_media::makeMp3("c.mp3", kTrackSeconds, [](int64_t n, int16_t& l, int16_t& r) {
        l = r = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 330.0 * n / 44100.0));
      })};
  static const bool cleanUp = [] {
    std::atexit([] {
      for (const std::string& p : paths) bench_media::removeMp3(p);
    });
    return true;
  }();
  (void)cleanUp;
  return paths[index];
}

bool waitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void fill(ZRPreviewPlayer& player, int frames) {
  for (int guard = 0; guard < 8; ++guard) {
    if (player.GetBufferedFrames() >= frames || player.GetStreamedFrames() >= player.GetLength()) return;
    player.AsyncStreamingFunction();
  }
}

// The application's engine with its players, on the manual pump device.
struct PlayersRig {
  PlayersRig() : stripes("/tmp/orvel-bench-players-XXXXXX") {
    if (!mkdtemp(stripes.data())) stripes = "/tmp";
    deckA = std::make_unique<CSoundSource>(0, ZRString(stripes));
    deckB = std::make_unique<CSoundSource>(1, ZRString(stripes));
    channelA = std::make_unique<ZRMixerChannel>(deckA.get(), nullptr, 0);
    channelB = std::make_unique<ZRMixerChannel>(deckB.get(), nullptr, 0);
    for (ZRMixerChannel* ch : {channelA.get(), channelB.get()}) {
      ch->SetEq(1, 3.0f);
      ch->SetEq(3, -2.0f);
      ch->SetFxDryWet(19, 0.4f);
    }
    mixer.AddMixerChannel(channelA.get());
    mixer.AddMixerChannel(channelB.get());
    mixer.AddMixerChannel(&preview);
    mixer.AddMixerChannel(&zone);
    std::vector<float> loop(2 * 88200);
    for (int i = 0; i < 88200; ++i) {
      loop[2 * i] = loop[2 * i + 1] = static_cast<float>(0.2 * std::sin(2 * M_PI * 220.0 * i / 44100.0));
    }
    for (int s = 0; s < kSlots; ++s) {
      slots[s] = std::make_unique<ZRSamplerPlayer>(s);
      slots[s]->Open(loop.data(), 88200);
      slots[s]->SetLooping(1);
      slots[s]->SetTotalBeats(4);
      if (s % 2) slots[s]->setCutoffFilter(true, 2000.0f, 0.707f);
      mixer.AddMixerChannel(slots[s].get());
    }
    mixer.SetCrossfaderCurveStartPoint(50, false);
    mixer.SetCrossfaderChannel(0, 0);
    mixer.SetCrossfaderChannel(1, 1);
    mixer.SetCrossfaderPosition(64);
    for (int j = 0; j < mixer.GetChannelCount(); ++j) mixer.SetFaderPosition(j, 127);
    mixer.SetVetoPgmMix(2, 1);
    mixer.SetCuePFLFaderPosition(2, 127);
    for (int j = 4; j < mixer.GetChannelCount(); ++j) {
      mixer.SetVetoPgmMix(j, 1);
      mixer.SetCuePFLFaderPosition(j, 110);
    }
  }
  ~PlayersRig() {
    output.updateAudioDevices(-1, -1, 0, nullptr, 0);
    std::error_code ec;
    if (stripes != "/tmp") std::filesystem::remove_all(stripes, ec);
  }

  bool load() {
    for (CSoundSource* d : {deckA.get(), deckB.get()}) {
      ZRCodecBase::OpenStruct request;
      request.path = ZRString(track(d == deckA.get() ? 0 : 1));
      if (!d->OpenFileName(&request, nullptr)) return false;
    }
    return waitFor([&] {
      deckA->takePendingEvent();
      deckB->takePendingEvent();
      return deckA->isTrackReady() && deckB->isTrackReady() && deckA->GetLoadingProgressPercent() >= 100 &&
             deckB->GetLoadingProgressPercent() >= 100;
    });
  }

  void open(int row, int frames) {
    output.updateAudioDevices(row, -1, frames, nullptr, 0);
    output.updateRoutingForOutputDeck(0, 1);
    output.updateRoutingForOutputDeck(1, 1);
    output.updateRoutingForOutputSamplerMic(1);
    output.setLimiter(true);
  }

  void play(bool on) {
    deckA->PlayPause(on ? 1 : 0);
    deckB->PlayPause(on ? 1 : 0);
    for (auto& s : slots) s->SetPlaying(on ? 1 : 0);
    ZRPreviewPlayer* zonePlayers[2] = {zone.getPlayer(0), zone.getPlayer(1)};
    if (on) {
      preview.OpenFileName(ZRString(track(2)));
      zonePlayers[0]->OpenFileName(ZRString(track(0)));
      zonePlayers[1]->OpenFileName(ZRString(track(1)));
      // Half-way through a crossfade at full level.
      zone.getMixer()->AutoMixEnableAutoMode(false, 6.0f, false, -1.0f);
      zone.getMixer()->SetCrossfaderPosition(64);
      zone.getMixer()->SetFaderPosition(0, 127);
      zone.getMixer()->SetFaderPosition(1, 127);
    } else {
      preview.Close();
      zone.playPause(0);
    }
  }

  // Between callbacks: the streaming players' rings topped up, and everything rewound before its end.
  void keepGoing(int frames) {
    fill(preview, frames);
    fill(*zone.getPlayer(0), frames);
    fill(*zone.getPlayer(1), frames);
    const int nearEnd = (kTrackSeconds - 2) * 44100;
    for (CSoundSource* d : {deckA.get(), deckB.get()}) {
      if (d->GetCurrentPos() > nearEnd) d->SetPositionAsync(0);
    }
    for (ZRPreviewPlayer* p : {&preview, zone.getPlayer(0), zone.getPlayer(1)}) {
      if (p->GetCurrentPosNoCallbacks() > nearEnd) p->SetPosition1(0);
    }
  }

  std::string stripes;
  std::unique_ptr<CSoundSource> deckA, deckB;
  std::unique_ptr<ZRMixerChannel> channelA, channelB;
  ZRPreviewPlayer preview{0, true, false};
  ZRSimpleMixZone zone{nullptr, 6.0f, false, -1, 1.5f, 0.5f};
  std::unique_ptr<ZRSamplerPlayer> slots[kSlots];
  ZRMixer mixer{22050};
  ZRAudioMultiOutput output{&mixer, nullptr, nullptr, nullptr};
};

// CPU seconds of count callbacks of frames frames.
double runCallbacks(PlayersRig& rig, std::vector<float>& device, int frames, long count) {
  double cpu = 0;
  for (long i = 0; i < count; ++i) {
    rig.keepGoing(frames);
    const double start = orvel_bench::threadCpuSeconds();
    ZRAudioMultiOutput::callbackSamplesToBePlayed(device.data(), frames, 2, &rig.output);
    cpu += orvel_bench::threadCpuSeconds() - start;
  }
  return cpu;
}

void BM_PlayersCallback(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  if (track(0).empty() || track(1).empty() || track(2).empty()) {
    state.SkipWithError("this FFmpeg cannot encode MP3");
    return;
  }
  orvel_bench::ManualPumpScope devices;
  {
    PlayersRig rig;
    if (!rig.load()) {
      state.SkipWithError("decks did not load");
    } else {
      rig.open(getAudioDeviceIndexFromName("Manual pump"), frames);
      std::vector<float> device(2 * static_cast<size_t>(frames));
      // As the system's sound threads run.
      ScopedFlushDenormals flushDenormals;
      const long referenceCallbacks = 4000;
      runCallbacks(rig, device, frames, 100);
      const double idle = runCallbacks(rig, device, frames, referenceCallbacks) /
                          (static_cast<double>(referenceCallbacks) * frames / 44100.0);
      rig.play(true);
      runCallbacks(rig, device, frames, 100);
      double cpu = 0;
      for (auto _ : state) {
        const double one = runCallbacks(rig, device, frames, 1);
        cpu += one;
        state.SetIterationTime(one);
        benchmark::DoNotOptimize(device.data());
      }
      rig.play(false);
      const double load = cpu / (static_cast<double>(state.iterations()) * frames / 44100.0);
      state.counters["dsp_load"] = load;
      state.counters["idle_dsp_load"] = idle;
      state.counters["ratio"] = idle > 0 ? load / idle : 0.0;
    }
  }
}

BENCHMARK(BM_PlayersCallback)->Arg(128)->Arg(256)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
