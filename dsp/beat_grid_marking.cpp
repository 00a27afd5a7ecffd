#include "dsp/beat_grid_marking.h"

#include <cmath>
#include <vector>

#include "common/zr_logging.h"

namespace {
constexpr float kBeatMark = 55.0f;
}

void markBeatsUsingDP(const float* onsets, int count, float bpm, float* marks) {
  if (bpm < 1 || onsets == nullptr || marks == nullptr) return;
  const double period = 60.0 / bpm * 441.0;
  const long k = lrint(period);
  if (count <= 0 || k < 1) {
    ZRLOG("ERROR: totalBeats is 0 !");
    return;
  }
  std::vector<double> score(count);
  std::vector<int> prev(count, -1);
  for (int i = 0; i < count; ++i) score[i] = onsets[i];

  // Transition window: predecessors 2K down to K/2 points before the beat.
  const long twoK = 2 * k;
  const long width = twoK - k / 2 + 1;
  std::vector<double> penalty(width);
  for (long s = 0; s < width; ++s) {
    const double d = static_cast<double>(twoK - s);
    const double l = 3.8 * log(d / period);
    penalty[s] = exp(-0.5 * l * l) - 1.0;
  }

  for (long j = twoK; j < count; ++j) {
    const double* base = &score[j - twoK];
    double best = 0;
    long bestSlot = -1;
    for (long s = 0; s < width; ++s) {
      const double c = penalty[s] + base[s];
      if (c > best) {
        best = c;
        bestSlot = s;
      }
    }
    score[j] = best + onsets[j];
    prev[j] = static_cast<int>(j - twoK + bestSlot);
  }

  int end = -1;
  double endScore = 0;
  for (int i = 0; i < count; ++i) {
    if (score[i] > endScore) {
      endScore = score[i];
      end = i;
    }
  }
  if (end < 0) {
    ZRLOG("ERROR: totalBeats is 0 !");
    return;
  }
  for (int i = end; i >= 0; i = prev[i]) marks[i] += kBeatMark;
}

void markBeatsUsingNormal(const float* onsets, int count, double bpm, float* marks) {
  if (bpm < 1 || onsets == nullptr || marks == nullptr || count <= 0) return;
  const double period = 60.0 / bpm * 441.0;
  const long k = lrint(period);

  long best = 0;
  double bestScore = 0;
  for (long ph = 1; ph <= k; ++ph) {
    double score = 0;
    for (double h = static_cast<double>(ph); h < count - 2; h += period) {
      const long l = lrint(h);
      score += 0.5f * onsets[l - 1] + onsets[l] + 0.5f * onsets[l + 1];
    }
    if (score > bestScore) {
      bestScore = score;
      best = ph;
    }
  }

  if (marks != onsets) {
    // The analysis window and the envelope's smoothing delay every onset:
    // moving the grid earlier puts the marks on the attacks.
    if (best < 24) best += k;
    best -= 24;
  }
  const long start = best >= k ? best - k : best;
  for (double x = static_cast<double>(start); x < count; x += period) {
    const long i = lrint(x);
    if (i < count) marks[i] += kBeatMark;  // the last position can round up to count
  }
}
