#include "dsp/engine/vinyl_decode.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/engine/effect_equalizer.h"
#include "dsp/engine/zr_mixer.h"

namespace {

constexpr float kSilenceDb = -36.0f;

inline int signOf(float v) {
  return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

}  // namespace

CVinylDecode::CVinylDecode(int frames)
    : preFilter(std::make_unique<CEffectEqualizerIIR>(nullptr, nullptr)),
      maxFrames(std::max(1, frames)),
      copy(2 * static_cast<size_t>(maxFrames)) {
  preFilter->setparam(1, -16);
  preFilter->setparam(3, -16);
}

CVinylDecode::~CVinylDecode() = default;

void CVinylDecode::resetSymbolStage() {
  lastCrossing = -1;
  lastSign = 0;
  lastSample = 0.0f;
  halfCyclePeak = 0.0f;
  symbolCount = 0;
}

void CVinylDecode::correctLevel(float* buffer, int frames, float m) {
  for (int i = 0; i < 2 * frames; ++i) buffer[i] = (buffer[i] + m) * 2.0f;
}

double CVinylDecode::process(float* buffer, int frames) {
  const int n = std::min(frames, maxFrames);
  float m = 0.0f;
  bufferPeak = 0.0f;
  if (n > 0) {
    std::memcpy(copy.data(), buffer, sizeof(float) * 2 * n);
    for (int done = 0; done < n; done += CEffect::kMaxFrames) {
      preFilter->process(reinterpret_cast<float(*)[2]>(buffer + 2 * done),
                         std::min(CEffect::kMaxFrames, n - done), 0.0f);
    }
    double negative = 0.0, positive = 0.0;
    for (int i = 0; i < n; ++i) {
      const float l = buffer[2 * i];
      if (l < 0) {
        negative += std::fabs(l);
      } else {
        positive += l;
      }
    }
    m = static_cast<float>((negative - positive) / n);
    correctLevel(buffer, n, m);
    for (int i = 0; i < n; ++i) bufferPeak = std::max(bufferPeak, std::fabs(buffer[2 * i]));
  }
  if (n <= 0 || bufferPeak == 0.0f || ZRMixer::decibelReadout(bufferPeak, -160.0f) < kSilenceDb) {
    resetSymbolStage();
    speed *= 0.5;
    return speed;
  }

  // Speed from the left channel's half period.
  int count = 0, first = -1, last = -1;
  for (int i = 1; i < n; ++i) {
    const float prev = buffer[2 * (i - 1)];
    if (prev != 0.0f && signOf(prev) != signOf(buffer[2 * i])) {
      if (first < 0) first = i;
      last = i;
      ++count;
    }
  }
  // Too few crossings to measure anything: the speed and direction stay as they were.
  if (count >= 3) {
    const double f = static_cast<double>(last - first) / (count - 1);
    const double magnitude = 1.0 / (2.0 * f / nominalCycle);

    int irregular = 0, previous = -1;
    for (int i = 1; i < n; ++i) {
      const float prev = buffer[2 * (i - 1)];
      if (prev == 0.0f || signOf(prev) == signOf(buffer[2 * i])) continue;
      if (previous >= 0) {
        const double d = i - previous;
        if (d > 1.35 * f || d < 0.65 * f) ++irregular;
      }
      previous = i;
    }
    if (2 * irregular > count) return 0.0;

    // Direction: forwards the right channel lags the left by a quarter cycle, so it matches the left a
    // quarter cycle later and opposes it three quarters later.
    const int g = static_cast<int>(0.5 * f), h = static_cast<int>(1.5 * f);
    double s1 = 0.0, s2 = 0.0;
    for (int k = 0; k + g < n; ++k) s1 += static_cast<double>(buffer[2 * k]) * buffer[2 * (k + g) + 1];
    for (int k = 0; k + h < n; ++k) s2 += static_cast<double>(buffer[2 * k]) * buffer[2 * (k + h) + 1];
    const int direction = s1 > s2 ? 1 : 0;
    // The sign always follows the direction measured now (negating the previous speed flipped it back).
    speed = direction ? magnitude : -magnitude;
    if (direction != forward) resetSymbolStage();
    forward = direction;
  }

  std::memcpy(buffer, copy.data(), sizeof(float) * 2 * n);
  correctLevel(buffer, n, m);
  ProcessForDecoding(buffer, n, speed > 0 ? 1 : (speed < 0 ? -1 : 0));
  return speed;
}

void CVinylDecode::ProcessForDecoding(const float* buffer, int frames, int direction) {
  for (int i = 0; i < frames; ++i) referencePeak = std::max(referencePeak, std::fabs(buffer[2 * i]));
  for (int i = 0; i < frames; ++i) {
    const float r = buffer[2 * i + 1];
    const int s = signOf(r);
    halfCyclePeak = std::max(halfCyclePeak, std::fabs(r));
    if (s != lastSign && lastSample != 0.0f) {
      if (lastCrossing != -1) {
        if (symbolCount >= kMaxSymbols) symbolCount = 0;
        referencePeak = std::max(referencePeak, bufferPeak);
        symbols[symbolCount++] = lastSign * (halfCyclePeak > referencePeak / 2 ? kHigh : kLow);
        halfCyclePeak = 0.0f;
        TryToDecodePositionFromHalfFreqs(direction);
      }
      lastCrossing = i;
    }
    lastSign = s;
    lastSample = r;
  }
}

void CVinylDecode::TryToDecodePositionFromHalfFreqs(int direction) {
  const int n = symbolCount;
  const int* S = symbols;
  int word = 0;
  int ones = 0;
  bool valid = true;
  auto readBit = [&](int m, int v) {
    if (v != kHigh && v != kLow) {
      valid = false;
      return;
    }
    const int b = v == kHigh ? 1 : 0;
    ones += b;
    if (m < 13) word |= b << m;
  };
  if (direction > 0) {
    if (n < 5) return;
    int i = 0;
    while (i < n - 4 && !(S[i] == kHigh && S[i + 1] == -kLow && S[i + 2] == kLow && S[i + 3] == -kHigh)) ++i;
    if (i >= n - 4 || i + 31 >= n) return;
    for (int m = 0; m < 14; ++m) readBit(m, S[i + 4 + 2 * m]);
    symbolCount = 0;
    referencePeak = 0.0f;
  } else if (direction < 0) {
    if (n < 33) return;
    int i = 28;
    while (i < n - 4 && !(S[i] == -kHigh && S[i + 1] == kLow && S[i + 2] == -kLow && S[i + 3] == kHigh)) ++i;
    if (i >= n - 4) return;
    for (int m = 0; m < 14; ++m) readBit(m, S[i - 1 - 2 * m]);
    const int consumed = i + 4;
    std::memmove(symbols, symbols + consumed, sizeof(int) * (n - consumed));
    symbolCount = n - consumed;
    if (symbolCount == 0) referencePeak = 0.0f;
  } else {
    return;
  }
  previousPosition = position;
  position = valid && ones % 2 == 0 ? word : -1;
}
