#pragma once
// Waveform display data: for every display point (100 frames, 441 per second
// at 44100 Hz) the RMS level of the whole signal and of four fixed bands
// (low < 200 Hz, mid 400..4000 Hz, high > 6400 Hz, and everything but
// 200..6400 Hz), each optionally smoothed from point to point, plus the
// running maximum of all values written, from which callers scale the
// display. Blocks must be fed in track order: filters and smoothing carry
// across blocks. One thread at a time; no allocation after construction.

class ZRAudioDisplayProcessing {
 public:
  // maxFrames > 0: the largest block accepted.
  ZRAudioDisplayProcessing(int maxFrames, bool smoothRms, bool smoothLow, bool smoothMid, bool smoothHigh,
                           bool smoothBandStop);
  ~ZRAudioDisplayProcessing();
  ZRAudioDisplayProcessing(const ZRAudioDisplayProcessing&) = delete;
  ZRAudioDisplayProcessing& operator=(const ZRAudioDisplayProcessing&) = delete;

  // Zeroes filter and smoothing state and the maximum (start of a track).
  void reset();

  // One block of interleaved 16-bit audio (frames <= maxFrames, channels
  // 1..8). Each non-null output receives frames / 100 values; a null output
  // is neither computed nor advanced.
  void process(const short* inAudioInterleaved, int frames, int channels, float* rms, float* low, float* mid,
               float* high, float* bandStop);
  // The same from a mono float block (samples in -1..1).
  void processForDisplay(const float* inAudioMono, int count, float* rms, float* low, float* mid, float* high,
                         float* bandStop);

  float getMaxValue() const { return maxValue; }

 private:
  void writePoints(const float* in, int count, float* out, bool smooth, float a, float b, float& smoothState);

  int maxFrames;
  float* monoBuffer;
  float* filterBuffer;
  float* pairBuffer;  // the high band while the low band is in filterBuffer
  float lowFilterState[4];
  float midFilterState[8];
  float highFilterState[4];
  float bandStopFilterState[8];
  bool smoothRms, smoothLow, smoothMid, smoothHigh, smoothBandStop;
  float rmsState, lowState, midState, highState, bandStopState;
  float maxValue;
};
