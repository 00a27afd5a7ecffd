#pragma once
// Helpers of the effect tests: a source with a settable tempo, stereo buffers and tone measurements.

#include <cmath>
#include <numbers>
#include <vector>

#include "dsp/engine/zr_audio_signal_source.h"

namespace effects_test {

class TempoSource : public ZRAudioSignalSource {
 public:
  explicit TempoSource(float bpm) : bpm(bpm) {}
  void GetSamples(float* buffer, int frames) override {
    for (int i = 0; i < 2 * frames; ++i) buffer[i] = 0.0f;
  }
  void GetSamplesShort(short*, int) override {}
  float GetCurrentBPM() override { return bpm; }
  int GetCurrentPos() override { return 0; }
  int GetLength() override { return -1; }
  void BeforeGetSamples(int) override {}
  float bpm;
};

using Frames = std::vector<float>;  // interleaved stereo

inline float (*asFrames(Frames& v))[2] {
  return reinterpret_cast<float(*)[2]>(v.data());
}

inline Frames constant(int frames, float left, float right) {
  Frames v(2 * frames);
  for (int i = 0; i < frames; ++i) {
    v[2 * i] = left;
    v[2 * i + 1] = right;
  }
  return v;
}

inline Frames sine(int frames, double hz, float amp, double phase = 0.0) {
  Frames v(2 * frames);
  for (int i = 0; i < frames; ++i) {
    const float s = static_cast<float>(amp * std::sin(2.0 * std::numbers::pi * hz * i / 44100.0 + phase));
    v[2 * i] = s;
    v[2 * i + 1] = s;
  }
  return v;
}

// Runs an effect's process over a long buffer in blocks of at most 4410 frames.
template <class Effect>
void processBlocks(Effect& effect, Frames& v, int block = 1024, float bpm = 0.0f) {
  const int frames = static_cast<int>(v.size() / 2);
  for (int done = 0; done < frames; done += block) {
    const int n = std::min(block, frames - done);
    effect.process(asFrames(v) + done, n, bpm);
  }
}

// Peak magnitude of one channel over frames [from, to).
inline float peak(const Frames& v, int channel, int from, int to) {
  float m = 0.0f;
  for (int i = from; i < to; ++i) m = std::max(m, std::fabs(v[2 * i + channel]));
  return m;
}

// RMS of one channel over frames [from, to).
inline double rms(const Frames& v, int channel, int from, int to) {
  double s = 0.0;
  for (int i = from; i < to; ++i) s += static_cast<double>(v[2 * i + channel]) * v[2 * i + channel];
  return std::sqrt(s / (to - from));
}

}  // namespace effects_test
