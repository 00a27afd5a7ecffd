#include "dsp/zr_audio_detection_zerlin_new2.h"

#include <emmintrin.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "dsp/beat_grid_marking.h"
#include "dsp/onset_envelope.h"
#include "dsp/vector_ops.h"
#include "dsp/window_functions.h"

namespace {

constexpr int kWindow = 2048;
constexpr int kHop = 100;
// The samples still to be windowed: a block of up to a second and what the
// previous ones left (as the 352800-byte ring of 88200 samples held them).
constexpr int kHistoryCapacity = 88200;
// Samples left in the ring after a one-second block: 2048 - 48.
constexpr int kPrimeSamples = 2000;
constexpr double kPointsPerMinute = 26460.0;  // 60 x 441 display points
// Delay, in display points, of an attack's peak in the cleaned envelope.
constexpr int kEnvelopeLag = 34;

size_t nextPowerOfTwo(size_t n) {
  size_t p = 1;
  while (p < n) p <<= 1;
  return p;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

ZRAudioDetectionZerlinNew2::ZRAudioDetectionZerlinNew2(bool smooth, bool steady)
    : ZRAudioDetection(smooth),
      fftSize(kWindow),
      binCount(kWindow / 2 + 1),
      historyCount(0),
      averageBpm(0),
      testBpm(0),
      highBin(-1),
      lowBin(0),
      steadyMode(steady) {
  fillOnsetSmoothingKernel(smoothingKernel);
  fft.init(fftSize);
  previousMagnitudes = malloc_a(sizeof(float) * binCount, true);
  binWeights = reinterpret_cast<double*>(malloc_a(sizeof(double) * binCount, true));
  analysisWindow = malloc_a(sizeof(float) * fftSize, false);
  history = malloc_a(sizeof(float) * kHistoryCapacity, false);
  binRises = malloc_a(sizeof(float) * binCount, true);
  getWindowFunction(analysisWindow, fftSize, kWindowHann);
  resetInternal();
}

ZRAudioDetectionZerlinNew2::~ZRAudioDetectionZerlinNew2() {
  free_a(previousMagnitudes);
  free_a(binWeights);
  free_a(analysisWindow);
  free_a(history);
  free_a(binRises);
}

void ZRAudioDetectionZerlinNew2::resetInternal() {
  memset(previousMagnitudes, 0, sizeof(float) * binCount);
  // A new track starts with a silent window: nothing of the previous track
  // leaks into its first onsets, and the history holds what it holds between
  // any two later blocks, so the first block yields a full second of onsets
  // aligned like every other block (index x: the window starting at sample
  // 100 (x - 20)).
  std::fill(history, history + kPrimeSamples, 0.0f);
  historyCount = kPrimeSamples;
  averageBpm = 0;
  testBpm = 0;
}

void ZRAudioDetectionZerlinNew2::processInternal(const float* mono, int frames, float* onsetOut) {
  if (onsetOut == nullptr || mono == nullptr || frames <= 0) return;
  // A block that does not fit is dropped whole (it cannot happen with blocks
  // of at most a second).
  if (historyCount + frames > kHistoryCapacity) return;
  std::memcpy(history + historyCount, mono, sizeof(float) * frames);
  historyCount += frames;
  if (highBin <= 0) {
    // 90, 450, 4500 and 8000 Hz as bins of a 2048-point transform at 44100 Hz.
    lowBin = static_cast<int>(lrintf(4.1795917f));
    const int a = static_cast<int>(lrintf(20.897959f));
    const int b = static_cast<int>(lrintf(208.9796f));
    highBin = static_cast<int>(lrintf(371.5193f));
    for (int k = 0; k < binCount; ++k) {
      double w = 0;
      if (k >= lowBin && k < a) {
        w = 1.0;
      } else if (k >= a && k < b) {
        w = 0.1;
      } else if (k >= b && k < highBin) {
        w = 0.15;
      }
      binWeights[k] = w;
    }
  }
  // Windows of 2048 samples every 100 samples, read where they lie; the
  // samples of windows still incomplete move to the front.
  int start = 0;
  for (; historyCount - start >= kWindow; start += kHop) {
    *onsetOut++ = fftMagnitudeOnset(fft.fftWindowedInterleaved(history + start, analysisWindow));
  }
  std::memmove(history, history + start, sizeof(float) * (historyCount - start));
  historyCount -= start;
}

float ZRAudioDetectionZerlinNew2::fftMagnitudeOnset(const float* spectrum) {
  // Per bin k: m = |X_k| x weight (the magnitude in single precision, the
  // weight product in double, stored as float); the rise over the previous
  // window's m counts when positive. The rises are formed four bins at a time
  // (square root, products and comparisons are exact operations, so the
  // vector gives the scalar bits) and then summed in bin order in double.
  float* rise = binRises;
  int k = lowBin;
  for (; k + 4 <= highBin; k += 4) {
    const __m128 a = _mm_loadu_ps(spectrum + 2 * k);
    const __m128 b = _mm_loadu_ps(spectrum + 2 * k + 4);
    const __m128 re = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 im = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 magnitude = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(re, re), _mm_mul_ps(im, im)));
    const __m128d low = _mm_mul_pd(_mm_cvtps_pd(magnitude), _mm_loadu_pd(binWeights + k));
    const __m128d high =
        _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(magnitude, magnitude)), _mm_loadu_pd(binWeights + k + 2));
    const __m128 m = _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
    const __m128 p = _mm_loadu_ps(previousMagnitudes + k);
    _mm_storeu_ps(rise + (k - lowBin), _mm_and_ps(_mm_cmplt_ps(p, m), _mm_sub_ps(m, p)));
    _mm_storeu_ps(previousMagnitudes + k, m);
  }
  for (; k < highBin; ++k) {
    const float re = spectrum[2 * k], im = spectrum[2 * k + 1];
    const float m = static_cast<float>(sqrtf(re * re + im * im) * binWeights[k]);
    const float p = previousMagnitudes[k];
    rise[k - lowBin] = p < m ? m - p : 0.0f;
    previousMagnitudes[k] = m;
  }
  // Adding a zero rise leaves the sum as it is.
  double flux = 0;
  for (int i = 0; i < highBin - lowBin; ++i) flux += rise[i];
  return static_cast<float>(flux * (1.0 / 2048.0));
}

