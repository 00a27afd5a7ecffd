#pragma once
// Fixed delay of the right channel only (a wide "phase" image). Parameter 0: the delay, 10 ms at 0 to 100 ms
// at 1000. The frames just after a change pass undelayed while the line fills. The line and its positions
// survive a stop. Dry/wet allowed.

#include "dsp/engine/effect.h"

class CEffectPhaser : public CEffect {
 public:
  static constexpr int kLineLength = 22050;  // 0.5 s
  static constexpr int kMaxDelayMs = 500;

  CEffectPhaser(void* owner, ZRAudioSignalSource* source);
  ~CEffectPhaser() override;

  void edit() override;
  void start() override;
  void stop() override;
  // Keeps the line: the delay resumes where it stopped.
  void clear() override;
  void process(float buffer[][2], int frames, float bpm) override;
  void setparam(int index, int value) override;
  int getparam(int index) override;

  // Audio-thread state, for inspection.
  int currentDelayMs() const { return delayMs; }

 private:
  void applyAmount(int value);

  ParamMailbox params_;
  std::atomic<int> amount{167};
  int channel = 1;
  int sampleRate = 44100;
  int read = 0;
  int write = -1;
  int lineLength = kLineLength;
  int maxDelayMs = kMaxDelayMs;
  int delayMs = 0;
  int priming = 1;
  std::unique_ptr<float[]> line;
};
