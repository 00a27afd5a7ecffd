#include "dsp/timecode_demod.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kRefusedError = 10000.0;
constexpr long kRefusedWord = -32767;
constexpr double kDiag = 0.7071067811865476;

// (x, y) scaled to length 1.
void normalise(double x, double y, double& outX, double& outY) {
  const double len = std::sqrt(x * x + y * y) + 1e-16;
  outX = x / len;
  outY = y / len;
}

}  // namespace

// ---------------------------------------------------------------------------
// CWindowedDotProd

CWindowedDotProd::CWindowedDotProd(const float* modCos, const float* modSin) {
  SetModulator(modCos, modSin);
}

bool CWindowedDotProd::StoreDataAndComputeDotProduct(const float* in, long& count, long hop) {
  for (long i = 0; i < count; ++i) {
    ring[writeIndex] = in[i];
    writeIndex = (writeIndex + 1) & kMask;
    if (++overlapIndex < hop) continue;
    overlapIndex = 0;
    // Oldest sample first: the ring from the write position to its end, then from its start.
    const long first = N - writeIndex;
    float re = 0.0f, im = 0.0f;
    for (long j = 0; j < first; ++j) {
      re += modCos_[j] * ring[writeIndex + j];
      im += modSin_[j] * ring[writeIndex + j];
    }
    float re2 = 0.0f, im2 = 0.0f;
    for (long j = first; j < N; ++j) {
      re2 += modCos_[j] * ring[j - first];
      im2 += modSin_[j] * ring[j - first];
    }
    dotRe = re + re2;
    dotIm = im + im2;
    count = i + 1;
    return true;
  }
  return false;
}

void CWindowedDotProd::ClearAnalState() {
  std::fill(std::begin(ring), std::end(ring), 0.0f);
  dotRe = dotIm = 0.0f;
  writeIndex = overlapIndex = 0;
}

void CWindowedDotProd::SetInputDataState(const float* values) {
  std::memcpy(ring, values, sizeof(ring));
  writeIndex = 0;
}

void CWindowedDotProd::GetInputDataState(float* values) const {
  for (long j = 0; j < N; ++j) values[j] = ring[(writeIndex + j) & kMask];
}

void CWindowedDotProd::SetModulator(const float* modCos, const float* modSin) {
  std::memcpy(modCos_, modCos, sizeof(modCos_));
  std::memcpy(modSin_, modSin, sizeof(modSin_));
}

void CWindowedDotProd::GetModulator(float* modCos, float* modSin) const {
  std::memcpy(modCos, modCos_, sizeof(modCos_));
  std::memcpy(modSin, modSin_, sizeof(modSin_));
}

// ---------------------------------------------------------------------------
// CBinPhaseBump

CBinPhaseBump::CBinPhaseBump(long n)
    : samples(static_cast<size_t>(std::max(1L, n)), 0.0), count(std::max(1L, n)), invCount(1.0 / count) {}

bool CBinPhaseBump::BumpBinPhase(double power, long* peakIndex, double* peakPower, double* fraction) {
  samples[pos] = power;
  if (++pos < count) return false;
  pos = 0;
  peakIndex[1] = peakIndex[0];
  peakPower[1] = peakPower[0];
  fraction[1] = fraction[0];
  long best = 0;
  for (long i = 1; i < count; ++i) {
    if (samples[i] > samples[best]) best = i;
  }
  peakIndex[0] = best;
  peakPower[0] = samples[best];
  fraction[0] = static_cast<double>(count - 1 - best) * invCount;
  return true;
}

void CBinPhaseBump::SetPowerSamps(const double* values, long p) {
  std::copy(values, values + count, samples.begin());
  pos = std::clamp(p, 0L, count - 1);
}

void CBinPhaseBump::GetPowerSamps(double* values, long& p) const {
  std::copy(samples.begin(), samples.end(), values);
  p = pos;
}

void CBinPhaseBump::ClearState() {
  std::fill(samples.begin(), samples.end(), 0.0);
  pos = 0;
}

