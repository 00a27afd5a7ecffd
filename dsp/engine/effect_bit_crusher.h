#pragma once
// Sample-resolution reduction: each sample is rounded to 23 fractional bits and its lowest bits cleared.
// `CEffectBitCrusher` clears 14..22 bits (parameter 0 amount 0..1000; at 22 bits a unit of amplitude keeps
// two steps), `CEffectBeatSplice` 14..23 bits. Both run while their amount is above 0; no dry/wet.

#include "dsp/engine/effect.h"

class CEffectBitReducer : public CEffect {
 public:
  void edit() override;
  void start() override;
  void stop() override;
  // Nothing to clear: the effect has no state.
  void clear() override;
  int allowdrywetmix() override;
  void process(float buffer[][2], int frames, float bpm) override;
  void setparam(int index, int value) override;
  int getparam(int index) override;

  int shiftValue() const { return shift.load(std::memory_order_relaxed); }
  int maskValue() const { return static_cast<int>(static_cast<uint32_t>(-1) << shiftValue()); }

 protected:
  CEffectBitReducer(void* owner, ZRAudioSignalSource* source, int steps, int initialAmount);

 private:
  float scale = 8388608.0f;  // 2^23
  int steps_;
  std::atomic<int> shift{14};
  std::atomic<int> amount{0};
};

class CEffectBitCrusher : public CEffectBitReducer {
 public:
  CEffectBitCrusher(void* owner, ZRAudioSignalSource* source);
  ~CEffectBitCrusher() override;
};

class CEffectBeatSplice : public CEffectBitReducer {
 public:
  CEffectBeatSplice(void* owner, ZRAudioSignalSource* source);
  ~CEffectBeatSplice() override;
};
