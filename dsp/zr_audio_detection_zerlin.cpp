#include "dsp/zr_audio_detection_zerlin.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/onset_envelope.h"
#include "dsp/resample.h"
#include "dsp/vector_ops.h"

namespace {

constexpr int kChunk = 8820;
// Deep enough for any real track; bounds the stack on pathological input.
constexpr int kMaxRecursion = 64;

// Removes one beat mark (ordinary 55, accented 65, or both 75) from a value.
void removeMark(float& v) {
  if (v > 50 && v < 60) {
    v -= 55;
  } else if (v > 60 && v < 70) {
    v -= 65;
  } else if (v > 70 && v < 80) {
    v -= 75;
  }
}

// The strongest onset above threshold within [centre - h, centre + h) of the onsets, or -1.
int strongestOnsetNear(const float* onsets, int count, int centre, int h, float threshold) {
  int found = -1;
  float best = threshold;
  for (int k = std::max(centre - h, 0); k < centre + h && k < count; ++k) {
    if (fabsf(onsets[k]) > best) {
      best = fabsf(onsets[k]);
      found = k;
    }
  }
  return found;
}

}  // namespace

ZRAudioDetectionZerlin::ZRAudioDetectionZerlin(bool smooth)
    : ZRAudioDetection(smooth), beatTempoSum(0), beatTempoCount(0), averageBpm(0), recursionDepth(0) {
  lowPassFilter.change_frequency(215, 1, 0.5f);
  highPassFilter.change_frequency(132, 0, 0.5f);
  fillOnsetSmoothingKernel(smoothingKernel);
}

void ZRAudioDetectionZerlin::resetInternal() {
  // Each track starts from silent filters and without the previous result.
  lowPassFilter.clearBpmFilterState();
  highPassFilter.clearBpmFilterState();
  averageBpm = 0;
}

void ZRAudioDetectionZerlin::processInternal(const float* mono, int frames, float* onsetOut) {
  if (onsetOut == nullptr || mono == nullptr || frames <= 0) return;
  memcpy(workBuffer, mono, sizeof(float) * frames);
  for (int c = 0; c < frames / kChunk; ++c) {
    lowPassFilter.process_BPM_Filter(workBuffer + c * kChunk, kChunk);
    highPassFilter.process_BPM_Filter(workBuffer + c * kChunk, kChunk);
  }
  resample_mono_floats(44100, 441, static_cast<int>(lrint(frames * 0.01)), workBuffer, onsetOut);
}

int ZRAudioDetectionZerlin::detectAudioFeaturesInternal(float* onsets, int count, int suggestedBpm,
                                                        float* marks) {
  if (onsets == nullptr || count <= 0) {
    averageBpm = 0;
    return 1;
  }
  normalize_float_vector(onsets, count, 0.75f);
  const float bpm = ProcessBpm(count, onsets, totalFrames / 44100, suggestedBpm, marks);
  averageBpm = std::max(0.0f, bpm);
  return 1;
}