// ---------------------------------------------------------------------------
// CVinylDemodDecode

CVinylDemodDecode::CVinylDemodDecode(long targetSize, const float* window256, const float* modCos,
                                     const float* modSin, long chunk, double minRatio, double maxRatio,
                                     long points, long bits, long tailSymbols, long bitWidth, long bumps,
                                     long numBins, const long* bins, double rate)
    : ring(std::max(1L, bumps) * kFFTSize + 2048),
      dotLeft(modCos, modSin),
      dotRight(modCos, modSin),
      bumpLeft(bumps),
      bumpRight(bumps),
      minResampRatio(minRatio),
      maxResampRatio(maxRatio),
      maxChunk(std::max(1L, chunk)),
      targetFFTSize(targetSize),
      tcmRelaxPeriod(tailSymbols),
      tcmBitWidth(bitWidth),
      resampCapacity(static_cast<long>(std::ceil(maxChunk * maxRatio))),
      bumpLen(std::max(1L, bumps)),
      resampLeft(static_cast<size_t>(std::max(1L, resampCapacity))),
      resampRight(resampLeft.size()),
      sampleRate(rate) {
  std::memcpy(window, window256, sizeof(window));
  SetSpecialBins(numBins, bins);
  SetTCMConstellationAndStateSize(points, bits);
  ClearState();
}

void CVinylDemodDecode::ClearState() {
  ring.ClearState();
  dotLeft.ClearAnalState();
  dotRight.ClearAnalState();
  bumpLeft.ClearState();
  bumpRight.ClearState();
  resampler.ClearState();
  decimator1.ClearState();
  decimator2.ClearState();
  positionMedian.ClearState();
  latency = 0;
}

void CVinylDemodDecode::GetDeciState(double* v) const {
  decimator1.GetState0(0, v, v + 2);
  decimator1.GetState1(0, v + 4, v + 6);
  v[8] = decimator1.GetZinvL(0);
  v[9] = decimator1.GetZinvR(0);
  v[10] = static_cast<double>(decimator1.GetToggled());
}

void CVinylDemodDecode::SetDeciState(const double* v) {
  decimator1.SetState0(0, v, v + 2);
  decimator1.SetState1(0, v + 4, v + 6);
  decimator1.SetZinv(0, v[8], v[9]);
  decimator1.SetToggled(static_cast<long>(v[10]));
}

void CVinylDemodDecode::GetWindowBuffState(float* left, float* right) const {
  ring.GetState(left, right, ring.GetStateLen(), 0);
}

void CVinylDemodDecode::SetWindowBuffState(const float* left, const float* right) {
  ring.SetState(left, right, ring.GetStateLen());
}

void CVinylDemodDecode::SetWindowedDotProd(const float* modCos, const float* modSin) {
  dotLeft.SetModulator(modCos, modSin);
  dotRight.SetModulator(modCos, modSin);
}

void CVinylDemodDecode::SetMaxErrMetric(double value, long which) {
  if (which == 0 || which == 1) maxErrMetric[which] = value;
}

void CVinylDemodDecode::SetSpecialBins(long count, const long* bins) {
  specialBins.assign(bins, bins + std::max(0L, count));
}

void CVinylDemodDecode::SetMinMaxResampRatio(double lo, double hi) {
  minResampRatio = lo;
  maxResampRatio = hi;
  const long needed = static_cast<long>(std::ceil(maxChunk * hi));
  if (needed > resampCapacity) {
    resampCapacity = needed;
    resampLeft.assign(static_cast<size_t>(needed), 0.0f);
    resampRight.assign(static_cast<size_t>(needed), 0.0f);
  }
}

