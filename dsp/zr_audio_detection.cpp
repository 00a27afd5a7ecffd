#include "dsp/zr_audio_detection.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/key_detector.h"
#include "dsp/key_names.h"
#include "dsp/vector_ops.h"
#include "dsp/zr_audio_detection_zerlin.h"
#include "dsp/zr_audio_detection_zerlin_new2.h"

namespace {

// Mono mix factors by channel count (1..8). The 16-bit factors are close to
// 1 / (32768 x channels).
const float kFloatMix[8] = {1.0f, 0.5f, 0.33334f, 0.25f, 0.2f, 0.16667f, 0.14286f, 0.125f};
const float kShortMix[8] = {3.052e-5f, 1.526e-5f, 1.018e-5f, 7.63e-6f,
                            6.11e-6f,  5.09e-6f,  4.36e-6f,  3.82e-6f};

template <typename T>
void mixToMono(const T* in, int frames, int channels, float factor, float* out) {
  for (int i = 0; i < frames; ++i) {
    const T* f = in + static_cast<long>(i) * channels;
    float sum = 0;
    for (int c = 0; c < channels; ++c) sum += static_cast<float>(f[c]);
    out[i] = sum * factor;
  }
}

}  // namespace

ZRAudioDetection* ZRAudioDetection::create(bool smoothRms, bool firstGeneration,
                                           bool gridSuitableForAlwaysInSync) {
  if (firstGeneration) return new ZRAudioDetectionZerlin(smoothRms);
  return new ZRAudioDetectionZerlinNew2(smoothRms, gridSuitableForAlwaysInSync);
}

ZRAudioDetection::ZRAudioDetection(bool smooth)
    : markValue(0),
      accentMarkValue(0),
      monoBuffer(malloc_a(sizeof(float) * kMaxBlockFrames, false)),
      workBuffer(malloc_a(sizeof(float) * kMaxBlockFrames, false)),
      smoothRms(smooth),
      rmsState(0),
      audioProcessed(0),
      autoGain(0),
      gainEnabled(true),
      gainFinished(false),
      keyEnabled(0),
      keyFinished(0),
      keyDetector(new KeyDetector()),
      totalFrames(0),
      keyFrames(0) {
  keyName[0] = 0;
}

ZRAudioDetection::~ZRAudioDetection() {
  free_a(monoBuffer);
  free_a(workBuffer);
  delete keyDetector;
}

void ZRAudioDetection::resetAndStartProcessing(int total, int keyFramesValue) {
  if (keyFramesValue < 0) keyFramesValue = total;
  keyEnabled = keyFramesValue > 0;
  totalFrames = total;
  keyFrames = keyFramesValue;
  rmsState = 0;
  audioProcessed = 0;
  autoGain = 0;
  gainComputed = false;
  gainAnalysis.InitGainAnalysis(44100);
  gainFinished = false;
  keyFinished = false;
  keyName[0] = 0;
  if (keyEnabled) keyDetector->startProcessing(keyFrames, 44100);
  resetInternal();
}

void ZRAudioDetection::process(const float* in, int frames, int channels, float* onsetOut, int keyFlag) {
  if (frames > kMaxBlockFrames || frames <= 0 || in == nullptr) return;
  if (channels == 1) {
    memcpy(monoBuffer, in, sizeof(float) * frames);
  } else if (channels >= 2 && channels <= 8) {
    mixToMono(in, frames, channels, kFloatMix[channels - 1], monoBuffer);
  } else {
    memset(monoBuffer, 0, sizeof(float) * frames);
  }
  afterMix(frames, onsetOut, keyFlag);
}

void ZRAudioDetection::process(const short* in, int frames, int channels, float* onsetOut, int keyFlag) {
  if (frames > kMaxBlockFrames || frames <= 0 || in == nullptr) return;
  if (channels >= 1 && channels <= 8) {
    mixToMono(in, frames, channels, kShortMix[channels - 1], monoBuffer);
  } else {
    memset(monoBuffer, 0, sizeof(float) * frames);
  }
  afterMix(frames, onsetOut, keyFlag);
}

