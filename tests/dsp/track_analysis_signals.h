#pragma once
// Generated tracks as the decks hold them (16-bit stereo) and the analysis as a
// deck runs it over them: one-second blocks into the waveform display data
// (rms, low and high band) and the tempo detector (onsets and loudness), then
// the final analysis marking the beats into the low band. Shared by the tests
// that pin the analysis results and the benchmark that times the same path.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dsp/audio_display_processing.h"
#include "dsp/zr_audio_detection.h"
#include "tests/dsp/beat_test_signals.h"

namespace track_analysis {

// kKickHatChord: a kick on every beat, a hat on every off-beat and a 220/277 Hz chord underneath, the
// pattern whose off-beat pulls the autocorrelation's tempo away from the true one.
enum class Material { kClicks, kDrums, kDrumsAndChord, kToneAndNoise, kSilence, kKickHatChord };

struct TrackRecipe {
  const char* name;
  Material material;
  double bpmStart, bpmEnd;
  double seconds;
};

// Interleaved 16-bit stereo of a recipe. Drums and clicks sit in both channels;
// with a chord the chord is louder on the right.
inline std::vector<int16_t> makeTrack(const TrackRecipe& recipe) {
  const std::vector<long> beats = beat_test::beatSamples(recipe.bpmStart, recipe.bpmEnd, recipe.seconds);
  std::vector<float> mono;
  switch (recipe.material) {
    case Material::kClicks:
      mono = beat_test::clickTrack(beats, recipe.seconds);
      break;
    case Material::kDrums:
    case Material::kDrumsAndChord:
      mono = beat_test::drumPattern(beats, recipe.seconds);
      break;
    case Material::kToneAndNoise: {
      mono.assign(static_cast<size_t>(recipe.seconds * 44100), 0.0f);
      std::mt19937 rng(3);
      std::uniform_real_distribution<float> noise(-1, 1);
      for (size_t i = 0; i < mono.size(); ++i) {
        mono[i] = static_cast<float>(0.3 * sin(2 * M_PI * 440 * i / 44100.0)) + 0.05f * noise(rng);
      }
      break;
    }
    case Material::kSilence:
      mono.assign(static_cast<size_t>(recipe.seconds * 44100), 0.0f);
      break;
    case Material::kKickHatChord: {
      mono.assign(static_cast<size_t>(recipe.seconds * 44100), 0.0f);
      std::mt19937 rng(5);
      std::uniform_real_distribution<double> noise(-1, 1);
      auto add = [&](long at, long i, double v) {
        if (at + i >= 0 && at + i < static_cast<long>(mono.size())) mono[at + i] += static_cast<float>(v);
      };
      for (size_t n = 0; n < beats.size(); ++n) {
        const long b = beats[n];
        for (long i = 0; i < 6615; ++i) {
          const double t = i / 44100.0;
          add(b, i, 0.8 * sin(2 * M_PI * (50 + 100 * exp(-t * 30)) * t) * exp(-t * 20));
        }
        const long next = n + 1 < beats.size() ? beats[n + 1] : b + (b - (n > 0 ? beats[n - 1] : 0));
        for (long i = 0; i < 1764; ++i) add((b + next) / 2, i, 0.3 * noise(rng) * exp(-i / 551.25));
      }
      for (size_t i = 0; i < mono.size(); ++i)
        mono[i] +=
            static_cast<float>(0.1 * (sin(2 * M_PI * 220 * i / 44100.0) + sin(2 * M_PI * 277 * i / 44100.0)));
      break;
    }
  }
  std::vector<int16_t> out(2 * mono.size());
  for (size_t i = 0; i < mono.size(); ++i) {
    double left = mono[i], right = mono[i];
    if (recipe.material == Material::kDrumsAndChord) {
      const double t = i / 44100.0;
      const double chord = sin(2 * M_PI * 220 * t) + sin(2 * M_PI * 277.2 * t) + sin(2 * M_PI * 329.6 * t);
      left = 0.7 * mono[i] + 0.05 * chord;
      right = 0.5 * mono[i] + 0.15 * chord;
    }
    out[2 * i] = static_cast<int16_t>(lrint(std::clamp(left, -1.0, 1.0) * 24000));
    out[2 * i + 1] = static_cast<int16_t>(lrint(std::clamp(right, -1.0, 1.0) * 24000));
  }
  return out;
}

struct Result {
  float bpm = 0;
  float testBpm = 0;
  float gain = 0;
  bool gainValid = false;
  int points = 0;
  std::vector<float> onsets;          // as the blocks left them, before the final analysis
  std::vector<float> rms, low, high;  // low carries the beat marks
};

// The deck's analysis objects, made once and reused track after track.
struct Analyser {
  explicit Analyser(bool steady)
      : detector(ZRAudioDetection::create(true, false, steady)),
        display(44100, true, true, true, true, true) {
    detector->setMarkValues(55.0f, 65.0f);
  }

  Result run(const std::vector<int16_t>& stereo, int suggestedBpm) {
    Result r;
    const int frames = static_cast<int>(stereo.size() / 2);
    const int blocks = (frames + 44099) / 44100;
    r.points = blocks * 441;
    r.onsets.assign(r.points + 1, 0.0f);
    r.rms.assign(r.points + 1, 0.0f);
    r.low.assign(r.points + 1, 0.0f);
    r.high.assign(r.points + 1, 0.0f);
    detector->resetAndStartProcessing(frames, 0);
    display.reset();
    for (int b = 0; b < blocks; ++b) {
      const int n = std::min(44100, frames - b * 44100);
      const short* block = stereo.data() + 2 * static_cast<size_t>(b) * 44100;
      const int at = b * 441;
      display.process(block, n, 2, r.rms.data() + at, r.low.data() + at, nullptr, r.high.data() + at,
                      nullptr);
      detector->process(block, n, 2, r.onsets.data() + at, 0);
    }
    std::vector<float> onsets = r.onsets;
    detector->detectAudioFeatures(onsets.data(), r.points, suggestedBpm, r.low.data());
    r.bpm = detector->getAverageBPM();
    r.testBpm = detector->getTestBPM();
    r.gainValid = detector->hasAutoGain();
    r.gain = detector->getAutoGain();
    return r;
  }

  std::unique_ptr<ZRAudioDetection> detector;
  ZRAudioDisplayProcessing display;
};

}  // namespace track_analysis
