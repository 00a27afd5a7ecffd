#include "dsp/engine/effect_cutoff_filter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dsp/flush_denormals.h"
#include "dsp/iir_filters.h"

namespace {

constexpr double kStep = 1.106;

// Knob steps are rounded to the nearest integer, ties to even.
int knobStep(double p, int steps) {
  return static_cast<int>(std::nearbyint(p * steps));
}

}  // namespace

CEffectCutoffFilter::CEffectCutoffFilter(void* owner, ZRAudioSignalSource* source)
    : CEffect(owner, source), filter(new CIIRFilter()) {}

CEffectCutoffFilter::~CEffectCutoffFilter() = default;

void CEffectCutoffFilter::edit() {}

void CEffectCutoffFilter::start() {
  filter->clear();
  CEffect::start();
}

void CEffectCutoffFilter::stop() {
  CEffect::stop();
}

void CEffectCutoffFilter::clear() {
  filter->clear();
}

int CEffectCutoffFilter::allowdrywetmix() {
  return 0;
}

void CEffectCutoffFilter::setparam(int index, int value) {
  switch (index) {
    case 0:
      amount.store(value, std::memory_order_relaxed);
      break;
    case 1:
      resonance.store(value, std::memory_order_relaxed);
      break;
    case 10:
      mode.store(value, std::memory_order_relaxed);
      break;
    default:
      return;
  }
  dirty.store(true, std::memory_order_release);
}

int CEffectCutoffFilter::getparam(int index) {
  switch (index) {
    case 0:
      return amount.load(std::memory_order_relaxed);
    case 1:
      return resonance.load(std::memory_order_relaxed);
    case 10:
      return mode.load(std::memory_order_relaxed);
    default:
      return 0;
  }
}

float CEffectCutoffFilter::frequencyFor(int mode, int amount, int& lowPass) {
  // Knob positions outside 0..1000 are held at the ends, keeping the corner inside the audio band.
  const double p = std::clamp(amount, 0, 1000) / 1000.0;
  switch (mode) {
    case 0: {
      const int k = knobStep(p, 127);
      if (k <= 63) {
        lowPass = 1;
        return static_cast<float>(std::pow(kStep, k + 35));
      }
      if (k == 64) {
        lowPass = 0;
        return -1.0f;
      }
      lowPass = 0;
      return static_cast<float>(std::pow(kStep, k - 30));
    }
    case 1: {
      const int k = knobStep(p, 64);
      lowPass = 1;
      if (k == 0) return -1.0f;
      return static_cast<float>(std::pow(kStep, 99 - k));
    }
    case 2: {
      const int k = knobStep(p, 63);
      lowPass = 0;
      if (k == 0) return -1.0f;
      return static_cast<float>(std::pow(kStep, k + 34));
    }
    default:
      lowPass = 1;
      return 1000.0f;
  }
}

void CEffectCutoffFilter::process(float buffer[][2], int frames, float) {
  ScopedFlushDenormals flush;
  if (dirty.exchange(false, std::memory_order_acquire)) {
    int low = 0;
    const float hz =
        frequencyFor(mode.load(std::memory_order_relaxed), amount.load(std::memory_order_relaxed), low);
    lowPass.store(low, std::memory_order_relaxed);
    frequency.store(hz, std::memory_order_relaxed);
    filter->change_frequency(hz, low, 0.207f + 5.0f * resonance.load(std::memory_order_relaxed) / 1000.0f);
  }
  if (isRunning()) filter->process_CutOff_Filter(buffer, frames * 4);
}

bool CEffectCutoffFilter::getparamdetails(int index, char* name, char* value, char* unit) {
  if (name == nullptr) return false;
  name[0] = '\0';
  if (value != nullptr) value[0] = '\0';
  if (unit != nullptr) unit[0] = '\0';
  // The callers pass 128-character buffers.
  constexpr size_t kText = 128;
  switch (index) {
    case 10: {
      std::snprintf(name, kText, "Type");
      static const char* const kTypes[] = {"LP & HP", "LP", "HP"};
      const int m = mode.load(std::memory_order_relaxed);
      if (value != nullptr && m >= 0 && m <= 2) std::snprintf(value, kText, "%s", kTypes[m]);
      return true;
    }
    case 1:
      std::snprintf(name, kText, "Resonance");
      if (unit != nullptr) std::snprintf(unit, kText, "%%");
      return true;
    case 0: {
      std::snprintf(name, kText, "Frequency");
      const float hz = frequency.load(std::memory_order_relaxed);
      if (hz == -1.0f) {
        if (value != nullptr) std::snprintf(value, kText, "OFF");
        return true;
      }
      const long n = std::lround(hz);
      if (n < 1000) {
        if (value != nullptr) std::snprintf(value, kText, "%d", static_cast<int>(n));
        if (unit != nullptr) std::snprintf(unit, kText, "Hz");
      } else {
        if (value != nullptr)
          std::snprintf(value, kText, "%d.%d", static_cast<int>(n / 1000),
                        static_cast<int>((n % 1000) / 100));
        if (unit != nullptr) std::snprintf(unit, kText, "kHz");
      }
      return true;
    }
    default:
      return false;
  }
}
