#pragma once
// Resonant 24 dB/octave sweep filter driven by one knob. Parameters: 0 amount, the knob position 0..1000
// (the effect runs while it is above 0); 1 resonance 0..1000 (Q = 0.207 + 5 x value / 1000);
// 10 mode: 0 "LP & HP" (low-pass below the middle, bypass at the middle, high-pass above), 1 "LP", 2 "HP".
// The corner follows 1.106^k Hz, 34 Hz to about 19.4 kHz. No dry/wet.

#include <memory>

#include "dsp/engine/effect.h"

class CIIRFilter;

class CEffectCutoffFilter : public CEffect {
 public:
  CEffectCutoffFilter(void* owner, ZRAudioSignalSource* source);
  ~CEffectCutoffFilter() override;

  void edit() override;
  // Clears the filter and runs.
  void start() override;
  void stop() override;
  void clear() override;
  int allowdrywetmix() override;
  void process(float buffer[][2], int frames, float bpm) override;
  void setparam(int index, int value) override;
  int getparam(int index) override;
  // Index 0 "Frequency" ("OFF", "%d" Hz or "%d.%d" kHz), 1 "Resonance" (unit "%"), 10 "Type".
  bool getparamdetails(int index, char* name, char* value, char* unit) override;

  // The corner last given to the filter in Hz, -1 while bypassed.
  float currentFrequency() const { return frequency.load(std::memory_order_relaxed); }
  int currentLowPass() const { return lowPass.load(std::memory_order_relaxed); }

  // The corner for a knob position in a mode: Hz, or -1 for bypass; lowPass tells the filter type.
  static float frequencyFor(int mode, int amount, int& lowPass);

 private:
  std::atomic<int> amount{500};
  std::atomic<int> resonance{100};
  std::atomic<int> mode{0};
  std::atomic<bool> dirty{true};
  std::unique_ptr<CIIRFilter> filter;
  std::atomic<int> lowPass{0};
  std::atomic<float> frequency{-1.0f};
};
