#pragma once
// One swept stereo delay line with six kinds (presets): 0..2 flangers whose triangular sweep lasts a number
// of beats of the source's tempo, 3 tremolo-like chorus, 4 "robot delay" (delayed signal only), 5 a slow
// chorus. Parameters: 0 kind (loads its preset and empties the lines), 1 speed (kinds 0..2: sweep period
// 1/4..16 beats; kinds 3..5: sweep rate), 2 feed (feedback of kinds 0..3). Dry/wet allowed.

#include "dsp/engine/effect.h"

class CEffectFlangers : public CEffect {
 public:
  static constexpr int kLineLength = 11025;  // 0.25 s

  CEffectFlangers(void* owner, ZRAudioSignalSource* source);
  ~CEffectFlangers() override;

  void edit() override;
  // Reloads the current kind's preset (empty lines, centred sweep) and runs.
  void start() override;
  void stop() override;
  void clear() override;
  void process(float buffer[][2], int frames, float bpm) override;
  void setparam(int index, int value) override;
  int getparam(int index) override;

  // Audio-thread sweep state, for inspection: position, change per frame and limits.
  double sweepPosition() const { return x; }
  double sweepStep() const { return step; }
  int sweepMin() const { return xMin; }
  int sweepMax() const { return xMax; }

 private:
  void apply(int index, int value);
  void loadKind();
  void computeStep();
  void computeFeedback();

  ParamMailbox params_;
  std::atomic<int> speedShown{1000};
  std::atomic<int> feedShown{500};
  int kind = 0;
  int speed = 1000;
  int feed = 500;
  int sampleRate = 44100;
  int baseDelayMs = 0;
  float feedback = 0.0f, dry = 0.0f, wet = 0.0f;
  float depthMs = 0.0f;
  std::unique_ptr<float[]> lineLeft, lineRight;
  int lineLength = kLineLength;
  int write = 0;
  int newer = 0, older = 0;
  int xMin = 0, xMax = 0;
  double x = 0.0;
  double step = 0.0;
};