void CVinylDemodDecode::SetTCMConstellationAndStateSize(long points, long bits) {
  pskCodec.reset();
  qamCodec.reset();
  tableCodec.reset();
  constellation = points;
  stateBits = bits;
  int states = 0;
  if (points == 8 && (bits == 3 || bits == 4)) {
    pskCodec = std::make_unique<C8PSKTCM>(bits);
    states = pskCodec->GetNumStates();
  } else if (points == 8 && bits == 5) {
    tableCodec = makeTable8PSK16StateCodec();
    states = tableCodec->GetNumStates();
  } else if (points == 16 && (bits == 3 || bits == 4)) {
    qamCodec = std::make_unique<C16QAMTCM>(bits);
    states = qamCodec->GetNumStates();
  } else if (points == 16 && bits == 6) {
    tableCodec = makeTable16QAM64StateCodec();
    states = tableCodec->GetNumStates();
  }
  survivorsOut.assign(static_cast<size_t>(std::max(1, states)), 0);
  metricsOut.assign(static_cast<size_t>(std::max(1, states)), 1e20);
}

void CVinylDemodDecode::bit_deinterleave(const uint64_t* in, uint64_t* out, int count, int bits) {
  const int half = (bits + 1) / 2;
  for (int c = 0; c < count; ++c) {
    uint64_t r = 0;
    for (int j = 0; j < bits; ++j) {
      const uint64_t b = (in[c] >> j) & 1;
      r |= b << (j % 2 == 0 ? j / 2 : half + j / 2);
    }
    out[c] = r;
  }
}

void CVinylDemodDecode::bit_reverse(const uint64_t* in, uint64_t* out, int count, int bits) {
  for (int c = 0; c < count; ++c) {
    uint64_t r = 0;
    for (int j = 0; j < bits; ++j) r |= ((in[c] >> (bits - 1 - j)) & 1) << j;
    out[c] = r;
  }
}

void CVinylDemodDecode::bit_parity_check(const uint64_t* in, uint64_t* out, int count, int bits) {
  for (int c = 0; c < count; ++c) {
    if (bits <= 0) {
      out[c] = 0;
      continue;
    }
    uint64_t p = in[c] & 1;
    for (int j = 1; j < bits; ++j) p ^= (in[c] >> j) & 1;
    out[c] = p;
  }
}

