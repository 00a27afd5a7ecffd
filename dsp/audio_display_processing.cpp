#include "dsp/audio_display_processing.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dsp/vector_ops.h"

namespace {

void requireOrAbort(bool condition, const char* text) {
  if (!condition) {
    fprintf(stderr, "Assertion failed: %s\n", text);
    abort();
  }
}

// Per-sample mono mix factors of 16-bit input for 1..8 channels, close to
// 1 / (32768 x channels).
const float kShortMixFactors[8] = {3.052e-5f, 1.526e-5f, 1.018e-5f, 7.63e-6f,
                                   6.11e-6f,  5.09e-6f,  4.36e-6f,  3.82e-6f};

// Fourth-order Butterworth filters (bilinear transform at 44100 Hz, unit
// pass-band gain) as direct-form-II sections: w = u + a1 w1 + a2 w2,
// y = w + b1 w1 + w2; the gain scales the first section's input.
struct Band {
  double gain;
  int sections;
  double c[4][3];  // a1, a2, b1
};

const Band kLowBand = {
    3.971119192133862e-8,
    2,
    {{1.977625721622097, -0.9784288844697514, 2}, {1.947914029072907, -0.9487051252654125, 2}}};
const Band kMidBand = {0.002398043282486446,
                       4,
                       {{1.449580879051426, -0.7097401944876844, -2},
                        {1.960129826275477, -0.963451233751976, -2},
                        {1.263316138281583, -0.4239663762525739, 2},
                        {1.882744863659882, -0.8871407380175328, 2}}};
const Band kHighBand = {
    0.2883147915591049,
    2,
    {{0.9401276044325818, -0.5354344456250838, -2}, {0.7076623306582177, -0.1557676992366998, -2}}};
const Band kBandStopBand = {0.3007448098107706,
                            4,
                            {{0.9595859061192252, -0.5549624456368193, -1.972245064065979},
                             {1.978512628573744, -0.9793287129141128, -1.972245064065979},
                             {0.7566739558294412, -0.1762460019038157, -1.972245064065979},
                             {1.94572899209072, -0.9466044308089508, -1.972245064065979}}};

// One band's cascade on one sample: products in double, state and section
// outputs in float.
template <int kSections>
inline float bandSample(const Band& band, float* state, float x) {
  float u = static_cast<float>(x * band.gain);
  for (int s = 0; s < kSections; ++s) {
    float& w1 = state[2 * s];
    float& w2 = state[2 * s + 1];
    const float w = static_cast<float>(u + band.c[s][0] * w1 + band.c[s][1] * w2);
    u = static_cast<float>(w + band.c[s][2] * w1 + w2);
    w2 = w1;
    w1 = w;
  }
  return u;
}

// The loops keep the state in locals: stores to the output may not touch it,
// and the compiler may hold it in registers.
template <int kSections>
void runBand(const Band& band, float* state, const float* in, float* out, int count) {
  float s[2 * kSections];
  std::copy(state, state + 2 * kSections, s);
  for (int i = 0; i < count; ++i) out[i] = bandSample<kSections>(band, s, in[i]);
  std::copy(s, s + 2 * kSections, state);
}

// Two bands of as many sections over the same input in one pass, band a in
// the first lane of double vectors and band b in the second: each lane does
// exactly the scalar operations of its band (values rounded to float are
// kept as doubles of the same value), and the two recursions run side by
// side.
inline __m128d roundToFloat(__m128d v) {
  return _mm_cvtps_pd(_mm_cvtpd_ps(v));
}

template <int kSections>
void runBandPair(const Band& a, float* stateA, float* outA, const Band& b, float* stateB, float* outB,
                 const float* in, int count) {
  __m128d w1[kSections], w2[kSections], c0[kSections], c1[kSections], c2[kSections];
  for (int s = 0; s < kSections; ++s) {
    w1[s] = _mm_set_pd(stateB[2 * s], stateA[2 * s]);
    w2[s] = _mm_set_pd(stateB[2 * s + 1], stateA[2 * s + 1]);
    c0[s] = _mm_set_pd(b.c[s][0], a.c[s][0]);
    c1[s] = _mm_set_pd(b.c[s][1], a.c[s][1]);
    c2[s] = _mm_set_pd(b.c[s][2], a.c[s][2]);
  }
  const __m128d gain = _mm_set_pd(b.gain, a.gain);
  for (int i = 0; i < count; ++i) {
    __m128d u = roundToFloat(_mm_mul_pd(_mm_set1_pd(in[i]), gain));
    for (int s = 0; s < kSections; ++s) {
      const __m128d w = roundToFloat(_mm_add_pd(_mm_add_pd(u, _mm_mul_pd(c0[s], w1[s])), _mm_mul_pd(c1[s], w2[s])));
      u = roundToFloat(_mm_add_pd(_mm_add_pd(w, _mm_mul_pd(c2[s], w1[s])), w2[s]));
      w2[s] = w1[s];
      w1[s] = w;
    }
    const __m128 out = _mm_cvtpd_ps(u);
    outA[i] = _mm_cvtss_f32(out);
    outB[i] = _mm_cvtss_f32(_mm_shuffle_ps(out, out, 1));
  }
  for (int s = 0; s < kSections; ++s) {
    double v[2];
    _mm_storeu_pd(v, w1[s]);
    stateA[2 * s] = static_cast<float>(v[0]), stateB[2 * s] = static_cast<float>(v[1]);
    _mm_storeu_pd(v, w2[s]);
    stateA[2 * s + 1] = static_cast<float>(v[0]), stateB[2 * s + 1] = static_cast<float>(v[1]);
  }
}

}  // namespace

