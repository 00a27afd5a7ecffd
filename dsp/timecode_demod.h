#pragma once
// The second stage of the timecode demodulator, used in absolute mode. Given the (delayed) input and the
// frequency tracker's speed and stability per hop, it resamples each hop to nominal speed, decimates it,
// finds the code-word boundaries from the power of a timing tone measured eight times per code word, takes a
// windowed 256-point complex transform of every code word, reads the constellation point of each data
// sub-carrier from the phase difference (and amplitude ratio) of left and right, decodes the word's trellis
// sequence, turns the bits into the code word's number and reports, per hop, an absolute position in code
// words or -1.
//
// CWindowedDotProd is the sliding single-bin transform of the timing tone, CBinPhaseBump finds the strongest
// of the eight timing measurements, CVinylDemodDecode does the rest. One thread per instance; only
// construction, SetSpecialBins and SetTCMConstellationAndStateSize allocate.

#include <cstdint>
#include <memory>
#include <vector>

#include "dsp/audio_fft.h"
#include "dsp/timecode_blocks.h"
#include "dsp/timecode_estimators.h"
#include "dsp/timecode_tcm.h"

// A single-bin transform of the last 128 samples of one channel, computed every `hop` samples with a
// modulator table (window times cosine and sine of the bin).
class CWindowedDotProd {
 public:
  static constexpr long N = 128;

  CWindowedDotProd(const float* modCos, const float* modSin);
  // Takes samples into the ring; when hop samples have arrived since the last product, computes the product
  // over the ring (oldest sample first) and stops: true, count = samples consumed. Otherwise false and
  // count = all.
  bool StoreDataAndComputeDotProduct(const float* in, long& count, long hop);
  // |D|^2 of the last product.
  float GetDotProduct() const { return dotRe * dotRe + dotIm * dotIm; }
  void ClearAnalState();
  void SetInputDataState(const float* values);
  void GetInputDataState(float* values) const;
  long GetOverlapIndex() const { return overlapIndex; }
  void SetOverlapIndex(long i) { overlapIndex = i; }
  void SetModulator(const float* modCos, const float* modSin);
  void GetModulator(float* modCos, float* modSin) const;

 private:
  static constexpr long kMask = N - 1;
  long writeIndex = 0;
  long overlapIndex = 0;
  float ring[N] = {};
  float dotRe = 0.0f, dotIm = 0.0f;
  float modCos_[N], modSin_[N];
};

// The strongest of `count` power measurements, once per code word.
class CBinPhaseBump {
 public:
  explicit CBinPhaseBump(long count);
  // Stores the power; after the count-th: the previous results move to index 1, peakPower[0] and
  // peakIndex[0] take the strongest (the first on ties), fraction[0] = (count - 1 - peakIndex) / count,
  // and the result is true.
  bool BumpBinPhase(double power, long* peakIndex, double* peakPower, double* fraction);
  void SetPowerSamps(const double* values, long pos);
  void GetPowerSamps(double* values, long& pos) const;
  void ClearState();

 private:
  std::vector<double> samples;
  long pos = 0;
  long count;
  double invCount;
};

class CVinylDemodDecode {
 public:
  static constexpr long kFFTSize = 256;

  // window256: the 256-point Hann window; modCos/modSin: the timing modulators (128 values); the accepted
  // speed range minRatio..maxRatio; constellation 8 or 16 points with stateBits (see
  // SetTCMConstellationAndStateSize); tailSymbols and bitWidth per code word; bumpLen timing measurements per
  // code word; the numBins data bins; sampleRate the reference rate.
  CVinylDemodDecode(long targetFFTSize, const float* window256, const float* modCos, const float* modSin,
                    long maxChunk, double minRatio, double maxRatio, long constellation, long stateBits,
                    long tailSymbols, long bitWidth, long bumpLen, long numBins, const long* bins,
                    double sampleRate);

  // Demodulates n samples: hops x min(maxChunk, hopFrames) must cover n (else -1 and nothing is written).
  // speed and spread hold at least `hops` entries. words, errors and positions receive one entry per hop
  // covered (nHops); symI/symQ one row of GetNumSpecialBins() points per code word decoded (nWords; three
  // more points on the last row with state bits 5). positions: the absolute position in code words where a
  // word was decoded reliably in that hop, else -1. sampleRate: the rate of this input. Result 0.
  long DemodSignalAndDecode(const float* left, const float* right, long n, const double* speed,
                            const long* spread, long hops, long hopFrames, long timingHop, double* symI,
                            double* symQ, long& nWords, long* words, double* errors, double* positions,
                            long& nHops, double sampleRate);

