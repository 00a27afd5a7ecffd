#include "dsp/engine/effect_dynamics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "dsp/fast_log2.h"
#include "dsp/flush_denormals.h"

namespace {

constexpr int kHoldFrames = 176400;  // 4 s below the threshold releases the levelling gain
constexpr float kSilentDb = -318.8f;

// 10^(x/20), with levels at or below -318.8 dB taken as silence.
double dbToGain(double x) {
  return x <= kSilentDb ? 0.0 : std::pow(10.0, x / 20.0);
}

}  // namespace

CEffectDynamics::CEffectDynamics(void* owner, ZRAudioSignalSource* source) : CEffect(owner, source) {
  loadKind(0);
}

CEffectDynamics::~CEffectDynamics() = default;

void CEffectDynamics::edit() {}

void CEffectDynamics::start() {
  clear();
  CEffect::start();
}

void CEffectDynamics::stop() {
  CEffect::stop();
}

void CEffectDynamics::clear() {
  heldGain = lastTarget = currentGain = stepFactor = 1.0;
  envelope = 0.0f;
  previousLeft = 0.0f;
  holdCount = 0;
}

void CEffectDynamics::setparam(int index, int value) {
  if (index < 0 || index > 6) return;
  params_.post(index, value);
}

void CEffectDynamics::apply(int index, int value) {
  switch (index) {
    case 0:
      loadKind(value);
      break;
    case 1:
      attackMs = static_cast<float>(value);
      break;
    case 2:
      releaseMs = static_cast<float>(value);
      break;
    case 3:
      inputGainDb = static_cast<float>(value);
      inputGain = value < -318 ? 0.0f : std::pow(10.0f, inputGainDb / 20.0f);
      break;
    case 4:
      thresholdDb = static_cast<float>(value);
      if (!levelling) updateMakeup();
      break;
    case 5:
      ratio = static_cast<float>(value);
      if (!levelling) updateMakeup();
      break;
    case 6:
      targetDb = static_cast<float>(value);
      break;
    default:
      break;
  }
}

void CEffectDynamics::updateMakeup() {
  const float b = thresholdDb - thresholdDb / ratio;
  makeup = 1.0f / std::pow(10.0f, b / 20.0f);
}

void CEffectDynamics::loadKind(int kind) {
  switch (kind) {
    case 0:
      levelling = 1;
      lookAhead = 0;
      inputGainDb = 6.0f;
      inputGain = 1.9952623f;
      thresholdDb = -42.0f;
      attackMs = 5000.0f;
      releaseMs = 35000.0f;
      targetDb = -12.0f;
      break;
    case 1:
      levelling = 0;
      lookAhead = 0;
      inputGainDb = 0.0f;
      inputGain = 1.0f;
      thresholdDb = -9.0f;
      ratio = 9.0f;
      attackMs = 1.0f;
      releaseMs = 300.0f;
      makeup = 2.5118864f;
      break;
    case 2:
      levelling = 0;
      lookAhead = 1;
      inputGainDb = 0.0f;
      inputGain = 1.0f;
      thresholdDb = -1.5f;
      ratio = 500.0f;
      attackMs = 0.3f;
      releaseMs = 100.0f;
      makeup = 1.0f;
      break;
    default:
      break;
  }
}

float CEffectDynamics::detectorLevelDb(float h) const {
  return fastDecibels(h, -318.7f);
}

void CEffectDynamics::process(float buffer[][2], int frames, float) {
  ScopedFlushDenormals flush;
  params_.take([this](int index, int value) { apply(index, value); });
  if (!isRunning()) return;
  const int last = frames - 1;
  const int lookAheadFrames =
      std::clamp(static_cast<int>(std::ceil(attackMs * 44.1f)), kLookAhead, kMaxLookAhead);
  const double levellingTarget = dbToGain(targetDb);
  for (int i = 0; i < frames; ++i) {
    // Detector first, on frames before their gain is applied. The limiter looks at the loudest sample of
    // either channel from this frame to lookAheadFrames ahead (as far as the buffer goes): a single sample
    // ahead can fall between the peaks of a high tone, a sum of the channels misses a peak on one side or in
    // opposite phase, and a window shorter than the attack lets the first peaks of a loud onset through.
    float h = 0.0f;
    if (lookAhead) {
      const int end = std::min(i + lookAheadFrames, last);
      float m = 0.0f;
      for (int j = i; j <= end; ++j)
        m = std::max(m, std::max(std::fabs(buffer[j][0]), std::fabs(buffer[j][1])));
      h = m * inputGain;
    }
    const float left = buffer[i][0] * inputGain;
    const float right = buffer[i][1] * inputGain;
    if (!lookAhead) h = 0.5f * envelope + 0.25f * std::fabs(left + right);
    envelope = h;
    levelDb = detectorLevelDb(h);

    double g;
    if (levelling) {
      if (levelDb > thresholdDb) {
        holdCount = 0;
        heldGain = levellingTarget / h;
      } else if (holdCount >= kHoldFrames) {
        heldGain = 1.0;
        holdCount = 0;
      } else {
        ++holdCount;
      }
      g = levelDb > targetDb ? levellingTarget / h : heldGain;
    } else if (levelDb > thresholdDb) {
      g = dbToGain(thresholdDb + (levelDb - thresholdDb) / ratio) / h;
    } else {
      g = 1.0;
    }

    if (g != lastTarget) {
      lastTarget = g;
      if (currentGain <= 0.0) {
        currentGain = g;
      } else {
        const double t = g > currentGain ? releaseMs : attackMs;
        stepFactor = std::pow(g / currentGain, 1.0 / (t * 44.1));
      }
    }
    if (currentGain != lastTarget) {
      if (lastTarget > currentGain) {
        currentGain = std::min(currentGain * stepFactor, lastTarget);
      } else {
        currentGain = std::max(currentGain * stepFactor, lastTarget);
        const bool zeroCrossing = left == 0.0f || (left < 0.0f) != (previousLeft < 0.0f);
        if (attackMs < 5.0f && zeroCrossing) currentGain = lastTarget;
      }
    }
    previousLeft = left;

    const float gain = static_cast<float>(levelling ? currentGain : makeup * currentGain);
    buffer[i][0] = left * gain;
    buffer[i][1] = right * gain;
  }
}
