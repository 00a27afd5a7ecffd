#include "dsp/timecode_demodulator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "dsp/timecode_blocks.h"
#include "dsp/timecode_demod.h"
#include "dsp/timecode_freq_track.h"

namespace {

constexpr long kMaxHops = 512;
constexpr long kMaxDemodHops = 256;
constexpr long kSymbolCapacity = 704;
constexpr long kTrackerHopSamples = 32;
// The longest piece one pass handles: its tracker hops plus the extra one must fit the demodulator's
// per-hop arrays (255 hops of 32 samples), and its code words the symbol rows.
constexpr long kMaxPieceFrames = (kMaxDemodHops - 1) * kTrackerHopSamples;
constexpr long kTimingBins = 128;

// The format of one generation: the tracker's front end, then the demodulator's settings.
struct Generation {
  long delay;
  long trackerStages;
  long hop;
  long medianPoints;
  bool binMedian;
  double freqScaler;
  double shelfCutoff;
  bool bypassTracker;
  long timingBin;
  long numBins;
  long bins[11];
  long constellation;
  long stateBits;
  long tail;
  long wordBits;
  bool fixedAmplitude;
  bool interleaved;
  bool reversed;
  bool parity;
  long demodStages;
  double strongLimit, weakLimit;
  double minRatio, maxRatio;
  long spreadLimit;
  long targetFFTSize;
};

// Generations 7 to 9 used to keep the tracker bypass and the fixed-amplitude flag of whatever generation was
// applied before them; each now has the flags it gets when applied right after creation (tracker on, fixed
// amplitude off), which is what the application has always run them with.
constexpr Generation kGenerations[10] = {
    {256,  1,   16, 5,  true,  1.0 / 8, 100,   false, 17, 10,  {17, 20, 23, 26, 29, 32, 35, 38, 41, 44},
     8,    3,   3,  17, false, true,    false, false, 1,  0.2, 0.6,
     0.25, 2.5, 2,  512},
    {256,  1,   16, 5,  true,  1.0 / 9, 100,   false, 18, 10,  {18, 21, 24, 27, 30, 33, 36, 39, 42, 45},
     8,    3,   3,  17, false, true,    false, false, 1,  0.2, 0.6,
     0.25, 2.5, 2,  512},
    {256,  1,   16, 3,  true,  1.0 / 12, 200,   false, 16, 10,  {2, 5, 8, 16, 19, 22, 25, 28, 31, 34},
     8,    3,   3,  17, false, true,     false, false, 1,  0.2, 0.6,
     0.25, 2.5, 2,  512},
    {128,  0,   32, 3,  false, 1.0 / 7, 250,   false, 20, 11,   {2, 5, 8, 11, 17, 20, 23, 26, 30, 33, 36},
     8,    4,   2,  18, false, true,    false, true,  1,  0.45, 0.9,
     0.25, 2.5, 2,  512},
    {128,  0,   32, 3,  false, 1.0 / 7, 250,  false, 20, 11,   {2, 5, 8, 11, 17, 20, 23, 26, 30, 33, 36},
     8,    4,   2,  18, false, true,    true, true,  1,  0.45, 0.9,
     0.25, 2.5, 2,  512},
    {128, 0,   32, 5,  false, 1.0 / 14, 200,   false, 20, 8,   {2, 5, 8, 11, 17, 20, 23, 26},
     16,  4,   2,  20, true,  true,     false, true,  0,  0.2, 0.6,
     0.4, 2.0, 2,  256},
    {128,  0,   32, 3,  false, 1.0 / 111, 250,   true, 231, 5,    {231, 234, 237, 240, 243},
     16,   4,   2,  11, true,  false,     false, true, 1,   0.45, 0.9,
     0.25, 2.5, 3,  512},
    {128,  0,   32, 3,  false, 2.0 / 3, 250,  false, 21, 8,    {27, 24, 21, 18, 12, 9, 6, 3},
     8,    5,   2,  18, false, false,   true, true,  1,  0.45, 0.9,
     0.25, 2.5, 3,  512},
    {128,  0,   32, 3,  false, 2.0 / 3, 250,  false, 21, 8,    {3, 6, 9, 12, 18, 21, 24, 27},
     8,    5,   2,  18, false, true,    true, true,  1,  0.45, 0.9,
     0.25, 2.5, 3,  512},
    {128,   0,     32,   3, false, 1.0 / 111, 250,  false, 234, 4,  {231, 228, 225, 222}, 16, 4, 2, 8, false,
     false, false, true, 1, 0.45,  0.9,       0.25, 2.5,   3,   512},
};

// The timing-tone modulators of a bin of the 128-point transform: Hann-weighted cosine and sine, over 128.
void makeTimingModulators(long bin, float* modCos, float* modSin) {
  const CHanning hann(kTimingBins);
  const float* w = hann.GetWindow();
  const double omega = static_cast<double>(bin) * 6.28318530717958 / kTimingBins;
  for (long n = 0; n < kTimingBins; ++n) {
    modCos[n] = static_cast<float>(w[n] * std::cos(n * omega) / kTimingBins);
    modSin[n] = static_cast<float>(w[n] * std::sin(n * omega) / kTimingBins);
  }
}

}  // namespace

