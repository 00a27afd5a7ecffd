// One whole device callback of the sound output: two decks (sine sources) through their mixer channels with
// EQ, filter knob, echo and plate reverb running, a sampler channel, the microphone on air, the master
// limiter and the recording callback, routed to a stereo device. The counter "dsp_load" is the callback's
// CPU time as a share of the buffer's duration at 44100 Hz (1.0 = the whole buffer period).

#include <benchmark/benchmark.h>

#include <vector>

#include "bench/engine_rig.h"
#include "dsp/flush_denormals.h"
#include "soundio/audio_device_table.h"
#include "soundio/zr_audio_io.h"

namespace {

void BM_AudioCallback(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  // A stereo device of our own to route to; the callback is then driven directly, not by the device.
  orvel_bench::ManualPumpScope devices;
  {
    orvel_bench::EngineRig rig;
    rig.open(getAudioDeviceIndexFromName("Manual pump"), frames);
    ZRAudioMultiOutput& output = rig.output;
    std::vector<float> device(2 * static_cast<size_t>(frames));
    // The device layer's callback runs with denormals flushed, as the system's sound threads do.
    ScopedFlushDenormals flushDenormals;
    for (int i = 0; i < 50; ++i)
      ZRAudioMultiOutput::callbackSamplesToBePlayed(device.data(), frames, 2, &output);

    const double cpuStart = orvel_bench::threadCpuSeconds();
    for (auto _ : state) {
      ZRAudioMultiOutput::callbackSamplesToBePlayed(device.data(), frames, 2, &output);
      benchmark::DoNotOptimize(device.data());
    }
    const double cpu = orvel_bench::threadCpuSeconds() - cpuStart;
    const double audio = static_cast<double>(state.iterations()) * frames / 44100.0;
    state.counters["dsp_load"] = cpu / audio;
  }
}

BENCHMARK(BM_AudioCallback)->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);

}  // namespace
