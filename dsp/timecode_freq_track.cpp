#include "dsp/timecode_freq_track.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// ---------------------------------------------------------------------------
// CPeriodogram

CPeriodogram::CPeriodogram() = default;

void CPeriodogram::AnalyzeBuffer(const float* inL, const float* inR, float* re, float* im, long& avail,
                                 long& nOut, long hop, bool transform) {
  const long n = avail;
  for (long i = 0; i < n; ++i) {
    ringRe[writeIndex] = inL[i];
    ringIm[writeIndex] = inR[i];
    writeIndex = (writeIndex + 1) & kMask;
    if (++analPhase < hop) continue;
    analPhase = 0;
    if (!transform) continue;
    FFTProc();
    const long copied = std::clamp(nOut, 0L, N);
    std::memcpy(re, outRe, sizeof(float) * copied);
    std::memcpy(im, outIm, sizeof(float) * copied);
    avail = i + 1;
    nOut = copied;
    return;
  }
  avail = n;
  nOut = 0;
}

long CPeriodogram::FFTProc() {
  GetAnalState(outRe, outIm);
  fft.forward(outRe, outIm);
  return N;
}

void CPeriodogram::ClearAnalState() {
  std::fill(std::begin(ringRe), std::end(ringRe), 0.0f);
  std::fill(std::begin(ringIm), std::end(ringIm), 0.0f);
  std::fill(std::begin(outRe), std::end(outRe), 0.0f);
  std::fill(std::begin(outIm), std::end(outIm), 0.0f);
  writeIndex = 0;
  analPhase = 0;
}

void CPeriodogram::SetAnalState(const float* re, const float* im) {
  std::memcpy(ringRe, re, sizeof(ringRe));
  std::memcpy(ringIm, im, sizeof(ringIm));
  writeIndex = 0;
}

void CPeriodogram::GetAnalState(float* re, float* im) const {
  for (long i = 0; i < N; ++i) {
    re[i] = ringRe[(writeIndex + i) & kMask];
    im[i] = ringIm[(writeIndex + i) & kMask];
  }
}

// ---------------------------------------------------------------------------
// CFFTFreqTerp

CFFTFreqTerp::CFFTFreqTerp() : binMedian(std::make_unique<CFivePointMedian<long>>()) {}

void CFFTFreqTerp::AnalyzeBuffer(const float* inL, const float* inR, long& avail, long& nOut, long hop,
                                 double& freq, double& totalPower, double& peak, bool transform, long& bin,
                                 long& spread) {
  periodogram.AnalyzeBuffer(inL, inR, curRe, curIm, avail, nOut, hop, transform);
  if (nOut < N) return;

  if (winTick < kWarmUpFrames) {
    ++winTick;
    bin = 0;
    freq = totalPower = peak = 0.0;
  } else {
    double total = 0.0;
    long k = 0;
    for (long i = 0; i < N; ++i) {
      power[i] = curRe[i] * curRe[i] + curIm[i] * curIm[i];
      total += power[i];
      if (power[i] > power[k]) k = i;
    }
    totalPower = invN2 * total;
    peak = invN2 * power[k];

    if (k > N / 2) k -= N;
    long median = 0, windowSpread = 0;
    binMedian->FilterBuff(&k, &median, &windowSpread, 1);
    spread = windowSpread;
    if (useBinMedFilt) k = median;
    if (k < 0) k += N;
    bin = k;

    // With the median in use, the bin it reports belongs to an older frame (its delay).
    const float* re = curRe;
    const float* im = curIm;
    if (useBinMedFilt) {
      const bool five = binMedian->GetStateLen() == 5;
      re = five ? olderRe : lastRe;
      im = five ? olderIm : lastIm;
    }
    const long below = k == 0 ? N - 1 : k - 1;
    const long above = k == N - 1 ? 0 : k + 1;
    double delta = 0.0;
    binTerp.Algorithm4(re[k], im[k], re[below], im[below], re[above], im[above], delta);
    delta = std::clamp(delta, -0.5, 0.5);
    if (k == 0) {
      freq = delta;
    } else if (k == N - 1) {
      freq = delta - 1.0;
    } else if (k <= N / 2) {
      freq = static_cast<double>(k) + delta;
    } else {
      freq = delta - static_cast<double>(N - k);
    }
  }
  if (useBinMedFilt) {
    std::memcpy(olderRe, lastRe, sizeof(olderRe));
    std::memcpy(olderIm, lastIm, sizeof(olderIm));
    std::memcpy(lastRe, curRe, sizeof(lastRe));
    std::memcpy(lastIm, curIm, sizeof(lastIm));
  }
}

void CFFTFreqTerp::ClearState() {
  for (float* a : {curRe, curIm, lastRe, lastIm, olderRe, olderIm}) std::fill(a, a + N, 0.0f);
  periodogram.ClearAnalState();
  if (useBinMedFilt) binMedian->ClearState();
  winTick = 0;
}

void CFFTFreqTerp::SetMedFiltLeng(long length) {
  if (length == 5) {
    binMedian = std::make_unique<CFivePointMedian<long>>();
  } else if (length == 3) {
    binMedian = std::make_unique<CThreePointMedian<long>>();
  }
}

void CFFTFreqTerp::GetPrevFFT(float* re, float* im, bool older) const {
  std::memcpy(re, older ? olderRe : lastRe, sizeof(float) * N);
  std::memcpy(im, older ? olderIm : lastIm, sizeof(float) * N);
}