void ZRAudioDetection::afterMix(int frames, float* onsetOut, int keyFlag) {
  processInternal(monoBuffer, frames, onsetOut);
  processForOtherAudioFeatures(monoBuffer, frames, keyFlag);
}

void ZRAudioDetection::processForOtherAudioFeatures(float* mono, int frames, int keyFlag) {
  audioProcessed = 1;
  if (gainEnabled || keyEnabled) multiply_float_vector(mono, 32768.0f, frames);
  if (gainEnabled) gainAnalysis.AnalyzeSamples(mono, nullptr, frames, 1);
  if (keyFlag && keyEnabled) keyDetector->processFloat(mono, frames, 1);
}

int ZRAudioDetection::detectAudioFeatures(float* onsets, int count, int suggestedBpm, float* marks) {
  gainComputed = gainEnabled && audioProcessed && !gainFinished;
  autoGain = gainComputed ? gainAnalysis.GetTitleGain() : 0;
  if (keyEnabled && audioProcessed && !keyFinished) {
    try {
      if (keyDetector->finishProcessingAndGetKey(keyName, 0)) {
        getPitchKeyNameForUI(getPitchKeyIndex(keyName), keyName, false, false);
      } else {
        keyName[0] = 0;
      }
    } catch (...) {
      keyName[0] = 0;
    }
  }
  gainFinished = true;
  keyFinished = true;
  return detectAudioFeaturesInternal(onsets, count, suggestedBpm, marks);
}

void ZRAudioDetection::getPitchKeyName(char* out) {
  if (out != nullptr) memcpy(out, keyName, sizeof(keyName));
}

void ZRAudioDetection::processForRMS(const float* mono, int count, float* out) {
  if (mono == nullptr || out == nullptr || count < 100) return;
  for (int i = 0; i < count / 100; ++i) {
    float sum = 0;
    for (int j = 0; j < 100; ++j) sum += mono[100 * i + j] * mono[100 * i + j];
    float r = sqrtf(sum / 100.0f);
    if (smoothRms) {
      r = 0.05f * r + 0.95f * rmsState;
      rmsState = r;
    }
    out[i] = r;
  }
}

void ZRAudioDetection::setMarkValues(float mark, float accentMark) {
  markValue = mark;
  accentMarkValue = accentMark;
}

void ZRAudioDetection::markBeatsPositions(float* values, int count, const std::vector<int>& beats,
                                          int accentBeat, int groupSize) {
  markBeatsPositionsForInterval(values, count, 0, count, beats, accentBeat, groupSize);
}

void ZRAudioDetection::markBeatsPositionsForInterval(float* values, int count, int from, int to,
                                                     const std::vector<int>& beats, int accentBeat,
                                                     int groupSize) {
  if (values == nullptr) return;
  if (groupSize < 1) groupSize = 1;
  size_t j = 0;
  while (j < beats.size() && beats[j] < from) ++j;
  for (; j < beats.size() && beats[j] < to; ++j) {
    const int b = beats[j];
    if (b < 0 || b >= count) continue;
    const bool accent = static_cast<int>(j % groupSize) + 1 == accentBeat;
    values[b] += accent ? accentMarkValue : markValue;
  }
}

int ZRAudioDetection::getMarkedBeatsPositions(const float* values, int count, std::vector<int>& out) {
  if (values == nullptr) return 0;
  const float threshold = std::min(markValue, accentMarkValue) - 0.001f;
  int n = 0;
  for (int i = 0; i < count; ++i) {
    if (values[i] >= threshold) {
      out.push_back(i);
      ++n;
    }
  }
  return n;
}

void ZRAudioDetection::clearMarkedBeats(float* values, int count) {
  if (values == nullptr) return;
  float hi = accentMarkValue, lo = markValue;
  if (markValue > accentMarkValue) {
    hi = markValue;
    lo = accentMarkValue;
  }
  for (int i = 0; i < count; ++i) {
    float v = values[i];
    if (v >= hi) v -= hi;
    if (v >= lo) v -= lo;
    values[i] = v;
  }
}
