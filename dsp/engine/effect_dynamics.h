#pragma once
// Gain computer with three presets: levelling (kind 0, drives everything above a threshold towards a target
// level), compressor (kind 1) and look-ahead limiter (kind 2, the master limiter). Parameters:
// 0 kind, 1 attack ms (gain decrease), 2 release ms (gain increase), 3 input gain dB (below -318 silent),
// 4 threshold dB, 5 ratio, 6 levelling target dB. getparam is 0 for every index. Dry/wet allowed.

#include "dsp/engine/effect.h"

class CEffectDynamics : public CEffect {
 public:
  // Frames the limiter's detector looks ahead: at least 12, and as many as the attack takes (at most 64) so
  // that the gain has arrived when the peak does.
  static constexpr int kLookAhead = 12;
  static constexpr int kMaxLookAhead = 64;

  CEffectDynamics(void* owner, ZRAudioSignalSource* source);
  ~CEffectDynamics() override;

  void edit() override;
  // Clears the gain computer and runs.
  void start() override;
  void stop() override;
  void clear() override;
  void process(float buffer[][2], int frames, float bpm) override;
  void setparam(int index, int value) override;

  // The gain currently applied (before makeup); audio-thread state, for inspection.
  double currentGainValue() const { return currentGain; }

 private:
  void apply(int index, int value);
  void loadKind(int kind);
  void updateMakeup();
  float detectorLevelDb(float h) const;

  ParamMailbox params_;
  float inputGainDb = 0.0f;
  float inputGain = 1.0f;
  float envelope = 0.0f;
  float levelDb = 0.0f;
  float previousLeft = 0.0f;
  float makeup = 1.0f;
  float thresholdDb = 0.0f;
  float ratio = 1.0f;
  float attackMs = 0.0f;
  float releaseMs = 0.0f;
  double heldGain = 1.0, lastTarget = 1.0, currentGain = 1.0, stepFactor = 1.0;
  float targetDb = 0.0f;
  int holdCount = 0;
  int levelling = 1;
  int lookAhead = 0;
};