  // Clears the ring, the timing transforms and peak finders, the resampler, the decimators and the position
  // median; the position, the error metric, the direction state and the timing results stay.
  void ClearState();
  double GetResamplerPhase() const { return resampler.GetPhase(); }
  void SetResamplerPhase(double p) { resampler.SetPhase(p); }
  long GetResamplerStateL(float* out, long len) const { return resampler.GetStateL(out, len); }
  long GetResamplerStateR(float* out, long len) const { return resampler.GetStateR(out, len); }
  long SetResamplerStateL(const float* in, long len) { return resampler.SetStateL(in, len); }
  long SetResamplerStateR(const float* in, long len) { return resampler.SetStateR(in, len); }
  // The stages of the first decimator (0 or 1).
  void SetDeciNumStages(long stages) { decimator1.SetCurrNumStages(stages); }
  // The first decimator's stage: left and right path-0 states, left and right path-1 states, the two held
  // samples and the toggle counter (11 values).
  long GetDeciStateLen() const { return 11; }
  void GetDeciState(double* values) const;
  void SetDeciState(const double* values);
  long GetWindowStateLeng() const { return ring.GetStateLen(); }
  // The whole ring, oldest first (left, right).
  void GetWindowBuffState(float* left, float* right) const;
  void SetWindowBuffState(const float* left, const float* right);
  void SetWindowedDotProd(const float* modCos, const float* modSin);
  void GetWindowedDotProd(float* modCos, float* modSin) const { dotLeft.GetModulator(modCos, modSin); }
  // The left peak finder's samples and position.
  void GetBinSamps(double* values, long& pos) const { bumpLeft.GetPowerSamps(values, pos); }
  void SetBinSamps(const double* values, long pos) { bumpLeft.SetPowerSamps(values, pos); }
  long GetDemodState() const { return demodState; }
  void SetDemodState(long s) { demodState = s; }
  float GetPositionVal() const { return static_cast<float>(position); }
  // which 0: the strong limit, 1: the weak limit; other values are ignored.
  void SetMaxErrMetric(double value, long which);
  double GetDecodeErrorMetric() const { return decodeErrorMetric; }
  long GetNumSpecialBins() const { return static_cast<long>(specialBins.size()); }
  void SetSpecialBins(long count, const long* bins);
  void SetTCMRelaxPeriod(long tail) { tcmRelaxPeriod = tail; }
  // Replaces the codec: constellation 8 with stateBits 3 or 4 (8-PSK) or 5 (the 16-state 8-PSK table code
  // with three extra points per word); constellation 16 with 3 or 4 (16-QAM) or 6 (the 64-state table code).
  // Other combinations build no codec, and words are then not decoded.
  void SetTCMConstellationAndStateSize(long constellation, long stateBits);
  void SetTCMBitWidth(long bits) { tcmBitWidth = bits; }
  bool IsBitReversed() const { return bitReversed; }
  void SetBitReversed(bool on) { bitReversed = on; }
  bool IsBitXOR() const { return bitXOR; }
  void SetBitXOR(bool on) { bitXOR = on; }
  void SetParityCheck(bool on) { parityCheck = on; }
  bool IsFixedAmplitude() const { return fixedAmplitude; }
  void SetFixedAmplitude(bool on) { fixedAmplitude = on; }
  void SetBitInterleaved(bool on) { bitInterleaved = on; }
  bool IsBitInterleaved() const { return bitInterleaved; }
  // Recorded only.
  void SetTargetFFTSize(long size) { targetFFTSize = size; }
  double GetMinResampRatio() const { return minResampRatio; }
  double GetMaxResampRatio() const { return maxResampRatio; }
  void SetMinMaxResampRatio(double lo, double hi);
  void SetBinSpreadLimit(long limit) { binSpreadLimit = limit; }

  // Bit operations on count words of `bits` bits (bits <= 0 gives 0). Even input bits go to the low half,
  // odd ones to the high half (from ceil(bits / 2) on).
  static void bit_deinterleave(const uint64_t* in, uint64_t* out, int count, int bits);
  // Output bit j = input bit bits - 1 - j.
  static void bit_reverse(const uint64_t* in, uint64_t* out, int count, int bits);
  // 0 when the bits have even parity (bit 0 for fewer than two bits).
  static void bit_parity_check(const uint64_t* in, uint64_t* out, int count, int bits);

 private:
  // Frame, points, decoding and acceptance of the code word that just completed. Returns true when a
  // position was accepted; h is the hop, s its speed.
  bool decodeWord(long h, double s, double* symI, double* symQ, long& nWords, long* words, double* errors);
  uint64_t decodeRow(double* rowI, double* rowQ, double* mappedRatios);

  float fftRe[kFFTSize] = {}, fftIm[kFFTSize] = {};
  ZRComplexSplitFFT fft{kFFTSize};
  CZinvStereo ring;
  CWindowedDotProd dotLeft, dotRight;
  CBinPhaseBump bumpLeft, bumpRight;
  std::unique_ptr<C8PSKTCM> pskCodec;
  std::unique_ptr<C16QAMTCM> qamCodec;
  std::unique_ptr<CTable_TCM> tableCodec;
  CStereoLinTerp resampler;
  CHalfBandDecimatorStereo decimator1{1};
  CHalfBandDecimatorStereo decimator2{1};
  CThreePointMedian<double> positionMedian;
  float window[kFFTSize];
  double minResampRatio, maxResampRatio;
  long maxChunk;
  long targetFFTSize;
  long constellation = 8;
  long stateBits = 0;
  long tcmRelaxPeriod;
  long tcmBitWidth;
  long resampCapacity;
  long demodState = 0;
  double position = -1.0;
  double decodeErrorMetric = -1.0;
  // Timing results, latest at index 0 and previous at index 1.
  double peakPowLeft[2] = {}, peakPowRight[2] = {};
  double fraction[2] = {};
  long peakIndexLeft[2] = {}, peakIndexRight[2] = {};
  long latency = 0;
  long bumpLen;
  std::vector<uint64_t> survivorsOut;
  std::vector<float> resampLeft, resampRight;
  std::vector<double> metricsOut;
  double maxErrMetric[2] = {0.2, 1.0};
  std::vector<long> specialBins;
  long binSpreadLimit = 2;
  bool bitReversed = false, parityCheck = false, bitXOR = false, fixedAmplitude = false;
  bool bitInterleaved = true;
  double sampleRate;
};
