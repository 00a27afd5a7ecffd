#pragma once
// The first stage of the timecode demodulator: it follows the pilot tone of the timecode signal. Every hop
// (32 input samples in every timecode generation) it takes a 256-point complex transform of the recent signal
// (left as real, right as imaginary part), finds the strongest bin, places the peak between bins, and reports
// the speed (the peak's frequency over the pilot's nominal one, negative when the medium runs backwards), a
// strength between 0 and 1 derived from the total power, and the spread of the peak bin over a short median
// window, which the demodulator uses to reject unstable hops.
//
// CPeriodogram is the sliding transform, CFFTFreqTerp finds and places the peak, CVinylFreqTrack adds the
// decimation, the low-cut filters, the power mapping and the scaling. One thread per instance; processing
// allocates nothing.

#include <memory>

#include "dsp/audio_fft.h"
#include "dsp/timecode_blocks.h"
#include "dsp/timecode_estimators.h"

// A ring of the last 256 stereo samples, transformed every `hop` samples.
class CPeriodogram {
 public:
  static constexpr long N = 256;

  CPeriodogram();
  // Takes samples into the ring one by one; each time hop samples have arrived since the last transform and
  // transform is set, FFTProc runs, min(256, nOut) values go to outRe/outIm and the call stops: avail returns
  // the samples consumed, nOut the values copied. When the input runs out first, avail returns all of it and
  // nOut 0.
  void AnalyzeBuffer(const float* inL, const float* inR, float* outRe, float* outIm, long& avail, long& nOut,
                     long hop, bool transform);
  void ClearAnalState();
  // Loads 256 ring values (oldest first); the ring restarts at 0.
  void SetAnalState(const float* re, const float* im);
  // The ring, oldest first.
  void GetAnalState(float* re, float* im) const;
  long GetAnalPhase() const { return analPhase; }
  void SetAnalPhase(long p) { analPhase = p; }
  // The ring oldest first, transformed (forward, unscaled, no window) into the last-transform arrays; 256.
  long FFTProc();
  const float* GetOutRe() const { return outRe; }
  const float* GetOutIm() const { return outIm; }

 private:
  static constexpr long kMask = N - 1;
  long writeIndex = 0;
  long analPhase = 0;
  float ringRe[N] = {}, ringIm[N] = {};
  float outRe[N] = {}, outIm[N] = {};
  ZRComplexSplitFFT fft{N};
};

// The peak of each transform: its bin (through a bin median when that is on), its fractional frequency, the
// total and peak power and the spread of the median window. The first five frames after a clear are a
// warm-up that reports nothing.
class CFFTFreqTerp {
 public:
  static constexpr long N = 256;
  static constexpr long kWarmUpFrames = 5;

  CFFTFreqTerp();
  // Runs the periodogram; once it yields a frame: freq the peak frequency in bins (signed, fractional),
  // power the total power sum |X[k]|^2 / 256^2, peak that of the peak bin, bin the peak bin 0..255 and
  // spread the median window's spread (not written during the warm-up). Nothing else happens without a frame
  // (nOut below 256).
  void AnalyzeBuffer(const float* inL, const float* inR, long& avail, long& nOut, long hop, double& freq,
                     double& power, double& peak, bool transform, long& bin, long& spread);
  // Zeroes the transforms, clears the periodogram (and the bin median when it is in use) and restarts the
  // warm-up.
  void ClearState();
  void ClearMediFiltState() { binMedian->ClearState(); }
  // Replaces the bin median by a cleared five- or three-point median; other lengths change nothing.
  void SetMedFiltLeng(long length);
  void SetAnalState(const float* re, const float* im) { periodogram.SetAnalState(re, im); }
  void GetAnalState(float* re, float* im) const { periodogram.GetAnalState(re, im); }
  long GetAnalPhase() const { return periodogram.GetAnalPhase(); }
  void SetAnalPhase(long p) { periodogram.SetAnalPhase(p); }
  // The previous (older false) or second previous (older true) transform.
  void GetPrevFFT(float* re, float* im, bool older) const;
  void SetPrevFFT(const float* re, const float* im, bool older);
  void SetMedFiltState(const long* values) { binMedian->SetState(values); }
  void GetMedFiltState(long* values) const { binMedian->GetState(values); }
  long GetMedFiltLeng() const { return binMedian->GetStateLen(); }
  void SetWinTick(long tick) { winTick = tick; }
  void UseBinMedFilt(bool on) { useBinMedFilt = on; }