struct MPVT2Handle {
  std::unique_ptr<CVinylFreqTrack> freqTrack;
  std::unique_ptr<CVinylDemodDecode> demod;
  std::unique_ptr<CZinvStereo> inputDelay;
  double hopSpeed[kMaxHops] = {};
  double hopPower[kMaxHops] = {};
  long hopSpread[kMaxHops] = {};
  double sampleRate = 44100.0;
  long ready = 0;
  std::vector<float> workLeft, workRight;
  long workCapacity = 0;
  long dataBins[11] = {};
  double symbolI[kSymbolCapacity] = {};
  double symbolQ[kSymbolCapacity] = {};
  long hopWords[kMaxDemodHops] = {};
  double hopErrors[kMaxDemodHops] = {};
  double hopPositions[kMaxDemodHops] = {};
  unsigned char absoluteMode = 1;
  long generation = 0;
  bool bypassTracker = false;
};

MPVT2Handle* MPVT2_CreateNew(int bufferFrames, double sampleRate) {
  auto h = std::make_unique<MPVT2Handle>();
  h->sampleRate = sampleRate;
  h->workCapacity = std::max<long>(bufferFrames, 2048);
  h->workLeft.assign(static_cast<size_t>(h->workCapacity), 0.0f);
  h->workRight.assign(static_cast<size_t>(h->workCapacity), 0.0f);

  // The tracker's reference rate stays 44100 whatever rate the handle is given: speeds are scaled by the
  // handle's rate over it.
  h->freqTrack = std::make_unique<CVinylFreqTrack>(44100.0, 32, 1, true, 1.0 / 8);
  h->freqTrack->SetLoShelfGain(0.0001);
  h->freqTrack->SetLoShelfCutoff(100.0);
  h->freqTrack->SetPowerThreshold(-30.0);
  h->freqTrack->SetSensitivity(2.0);

  const long bins[10] = {17, 20, 23, 26, 29, 32, 35, 38, 41, 44};
  std::copy(bins, bins + 10, h->dataBins);
  float modCos[kTimingBins], modSin[kTimingBins];
  makeTimingModulators(17, modCos, modSin);
  const CHanning hann(CVinylDemodDecode::kFFTSize);
  h->demod = std::make_unique<CVinylDemodDecode>(512, hann.GetWindow(), modCos, modSin, 768, 0.25, 2.5, 8, 3,
                                                 3, 17, 8, 10, bins, 44100.0);
  h->demod->SetMaxErrMetric(0.2, 0);
  h->demod->SetMaxErrMetric(0.6, 1);
  h->inputDelay = std::make_unique<CZinvStereo>(128);
  h->ready = 1;
  return h.release();
}

void MPVT2_Destruct(MPVT2Handle* handle) {
  delete handle;
}

void MPVT2_SetVinylGeneration(MPVT2Handle* h, unsigned long generation) {
  if (h == nullptr || generation > 9) return;
  const Generation& g = kGenerations[generation];
  h->ready = 0;
  h->generation = static_cast<long>(generation);
  h->inputDelay = std::make_unique<CZinvStereo>(g.delay);

  h->freqTrack->SetDecimationStagesHopSizeFiltLengUseMedi(g.trackerStages, g.hop, g.medianPoints,
                                                          g.binMedian);
  h->freqTrack->SetFreqScaler(g.freqScaler);
  h->freqTrack->SetLoShelfCutoff(g.shelfCutoff);
  h->freqTrack->ClearState();

  float modCos[kTimingBins], modSin[kTimingBins];
  makeTimingModulators(g.timingBin, modCos, modSin);
  h->demod->SetWindowedDotProd(modCos, modSin);
  std::fill(std::begin(h->dataBins), std::end(h->dataBins), 0);
  std::copy(g.bins, g.bins + g.numBins, h->dataBins);

  CVinylDemodDecode& d = *h->demod;
  d.SetBitReversed(g.reversed);
  d.SetBitXOR(false);
  d.SetBitInterleaved(g.interleaved);
  d.SetSpecialBins(g.numBins, h->dataBins);
  d.SetTCMRelaxPeriod(g.tail);
  d.SetTCMBitWidth(g.wordBits);
  d.SetFixedAmplitude(g.fixedAmplitude);
  d.SetTCMConstellationAndStateSize(g.constellation, g.stateBits);
  d.SetParityCheck(g.parity);
  d.SetDeciNumStages(g.demodStages);
  d.SetTargetFFTSize(g.targetFFTSize);
  d.SetMaxErrMetric(g.strongLimit, 0);
  d.SetMaxErrMetric(g.weakLimit, 1);
  d.SetMinMaxResampRatio(g.minRatio, g.maxRatio);
  d.SetBinSpreadLimit(g.spreadLimit);

  h->bypassTracker = g.bypassTracker;
  h->ready = 1;
}

