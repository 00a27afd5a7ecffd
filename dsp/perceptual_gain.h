#pragma once
// Perceived loudness of a track by the ReplayGain 1.0 analysis: an
// equal-loudness filter (10th-order Yule-Walker IIR followed by a 2nd-order
// Butterworth high-pass), mean square over 50 ms blocks, a histogram of block
// levels in 0.01 dB steps, the 95th percentile and the 64.82 dB pink-noise
// reference. The title gain is the track's auto-gain in dB: positive for
// quiet tracks, negative for loud ones. No allocation: every buffer is part of
// the object. One thread at a time.

#include <cstdint>

// Title gain of an analysis that saw no complete 50 ms block.
constexpr float kGainNotEnoughSamples = -24601.0f;

class PerceptualGain {
 public:
  PerceptualGain();

  // Clears all state, both histograms included, and selects the rate's
  // filters. 1 on success; 0 for an unsupported rate (44100 and 48000 are
  // supported), which changes nothing.
  int InitGainAnalysis(long rate);
  // Clears the filter history, block sums and the title histogram and
  // selects the rate's filters; 1 on success, 0 for an unsupported rate.
  int ResetSampleFrequency(long rate);

  // Samples on the 16-bit scale. channels 1 (right ignored; left stands for
  // both) or 2; another channel count returns 0 and changes nothing. count 0
  // returns 1. Filter history carries across calls.
  int AnalyzeSamples(const float* left, const float* right, unsigned long count, int channels);

  // The title gain in dB (kGainNotEnoughSamples when no block completed);
  // then adds the title histogram into the album histogram and clears the
  // title state so the next title starts afresh.
  float GetTitleGain();

  // The equal-loudness filters of a rate (false for an unsupported one):
  // Yule-Walker b0, a1, b1, ... a10, b10 and Butterworth b0, a1, b1, a2, b2.
  static bool filterCoefficients(long rate, const double*& yule, const double*& butter);

  static constexpr int kHistogramSize = 12000;  // 120 dB in 0.01 dB steps
  static constexpr int kOrder = 10;
  static constexpr int kStep = 2048;  // samples filtered per step

 private:
  struct Channel {
    float in[kOrder];    // last inputs, newest last
    float yule[kOrder];  // last Yule-Walker outputs, newest last
    float butter[2];     // last Butterworth outputs, newest last
  };
  void selectRow(const double* yuleTable, const double* butterTable);
  void clearFilters();
  // Filters n <= kStep samples of one channel; returns the filtered samples
  // (valid until the next step).
  const float* filterStep(Channel& ch, const float* samples, int n);
  void accumulate(const float* left, const float* right, int n);

  float yule[2 * kOrder + 1];  // b0, a1, b1, ... a10, b10
  float butter[5];
  Channel channels[2];
  float stepIn[kOrder + kStep];
  float stepYule[kOrder + kStep];
  float stepButter[2 + kStep];
  float stepLeft[kStep];
  float stepPartial[kStep];  // the Yule-Walker sums of the input terms
  double sumLeft;
  double sumRight;
  long blockSamples;
  long blockLength;
  uint32_t titleHistogram[kHistogramSize];
  uint32_t albumHistogram[kHistogramSize];
};

// The gain of a level histogram: 95th percentile against the reference.
float analyzeResult(const uint32_t* histogram, int length);