ZRAudioDisplayProcessing::ZRAudioDisplayProcessing(int maxFramesValue, bool smoothRmsFlag, bool smoothLowFlag,
                                                   bool smoothMidFlag, bool smoothHighFlag,
                                                   bool smoothBandStopFlag)
    : maxFrames(maxFramesValue),
      monoBuffer(nullptr),
      filterBuffer(nullptr),
      pairBuffer(nullptr),
      smoothRms(smoothRmsFlag),
      smoothLow(smoothLowFlag),
      smoothMid(smoothMidFlag),
      smoothHigh(smoothHighFlag),
      smoothBandStop(smoothBandStopFlag) {
  requireOrAbort(maxFrames > 0, "maxFrames>0");
  monoBuffer = malloc_a(sizeof(float) * maxFrames, false);
  filterBuffer = malloc_a(sizeof(float) * maxFrames, false);
  pairBuffer = malloc_a(sizeof(float) * maxFrames, false);
  reset();
}

ZRAudioDisplayProcessing::~ZRAudioDisplayProcessing() {
  free_a(monoBuffer);
  free_a(filterBuffer);
  free_a(pairBuffer);
}

void ZRAudioDisplayProcessing::reset() {
  memset(lowFilterState, 0, sizeof(lowFilterState));
  memset(midFilterState, 0, sizeof(midFilterState));
  memset(highFilterState, 0, sizeof(highFilterState));
  memset(bandStopFilterState, 0, sizeof(bandStopFilterState));
  rmsState = lowState = midState = highState = bandStopState = 0;
  maxValue = 0;
}

void ZRAudioDisplayProcessing::process(const short* in, int frames, int channels, float* rms, float* low,
                                       float* mid, float* high, float* bandStop) {
  requireOrAbort(in != nullptr, "inAudioInterleaved");
  requireOrAbort(frames <= maxFrames, "frames <= maxFrames");
  requireOrAbort(channels <= 8, "channels <= 8");
  if (frames <= 0) return;
  if (channels <= 0) {
    memset(monoBuffer, 0, sizeof(float) * frames);
  } else {
    const float factor = kShortMixFactors[channels - 1];
    for (int i = 0; i < frames; ++i) {
      const short* f = in + static_cast<long>(i) * channels;
      float sum = 0;
      for (int c = 0; c < channels; ++c) sum += static_cast<float>(f[c]);
      monoBuffer[i] = sum * factor;
    }
  }
  processForDisplay(monoBuffer, frames, rms, low, mid, high, bandStop);
}

