#include "dsp/beat_grid_marking.h"

#include <emmintrin.h>

#include <cmath>
#include <vector>

#include "common/zr_logging.h"

namespace {

constexpr float kBeatMark = 55.0f;

// The first slot s with the strictly largest penalty[s] + base[s] above 0 (-1
// and best 0 when none is above 0). Four slots at a time in four lanes (two
// vectors of two): each lane keeps its own first strict maximum, and equal
// maxima of the lanes go to the earliest slot, which is what a scan in slot
// order finds.
long bestPredecessor(const double* penalty, const double* base, long width, double& best) {
  __m128d bestA = _mm_setzero_pd(), bestB = _mm_setzero_pd();
  __m128d slotA = _mm_set1_pd(-1.0), slotB = _mm_set1_pd(-1.0);
  __m128d slot = _mm_set_pd(1.0, 0.0);
  const __m128d two = _mm_set1_pd(2.0), four = _mm_set1_pd(4.0);
  const auto keep = [](__m128d c, __m128d at, __m128d& laneBest, __m128d& laneSlot) {
    const __m128d larger = _mm_cmpgt_pd(c, laneBest);
    laneBest = _mm_or_pd(_mm_and_pd(larger, c), _mm_andnot_pd(larger, laneBest));
    laneSlot = _mm_or_pd(_mm_and_pd(larger, at), _mm_andnot_pd(larger, laneSlot));
  };
  long s = 0;
  for (; s + 4 <= width; s += 4) {
    keep(_mm_add_pd(_mm_loadu_pd(penalty + s), _mm_loadu_pd(base + s)), slot, bestA, slotA);
    keep(_mm_add_pd(_mm_loadu_pd(penalty + s + 2), _mm_loadu_pd(base + s + 2)), _mm_add_pd(slot, two), bestB,
         slotB);
    slot = _mm_add_pd(slot, four);
  }
  double values[4], slots[4];
  _mm_storeu_pd(values, bestA);
  _mm_storeu_pd(values + 2, bestB);
  _mm_storeu_pd(slots, slotA);
  _mm_storeu_pd(slots + 2, slotB);
  best = 0;
  long bestSlot = -1;
  for (int lane = 0; lane < 4; ++lane) {
    if (slots[lane] < 0) continue;
    if (values[lane] > best || (values[lane] == best && static_cast<long>(slots[lane]) < bestSlot)) {
      best = values[lane];
      bestSlot = static_cast<long>(slots[lane]);
    }
  }
  for (; s < width; ++s) {
    const double c = penalty[s] + base[s];
    if (c > best) {
      best = c;
      bestSlot = s;
    }
  }
  return bestSlot;
}

}  // namespace

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
    double best;
    const long bestSlot = bestPredecessor(penalty.data(), &score[j - twoK], width, best);
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
