#include "dsp/audio_display_processing.h"

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

void runBand(const Band& band, float* state, const float* in, float* out, int count) {
  for (int i = 0; i < count; ++i) {
    float u = static_cast<float>(in[i] * band.gain);
    for (int s = 0; s < band.sections; ++s) {
      float& w1 = state[2 * s];
      float& w2 = state[2 * s + 1];
      const float w = static_cast<float>(u + band.c[s][0] * w1 + band.c[s][1] * w2);
      u = static_cast<float>(w + band.c[s][2] * w1 + w2);
      w2 = w1;
      w1 = w;
    }
    out[i] = u;
  }
}

}  // namespace

ZRAudioDisplayProcessing::ZRAudioDisplayProcessing(int maxFramesValue, bool smoothRmsFlag, bool smoothLowFlag,
                                                   bool smoothMidFlag, bool smoothHighFlag,
                                                   bool smoothBandStopFlag)
    : maxFrames(maxFramesValue),
      monoBuffer(nullptr),
      filterBuffer(nullptr),
      smoothRms(smoothRmsFlag),
      smoothLow(smoothLowFlag),
      smoothMid(smoothMidFlag),
      smoothHigh(smoothHighFlag),
      smoothBandStop(smoothBandStopFlag) {
  requireOrAbort(maxFrames > 0, "maxFrames>0");
  monoBuffer = malloc_a(sizeof(float) * maxFrames, false);
  filterBuffer = malloc_a(sizeof(float) * maxFrames, false);
  reset();
}

ZRAudioDisplayProcessing::~ZRAudioDisplayProcessing() {
  free_a(monoBuffer);
  free_a(filterBuffer);
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
  for (int i = 0; i < n; ++i) {
    const float* p = in + 100 * i;
    float sum = 0;
    for (int j = 0; j < 100; ++j) sum += p[j] * p[j];
    float r = sqrtf(sum / 100.0f);
    if (smooth) {
      r = a * r + b * smoothState;
      smoothState = r;
    }
    out[i] = r;
    if (r > maxValue) maxValue = r;
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
  struct {
    const Band& band;
    float* state;
    float* out;
    bool smooth;
    float a, b;
    float& smoothState;
  } bands[4] = {
      {kLowBand, lowFilterState, low, smoothLow, 0.1f, 0.9f, lowState},
      {kMidBand, midFilterState, mid, smoothMid, 0.05f, 0.95f, midState},
      {kHighBand, highFilterState, high, smoothHigh, 0.15f, 0.85f, highState},
      {kBandStopBand, bandStopFilterState, bandStop, smoothBandStop, 0.1f, 0.9f, bandStopState},
  };
  for (auto& b : bands) {
    if (b.out == nullptr) continue;
    runBand(b.band, b.state, mono, filterBuffer, count);
    writePoints(filterBuffer, count, b.out, b.smooth, b.a, b.b, b.smoothState);
  }
}
