// Cost of the channel effects on the audio thread: each effect alone per 1024 stereo frames, a channel with
// all 32 slots busy, and the reverb's tail decaying through silence (which must not get slower as it fades
// towards denormal values).

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "dsp/engine/effect_amplitudes.h"
#include "dsp/engine/effect_bit_crusher.h"
#include "dsp/engine/effect_cutoff_filter.h"
#include "dsp/engine/effect_dynamics.h"
#include "dsp/engine/effect_echo.h"
#include "dsp/engine/effect_equalizer.h"
#include "dsp/engine/effect_flangers.h"
#include "dsp/engine/effect_phaser.h"
#include "dsp/engine/effect_plate_reverb.h"
#include "dsp/engine/zr_audio_signal_source.h"

namespace {

constexpr int kFrames = 1024;
constexpr float kBpm = 126.0f;

class FixedTempo : public ZRAudioSignalSource {
 public:
  void GetSamples(float*, int) override {}
  void GetSamplesShort(short*, int) override {}
  float GetCurrentBPM() override { return kBpm; }
  int GetCurrentPos() override { return 0; }
  int GetLength() override { return -1; }
  void BeforeGetSamples(int) override {}
};

FixedTempo tempo;

std::vector<float> noise(int frames, float amp) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> dist(-amp, amp);
  std::vector<float> v(2 * frames);
  for (float& s : v) s = dist(rng);
  return v;
}

float (*frames(std::vector<float>& v))[2] {
  return reinterpret_cast<float(*)[2]>(v.data());
}