int ZRAudioDetectionZerlinNew2::detectAudioFeaturesInternal(float* onsets, int count, int suggestedBpm,
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

void ZRAudioDetectionZerlinNew2::bpmRange(int suggestedBpm, float& lo, float& hi) {
  if (suggestedBpm >= 50) {
    lo = static_cast<float>(suggestedBpm - 1);
    hi = static_cast<float>(suggestedBpm + 1);
  } else if (suggestedBpm == -2) {
    lo = 56, hi = 100;
  } else if (suggestedBpm == -3) {
    lo = 101, hi = 195;
  } else {
    // No suggestion, 0..49, and values below -3 use the default range.
    lo = 76, hi = 150;
  }
}

float ZRAudioDetectionZerlinNew2::ProcessBpm(int count, float* onsets, int seconds, int suggestedBpm,
                                             float* marks) {
  if (seconds < 2) return 0;
  float lo, hi;
  bpmRange(suggestedBpm, lo, hi);

  // The whole envelope is cleaned, the last second included, so that beats
  // found there sit on the same delay as all others.
  const int m = count;
  rectifyOnsetEnvelope(onsets, m, count, smoothingKernel);
  float peak = 0;
  for (int i = 0; i < m; ++i) peak = std::max(peak, onsets[i]);
  if (peak > 0.5f) {
    for (int i = 0; i < m; ++i) onsets[i] /= peak;
  }
  if (seconds < 10) return 0;
  // Silence has no tempo: the estimators would only return their fallbacks.
  bool anyOnset = false;
  for (int i = 0; i < count && !anyOnset; ++i) anyOnset = onsets[i] > 0;
  if (!anyOnset) return 0;

  const float rate = 441.0f;
  auto t0 = std::chrono::steady_clock::now();
  const float e1 = getBPMEstimateAutocorrelationClassicAdaptive_new(onsets, count, rate, lo, hi);
  printf("* estimated BPM = %f (%5.1f ms) AutocorrelationClassicAdaptive \n", e1, millisecondsSince(t0));
  t0 = std::chrono::steady_clock::now();
  const float e2 = getBPMEstimateAutocorrelationFFT_new(onsets, count, rate, lo, hi);
  printf("* estimated BPM = %f (%5.1f ms) AutocorrelationFFT \n", e2, millisecondsSince(t0));
  t0 = std::chrono::steady_clock::now();
  const float e3 = getBPMEstimateSimpleFFT_new(onsets, count, rate, lo, hi);
  printf("* estimated BPM = %f (%5.1f ms) SimpleFFT \n", e3, millisecondsSince(t0));
  t0 = std::chrono::steady_clock::now();
  const float e4 = getBPMEstimateCombFilter_new(onsets, count, rate, lo, hi);
  printf("* estimated BPM = %f (%5.1f ms) CombFilter \n", e4, millisecondsSince(t0));
  testBpm = e4;

  const float base = fabsf(e2 - e3) < 2 ? e2 : e1;
  if (base < 1.2f) return 0;

  TempoRefinement refined = refineTempo(onsets, count, base);
  // The two transforms agreeing does not make their tempo right: an off-beat hat pulls the
  // autocorrelation's peak up to 2 BPM away, and the search around it (1.2 BPM each side) then never
  // sees the true tempo the classic estimate and the comb filter name (124 read as 124.87, 140 as
  // 140.58). When those two agree on a tempo outside the searched range, search around it too; the
  // stronger periodicity wins.
  if (fabsf(e1 - e4) < 1 && fabsf(e1 - base) > 1.2f && e1 >= 1.2f) {
    const TempoRefinement around = refineTempo(onsets, count, e1);
    if (around.magnitude > refined.magnitude) refined = around;
  }
  float bpm = refined.bpm;
  printf("  best BPM %f (bin %f) val=%f \n\n", bpm, refined.frequency, refined.magnitude);
  fflush(stdout);

  // The envelope lags the audio by about kEnvelopeLag points (the analysis
  // window and, mostly, the causal smoothing of the rectification): the
  // markers read it that much ahead so the marks land on the beats. The plain
  // grid already moves itself 24 points earlier.
  if (!steadyMode) {
    if (count > kEnvelopeLag) markBeatsUsingDP(onsets + kEnvelopeLag, count - kEnvelopeLag, bpm, marks);
    return bpm;
  }
  if (suggestedBpm >= 56) bpm = static_cast<float>(suggestedBpm);  // a typed BPM wins
  if (fabsf(bpm - std::round(bpm)) < 0.15f) bpm = std::round(bpm);
  constexpr int kGridLead = kEnvelopeLag - 24;
  if (count > kGridLead) markBeatsUsingNormal(onsets + kGridLead, count - kGridLead, bpm, marks);
  return bpm;
}

ZRAudioDetectionZerlinNew2::TempoRefinement ZRAudioDetectionZerlinNew2::refineTempo(const float* onsets,
                                                                                    int count, float base) {
  // Single-frequency transforms around the chosen tempo, in eight passes,
  // each searching around the previous pass's best. Over the whole envelope
  // a periodicity's peak is only about one cycle wide on each side (0.25 BPM
  // for a 4-minute track), so the first pass samples the range at most half
  // a cycle apart: eight points 0.34 BPM apart, which is all that tracks up
  // to about 87 seconds need, step over the true peak of a longer track
  // (they straddle the estimate itself) and lock onto a side lobe
  // (124 BPM read as 124.87).
  auto freqOf = [count](double b) { return count * b / 60.0 / 441.0; };
  double hiF = freqOf(base + 1.2), loF = freqOf(base - 1.2);
  double bestF = freqOf(base), bestMag = 0, phase = 0;
  const int firstPoints = std::max(8, static_cast<int>(std::ceil((hiF - loF) / 0.5)) + 1);
  std::vector<double> frequencies(firstPoints), magnitudes(firstPoints);
  for (int pass = 0; pass < 8; ++pass) {
    const int points = pass == 0 ? firstPoints : 8;
    const double step = (hiF - loF) / (points - 1);
    double passF = loF, passMag = -1;
    for (int j = 0; j < points; ++j) frequencies[j] = static_cast<float>(loF + j * step);
    goertzel_mags(onsets, count, frequencies.data(), points, magnitudes.data());
    for (int j = 0; j < points; ++j) {
      if (magnitudes[j] > passMag) {
        passMag = magnitudes[j];
        passF = frequencies[j];
      }
    }
    if (passMag > bestMag) {
      bestMag = passMag;
      bestF = passF;
    }
    loF = passF - step;
    hiF = passF + step;
  }
  float bpm = static_cast<float>(bestF * 60.0 * 441.0 / count);

  // A whole-number tempo wins when its own magnitude is larger.
  const double r = std::round(static_cast<double>(bpm));
  const double fR = r * count / kPointsPerMinute;
  if (goertzel_mag_new(onsets, count, fR, phase, false) > bestMag)
    bpm = static_cast<float>(60.0 * fR * 441.0 / count);
  return {bpm, bestF, bestMag};
}

float ZRAudioDetectionZerlinNew2::getBPMEstimateAutocorrelationClassicAdaptive_new(const float* onsets, int n,
                                                                                   float rate, float lo,
                                                                                   float hi) {
  const int length = n < 13230 ? 10 : 30;
  const int stride = length * 441;
  const int segments = (n / 441 - 9) / length;
  float best = 0;
  double bestScore = -1;
  for (int b = static_cast<int>(lo); b <= static_cast<int>(hi); ++b) {
    const int p = static_cast<int>(lrintf(BPMToBeatSize(static_cast<float>(b), rate)));
    double score = 0;
    for (int s = 0; s < segments; ++s) {
      const int start = s * stride;
      const int lags[3] = {p, 4 * p, 8 * p};
      double ac[3];
      clampedAutoCorrelations3(onsets, n, start, stride, lags, ac);
      score += 2 * ac[0] + ac[1] + ac[2];
    }
    if (score >= bestScore) {
      bestScore = score;
      best = static_cast<float>(b);
    }
  }
  return best;
}

float ZRAudioDetectionZerlinNew2::getBPMEstimateAutocorrelationFFT_new(const float* onsets, int n, float rate,
                                                                       float lo, float hi) {
  const int pMin = static_cast<int>(lrintf(BPMToBeatSize(hi, rate)));
  const int pMax = static_cast<int>(lrintf(BPMToBeatSize(lo, rate)));
  const size_t size = nextPowerOfTwo(static_cast<size_t>(2 * n - 1));
  analysisFft.init(size);
  std::vector<float> padded(size, 0.0f), re(size / 2 + 1), im(size / 2 + 1);
  std::copy(onsets, onsets + n, padded.begin());
  analysisFft.fft(padded.data(), re.data(), im.data());
  for (size_t k = 0; k <= size / 2; ++k) {
    re[k] = re[k] * re[k];
    im[k] = im[k] * im[k];
  }
  analysisFft.ifft(padded.data(), re.data(), im.data());
  const long acLength = std::min<long>(8L * pMax, static_cast<long>(n));

  double best = 0;
  long bestLag = 8L * pMin;
  int bestMultiple = 1;
  for (int t : {1, 4, 8}) {
    for (long lag = static_cast<long>(t) * pMin; lag < static_cast<long>(t) * pMax && lag < acLength; ++lag) {
      if (padded[lag] > best) {
        best = padded[lag];
        bestLag = lag;
        bestMultiple = t;
      }
    }
  }
  const long period = bestLag / bestMultiple;
  return period > 0 ? rate * 60.0f / static_cast<float>(period) : 0.0f;
}

float ZRAudioDetectionZerlinNew2::getBPMEstimateSimpleFFT_new(const float* onsets, int n, float rate,
                                                              float lo, float hi) {
  const size_t size = nextPowerOfTwo(static_cast<size_t>(n));
  const int kLo = static_cast<int>(ceil(lo / 60.0 * size / rate));
  const int kHi = std::min(static_cast<int>(ceil(hi / 60.0 * size / rate)), static_cast<int>(size / 2));
  analysisFft.init(size);
  std::vector<float> padded(size, 0.0f), re(size / 2 + 1), im(size / 2 + 1);
  std::copy(onsets, onsets + n, padded.begin());
  analysisFft.fft(padded.data(), re.data(), im.data());
  int bin = -1;
  float magnitude = 0;
  for (int k = std::max(kLo, 0); k <= kHi; ++k) {
    const float mag = sqrtf(re[k] * re[k] + im[k] * im[k]);
    if (mag > magnitude) {
      magnitude = mag;
      bin = k;
    }
  }
  return static_cast<float>((bin + 0.5) * 60.0 * rate / size);
}

float ZRAudioDetectionZerlinNew2::getBPMEstimateCombFilter_new(const float* onsets, int n, float rate,
                                                               float lo, float hi) {
  if (lo < 0) return -1;
  const int bLo = static_cast<int>(std::min(lo, 65.0f));
  const int bHi = static_cast<int>(std::max(hi, 165.0f));
  const int g = static_cast<int>(lrintf(BPMToBeatSize(static_cast<float>(bLo), rate)));
  if (n <= g || bHi < bLo) return -1;

  std::vector<double> y(n), bestY(n, 0.0);
  // Winners as doubles, the width of the values they are chosen by.
  std::vector<double> winner(n, -1.0);
  for (int b = bLo; b <= bHi; ++b) {
    const int p = static_cast<int>(lrintf(BPMToBeatSize(static_cast<float>(b), rate)));
    for (int i = 0; i < g; ++i) y[i] = onsets[i];
    // Two values at a time (each combines values a period, at least two,
    // before it), with the same operations as one at a time.
    const __m128d feedback = _mm_set1_pd(0.873), candidate = _mm_set1_pd(b);
    int i = g;
    for (; p >= 2 && i + 2 <= n; i += 2) {
      const __m128d in =
          _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(onsets + i))));
      const __m128d v = _mm_add_pd(_mm_mul_pd(feedback, _mm_loadu_pd(&y[i - p])), in);
      _mm_storeu_pd(&y[i], v);
      const __m128d best = _mm_loadu_pd(&bestY[i]);
      const __m128d larger = _mm_cmpgt_pd(v, best);
      _mm_storeu_pd(&bestY[i], _mm_or_pd(_mm_and_pd(larger, v), _mm_andnot_pd(larger, best)));
      const __m128d w = _mm_loadu_pd(&winner[i]);
      _mm_storeu_pd(&winner[i], _mm_or_pd(_mm_and_pd(larger, candidate), _mm_andnot_pd(larger, w)));
    }
    for (; i < n; ++i) {
      const double v = 0.873 * y[i - p] + onsets[i];
      y[i] = v;
      const bool larger = v > bestY[i];
      bestY[i] = larger ? v : bestY[i];
      winner[i] = larger ? static_cast<double>(b) : winner[i];
    }
  }
  // Histogram of winners with 10 BPM of margin on both sides for smoothing.
  const int offset = bLo - 10;
  std::vector<double> h(bHi - bLo + 21, 0.0);
  for (int i = g; i < n; ++i) {
    if (winner[i] >= 0) h[static_cast<int>(winner[i]) - offset] += 1;
  }
  auto at = [&](int b) {
    return (b - offset >= 0 && b - offset < static_cast<int>(h.size())) ? h[b - offset] : 0.0;
  };
  const double weights[5] = {1.0, 0.9, 0.65, 0.3, 0.15};
  int best = -1;
  double bestC = 0;
  for (int b = bLo; b <= bHi; ++b) {
    double c = at(b);
    for (int d = 1; d <= 4; ++d) c += weights[d] * (at(b - d) + at(b + d));
    if (c > bestC) {
      bestC = c;
      best = b;
    }
  }
  return static_cast<float>(best);
}