void CFFTFreqTerp::SetPrevFFT(const float* re, const float* im, bool older) {
  std::memcpy(older ? olderRe : lastRe, re, sizeof(float) * N);
  std::memcpy(older ? olderIm : lastIm, im, sizeof(float) * N);
}

// ---------------------------------------------------------------------------
// CVinylFreqTrack

std::unique_ptr<CRunningMedian<double>> CVinylFreqTrack::makeMedian(long length) {
  if (length == 3) return std::make_unique<CThreePointMedian<double>>();
  return std::make_unique<CFivePointMedian<double>>();
}

CVinylFreqTrack::CVinylFreqTrack(double rate, long hop, long stages, bool keepWarmup, double scaler)
    : decimator(stages),
      powerMedian(makeMedian(5)),
      hopSize(hop),
      decimationStages(std::max(0L, stages)),
      freqScaler(scaler),
      sampleRate(rate),
      maxStages(std::max(0L, stages)) {
  ClearState();
  if (!keepWarmup) freqTerp.SetWinTick(7);
}

void CVinylFreqTrack::ProcessFloatBuffer(float* inL, float* inR, long n, double* speed, double* power,
                                         double rate, long* spread, long& count) {
  const double ratio = rate / sampleRate;
  long m = 0;
  decimator.HalfBandDecimate(inL, inR, inL, inR, n, m);
  eqLeft1.ProcessBuffer(inL, inL, m);
  eqLeft2.ProcessBuffer(inL, inL, m);
  eqRight1.ProcessBuffer(inR, inR, m);
  eqRight2.ProcessBuffer(inR, inR, m);

  count = 0;
  for (long offset = 0; offset < m;) {
    long avail = m - offset;
    long nOut = CFFTFreqTerp::N;
    double peak = 0.0;
    freqTerp.AnalyzeBuffer(inL + offset, inR + offset, avail, nOut, hopSize, speed[count], power[count], peak,
                           true, currBin, spread[count]);
    offset += avail;
    if (nOut < CFFTFreqTerp::N) continue;
    double& p = power[count];
    powerMedian->FilterBuff(&p, &p, nullptr, 1);
    if (p < 1e-16) p = 1e-16;
    double g = 10.0 * std::log10(p) - powerThreshold;
    if (g > 0) g *= 10.0;
    p = std::min(1.0, 0.5 + invPi * approx.approx_arctan(sensitivity * g));
    if (p < 0.005) speed[count] = 0.0;
    speed[count] *= freqScaler * ratio;
    ++count;
  }
}

void CVinylFreqTrack::SetLoShelfGain(double g) {
  for (CBJShelfEQ* eq : {&eqLeft1, &eqRight1, &eqLeft2, &eqRight2}) eq->SetGain(static_cast<float>(g));
}

void CVinylFreqTrack::SetLoShelfCutoff(double hz) {
  const double fs = sampleRate / static_cast<double>(1L << decimationStages);
  eqLeft1.UpdateTapweight(hz, fs);
  eqLeft2.UpdateTapweight(hz, fs);
  eqRight1.SetTapweight(eqLeft1.GetTapweight());
  eqRight2.SetTapweight(eqLeft1.GetTapweight());
}

void CVinylFreqTrack::ClearState() {
  currBin = 0;
  freqTerp.ClearState();
  powerMedian->ClearState();
  decimator.ClearState();
  for (CBJShelfEQ* eq : {&eqLeft1, &eqRight1, &eqLeft2, &eqRight2}) eq->SetState(0.0f);
}

void CVinylFreqTrack::SetDecimationStagesHopSizeFiltLengUseMedi(long stages, long hop, long filtLeng,
                                                                bool useMedian) {
  if (stages < 0 || stages > maxStages) return;
  decimationStages = stages;
  decimator.SetCurrNumStages(stages);
  hopSize = hop;
  freqTerp.SetMedFiltLeng(filtLeng);
  freqTerp.UseBinMedFilt(useMedian);
  if (filtLeng == 5 || filtLeng == 3) powerMedian = makeMedian(filtLeng);
}

void CVinylFreqTrack::SetEQStateL(float first, float second) {
  eqLeft1.SetState(first);
  eqLeft2.SetState(second);
}

void CVinylFreqTrack::SetEQStateR(float first, float second) {
  eqRight1.SetState(first);
  eqRight2.SetState(second);
}

void CVinylFreqTrack::GetDeciState(double* left, double* right) const {
  long i = 0;
  for (long s = 0; s < decimationStages; ++s, i += 5) {
    decimator.GetState0(s, left + i, right + i);
    decimator.GetState1(s, left + i + 2, right + i + 2);
    left[i + 4] = decimator.GetZinvL(s);
    right[i + 4] = decimator.GetZinvR(s);
  }
  left[i] = right[i] = static_cast<double>(decimator.GetToggled());
}

void CVinylFreqTrack::SetDeciState(const double* left, const double* right) {
  long i = 0;
  for (long s = 0; s < decimationStages; ++s, i += 5) {
    decimator.SetState0(s, left + i, right + i);
    decimator.SetState1(s, left + i + 2, right + i + 2);
    decimator.SetZinv(s, left[i + 4], right[i + 4]);
  }
  decimator.SetToggled(static_cast<long>(left[i]));
}
