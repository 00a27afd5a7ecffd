#include "dsp/engine/effect_amplitudes.h"

#include <cmath>
#include <numbers>

#include "dsp/flush_denormals.h"

CEffectAmplitudes::CEffectAmplitudes(void* owner, ZRAudioSignalSource* source) : CEffect(owner, source) {}

CEffectAmplitudes::~CEffectAmplitudes() = default;

void CEffectAmplitudes::edit() {}

void CEffectAmplitudes::start() {
  clear();
  CEffect::start();
}

void CEffectAmplitudes::stop() {
  CEffect::stop();
}

void CEffectAmplitudes::clear() {
  counter = -1;
  phaseOffset = 0.0;
}

void CEffectAmplitudes::setparam(int index, int value) {
  if (index == 0 && (value == 0 || value == 1)) kind.store(value, std::memory_order_relaxed);
  if (index == 1) speed.store(value, std::memory_order_relaxed);
}

int CEffectAmplitudes::getparam(int index) {
  return index == 1 ? speed.load(std::memory_order_relaxed) : 0;
}

void CEffectAmplitudes::process(float buffer[][2], int frames, float bpmArgument) {
  ScopedFlushDenormals flush;
  if (!isRunning()) return;
  const int k = kind.load(std::memory_order_relaxed);
  const double beats = mapParamToBeats1__16(speed.load(std::memory_order_relaxed) / 1000.0f);
  const double cyclesPerBeat = k == 0 ? beats : 1.0 / beats;
  const float bpm = bpmArgument == 0.0f ? 120.0f : bpmArgument;
  constexpr double kTwoPi = 2.0 * std::numbers::pi;
  if (bpm != lastBpm) {
    // Keep the phase reached at the old tempo so that the modulation continues without a jump.
    phaseOffset += cyclesPerBeat * lastBpm * counter * kTwoPi / 44100.0 / 60.0;
    lastBpm = bpm;
    counter = 0;
  }
  const double perFrame = kTwoPi / 44100.0 * bpm / 60.0 * cyclesPerBeat;
  for (int i = 0; i < frames; ++i) {
    const double v = 0.5 + 0.5 * std::cos(counter * perFrame + phaseOffset);
    ++counter;
    if (k == 0) {
      buffer[i][0] = static_cast<float>(buffer[i][0] * v);
      buffer[i][1] = static_cast<float>(buffer[i][1] * v);
    } else {
      buffer[i][0] = static_cast<float>(buffer[i][0] * v);
      buffer[i][1] = static_cast<float>(buffer[i][1] * (1.0 - v));
    }
  }
}
