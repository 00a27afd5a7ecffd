#pragma once
// The second-generation tempo detector, used for every track. While the track
// is decoded, each block becomes an onset envelope, one value per display
// point (100 frames): the rise of weighted spectral magnitude from one
// 2048-sample Hann window to the next. At the end the envelope is cleaned,
// four estimators (adaptive autocorrelation, FFT autocorrelation, FFT
// spectrum, comb filter) estimate the tempo within a BPM range, the choice is
// refined with single-frequency transforms, and the beats are marked by the
// dynamic-programming tracker or, in steady mode, as a rigid grid (which is
// then suitable for always-in-sync playback).
//
// BPM ranges by suggestedBpm: 50 or more (a typed BPM s): s-1..s+1;
// -1 and 0..49: 76..150; -2: 56..100; -3: 101..195.

#include "dsp/audio_fft.h"
#include "dsp/zr_audio_detection.h"

class ZRAudioDetectionZerlinNew2 : public ZRAudioDetection {
 public:
  ZRAudioDetectionZerlinNew2(bool smoothRms, bool steadyMode);
  ~ZRAudioDetectionZerlinNew2() override;

  void resetForBpmSuggested() override {}
  float getAverageBPM() override { return averageBpm; }
  float getBPM(int) override { return averageBpm; }
  // The comb-filter estimate of the last analysis that reached the
  // estimators (0 before).
  float getTestBPM() override { return testBpm; }
  bool isBeatGridSuitableForAlwaysInSync() override { return steadyMode; }

  // The tempo estimators over an onset envelope of n values at rate points
  // per second within [lo, hi] BPM. Every lag stays inside the envelope.
  static float getBPMEstimateAutocorrelationClassicAdaptive_new(const float* onsets, int n, float rate,
                                                                float lo, float hi);
  float getBPMEstimateAutocorrelationFFT_new(const float* onsets, int n, float rate, float lo, float hi);
  float getBPMEstimateSimpleFFT_new(const float* onsets, int n, float rate, float lo, float hi);
  static float getBPMEstimateCombFilter_new(const float* onsets, int n, float rate, float lo, float hi);

  // The refinement of an estimated tempo (base) on a cleaned envelope of
  // count values: the tempo whose single-frequency magnitude is largest
  // within base +- 1.2 BPM, a whole number when that one's is larger. Also
  // the frequency found (cycles over the envelope) and its magnitude.
  struct TempoRefinement {
    float bpm;
    double frequency;
    double magnitude;
  };
  static TempoRefinement refineTempo(const float* onsets, int count, float base);

  // The BPM range for a suggestedBpm (see above).
  static void bpmRange(int suggestedBpm, float& lo, float& hi);

  // Final analysis on an envelope (normalised, see detectAudioFeatures):
  // returns the BPM (0 for tracks under 10 seconds or without onsets).
  float ProcessBpm(int count, float* onsets, int seconds, int suggestedBpm, float* marks);

 protected:
  void resetInternal() override;
  void processInternal(const float* mono, int frames, float* onsetOut) override;
  int detectAudioFeaturesInternal(float* onsets, int count, int suggestedBpm, float* marks) override;

 private:
  // The onset value of one transform's interleaved spectrum.
  float fftMagnitudeOnset(const float* spectrum);

  ZRAppleAccelerateFFT fft;
  ZRAppleAccelerateFFT analysisFft;  // sized per call by the estimators
  int fftSize;
  int binCount;
  float* previousMagnitudes;
  float* history;  // samples not yet windowed, oldest first
  int historyCount;
  float* analysisWindow;
  float* binRises;  // the onset function's per-bin rises of one window
  float averageBpm;
  float testBpm;
  int highBin;
  int lowBin;
  double* binWeights;
  double smoothingKernel[66];
  bool steadyMode;
};