long CVinylDemodDecode::DemodSignalAndDecode(const float* left, const float* right, long n,
                                             const double* speed, const long* spread, long hops,
                                             long hopFrames, long timingHop, double* symI, double* symQ,
                                             long& nWords, long* words, double* errors, double* positions,
                                             long& nHops, double rate) {
  const long chunk = std::min(maxChunk, hopFrames);
  if (chunk <= 0 || hops * chunk < n) return -1;
  const double rateRatio = sampleRate / rate;
  nWords = 0;
  long h = 0;
  for (long m = 0; m < n && h < hops; ++h) {
    const long len = std::min(n - m, chunk);
    const double s = speed[h];
    const double a = std::fabs(s * rateRatio);
    auto noPosition = [&]() {
      positions[h] = -1.0;
      words[h] = kRefusedWord;
      errors[h] = kRefusedError;
    };
    if (!(a >= minResampRatio && a <= maxResampRatio) || spread[h] > binSpreadLimit) {
      if (demodState != 0) ClearState();
      demodState = 0;
      m += len;
      noPosition();
      continue;
    }
    // A change of direction restarts the lock.
    if (demodState > 0 && s < 0) {
      ClearState();
      demodState = -1;
    } else if (demodState < 0 && s >= 0) {
      ClearState();
      demodState = 1;
    } else if (demodState == 0) {
      demodState = s >= 0 ? 1 : -1;
    }

    // Back to nominal speed, then to the ring's rate, then to the timing transforms' rate.
    long used = len, produced = resampCapacity;
    resampler.ResampleBuff(left + m, right + m, resampLeft.data(), resampRight.data(), used, 1.0 / a,
                           produced);
    long stored = 0;
    decimator1.HalfBandDecimate(resampLeft.data(), resampRight.data(), resampLeft.data(), resampRight.data(),
                                produced, stored);
    ring.StoreIt(resampLeft.data(), resampRight.data(), stored);
    latency += stored;
    long k = 0;
    decimator2.HalfBandDecimate(resampLeft.data(), resampRight.data(), resampLeft.data(), resampRight.data(),
                                stored, k);

    bool valid = false;
    for (long off = 0; off < k;) {
      long consumed = k - off, consumedRight = k - off;
      const bool product =
          dotLeft.StoreDataAndComputeDotProduct(resampLeft.data() + off, consumed, timingHop / 2);
      dotRight.StoreDataAndComputeDotProduct(resampRight.data() + off, consumedRight, timingHop / 2);
      off += consumed;
      latency -= 2 * consumed;
      if (!product) continue;
      bumpLeft.BumpBinPhase(dotLeft.GetDotProduct(), peakIndexLeft, peakPowLeft, fraction);
      if (!bumpRight.BumpBinPhase(dotRight.GetDotProduct(), peakIndexRight, peakPowRight, fraction)) continue;
      demodState = std::clamp(demodState + (s >= 0 ? 1L : -1L), -3L, 3L);
      if (demodState != 3 && demodState != -3) continue;

      // The frame the strongest timing measurement covered: it ends (bumpLen - 1 - p) measurements before
      // the newest sample the timing transforms have consumed.
      const long p = peakPowLeft[0] > peakPowRight[0] ? peakIndexLeft[0] : peakIndexRight[0];
      // The position's fraction belongs to the measurement the frame is taken at. (Taking the right
      // channel's fraction with the left channel's frame put the position a whole code word off whenever the
      // two channels peaked on either side of a group boundary.)
      fraction[0] = static_cast<double>(bumpLen - 1 - p) / static_cast<double>(bumpLen);
      const long ringLen = ring.GetStateLen();
      long start = ringLen - latency - kFFTSize - (bumpLen - 1 - p) * timingHop;
      while (start < 0) start += ringLen;
      ring.GetState(fftRe, fftIm, kFFTSize, start);
      for (long i = 0; i < kFFTSize; ++i) {
        fftRe[i] *= window[i];
        fftIm[i] *= window[i];
      }
      fft.forward(fftRe, fftIm);
      if (decodeWord(h, s, symI, symQ, nWords, words, errors)) valid = true;
    }
    m += used;
    if (valid) {
      positions[h] = position;
    } else {
      noPosition();
    }
  }
  nHops = h;
  return 0;
}