 private:
  float power[N] = {};
  float invN2 = 1.0f / (N * N);
  float curRe[N] = {}, curIm[N] = {};
  float lastRe[N] = {}, lastIm[N] = {};
  float olderRe[N] = {}, olderIm[N] = {};
  CPeriodogram periodogram;
  CBinTerp binTerp;
  std::unique_ptr<CRunningMedian<long>> binMedian;
  long winTick = 0;
  bool useBinMedFilt = true;
};

class CVinylFreqTrack {
 public:
  // sampleRate is the reference rate the pilot's nominal bin is counted at; hop is counted at the decimated
  // rate; all maxStages decimation stages are in use. Without keepWarmup no warm-up happens.
  CVinylFreqTrack(double sampleRate, long hop, long maxStages, bool keepWarmup, double freqScaler);

  // Processes n samples per channel, using the input arrays as working memory (they are overwritten). Writes
  // one entry per completed hop into speed, power and spread from index 0 and returns their number in count.
  // sampleRate is the rate of this input (speeds are scaled by it over the reference rate).
  void ProcessFloatBuffer(float* inL, float* inR, long n, double* speed, double* power, double sampleRate,
                          long* spread, long& count);
  // The slope of the mapping from power in dB to strength.
  void SetSensitivity(double s) { sensitivity = s; }
  // The power in dB that maps to strength 0.5.
  void SetPowerThreshold(double dB) { powerThreshold = dB; }
  // The gain of all four shelf filters below their cut-off.
  void SetLoShelfGain(double g);
  // The shelf cut-off in Hz, at the decimated rate.
  void SetLoShelfCutoff(double hz);
  // Clears every state and restarts the warm-up.
  void ClearState();
  // Ignored unless 0 <= stages <= maxStages; the power median is replaced for lengths 5 and 3.
  void SetDecimationStagesHopSizeFiltLengUseMedi(long stages, long hop, long filtLeng, bool useMedian);

  void SetAnalState(const float* re, const float* im) { freqTerp.SetAnalState(re, im); }
  void GetAnalState(float* re, float* im) const { freqTerp.GetAnalState(re, im); }
  long GetAnalPhase() const { return freqTerp.GetAnalPhase(); }
  void SetAnalPhase(long p) { freqTerp.SetAnalPhase(p); }
  void GetPrevFFT(float* re, float* im, bool older) const { freqTerp.GetPrevFFT(re, im, older); }
  void SetPrevFFT(const float* re, const float* im, bool older) { freqTerp.SetPrevFFT(re, im, older); }
  void SetMedFiltFreqState(const long* values) { freqTerp.SetMedFiltState(values); }
  void GetMedFiltFreqState(long* values) const { freqTerp.GetMedFiltState(values); }
  void SetMedFiltPowState(const double* values) { powerMedian->SetState(values); }
  void GetMedFiltPowState(double* values) const { powerMedian->GetState(values); }
  // The states of the two left (right) shelf filters.
  void SetEQStateL(float first, float second);
  void SetEQStateR(float first, float second);
  float GetEQStateL1() const { return eqLeft1.GetState(); }
  float GetEQStateR1() const { return eqRight1.GetState(); }
  float GetEQStateL2() const { return eqLeft2.GetState(); }
  float GetEQStateR2() const { return eqRight2.GetState(); }
  // Per stage in use the two path states and the held sample of that channel (five values), then the toggle
  // counter (in both arrays when reading, taken from left when writing).
  void GetDeciState(double* left, double* right) const;
  void SetDeciState(const double* left, const double* right);
  long GetDeciStateSize() const { return decimationStages * 5 + 1; }
  long GetHopSize() const { return hopSize; }
  void SetHopSize(long hop) { hopSize = hop; }
  long GetDecimationStages() const { return decimationStages; }
  long GetCurrBin() const { return currBin; }
  void SetCurrBin(long bin) { currBin = bin; }
  double GetFreqScaler() const { return freqScaler; }
  void SetFreqScaler(double s) { freqScaler = s; }

 private:
  static std::unique_ptr<CRunningMedian<double>> makeMedian(long length);

  CHalfBandDecimatorStereo decimator;
  CFFTFreqTerp freqTerp;
  std::unique_ptr<CRunningMedian<double>> powerMedian;
  CBJShelfEQ eqLeft1, eqRight1, eqLeft2, eqRight2;
  CMyArcTanApprox approx;
  long hopSize;
  long currBin = 0;
  long decimationStages;
  double powerThreshold = 0.0;
  double invPi = 0.318309886183791;
  double freqScaler;
  double sensitivity = 10.0;
  double sampleRate;
  long maxStages;
};
