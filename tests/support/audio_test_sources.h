#pragma once
// Generated audio sources for mixer and sound-output tests: a constant (DC) source and a sine source, both
// counting how they are pulled. Header-only: only the engine and sound-output tests include it.

#include <algorithm>
#include <cmath>

#include "dsp/engine/zr_audio_signal_source.h"

namespace orvel_test {

class ConstSource : public ZRAudioSignalSource {
 public:
  ConstSource(float left, float right) : left(left), right(right) {}
  void GetSamples(float* buffer, int frames) override {
    ++pulls;
    maxFrames = std::max(maxFrames, frames);
    totalFrames += frames;
    for (int i = 0; i < frames; ++i) {
      buffer[2 * i] = left;
      buffer[2 * i + 1] = right;
    }
  }
  void GetSamplesShort(short*, int) override {}
  float GetCurrentBPM() override { return bpm; }
  int GetCurrentPos() override { return position; }
  int GetLength() override { return length; }
  // The latest passes as decimal digits, oldest first (only the last nine are kept, so a long run
  // cannot overflow the count).
  void BeforeGetSamples(int pass) override { passes = (passes % 100000000) * 10 + pass + 1; }

  float left, right;
  float bpm = 0.0f;
  int position = 0, length = -1;
  int pulls = 0, maxFrames = 0;
  long totalFrames = 0;
  long passes = 0;
};

// A sine of the given frequency at 44100 Hz, continuous across calls (left and right the same).
class SineSource : public ZRAudioSignalSource {
 public:
  SineSource(double freq, float amp) : freq(freq), amp(amp) {}
  void GetSamples(float* buffer, int frames) override {
    maxFrames = std::max(maxFrames, frames);
    for (int i = 0; i < frames; ++i) {
      const float v =
          static_cast<float>(amp * std::sin(2.0 * M_PI * freq * static_cast<double>(phase++) / 44100.0));
      buffer[2 * i] = v;
      buffer[2 * i + 1] = v;
    }
  }
  void GetSamplesShort(short*, int) override {}
  float GetCurrentBPM() override { return 120.0f; }
  int GetCurrentPos() override { return static_cast<int>(phase); }
  int GetLength() override { return -1; }
  void BeforeGetSamples(int) override {}
  // The value this source produced at frame index n.
  float at(long n) const { return static_cast<float>(amp * std::sin(2.0 * M_PI * freq * n / 44100.0)); }

  double freq;
  float amp;
  long phase = 0;
  int maxFrames = 0;
};

}  // namespace orvel_test
