#include "dsp/engine/effect_echo.h"

#include <algorithm>
#include <cmath>

#include "dsp/flush_denormals.h"

CEffectReverbs::CEffectReverbs(void* owner, ZRAudioSignalSource* source)
    : CEffect(owner, source), lineLeft(new float[kLineLength]()), lineRight(new float[kLineLength]()) {
  reloadKind();
}

CEffectReverbs::~CEffectReverbs() = default;

void CEffectReverbs::edit() {}

void CEffectReverbs::start() {
  params_.take([this](int index, int value) { apply(index, value); });
  if (kind == 1) reloadKind();
  CEffect::start();
}

void CEffectReverbs::stop() {
  CEffect::stop();
}

void CEffectReverbs::clear() {
  std::fill(lineLeft.get(), lineLeft.get() + lineLength, 0.0f);
  std::fill(lineRight.get(), lineRight.get() + lineLength, 0.0f);
  write = 0;
  for (int i = 0; i < tapCount; ++i) taps[i].position = lineLength - tapSamples[i];
  lowLeft = lowRight = 0.0f;
}

void CEffectReverbs::setparam(int index, int value) {
  if (index < 0 || index > 2) return;
  if (index == 1) speedShown.store(value, std::memory_order_relaxed);
  if (index == 2) feedShown.store(value, std::memory_order_relaxed);
  params_.post(index, value);
}

int CEffectReverbs::getparam(int index) {
  if (index == 1) return speedShown.load(std::memory_order_relaxed);
  if (index == 2) return feedShown.load(std::memory_order_relaxed);
  return 0;
}

int CEffectReverbs::tapDelaySamples(int i) const {
  return i >= 0 && i < tapCount ? tapSamples[i] : 0;
}

void CEffectReverbs::apply(int index, int value) {
  if (index == 0) {
    kind = value;
  } else if (index == 1) {
    speed = value;
  } else {
    feed = value;
  }
  reloadKind();
}

void CEffectReverbs::reloadKind() {
  const float bpm = sourceTempo();
  const float p1 = speed / 1000.0f;
  const float p2 = feed / 1000.0f;
  if (kind == 0) {
    const TEcho list[3] = {{static_cast<int>(120 * p1 + 30), 60.0f},
                           {static_cast<int>(160 * p1 + 40), 40.0f},
                           {static_cast<int>(196 * p1 + 50), 20.0f}};
    loadTaps(list, 3, 85.0f, 20.0f, 35.0f, std::trunc(60 * p2 + 15));
  } else if (kind == 1) {
    const float beats = mapParamToBeats1_2__2(p1);
    const TEcho list[1] = {{static_cast<int>(std::lround(beats * 60000.0 / bpm)), 70.0f}};
    loadTaps(list, 1, 75.0f, 20.0f, 80.0f, std::trunc(60 * p2 + 30));
  }
}

void CEffectReverbs::loadTaps(const TEcho* list, int count, float dryPercent, float crossPercent,
                              float wetPercent, float feedbackPercent) {
  if (count > kMaxTaps || count < 0) return;
  for (int i = 0; i < count; ++i) {
    const long ms = std::min(list[i].delayMs, maxTapMs);
    const long scaled = ms * sampleRate;
    tapSamples[i] = scaled < 1000 ? 1 : static_cast<int>(scaled / 1000);
    taps[i].position = lineLength - tapSamples[i];
    taps[i].gain = list[i].gainPercent / 100.0f;
  }
  std::fill(lineLeft.get(), lineLeft.get() + lineLength, 0.0f);
  std::fill(lineRight.get(), lineRight.get() + lineLength, 0.0f);
  write = 0;
  lowLeft = lowRight = 0.0f;
  tapCount = count;
  dry = dryPercent / 100.0f;
  cross = crossPercent / 100.0f;
  wet = wetPercent / 100.0f;
  feedback = feedbackPercent / 100.0f;
}

void CEffectReverbs::process(float buffer[][2], int frames, float) {
  ScopedFlushDenormals flush;
  params_.take([this](int index, int value) { apply(index, value); });
  if (!isRunning() || tapCount <= 0) return;
  float* left = lineLeft.get();
  float* right = lineRight.get();
  for (int i = 0; i < frames; ++i) {
    const float dL = dry * buffer[i][0];
    const float dR = dry * buffer[i][1];

    float s = 0.0f;
    for (int t = 0; t < tapCount; ++t) s += taps[t].gain * left[taps[t].position];
    lowLeft = (s + lowLeft) * 0.5f;
    const float outL = std::clamp(wet * lowLeft + dL, -1.0f, 1.0f);
    left[write] = std::clamp(feedback * lowLeft + cross * dR + dL, -1.0f, 1.0f);

    s = 0.0f;
    for (int t = 0; t < tapCount; ++t) {
      s += taps[t].gain * right[taps[t].position];
      if (++taps[t].position >= lineLength) taps[t].position = 0;
    }
    lowRight = (s + lowRight) * 0.5f;
    const float outR = std::clamp(wet * lowRight + dR, -1.0f, 1.0f);
    right[write] = std::clamp(feedback * lowRight + cross * dL + dR, -1.0f, 1.0f);

    buffer[i][0] = outL;
    buffer[i][1] = outR;
    if (++write >= lineLength) write = 0;
  }
}