void ZRAudioDisplayProcessing::writePoints(const float* in, int count, float* out, bool smooth, float a,
                                           float b, float& smoothState) {
  const int n = count / 100;
  // Each point's sum of squares runs in sample order; four points are summed
  // side by side.
  float sums[4];
  for (int first = 0; first < n; first += 4) {
    const int group = std::min(4, n - first);
    const float* p = in + 100 * first;
    if (group == 4) {
      float s0 = 0, s1 = 0, s2 = 0, s3 = 0;
      for (int j = 0; j < 100; ++j) {
        s0 += p[j] * p[j];
        s1 += p[100 + j] * p[100 + j];
        s2 += p[200 + j] * p[200 + j];
        s3 += p[300 + j] * p[300 + j];
      }
      sums[0] = s0, sums[1] = s1, sums[2] = s2, sums[3] = s3;
    } else {
      for (int g = 0; g < group; ++g) {
        float sum = 0;
        for (int j = 0; j < 100; ++j) sum += p[100 * g + j] * p[100 * g + j];
        sums[g] = sum;
      }
    }
    for (int g = 0; g < group; ++g) {
      float r = sqrtf(sums[g] / 100.0f);
      if (smooth) {
        r = a * r + b * smoothState;
        smoothState = r;
      }
      out[first + g] = r;
      if (r > maxValue) maxValue = r;
    }
  }
}

void ZRAudioDisplayProcessing::processForDisplay(const float* mono, int count, float* rms, float* low,
                                                 float* mid, float* high, float* bandStop) {
  requireOrAbort(mono != nullptr, "inAudioMono != nullptr");
  if (count <= 0) return;
  // Mono float blocks come from callers that size them to this object; a
  // longer one is cut rather than overrunning the filter buffer.
  if (count > maxFrames) count = maxFrames;
  if (rms != nullptr) writePoints(mono, count, rms, smoothRms, 0.02f, 0.98f, rmsState);
  struct Output {
    const Band& band;
    int sections;
    float* state;
    float* out;
    bool smooth;
    float a, b;
    float& smoothState;
  } bands[4] = {
      {kLowBand, 2, lowFilterState, low, smoothLow, 0.1f, 0.9f, lowState},
      {kMidBand, 4, midFilterState, mid, smoothMid, 0.05f, 0.95f, midState},
      {kHighBand, 2, highFilterState, high, smoothHigh, 0.15f, 0.85f, highState},
      {kBandStopBand, 4, bandStopFilterState, bandStop, smoothBandStop, 0.1f, 0.9f, bandStopState},
  };
  // The low and high bands (what decks and the batch analysis ask for) are
  // filtered in one pass, the others each by itself.
  Output& lowBand = bands[0];
  Output& highBand = bands[2];
  const bool paired = lowBand.out != nullptr && highBand.out != nullptr;
  if (paired) {
    runBandPair<2>(lowBand.band, lowBand.state, filterBuffer, highBand.band, highBand.state, pairBuffer,
                      mono, count);
  }
  for (Output& o : bands) {
    if (o.out == nullptr) continue;
    const float* filtered = filterBuffer;
    if (paired && &o == &highBand) {
      filtered = pairBuffer;
    } else if (!(paired && &o == &lowBand)) {
      if (o.sections == 2) {
        runBand<2>(o.band, o.state, mono, filterBuffer, count);
      } else {
        runBand<4>(o.band, o.state, mono, filterBuffer, count);
      }
    }
    writePoints(filtered, count, o.out, o.smooth, o.a, o.b, o.smoothState);
  }
}
