#pragma once
// The engine the device benchmarks run: two decks (sine sources) through their mixer channels with EQ,
// filter knob, echo and plate reverb running, a sampler channel, the microphone on air, the master limiter
// and a recording callback, all routed to one stereo device.

#include <time.h>

#include <cmath>
#include <memory>

#include "dsp/engine/zr_audio_signal_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "soundio/audio_device_table.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"

namespace orvel_bench {

// The calling thread's CPU time in seconds.
inline double threadCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

// For its life: the manual pump as the only sound device (the benchmarks drive the callback themselves)
// and the process-wide mixer-channel list.
struct ManualPumpScope {
  ManualPumpScope() {
    ZRBuiltInAudioDevices devices;
    devices.systemDevices = false;
    devices.manualPump = true;
    devices.manualInputChannels = 0;
    setBuiltInAudioDevices(devices);
    scanAudioDevices();
    InitializeMixerChannels();
  }
  ~ManualPumpScope() {
    DeinitializeMixerChannels();
    freeScanAudioDevices();
    setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
  }
  ManualPumpScope(const ManualPumpScope&) = delete;
  ManualPumpScope& operator=(const ManualPumpScope&) = delete;
};

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

// Needs InitializeMixerChannels() before and DeinitializeMixerChannels() after its life.
class EngineRig {
 public:
  EngineRig() {
    for (ZRMixerChannel* ch : {&deckA, &deckB}) {
      ch->SetEq(1, 4.0f);
      ch->SetEq(2, -3.0f);
      ch->SetEq(3, 2.0f);
      ch->SetFxDryWet(19, 0.35f);  // filter knob: low-pass
      ch->SetFxDryWet(9, 0.5f);    // echo
      ch->SetFxDryWet(8, 0.5f);    // plate reverb
    }
    mixer.AddMixerChannel(&deckA);
    mixer.AddMixerChannel(&deckB);
    mixer.AddMixerChannel(&silentPreview);
    mixer.AddMixerChannel(&toneS);
    mixer.AddMixerMicrophoneChannel(&mic);
    mixer.SetOnAir(1);
    for (int j = 0; j < 4; ++j) mixer.SetFaderPosition(j, 127);
    mixer.SetCrossfaderCurveStartPoint(50, false);
    mixer.SetCrossfaderChannel(0, 0);
    mixer.SetCrossfaderChannel(1, 1);
    mixer.SetCrossfaderPosition(64);
  }
  ~EngineRig() { output.updateAudioDevices(-1, -1, 0, nullptr, 0); }

  // Opens device row for frames-frame buffers with everything on its first stereo pair.
  void open(int row, int frames) {
    output.updateAudioDevices(row, -1, frames, nullptr, 0);
    output.updateRoutingForOutputDeck(0, 1);
    output.updateRoutingForOutputDeck(1, 1);
    output.updateRoutingForOutputSamplerMic(1);
    output.setAudioRecordingCallback(&recordingTap, nullptr);
    output.setLimiter(true);
  }

  Sine toneA{441.0}, toneB{550.0}, toneS{660.0}, toneMic{220.0}, silentPreview{0.0};
  ZRMixerChannel deckA{&toneA, nullptr, 0}, deckB{&toneB, nullptr, 0}, mic{&toneMic, nullptr, 0};
  ZRMixer mixer{22050};
  ZRAudioMultiOutput output{&mixer, nullptr, nullptr, nullptr};

 private:
  static int recordingTap(float*, int frames, int, void*) { return frames; }
};

}  // namespace orvel_bench
