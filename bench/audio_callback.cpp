// One whole device callback of the sound output: two decks (sine sources) through their mixer channels with
// EQ, filter knob, echo and plate reverb running, a sampler channel, the microphone on air, the master
// limiter and the recording callback, routed to a stereo device. The counter "dsp_load" is the callback's
// CPU time as a share of the buffer's duration at 44100 Hz (1.0 = the whole buffer period).

#include <benchmark/benchmark.h>
#include <time.h>

#include <cmath>
#include <vector>

#include "dsp/engine/zr_audio_signal_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "dsp/flush_denormals.h"
#include "soundio/audio_device_table.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"

namespace {

class Sine : public ZRAudioSignalSource {
 public:
  explicit Sine(double freq) : step(2 * M_PI * freq / 44100.0) {}
  void GetSamples(float* buffer, int frames) override {
    for (int i = 0; i < frames; ++i) {
      const float v = static_cast<float>(0.4 * std::sin(phase));
      phase += step;
      buffer[2 * i] = buffer[2 * i + 1] = v;
    }
    if (phase > 2 * M_PI * 1000) phase = std::fmod(phase, 2 * M_PI);
  }
  void GetSamplesShort(short*, int) override {}
  float GetCurrentBPM() override { return 126.0f; }
  int GetCurrentPos() override { return 0; }
  int GetLength() override { return -1; }
  void BeforeGetSamples(int) override {}

 private:
  double step;
  double phase = 0.0;
};

int recordingTap(float*, int frames, int, void*) {
  return frames;
}

double threadCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

void BM_AudioCallback(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  // A stereo device of our own to route to; the callback is then driven directly, not by the device.
  ZRBuiltInAudioDevices devices;
  devices.systemDevices = false;
  devices.manualPump = true;
  devices.manualInputChannels = 0;
  setBuiltInAudioDevices(devices);
  scanAudioDevices();
  InitializeMixerChannels();
  {
    Sine toneA(441.0), toneB(550.0), toneS(660.0), toneMic(220.0);
    ZRMixerChannel deckA(&toneA, nullptr, 0), deckB(&toneB, nullptr, 0), mic(&toneMic, nullptr, 0);
    for (ZRMixerChannel* ch : {&deckA, &deckB}) {
      ch->SetEq(1, 4.0f);
      ch->SetEq(2, -3.0f);
      ch->SetEq(3, 2.0f);
      ch->SetFxDryWet(19, 0.35f);  // filter knob: low-pass
      ch->SetFxDryWet(9, 0.5f);    // echo
      ch->SetFxDryWet(8, 0.5f);    // plate reverb
    }
    ZRMixer mixer(22050);
    mixer.AddMixerChannel(&deckA);
    mixer.AddMixerChannel(&deckB);
    Sine silentPreview(0.0);
    mixer.AddMixerChannel(&silentPreview);
    mixer.AddMixerChannel(&toneS);
    mixer.AddMixerMicrophoneChannel(&mic);
    mixer.SetOnAir(1);
    for (int j = 0; j < 4; ++j) mixer.SetFaderPosition(j, 127);
    mixer.SetCrossfaderCurveStartPoint(50, false);
    mixer.SetCrossfaderChannel(0, 0);
    mixer.SetCrossfaderChannel(1, 1);
    mixer.SetCrossfaderPosition(64);

    ZRAudioMultiOutput output(&mixer, nullptr, nullptr, nullptr);
    output.updateAudioDevices(1, -1, frames, nullptr, 0);
    output.updateRoutingForOutputDeck(0, 1);
    output.updateRoutingForOutputDeck(1, 1);
    output.updateRoutingForOutputSamplerMic(1);
    output.setAudioRecordingCallback(&recordingTap, nullptr);
    output.setLimiter(true);
    std::vector<float> device(2 * static_cast<size_t>(frames));
    // The device layer's callback runs with denormals flushed, as the system's sound threads do.
    ScopedFlushDenormals flushDenormals;
    for (int i = 0; i < 50; ++i)
      ZRAudioMultiOutput::callbackSamplesToBePlayed(device.data(), frames, 2, &output);

    const double cpuStart = threadCpuSeconds();
    for (auto _ : state) {
      ZRAudioMultiOutput::callbackSamplesToBePlayed(device.data(), frames, 2, &output);
      benchmark::DoNotOptimize(device.data());
    }
    const double cpu = threadCpuSeconds() - cpuStart;
    const double audio = static_cast<double>(state.iterations()) * frames / 44100.0;
    state.counters["dsp_load"] = cpu / audio;
  }
  DeinitializeMixerChannels();
  freeScanAudioDevices();
}

BENCHMARK(BM_AudioCallback)->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);

}  // namespace
