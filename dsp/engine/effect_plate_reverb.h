#pragma once
// The deck reverb: a stereo reverberator (ZR_nrev) at 44100 Hz without oversampling, with six presets
// (parameter 0 kind, 0..5; other indices are ignored). Dry/wet allowed. All lines and work buffers are sized
// at construction, so processing never allocates; a preset chosen while the effect runs is applied on the
// audio thread at its next buffer without allocating.

#include <memory>

#include "dsp/engine/effect.h"

class ZR_nrev;

class CEffectPlateReverb : public CEffect {
 public:
  static constexpr int kPresets = 6;
  // Longest pre-delay of the presets; the pre-delay lines are reserved for it.
  static constexpr float kMaxPreDelayMs = 20.0f;

  CEffectPlateReverb(void* owner, ZRAudioSignalSource* source);
  ~CEffectPlateReverb() override;

  void edit() override;
  // Empties the engine and runs.
  void start() override;
  void stop() override;
  // The engine's mute.
  void clear() override;
  // Nothing when frames exceed kMaxFrames or the effect is not running.
  void process(float buffer[][2], int frames, float bpm) override;
  void setparam(int index, int value) override;
  int getparam(int index) override;

  const ZR_nrev& reverbEngine() const { return *engine; }

 private:
  void applyPreset(int kind);

  ParamMailbox params_;
  std::atomic<int> kind{0};
  std::unique_ptr<ZR_nrev> engine;
  std::unique_ptr<float[]> workLeft, workRight;
};
