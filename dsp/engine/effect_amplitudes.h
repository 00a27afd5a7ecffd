#pragma once
// Tempo-synchronised amplitude modulation: kind 0 "beat waw" pulses 1, 2, 4, 8 or 16 times per beat; kind 1
// "autopan" moves from left to right and back once every 1..16 beats, starting at the left. Parameters:
// 0 kind (0 or 1), 1 speed (the beat fraction). Follows the tempo of each buffer (120 BPM when it is 0)
// without phase jumps on tempo changes. Dry/wet allowed.

#include "dsp/engine/effect.h"

class CEffectAmplitudes : public CEffect {
 public:
  CEffectAmplitudes(void* owner, ZRAudioSignalSource* source);
  ~CEffectAmplitudes() override;

  void edit() override;
  // Restarts the modulation from phase 0 and runs.
  void start() override;
  void stop() override;
  void clear() override;
  void process(float buffer[][2], int frames, float bpm) override;
  void setparam(int index, int value) override;
  int getparam(int index) override;

 private:
  int counter = -1;
  std::atomic<int> kind{0};
  double phaseOffset = 0.0;
  float lastBpm = 0.0f;
  std::atomic<int> speed{500};
};