// Runs the effect as its channel would, switched on; the input is refreshed every pass so that feedback and
// gain computers see music-like levels.
void runEffect(benchmark::State& state, CEffect& effect) {
  std::vector<float> input = noise(kFrames, 0.5f);
  std::vector<float> buffer = input;
  effect.setdrywetmix(1.0f);
  for (auto _ : state) {
    std::copy(input.begin(), input.end(), buffer.begin());
    if (effect.allowdrywetmix()) {
      effect.processDryWet(frames(buffer), kFrames, kBpm);
    } else {
      effect.processNormal(frames(buffer), kFrames, kBpm);
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}

template <class Effect>
void BM_Effect(benchmark::State& state, std::function<void(Effect&)> setUp) {
  Effect effect(nullptr, &tempo);
  setUp(effect);
  runEffect(state, effect);
}

void BM_Amplitudes(benchmark::State& s) {
  BM_Effect<CEffectAmplitudes>(s, [](CEffectAmplitudes& e) { e.setparam(0, 1); });
}
void BM_Flanger(benchmark::State& s) {
  BM_Effect<CEffectFlangers>(s, [](CEffectFlangers& e) { e.setparam(0, 2); });
}
void BM_Phaser(benchmark::State& s) {
  BM_Effect<CEffectPhaser>(s, [](CEffectPhaser& e) { e.setparam(0, 1000); });
}
void BM_EchoThreeTaps(benchmark::State& s) {
  BM_Effect<CEffectReverbs>(s, [](CEffectReverbs& e) { e.setparam(0, 0); });
}
void BM_EchoBeat(benchmark::State& s) {
  BM_Effect<CEffectReverbs>(s, [](CEffectReverbs& e) { e.setparam(0, 1); });
}
void BM_PlateReverb(benchmark::State& s) {
  BM_Effect<CEffectPlateReverb>(s, [](CEffectPlateReverb&) {});
}
void BM_Limiter(benchmark::State& s) {
  BM_Effect<CEffectDynamics>(s, [](CEffectDynamics& e) { e.setparam(0, 2); });
}
void BM_Compressor(benchmark::State& s) {
  BM_Effect<CEffectDynamics>(s, [](CEffectDynamics& e) { e.setparam(0, 1); });
}
void BM_Equalizer(benchmark::State& s) {
  BM_Effect<CEffectEqualizerIIR>(s, [](CEffectEqualizerIIR& e) {
    e.start();
    e.setparam(1, -40);
    e.setparam(3, 6);
  });
}
void BM_CutoffFilter(benchmark::State& s) {
  BM_Effect<CEffectCutoffFilter>(s, [](CEffectCutoffFilter& e) {
    e.setparam(0, 250);
    e.setparam(1, 800);
  });
}
void BM_BitCrusher(benchmark::State& s) {
  BM_Effect<CEffectBitCrusher>(s, [](CEffectBitCrusher& e) { e.setparam(0, 600); });
}

BENCHMARK(BM_Amplitudes);
BENCHMARK(BM_Flanger);
BENCHMARK(BM_Phaser);
BENCHMARK(BM_EchoThreeTaps);
BENCHMARK(BM_EchoBeat);
BENCHMARK(BM_PlateReverb);
BENCHMARK(BM_Limiter);
BENCHMARK(BM_Compressor);
BENCHMARK(BM_Equalizer);
BENCHMARK(BM_CutoffFilter);
BENCHMARK(BM_BitCrusher);

// One channel with every slot busy: the deck channel's 17 effects all switched on at half dry/wet (the mix
// path, dearer than fully wet), and the 15 empty slots filled with plate reverbs, the dearest effect.
void BM_ChannelAll32Slots(benchmark::State& state) {
  std::vector<std::unique_ptr<CEffect>> slots;
  auto add = [&](CEffect* e, int kind) {
    if (kind >= 0) e->setparam(0, kind);
    slots.emplace_back(e);
  };
  add(new CEffectAmplitudes(nullptr, &tempo), 0);
  add(new CEffectAmplitudes(nullptr, &tempo), 1);
  for (int kind : {5, 0, 1, 2, 3, 4}) add(new CEffectFlangers(nullptr, &tempo), kind);
  add(new CEffectPlateReverb(nullptr, &tempo), 0);
  add(new CEffectReverbs(nullptr, &tempo), 1);
  add(new CEffectPhaser(nullptr, &tempo), 1000);
  add(new CEffectEqualizerIIR(nullptr, &tempo), -1);
  slots.back()->start();
  slots.back()->setparam(2, -40);
  while (slots.size() < 15) add(new CEffectPlateReverb(nullptr, &tempo), 0);
  add(new CEffectBitCrusher(nullptr, &tempo), 400);
  add(new CEffectBeatSplice(nullptr, &tempo), 400);
  add(new CEffectCutoffFilter(nullptr, &tempo), 300);
  add(new CEffectCutoffFilter(nullptr, &tempo), 300);
  add(new CEffectCutoffFilter(nullptr, &tempo), 200);
  while (slots.size() < 32) add(new CEffectPlateReverb(nullptr, &tempo), 1);
  for (auto& e : slots) e->setdrywetmix(0.5f);

  std::vector<float> input = noise(kFrames, 0.3f);
  std::vector<float> buffer = input;
  for (auto _ : state) {
    std::copy(input.begin(), input.end(), buffer.begin());
    for (auto& e : slots) {
      if (e->allowdrywetmix()) {
        e->processDryWet(frames(buffer), kFrames, kBpm);
      } else {
        e->processNormal(frames(buffer), kFrames, kBpm);
      }
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_ChannelAll32Slots);

// Ten seconds of silence through the reverb, right after a one-second burst (range 1) or without one (range
// 0): the decaying tail must cost no more than silence.
void BM_ReverbTailThroughSilence(benchmark::State& state) {
  const bool burst = state.range(0) != 0;
  CEffectPlateReverb reverb(nullptr, &tempo);
  reverb.setdrywetmix(1.0f);
  std::vector<float> loud = noise(kFrames, 0.9f);
  std::vector<float> silence(2 * kFrames, 0.0f);
  constexpr int kBurstBlocks = 44100 / kFrames;
  constexpr int kSilenceBlocks = 10 * 44100 / kFrames;
  for (auto _ : state) {
    state.PauseTiming();
    reverb.clear();
    for (int b = 0; burst && b < kBurstBlocks; ++b) {
      std::vector<float> block = loud;
      reverb.processDryWet(frames(block), kFrames, kBpm);
    }
    state.ResumeTiming();
    for (int b = 0; b < kSilenceBlocks; ++b) {
      std::fill(silence.begin(), silence.end(), 0.0f);
      reverb.processDryWet(frames(silence), kFrames, kBpm);
      benchmark::DoNotOptimize(silence.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kSilenceBlocks * kFrames);
}
BENCHMARK(BM_ReverbTailThroughSilence)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