float ZRAudioDetectionZerlin::ProcessBpm(int count, float* onsets, int seconds, int suggestedBpm,
                                         float* marks) {
  if (seconds < 2) return 0;
  const int m = std::min(441 * (seconds - 1), count);
  rectifyOnsetEnvelope(onsets, m, count, smoothingKernel);
  float peak = 0;
  for (int i = 0; i < m; ++i) peak = std::max(peak, onsets[i]);
  if (peak > 0.5f) {
    for (int i = 0; i < m; ++i) onsets[i] /= peak;
  }
  if (seconds < 10) return 0;
  // Silence has no tempo.
  if (peak <= 0) return 0;

  int lo, hi;
  switch (suggestedBpm) {
    case -1:
      lo = 76, hi = 150;
      break;
    case -2:
      lo = 56, hi = 100;
      break;
    case -3:
      lo = 101, hi = 195;
      break;
    default:
      lo = suggestedBpm - 1, hi = suggestedBpm + 1;
      break;
  }
  const int length = seconds >= 30 ? 30 : 10;
  const int stride = length * 441;
  const int segments = (seconds - 9) / length;

  int bestB = 0, bestP = 0;
  double bestScore = -1, best1 = 0, best4 = 0, best8 = 0;
  for (int b = std::max(lo, 1); b <= hi; ++b) {
    const int p = static_cast<int>(lrintf(BPMToBeatSize(static_cast<float>(b), 441)));
    double s1 = 0, s4 = 0, s8 = 0;
    for (int s = 0; s < segments; ++s) {
      s1 += clampedAutoCorrelation(onsets, count, s * stride, stride, p);
      s4 += clampedAutoCorrelation(onsets, count, s * stride, stride, 4 * p);
      s8 += clampedAutoCorrelation(onsets, count, s * stride, stride, 8 * p);
    }
    const double score = 2 * s1 + s4 + s8;
    if (score >= bestScore) {
      bestScore = score;
      bestB = b;
      bestP = p;
      best1 = s1, best4 = s4, best8 = s8;
    }
  }
  if (bestB <= 9) return -1;

  int multiple = 16;
  double strongest = 0;
  const double sums[3] = {best1, best4, best8};
  const int multiples[3] = {1, 4, 8};
  for (int k = 0; k < 3; ++k) {
    if (sums[k] > strongest) {
      strongest = sums[k];
      multiple = multiples[k];
    }
  }

  const int pFrom = static_cast<int>(lrintf(BPMToBeatSize(static_cast<float>(bestB + 1), 441)));
  const int pTo = static_cast<int>(lrintf(BPMToBeatSize(static_cast<float>(bestB - 1), 441)));
  const int span = 441 * seconds - 3969;
  double bestAc = 0;
  for (int p = pFrom; p < pTo; ++p) {
    const double ac = clampedAutoCorrelation(onsets, count, 0, span, p * multiple);
    if (ac > 0 && ac >= bestAc) {
      bestAc = ac;
      bestP = p;
    }
  }
  float bpm = BeatSizeToBPM(static_cast<float>(bestP), 441);

  beatTempoSum = 0;
  beatTempoCount = 0;
  recursionDepth = 0;
  float measured = bpm;
  if (marks != nullptr)
    MarkBeatOffsets(onsets, count, bpm, 5, static_cast<float>(count - 5), measured, marks);
  if (beatTempoSum > 10 && beatTempoCount >= 1) bpm = static_cast<float>(beatTempoSum / beatTempoCount);

  if (marks != nullptr) {
    // The kick band lags the beat: move every mark 33 points earlier,
    // carrying the marked value with it.
    for (int k = 33; k < count; ++k) {
      if (marks[k] > 50) {
        marks[k - 33] = marks[k];
        removeMark(marks[k]);
      }
    }
  }
  return bpm;
}

void ZRAudioDetectionZerlin::MarkBeatOffsets(const float* onsets, int count, float bpm, float from, float to,
                                             float& bpmOut, float* marks) {
  if (recursionDepth >= kMaxRecursion || bpm <= 0) return;
  ++recursionDepth;
  const float period = BPMToBeatSize(bpm, 441);
  float peak;
  int peakPos;
  FindMaxElement(onsets, static_cast<int>(from), static_cast<int>(to), peak, peakPos);
  const float step = period / 8;
  const bool topLevel = from < 10;

  // Forward: the best of eight phases, then the marking pass.
  int bestI = 0;
  double bestScore = -1;
  float bestTempo = -1;
  for (int i = 0; i < 8; ++i) {
    float tempo;
    int stop;
    const double s = GetBeatOffsetEstimation(onsets, count, bpm, peakPos + i * step, static_cast<int>(to),
                                             peak, false, tempo, stop, marks);
    if (s > bestScore) {
      bestScore = s;
      bestI = i;
      bestTempo = tempo;
    }
  }
  const float forwardStart = peakPos + bestI * step;
  float tempo;
  int stopF;
  GetBeatOffsetEstimation(onsets, count, bestTempo >= 10 ? bestTempo : bpm, forwardStart,
                          static_cast<int>(to), peak, true, tempo, stopF, marks);
  if (topLevel && tempo > 10) bpmOut = bpm = tempo;

  // Backward likewise.
  bestI = 0;
  bestScore = -1;
  bestTempo = -1;
  for (int i = 0; i < 8; ++i) {
    float t;
    int stop;
    const double s = GetBeatOffsetEstimationReverse(onsets, count, bpm, peakPos + i * step,
                                                    static_cast<int>(from), peak, false, t, stop, marks);
    if (s > bestScore) {
      bestScore = s;
      bestI = i;
      bestTempo = t;
    }
  }
  const float backwardStart = peakPos + bestI * step;
  int stopB;
  GetBeatOffsetEstimationReverse(onsets, count, bestTempo >= 10 ? bestTempo : bpm, backwardStart,
                                 static_cast<int>(from), peak, true, tempo, stopB, marks);
  if (topLevel && tempo > 10) bpmOut = bpm = tempo;

  const float p2 = 2 * BPMToBeatSize(bpm, 441);
  if (stopF != -1 && to - stopF > p2 && stopF - forwardStart > p2) {
    MarkBeatOffsets(onsets, count, bpm, static_cast<float>(stopF), to, bpmOut, marks);
  }
  if (stopB != -1 && stopB - from > p2 && backwardStart - stopB > p2) {
    MarkBeatOffsets(onsets, count, bpm, from, static_cast<float>(stopB), bpmOut, marks);
  }
  --recursionDepth;
}

