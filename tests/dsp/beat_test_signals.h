#pragma once
// Synthetic rhythm material for the tempo-detector tests: click tracks and
// drum-like patterns built from noise bursts and decaying sines, and a helper
// that runs a detector over a track the way the deck does (one-second blocks,
// onsets of block b written at display point 441 b).

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "dsp/zr_audio_detection.h"

namespace beat_test {

// Beat positions in samples for a steady tempo, or one that moves linearly
// from bpmStart to bpmEnd over the track.
inline std::vector<long> beatSamples(double bpmStart, double bpmEnd, double seconds,
                                     double firstBeat = 0.25) {
  std::vector<long> beats;
  double t = firstBeat;
  while (t < seconds - 0.05) {
    beats.push_back(lrint(t * 44100));
    const double bpm = bpmStart + (bpmEnd - bpmStart) * (t / seconds);
    t += 60.0 / bpm;
  }
  return beats;
}

// A short decaying noise click (about 10 ms) on every beat.
inline std::vector<float> clickTrack(const std::vector<long>& beats, double seconds) {
  std::vector<float> audio(static_cast<size_t>(seconds * 44100), 0.0f);
  std::mt19937 rng(1);
  std::uniform_real_distribution<float> noise(-1, 1);
  for (long b : beats) {
    for (int i = 0; i < 441 && b + i < static_cast<long>(audio.size()); ++i) {
      audio[b + i] += 0.8f * noise(rng) * expf(-i / 80.0f);
    }
  }
  return audio;
}

// Kick (pitch-falling sine) on beats 1 and 3, snare (noise and a 185 Hz
// tone) on 2 and 4, closed hat (bright noise) on every eighth note.
inline std::vector<float> drumPattern(const std::vector<long>& beats, double seconds) {
  std::vector<float> audio(static_cast<size_t>(seconds * 44100), 0.0f);
  std::mt19937 rng(2);
  std::uniform_real_distribution<float> noise(-1, 1);
  auto add = [&](long at, int i, float v) {
    if (at + i >= 0 && at + i < static_cast<long>(audio.size())) audio[at + i] += v;
  };
  for (size_t n = 0; n < beats.size(); ++n) {
    const long b = beats[n];
    if (n % 2 == 0) {
      double phase = 0;
      for (int i = 0; i < 6615; ++i) {
        const double f = 55 + 95 * exp(-i / 1500.0);
        phase += 2 * M_PI * f / 44100;
        add(b, i, static_cast<float>(0.9 * sin(phase) * exp(-i / 4000.0)));
      }
    } else {
      for (int i = 0; i < 4410; ++i) {
        add(b, i,
            0.45f * noise(rng) * expf(-i / 900.0f) +
                static_cast<float>(0.4 * sin(2 * M_PI * 185 * i / 44100) * exp(-i / 1500.0)));
      }
    }
    const long next = n + 1 < beats.size() ? beats[n + 1] : b + (b - (n > 0 ? beats[n - 1] : 0));
    for (long h : {b, (b + next) / 2}) {
      float prev = 0;
      for (int i = 0; i < 1323; ++i) {
        const float w = noise(rng);
        add(h, i, 0.25f * (w - prev) * expf(-i / 250.0f));  // differenced noise: bright
        prev = w;
      }
    }
  }
  return audio;
}

struct Analysis {
  float bpm = 0;
  std::vector<float> onsets;
  std::vector<float> marks;
  int count = 0;
  int result = 0;
};

// Runs one track through a detector in one-second mono float blocks.
inline Analysis analyse(ZRAudioDetection& d, const std::vector<float>& audio, int suggestedBpm) {
  Analysis a;
  const int frames = static_cast<int>(audio.size());
  a.count = frames / 100;
  a.onsets.assign(a.count + 441, 0.0f);
  a.marks.assign(a.count + 441, 0.0f);
  d.resetAndStartProcessing(frames, 0);
  for (int b = 0; b * 44100 < frames; ++b) {
    const int n = std::min(44100, frames - b * 44100);
    d.process(audio.data() + static_cast<size_t>(b) * 44100, n, 1, a.onsets.data() + 441 * b, 0);
  }
  a.result = d.detectAudioFeatures(a.onsets.data(), a.count, suggestedBpm, a.marks.data());
  a.bpm = d.getAverageBPM();
  return a;
}

inline std::vector<int> markedPoints(const std::vector<float>& marks, int count) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) {
    if (marks[i] >= 54.999f) out.push_back(i);
  }
  return out;
}

}  // namespace beat_test
