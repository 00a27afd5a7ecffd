#pragma once
// Stereo multi-tap echo with cross-feed, feedback and a soft low-pass in the feedback path
// (`CEffectReverbs`). Kind 0: three taps at 30..150, 40..200 and 50..246 ms (speed); kind 1: one tap at 1/2,
// 1 or 2 beats of the source's tempo (at least 60 BPM, 120 without a source). Parameters: 0 kind, 1 speed, 2
// feed (feedback); every change reloads the taps and empties the lines. Outputs and line inputs are held
// within -1..1. It mixes dry and echo itself and also allows the base dry/wet mix.

#include "dsp/engine/effect.h"

// One tap as passed to the loader: delay in ms, gain in percent.
struct TEcho {
  int delayMs;
  float gainPercent;
};

class CEffectReverbs : public CEffect {
 public:
  static constexpr int kMaxTaps = 10;
  static constexpr int kLineLength = 88200;  // 2 s
  static constexpr int kMaxTapMs = 2000;

  CEffectReverbs(void* owner, ZRAudioSignalSource* source);
  ~CEffectReverbs() override;

  void edit() override;
  // Kind 1 reloads its taps first, so the echo follows the tempo at each start.
  void start() override;
  void stop() override;
  void clear() override;
  void process(float buffer[][2], int frames, float bpm) override;
  void setparam(int index, int value) override;
  int getparam(int index) override;

  // Audio-thread state, for inspection: the taps' delays in samples and the mix gains.
  int tapCountValue() const { return tapCount; }
  int tapDelaySamples(int i) const;
  float feedbackValue() const { return feedback; }

 private:
  struct Tap {
    int position;
    float gain;
  };

  void apply(int index, int value);
  void reloadKind();
  // Installs up to kMaxTaps taps and the four mix percentages; empties the lines.
  void loadTaps(const TEcho* taps, int count, float dryPercent, float crossPercent, float wetPercent,
                float feedbackPercent);

  ParamMailbox params_;
  std::atomic<int> speedShown{500};
  std::atomic<int> feedShown{500};
  int kind = 0;
  int sampleRate = 44100;
  int tapCount = 0;
  Tap taps[kMaxTaps] = {};
  int tapSamples[kMaxTaps] = {};
  float dry = 0.0f, cross = 0.0f, wet = 0.0f, feedback = 0.0f;
  std::unique_ptr<float[]> lineLeft, lineRight;
  float lowLeft = 0.0f, lowRight = 0.0f;
  int lineLength = kLineLength;
  int write = 0;
  int maxTapMs = kMaxTapMs;
  int speed = 500;
  int feed = 500;
};
