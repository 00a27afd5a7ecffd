#include "dsp/engine/effect_flangers.h"

#include <algorithm>
#include <cmath>

#include "dsp/flush_denormals.h"

namespace {

struct FlangerPreset {
  float dry, wet;
  float feedbackBase, feedbackRange;  // percent: base + range x feed / 1000
  int baseDelayMs;
  float depthMs;
};

constexpr FlangerPreset kPresets[6] = {
    {0.60f, 0.50f, 20.0f, 20.0f, 2, 3.0f}, {0.60f, 0.50f, 30.0f, 60.0f, 1, 3.0f},
    {0.0f, 1.00f, 65.0f, 30.0f, 2, 3.0f},  {0.90f, 0.90f, 10.0f, 20.0f, 3, 0.5f},
    {0.0f, 1.00f, 0.0f, 0.0f, 1, 18.0f},   {0.60f, 0.60f, 0.0f, 0.0f, 20, 20.0f},
};

}  // namespace

CEffectFlangers::CEffectFlangers(void* owner, ZRAudioSignalSource* source)
    : CEffect(owner, source), lineLeft(new float[kLineLength]()), lineRight(new float[kLineLength]()) {
  loadKind();
}

CEffectFlangers::~CEffectFlangers() = default;

void CEffectFlangers::edit() {}

void CEffectFlangers::start() {
  params_.take([this](int index, int value) { apply(index, value); });
  loadKind();
  CEffect::start();
}

void CEffectFlangers::stop() {
  CEffect::stop();
}

void CEffectFlangers::clear() {
  std::fill(lineLeft.get(), lineLeft.get() + lineLength, 0.0f);
  std::fill(lineRight.get(), lineRight.get() + lineLength, 0.0f);
  write = newer = older = 0;
  x = (xMin + xMax) / 2.0;
}

void CEffectFlangers::setparam(int index, int value) {
  if (index < 0 || index > 2) return;
  if (index == 1) speedShown.store(value, std::memory_order_relaxed);
  if (index == 2) feedShown.store(value, std::memory_order_relaxed);
  params_.post(index, value);
}

int CEffectFlangers::getparam(int index) {
  if (index == 1) return speedShown.load(std::memory_order_relaxed);
  if (index == 2) return feedShown.load(std::memory_order_relaxed);
  return 0;
}

void CEffectFlangers::apply(int index, int value) {
  switch (index) {
    case 0:
      kind = value;
      loadKind();
      break;
    case 1:
      speed = value;
      computeStep();
      break;
    case 2:
      feed = value;
      if (kind >= 0 && kind <= 3) computeFeedback();
      break;
    default:
      break;
  }
}

void CEffectFlangers::computeFeedback() {
  const FlangerPreset& preset = kPresets[kind];
  feedback = (preset.feedbackBase + preset.feedbackRange * (feed / 1000.0f)) / 100.0f;
}

void CEffectFlangers::computeStep() {
  const float p1 = speed / 1000.0f;
  if (kind >= 0 && kind <= 2) {
    const double bpm = sourceTempo();
    const double beats = mapParamToBeats1_4__16(p1);
    step = 2.0 * (xMax - xMin) / beatFrames(bpm) / beats;
  } else {
    step = (120.0 * p1 + 30.0) * 0.001;
  }
}

void CEffectFlangers::loadKind() {
  if (kind < 0 || kind > 5) return;
  const FlangerPreset& preset = kPresets[kind];
  dry = preset.dry;
  wet = preset.wet;
  depthMs = preset.depthMs;
  baseDelayMs = std::min(preset.baseDelayMs, 250);
  computeFeedback();
  std::fill(lineLeft.get(), lineLeft.get() + lineLength, 0.0f);
  std::fill(lineRight.get(), lineRight.get() + lineLength, 0.0f);
  write = newer = older = 0;
  const int a = lineLength - (sampleRate * baseDelayMs) / 1000;
  xMax = a - 2;
  xMin = std::max(0, static_cast<int>(std::floor(xMax - sampleRate * depthMs / 1000.0)));
  x = (xMin + xMax) / 2.0;
  computeStep();
}

void CEffectFlangers::process(float buffer[][2], int frames, float) {
  ScopedFlushDenormals flush;
  params_.take([this](int index, int value) { apply(index, value); });
  if (!isRunning()) return;
  float* left = lineLeft.get();
  float* right = lineRight.get();
  for (int i = 0; i < frames; ++i) {
    const double f = x - std::floor(x);
    const float tapL = static_cast<float>((1.0 - f) * left[older] + f * left[newer]);
    const float tapR = static_cast<float>((1.0 - f) * right[older] + f * right[newer]);
    const float wL = buffer[i][0] + feedback * tapL;
    const float wR = buffer[i][1] + feedback * tapR;
    left[write] = wL;
    right[write] = wR;
    buffer[i][0] = dry * wL + wet * tapL;
    buffer[i][1] = dry * wR + wet * tapR;
    write = (write + 1) % lineLength;
    x += step;
    newer = (static_cast<int>(std::floor(x)) + write) % lineLength;
    if (newer < 0) newer += lineLength;  // a sweep turning just below a limit of 0
    older = newer == 0 ? 0 : newer - 1;
    if (x > xMax || x < xMin) step = -step;
  }
}