void MPVT2_SetCutoffSharpness(MPVT2Handle* h, double sharpness) {
  if (h != nullptr) h->freqTrack->SetSensitivity(sharpness);
}

void MPVT2_SetAbsoluteMode(MPVT2Handle* h, int mode) {
  if (h != nullptr) h->absoluteMode = static_cast<unsigned char>(mode & 0xFF);
}

namespace {

// One piece of at most kMaxPieceFrames frames (and at most the work capacity); writes at most room entries
// and returns their number.
long processPiece(MPVT2Handle* h, const float* left, const float* right, long n, double* speedOut,
                  double* powerOut, double* positionOut, long room) {
  float* workL = h->workLeft.data();
  float* workR = h->workRight.data();
  std::memcpy(workL, left, sizeof(float) * n);
  std::memcpy(workR, right, sizeof(float) * n);

  long hops = 0;
  if (h->bypassTracker) {
    std::fill(std::begin(h->hopSpeed), std::end(h->hopSpeed), 1.0);
    std::fill(std::begin(h->hopPower), std::end(h->hopPower), 1.0);
    std::fill(std::begin(h->hopSpread), std::end(h->hopSpread), 1L);
    hops = n / kTrackerHopSamples;
  } else {
    h->freqTrack->ProcessFloatBuffer(workL, workR, n, h->hopSpeed, h->hopPower, h->sampleRate, h->hopSpread,
                                     hops);
  }
  // Index 0 keeps what it held when this piece completed no hop.
  if (hops == 0) hops = 1;
  const long count = std::min(room, hops);

  // The demodulator sees the input delayed to line up with the middle of the tracker's transform.
  h->inputDelay->DelayIt(left, right, workL, workR, n);

  if ((h->absoluteMode & 1) == 0) {
    std::fill(positionOut, positionOut + count, -1.0);
  } else {
    // One extra hop, so that the demodulator's hops cover the whole piece even when the tracker completed one
    // fewer than n / 32.
    h->hopSpeed[hops] = h->hopSpeed[hops - 1];
    h->hopSpread[hops] = h->hopSpread[hops - 1];
    const long hopSamples = h->freqTrack->GetHopSize() << h->freqTrack->GetDecimationStages();
    long words = 0, covered = 0;
    const long result = h->demod->DemodSignalAndDecode(
        workL, workR, n, h->hopSpeed, h->hopSpread, hops + 1, hopSamples, kTrackerHopSamples, h->symbolI,
        h->symbolQ, words, h->hopWords, h->hopErrors, h->hopPositions, covered, h->sampleRate);
    for (long i = 0; i < count; ++i) {
      positionOut[i] = result != 0 || covered == 0 ? -1.0 : h->hopPositions[std::min(i, covered - 1)];
    }
  }
  std::copy(h->hopSpeed, h->hopSpeed + count, speedOut);
  std::copy(h->hopPower, h->hopPower + count, powerOut);
  return count;
}

}  // namespace

void MPVT2_ProcessBuffer(MPVT2Handle* h, const float* left, const float* right, long frames, double* speedOut,
                         double* powerOut, double* positionOut, long* count) {
  if (h == nullptr || count == nullptr || h->ready == 0) return;
  const long capacity = std::max(0L, *count);
  const long piece = std::min(kMaxPieceFrames, h->workCapacity);
  long written = 0;
  long offset = 0;
  const long total = std::max(0L, frames);
  // Longer buffers than the per-call limits allow are taken in pieces; a buffer of 0 frames still reports
  // one entry, as any piece completing no hop does.
  do {
    const long n = std::min(piece, total - offset);
    written += processPiece(h, left + offset, right + offset, n, speedOut + written, powerOut + written,
                            positionOut + written, capacity - written);
    offset += n;
  } while (offset < total);
  *count = written;
}
