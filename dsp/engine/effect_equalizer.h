#pragma once
// Three-band equaliser with kills on the fixed Bessel crossover (low < 340 Hz < mid < 8 kHz < high).
// Parameters 1, 2, 3: low, mid and high gain in whole dB; below -34 dB a band is killed (applied as -100 dB).
// Gain changes glide exponentially (in gain + 1) over 220 values (110 frames), so kills do not click; a new
// equaliser rises from silence to unity over its first 110 frames. Always on: getparam(0) is 1000. No
// dry/wet.

#include "dsp/engine/effect.h"
#include "dsp/iir_filters.h"

class CEffectEqualizerIIR : public CEffect {
 public:
  static constexpr int kBands = 3;
  // Values over which a gain change glides.
  static constexpr int kGlideValues = 220;

  CEffectEqualizerIIR(void* owner, ZRAudioSignalSource* source);
  ~CEffectEqualizerIIR() override;

  void edit() override;
  void start() override;
  void stop() override;
  // Leaves the crossover state and the gains as they are.
  void clear() override;
  int allowdrywetmix() override;
  void process(float buffer[][2], int frames, float bpm) override;
  // Index 1..3 a band in dB; index 0 (the on/off amount of switched effects, fixed at 1000 here) is ignored;
  // any other index sets the low band without being remembered as its value.
  void setparam(int index, int value) override;
  int getparam(int index) override;

  // Last gain set per band in dB (0 low, 1 mid, 2 high).
  float bandGainDb(int band) const { return bandDb[band].load(std::memory_order_relaxed); }

 private:
  static constexpr int kOtherIndexSlot = 4;
  void setBand(int band, int dB);

  ParamMailbox params_;
  std::atomic<float> bandDb[kBands];
  CIIRFilterBessel crossover[kBands] = {CIIRFilterBessel(0), CIIRFilterBessel(1), CIIRFilterBessel(2)};
  std::unique_ptr<float[]> bandBuffer[kBands];
  double target[kBands];
  double current[kBands];
  double stepFactor[kBands];
  float coefficient[kBands];
};
