#include "dsp/engine/effect_phaser.h"

#include <algorithm>

#include "dsp/flush_denormals.h"

CEffectPhaser::CEffectPhaser(void* owner, ZRAudioSignalSource* source)
    : CEffect(owner, source), line(new float[kLineLength]()) {
  applyAmount(167);
}

CEffectPhaser::~CEffectPhaser() = default;

void CEffectPhaser::edit() {}
void CEffectPhaser::start() {
  CEffect::start();
}
void CEffectPhaser::stop() {
  CEffect::stop();
}
void CEffectPhaser::clear() {}

void CEffectPhaser::setparam(int index, int value) {
  if (index != 0) return;
  amount.store(value, std::memory_order_relaxed);
  params_.post(0, value);
}

int CEffectPhaser::getparam(int index) {
  return index == 0 ? amount.load(std::memory_order_relaxed) : 0;
}

void CEffectPhaser::applyAmount(int value) {
  delayMs = std::min(static_cast<int>(10.0 + 90.0 * value / 1000.0), maxDelayMs);
  // Negative amounts below -111 would ask for a negative delay: no delay then (the effect passes through).
  delayMs = std::max(delayMs, 0);
  read = lineLength - (delayMs * sampleRate) / 1000 - 1;
  write = -1;
  priming = 1;
}

void CEffectPhaser::process(float buffer[][2], int frames, float) {
  ScopedFlushDenormals flush;
  params_.take([this](int, int value) { applyAmount(value); });
  if (!isRunning() || delayMs <= 0) return;
  float* data = line.get();
  for (int i = 0; i < frames; ++i) {
    write = (write + 1) % lineLength;
    data[write] = buffer[i][channel];
    read = (read + 1) % lineLength;
    if (priming) {
      if (read == 0) priming = 0;
    } else {
      buffer[i][channel] = data[read];
    }
  }
}