bool CVinylDemodDecode::decodeWord(long h, double s, double* symI, double* symQ, long& nWords, long* words,
                                   double* errors) {
  const long nb = GetNumSpecialBins();
  double* rowI = symI + nWords * nb;
  double* rowQ = symQ + nWords * nb;
  double mapped[16] = {};
  for (long i = 0; i < nb; ++i) {
    const long k = specialBins[nb - 1 - i] & (kFFTSize - 1);
    const long mirror = (kFFTSize - k) & (kFFTSize - 1);
    const double xr = fftRe[k], yr = fftRe[mirror], xi = fftIm[k], yi = fftIm[mirror];
    const double sRe = xr + yr, sIm = xi + yi, dRe = xr - yr, dIm = xi - yi;
    // Four times the cross-spectrum L(k) conj(R(k)): its angle is the phase of left less that of right.
    const double I = sRe * sIm - dIm * dRe;
    const double Q = sRe * dRe + dIm * sIm;
    const double ratio = std::sqrt((sRe * sRe + dIm * dIm) / (sIm * sIm + dRe * dRe));
    double rad = 1.0;
    if (constellation == 8) {
      if (stateBits == 5 && i < 16) {
        mapped[i] = ratio > 1.2 ? ratio / 16 + 0.925 : ratio > 0.8 ? 5 * ratio - 5 : ratio / 16 - 1.05;
      }
    } else if (fixedAmplitude) {
      rad = i % 2 == 0 ? ratio : 1.0 / ratio;
    } else if (ratio > 2) {
      rad = ratio / 16 + 1.28921356237;
    } else if (ratio > 1) {
      rad = 0.36012100898 * ratio + 0.69397154441;
    } else if (ratio > 0.5) {
      rad = 1.1653760652 * ratio - 0.11128351181;
    } else {
      rad = 0.94280904158 * ratio;
    }
    const double len = std::sqrt(I * I + Q * Q) + 1e-16;
    rowI[i] = I * rad / len;
    rowQ[i] = Q * rad / len;
    // Backwards the spectra come conjugated.
    if (s < 0) rowQ[i] = -rowQ[i];
  }

  uint64_t w = 0;
  const int tail = static_cast<int>(tcmRelaxPeriod);
  if (constellation == 16 && stateBits == 6 && tableCodec) {
    w = tableCodec->DecodeSequence(rowI, rowQ, static_cast<int>(nb), tail, metricsOut.data(),
                                   survivorsOut.data());
  } else if (constellation == 16 && qamCodec) {
    w = qamCodec->DecodeQAMSequence(rowI, rowQ, static_cast<int>(nb), tail, metricsOut.data(),
                                    survivorsOut.data());
  } else if (constellation == 8 && pskCodec) {
    w = pskCodec->DecodePSKSequence(rowI, rowQ, static_cast<int>(nb), tail, metricsOut.data(),
                                    survivorsOut.data());
  } else if (constellation == 8 && stateBits == 5 && tableCodec && nb == 8) {
    // Three more points from the amplitude ratios of the eight bins.
    for (long i = 7; i >= 0; --i) {
      rowI[i + 1] = rowI[i];
      rowQ[i + 1] = rowQ[i];
    }
    const double* r = mapped;
    normalise(r[0] - r[1], -r[0] - r[1], rowI[0], rowQ[0]);
    normalise(r[7] - r[6], -r[6] - r[7], rowI[10], rowQ[10]);
    double eI, eQ;
    normalise(r[2] - r[5], r[2] + r[5], eI, eQ);
    if ((r[4] - r[3]) / 2 <= 0) {
      rowI[9] = eI;
      rowQ[9] = eQ;
    } else {
      rowI[9] = (eI - eQ) * kDiag;
      rowQ[9] = (eI + eQ) * kDiag;
    }
    w = tableCodec->DecodeSequence(rowI, rowQ, static_cast<int>(nb + 3), tail, metricsOut.data(),
                                   survivorsOut.data());
  } else {
    // No codec for this combination: nothing can be decoded.
    positionMedian.ClearState();
    return false;
  }

  const int bits = static_cast<int>(tcmBitWidth);
  if (bitXOR) w ^= 0xFFFFFFFFull;
  if (bitInterleaved) bit_deinterleave(&w, &w, 1, bits);
  if (bitReversed) bit_reverse(&w, &w, 1, bits);
  uint64_t parityError = 0;
  if (parityCheck) {
    bit_parity_check(&w, &parityError, 1, bits);
    w >>= 1;
  }

  const double e = metricsOut[0];
  errors[h] = e;
  decodeErrorMetric = 0.9 * decodeErrorMetric + 0.1 * e;
  words[h] = static_cast<long>(w);
  ++nWords;
  // Forwards the word has just ended and the medium is the fraction into the next one; backwards it is the
  // fraction before the word's start.
  double candidate =
      s >= 0 ? static_cast<double>(w) + 1.0 + fraction[0] : static_cast<double>(w) - fraction[0];
  if (e <= maxErrMetric[0] && parityError == 0) {
    position = candidate;
    double unused;
    positionMedian.FilterBuff(&candidate, &unused, nullptr, 1);
    return true;
  }
  if (e <= maxErrMetric[1] && parityError == 0) {
    double median = 0.0;
    positionMedian.FilterBuff(&candidate, &median, nullptr, 1);
    if (positionMedian.GetNumDelayElems() < 3) return false;
    // A weak decode far from the recent ones is taken as an error and replaced by their median.
    position = std::fabs(candidate - median) < 4 ? candidate : median;
    return true;
  }
  positionMedian.ClearState();
  return false;
}