void ZRAudioDetectionZerlin::recordWalkTempo(int beats, float period, float& bpmOut) {
  if (beats <= 20) return;
  bpmOut = BeatSizeToBPM(period, 441);
  beatTempoSum += bpmOut;
  ++beatTempoCount;
}

double ZRAudioDetectionZerlin::GetBeatOffsetEstimation(const float* onsets, int count, float bpm, float start,
                                                       int end, float peak, bool mark, float& bpmOut,
                                                       int& stopOut, float* marks) {
  bpmOut = -1;
  stopOut = -1;
  if (bpm <= 0) return 0;
  end = std::min(end, count);
  float period = BPMToBeatSize(bpm, 441);
  const int h = static_cast<int>(lrintf(period / 18));
  const int limit = end - h - 1;
  if (start >= limit) return 0;

  float o = start;
  int beats = 0, misses = 0, hits = 0;
  double score = 0;
  while (o < limit) {
    const int centre = static_cast<int>(lrintf(o));
    const int found = strongestOnsetNear(onsets, count, centre, h, 0.3f * peak);
    const bool hit = found >= 0;
    if (hit && mark && misses >= 4 && hits >= 4) {
      // The beat was lost and is found again: undo the guesses made while
      // lost and let the caller restart from here.
      const int a = std::max(static_cast<int>(lrintf(o - period * misses)), 0);
      for (int k = a; k < centre && k < count; ++k) removeMark(marks[k]);
      if (a < count) marks[a] += 65;
      stopOut = a + 1;
      break;
    }
    if (hit) {
      misses = 0;
      if (beats > 10) period = (o - start + 1) / beats;
    }
    const int t = hit ? found : centre;
    if (t > start + 3) {
      score += fabsf(onsets[t - 2]) + fabsf(onsets[t - 1]);
      if (t < end - 3) {
        score += fabsf(onsets[t]) + fabsf(onsets[t + 1]) + fabsf(onsets[t + 2]);
        if (mark) marks[t] += 55;
      }
    }
    o = (hit ? static_cast<float>(t) : o) + period;
    ++beats;
    ++(hit ? hits : misses);
  }
  recordWalkTempo(beats, period, bpmOut);
  return score;
}

double ZRAudioDetectionZerlin::GetBeatOffsetEstimationReverse(const float* onsets, int count, float bpm,
                                                              float start, int end, float peak, bool mark,
                                                              float& bpmOut, int& stopOut, float* marks) {
  bpmOut = -1;
  stopOut = -1;
  if (bpm <= 0) return 0;
  end = std::max(end, 0);
  if (start > count - 1) start = static_cast<float>(count - 1);
  float period = BPMToBeatSize(bpm, 441);
  const int h = static_cast<int>(lrintf(period / 18));
  const int limit = end + h + 1;
  if (start <= limit) return 0;

  float o = start;
  int beats = 0, misses = 0, hits = 0;
  double score = 0;
  while (o > limit) {
    const int centre = static_cast<int>(lrintf(o));
    const int found = strongestOnsetNear(onsets, count, centre, h, 0.3f * peak);
    const bool hit = found >= 0;
    if (hit && mark && misses >= 4 && hits >= 4) {
      const int a = std::min(static_cast<int>(lrintf(o + period * misses)), count - 1);
      for (int k = std::max(centre, 0); k < a; ++k) removeMark(marks[k]);
      marks[a] += 65;
      stopOut = a - 1;
      break;
    }
    if (hit) {
      misses = 0;
      if (beats > 10) period = (start - o + 1) / beats;
    }
    const int t = hit ? found : centre;
    if (t < start - 3 && t + 2 < count) {
      score += fabsf(onsets[t + 2]) + fabsf(onsets[t + 1]);
      if (t > end + 3) {
        score += fabsf(onsets[t]) + fabsf(onsets[t - 1]) + fabsf(onsets[t - 2]);
        if (mark) marks[t] += 55;
      }
    }
    o = (hit ? static_cast<float>(t) : o) - period;
    ++beats;
    ++(hit ? hits : misses);
  }
  recordWalkTempo(beats, period, bpmOut);
  return score;
}
