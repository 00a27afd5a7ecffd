#include "dsp/engine/effect_bit_crusher.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

CEffectBitReducer::CEffectBitReducer(void* owner, ZRAudioSignalSource* source, int steps, int initialAmount)
    : CEffect(owner, source), steps_(steps) {
  setparam(0, initialAmount);
}

void CEffectBitReducer::edit() {}
void CEffectBitReducer::start() {
  CEffect::start();
}
void CEffectBitReducer::stop() {
  CEffect::stop();
}
void CEffectBitReducer::clear() {}
int CEffectBitReducer::allowdrywetmix() {
  return 0;
}

void CEffectBitReducer::setparam(int index, int value) {
  if (index != 0) return;
  const double p = value / 1000.0;
  const int bits = 14 + static_cast<int>(std::nearbyint(steps_ * p));
  shift.store(std::clamp(bits, 14, 14 + steps_), std::memory_order_relaxed);
  amount.store(value, std::memory_order_relaxed);
}

int CEffectBitReducer::getparam(int index) {
  return index == 0 ? amount.load(std::memory_order_relaxed) : 0;
}

void CEffectBitReducer::process(float buffer[][2], int frames, float) {
  if (!isRunning()) return;
  // 64-bit integers: a sample far beyond full scale must not overflow the scaled value.
  const int64_t mask = ~int64_t{0} << shift.load(std::memory_order_relaxed);
  const float unit = 1.0f / scale;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < 2; ++c) {
      const int64_t q = std::llrint(static_cast<double>(buffer[i][c]) * scale) & mask;
      buffer[i][c] = static_cast<float>(q) * unit;
    }
  }
}

CEffectBitCrusher::CEffectBitCrusher(void* owner, ZRAudioSignalSource* source)
    : CEffectBitReducer(owner, source, 8, 1000) {}
CEffectBitCrusher::~CEffectBitCrusher() = default;

CEffectBeatSplice::CEffectBeatSplice(void* owner, ZRAudioSignalSource* source)
    : CEffectBitReducer(owner, source, 9, 0) {}
CEffectBeatSplice::~CEffectBeatSplice() = default;
