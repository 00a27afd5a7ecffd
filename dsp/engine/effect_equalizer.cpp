#include "dsp/engine/effect_equalizer.h"

#include <algorithm>
#include <cmath>

#include "dsp/flush_denormals.h"

CEffectEqualizerIIR::CEffectEqualizerIIR(void* owner, ZRAudioSignalSource* source) : CEffect(owner, source) {
  for (int j = 0; j < kBands; ++j) {
    bandDb[j].store(0.0f, std::memory_order_relaxed);
    bandBuffer[j].reset(new float[2 * kMaxFrames]());
    target[j] = current[j] = stepFactor[j] = 1.0;
    coefficient[j] = 1.0f;
  }
  for (int j = 0; j < kBands; ++j) setBand(j, 0);
}

CEffectEqualizerIIR::~CEffectEqualizerIIR() = default;

void CEffectEqualizerIIR::edit() {}
void CEffectEqualizerIIR::start() {
  CEffect::start();
}
void CEffectEqualizerIIR::stop() {
  CEffect::stop();
}
void CEffectEqualizerIIR::clear() {}
int CEffectEqualizerIIR::allowdrywetmix() {
  return 0;
}

int CEffectEqualizerIIR::getparam(int index) {
  return index == 0 ? 1000 : 0;
}

void CEffectEqualizerIIR::setparam(int index, int value) {
  if (index == 0) return;
  if (index >= 1 && index <= kBands) {
    bandDb[index - 1].store(static_cast<float>(value), std::memory_order_relaxed);
    params_.post(index, value);
  } else {
    params_.post(kOtherIndexSlot, value);
  }
}

void CEffectEqualizerIIR::setBand(int band, int dB) {
  const double applied = dB < -34 ? -100.0 : static_cast<double>(dB);
  target[band] = std::pow(10.0, applied / 20.0) + 1.0;
  stepFactor[band] = std::pow(target[band] / current[band], 1.0 / kGlideValues);
}

void CEffectEqualizerIIR::process(float buffer[][2], int frames, float) {
  ScopedFlushDenormals flush;
  params_.take([this](int slot, int value) { setBand(slot == kOtherIndexSlot ? 0 : slot - 1, value); });
  if (!isRunning()) return;
  const int count = 2 * frames;
  float* samples = &buffer[0][0];
  for (int j = 0; j < kBands; ++j) crossover[j].process(samples, bandBuffer[j].get(), count);
  const float* low = bandBuffer[0].get();
  const float* mid = bandBuffer[1].get();
  const float* high = bandBuffer[2].get();
  const auto gliding = [this] {
    for (int j = 0; j < kBands; ++j) {
      if (current[j] != target[j]) return true;
    }
    return false;
  };
  // While a band glides, every sample takes its step.
  int i = 0;
  for (; i < count && gliding(); ++i) {
    for (int j = 0; j < kBands; ++j) {
      if (current[j] != target[j]) {
        const double next = current[j] * stepFactor[j];
        current[j] = stepFactor[j] < 1.0 ? std::max(next, target[j]) : std::min(next, target[j]);
        coefficient[j] = static_cast<float>(current[j] - 1.0);
      }
    }
    samples[i] = coefficient[0] * low[i] + coefficient[1] * mid[i] + coefficient[2] * high[i];
  }
  // Then the gains hold still.
  const float c0 = coefficient[0], c1 = coefficient[1], c2 = coefficient[2];
  for (; i < count; ++i) samples[i] = c0 * low[i] + c1 * mid[i] + c2 * high[i];
}
